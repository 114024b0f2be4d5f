/* Resource ids shared by the resource script and the applet's code. */
#ifndef DORVIK_APPLET_RESOURCES_H
#define DORVIK_APPLET_RESOURCES_H

/* String table */
#define IDS_APPLET_NAME 1
#define IDS_APPLET_INFO 2
#define IDS_CAPTION 3
#define IDS_RESTART_NOTICE 4

/* Dialog and icon */
#define IDD_SETTINGS 101
#define IDI_APPLET 102

/* Controls of the settings dialog */
#define IDC_IO_ADDRESS 1001
#define IDC_ACTIVE 1008
#define IDC_DEVICE_GROUP 1010
#define IDC_CONFIG_GROUP 1011
#define IDC_BOARD_LIST 1023
#define IDC_DMA_LIST 1024
#define IDC_IRQ_LIST 1025
#define IDC_IO_LABEL 1027
#define IDC_DMA_LABEL 1028
#define IDC_IRQ_LABEL 1029

#endif
