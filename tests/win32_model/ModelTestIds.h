// Resource ids of the Win32 model's test resources.
#ifndef MODEL_TEST_IDS_H
#define MODEL_TEST_IDS_H

#define IDD_PLAIN 200
#define IDD_EXTENDED 201
#define IDD_NO_TABSTOP 202
#define IDD_MISSING 299

#define IDC_GROUP 310
#define IDC_LIST 300
#define IDC_OFF_LIST 301
#define IDC_FLAG 302
#define IDC_EDIT 303
#define IDC_NOTIFY_BUTTON 304
#define IDC_EX_EDIT 320
#define IDC_EX_BIG 70000
#define IDC_EX_RADIO 321
#define IDC_BARE_TEXT 330

#define IDS_NAME 1
#define IDS_CANCEL 3
#define IDS_CAPTION 17
#define IDS_MIXED 18
#define IDS_LINES 40
#define IDS_ENGLISH_ONLY 60

#define IDI_MODEL 102

#endif
