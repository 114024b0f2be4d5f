/* The applet's module-wide state; zero-filled when the module loads. */
#include "AppletState.h"

HINSTANCE AppletInstance;
int AppletInstanceCount;
char CaptionText[CAPTION_TEXT_SIZE];
char MessageText[MESSAGE_TEXT_SIZE];
int SelectedBoard;
BOARD_SETTING BoardSettings[BOARD_COUNT];
char RegistryPath[REGISTRY_PATH_SIZE];
