/* The Control Panel entry: one applet, opening the settings dialog. */
#include "ControlPanelEntry.h"

#include <cpl.h>

#include "AppletResources.h"
#include "AppletState.h"
#include "SettingsDialog.h"

typedef struct APPLET_ROW {
    int IconId;
    int NameId;
    int InfoId;
    int DialogId;
    DLGPROC DialogProc;
} APPLET_ROW;

static const APPLET_ROW Applets[] = {
    {IDI_APPLET, IDS_APPLET_NAME, IDS_APPLET_INFO, IDD_SETTINGS, SettingsDialogProc},
};

#define APPLET_COUNT ((LPARAM)(sizeof(Applets) / sizeof(Applets[0])))

/* The host checks dwSize against its own structure: 244 bytes on 32-bit. */
typedef char NewInquireSizeMatches[sizeof(void *) != 4 || sizeof(NEWCPLINFOA) == 244 ? 1 : -1];

#define APPLET_NAME_LIMIT 32
#define APPLET_INFO_LIMIT 64

/* The first CPL_INIT loads the caption of the confirmation box; later ones
   only count. */
static LONG OnInit(void)
{
    if (AppletInstanceCount == 0) {
        LoadStringA(AppletInstance, IDS_CAPTION, CaptionText, CAPTION_TEXT_LIMIT);
    }
    AppletInstanceCount++;
    return 1;
}

static void FillNewInquire(const APPLET_ROW *row, NEWCPLINFOA *info)
{
    info->dwSize = sizeof(NEWCPLINFOA);
    info->dwFlags = 0;
    info->dwHelpContext = 0;
    info->lData = 0;
    info->hIcon = LoadIconA(AppletInstance, MAKEINTRESOURCEA(row->IconId));
    info->szHelpFile[0] = '\0';
    LoadStringA(AppletInstance, row->NameId, info->szName, APPLET_NAME_LIMIT);
    LoadStringA(AppletInstance, row->InfoId, info->szInfo, APPLET_INFO_LIMIT);
}

LONG CALLBACK CPlApplet(HWND host, UINT message, LPARAM lParam1, LPARAM lParam2)
{
    switch (message) {
    case CPL_INIT:
        return OnInit();
    case CPL_GETCOUNT:
        return (LONG)APPLET_COUNT;
    case CPL_DBLCLK:
        /* Only rows of the table can be opened. */
        if (lParam1 >= 0 && lParam1 < APPLET_COUNT) {
            const APPLET_ROW *row = &Applets[lParam1];
            DialogBoxParamA(AppletInstance, MAKEINTRESOURCEA(row->DialogId), host,
                            row->DialogProc, 0);
        }
        return 0;
    case CPL_EXIT:
        AppletInstanceCount--; /* nothing to release at 0 */
        return 0;
    case CPL_NEWINQUIRE:
        /* Nothing is written for an unknown row or a missing structure. */
        if (lParam1 >= 0 && lParam1 < APPLET_COUNT && lParam2 != 0) {
            FillNewInquire(&Applets[lParam1], (NEWCPLINFOA *)lParam2);
        }
        return 0;
    default:
        /* CPL_INQUIRE fills nothing: the name, text and icon come only from
           CPL_NEWINQUIRE. CPL_SELECT, CPL_STOP and unknown messages have
           nothing to do. */
        return 0;
    }
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        AppletInstance = instance;
    }
    return TRUE;
}
