/* The resource settings dialog. The board on show is stored into the table
   when the board-number list receives the focus (before the user can pick
   another board) and at OK; the newly picked board is shown after every
   change of the selection. */
#include "SettingsDialog.h"

#include <stdio.h>
#include <stdlib.h>

#include "AppletResources.h"
#include "AppletState.h"
#include "Settings.h"

/* Text limits, NUL included. The address edit is read with room for three
   characters only, whatever it holds. */
#define BOARD_TEXT_LIMIT_SHOW 50
#define BOARD_TEXT_LIMIT_STORE 255
#define ADDRESS_TEXT_LIMIT 4

static const char *const BoardNumberTexts[BOARD_COUNT] = {
    "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15",
};

/* Texts read back from the controls; large enough for every limit above. */
static char BoardText[BOARD_TEXT_LIMIT_STORE];
static char AddressText[16];

DWORD ParseHexAddress(const char *text)
{
    DWORD address = 0;
    const unsigned char *byte;

    for (byte = (const unsigned char *)text; *byte != '\0'; byte++) {
        DWORD digit = 0;
        if (*byte >= '0' && *byte <= '9') {
            digit = *byte - '0';
        } else if (*byte >= 'A' && *byte <= 'F') {
            digit = *byte - 'A' + 10;
        } else if (*byte >= 'a' && *byte <= 'f') {
            digit = *byte - 'a' + 10;
        }
        address = address * 16 + digit;
    }
    return address;
}

void ShowBoardSetting(HWND dialog)
{
    SelectedBoard = 0;
    GetDlgItemTextA(dialog, IDC_BOARD_LIST, BoardText, BOARD_TEXT_LIMIT_SHOW);
    SelectedBoard = atoi(BoardText);

    CheckDlgButton(dialog, IDC_ACTIVE, (UINT)BoardSettings[SelectedBoard].Active);
    sprintf(AddressText, "%03x", (unsigned int)BoardSettings[SelectedBoard].PortAddress);
    SetDlgItemTextA(dialog, IDC_IO_ADDRESS, AddressText);
}

void StoreBoardSetting(HWND dialog)
{
    SelectedBoard = 0;
    GetDlgItemTextA(dialog, IDC_BOARD_LIST, BoardText, BOARD_TEXT_LIMIT_STORE);
    SelectedBoard = atoi(BoardText);

    BoardSettings[SelectedBoard].Active = (int)IsDlgButtonChecked(dialog, IDC_ACTIVE);
    GetDlgItemTextA(dialog, IDC_IO_ADDRESS, AddressText, ADDRESS_TEXT_LIMIT);
    BoardSettings[SelectedBoard].PortAddress = ParseHexAddress(AddressText);
}

static void InitDialog(HWND dialog)
{
    int board;

    LoadSettings();
    for (board = 0; board < BOARD_COUNT; board++) {
        SendDlgItemMessageA(dialog, IDC_BOARD_LIST, CB_ADDSTRING, 0,
                            (LPARAM)BoardNumberTexts[board]);
    }
    SendDlgItemMessageA(dialog, IDC_BOARD_LIST, CB_SETCURSEL, 0, 0);
    ShowBoardSetting(dialog);
}

static void ConfirmAndClose(HWND dialog)
{
    StoreBoardSetting(dialog);
    SaveSettings();
    /* Shown whether or not the registry writes succeeded. */
    LoadStringA(AppletInstance, IDS_RESTART_NOTICE, MessageText, MESSAGE_TEXT_SIZE);
    MessageBoxA(dialog, MessageText, CaptionText, MB_OK);
    EndDialog(dialog, 1);
}

static void OnBoardListNotification(HWND dialog, UINT code)
{
    switch (code) {
    case CBN_SETFOCUS:
        StoreBoardSetting(dialog);
        break;
    case CBN_SELCHANGE:
    case CBN_EDITCHANGE:
    case CBN_EDITUPDATE:
    case CBN_CLOSEUP:
        ShowBoardSetting(dialog);
        break;
    default:
        break;
    }
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitDialog(dialog);
        return TRUE; /* focus to the first tab stop, the OK button */
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            ConfirmAndClose(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 1); /* nothing stored, nothing saved */
            return TRUE;
        case IDC_BOARD_LIST:
            OnBoardListNotification(dialog, HIWORD(wParam));
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}
