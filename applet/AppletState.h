/* Module-wide state of the applet. The applet has no per-instance state:
   everything lives in these statics, with fixed-size text buffers. */
#ifndef DORVIK_APPLET_STATE_H
#define DORVIK_APPLET_STATE_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#define BOARD_COUNT 16
#define DEFAULT_PORT_ADDRESS 0x368

/* The caption buffer has room for 31 bytes, but only 29 and the NUL are
   ever loaded into it. */
#define CAPTION_TEXT_SIZE 32
#define CAPTION_TEXT_LIMIT 30
#define MESSAGE_TEXT_SIZE 256
/* The longest key path formed: board 15's parameters key, 60 characters. */
#define REGISTRY_PATH_SIZE 61

typedef struct BOARD_SETTING {
    int Active;        /* 0 inactive, anything else active */
    DWORD PortAddress; /* I/O base port address */
} BOARD_SETTING;

extern HINSTANCE AppletInstance;
extern int AppletInstanceCount;
extern char CaptionText[CAPTION_TEXT_SIZE];
extern char MessageText[MESSAGE_TEXT_SIZE];
extern int SelectedBoard;
extern BOARD_SETTING BoardSettings[BOARD_COUNT];
extern char RegistryPath[REGISTRY_PATH_SIZE];

#ifdef __cplusplus
}
#endif

#endif
