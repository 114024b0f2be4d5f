/* Win32 model: the Control Panel applet interface. The records are packed to
   one byte, as on the platform: NEWCPLINFOA is 244 bytes on a 32-bit build. */
#ifndef DORVIK_WIN32_CPL_H
#define DORVIK_WIN32_CPL_H

#include "windows.h"

#ifdef __cplusplus
extern "C" {
#endif

#define WM_CPL_LAUNCH (WM_USER + 1000)
#define WM_CPL_LAUNCHED (WM_USER + 1001)

#define CPL_DYNAMIC_RES 0
#define CPL_INIT 1
#define CPL_GETCOUNT 2
#define CPL_INQUIRE 3
#define CPL_SELECT 4
#define CPL_DBLCLK 5
#define CPL_STOP 6
#define CPL_EXIT 7
#define CPL_NEWINQUIRE 8
#define CPL_STARTWPARMSA 9
#define CPL_STARTWPARMSW 10
#define CPL_SETUP 200

typedef LONG(APIENTRY *APPLET_PROC)(HWND hwndCpl, UINT msg, LPARAM lParam1, LPARAM lParam2);

#pragma pack(push, 1)
typedef struct tagCPLINFO {
  int idIcon;
  int idName;
  int idInfo;
  LONG_PTR lData;
} CPLINFO, *LPCPLINFO;

typedef struct tagNEWCPLINFOA {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwHelpContext;
  LONG_PTR lData;
  HICON hIcon;
  CHAR szName[32];
  CHAR szInfo[64];
  CHAR szHelpFile[128];
} NEWCPLINFOA, *LPNEWCPLINFOA;
#pragma pack(pop)

typedef NEWCPLINFOA NEWCPLINFO;
typedef LPNEWCPLINFOA LPNEWCPLINFO;

#ifdef __cplusplus
}
#endif

#endif
