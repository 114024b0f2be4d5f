/* The resource settings dialog: one board's settings at a time, copied
   between the settings table and the dialog's controls. */
#ifndef DORVIK_APPLET_SETTINGS_DIALOG_H
#define DORVIK_APPLET_SETTINGS_DIALOG_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

/* Shows the setting of the board that the board-number list names. */
void ShowBoardSetting(HWND dialog);

/* Stores the controls into the setting of the board the list names. */
void StoreBoardSetting(HWND dialog);

/* Hexadecimal text to number; every byte that is not a hex digit counts as
   the digit 0 but keeps its place. */
DWORD ParseHexAddress(const char *text);

#ifdef __cplusplus
}
#endif

#endif
