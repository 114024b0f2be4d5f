// The calls that address a dialog's control by its id.
#include "WindowModel.h"

using namespace win32model;
using namespace win32model::detail;

namespace {

// The control, or null with the platform's error for a missing id.
Window *Item(HWND dialog_handle, int id, const char *function) {
  Window *dialog = CheckWindow(dialog_handle, function);
  if (dialog == nullptr) return nullptr;
  Window *control = ChildById(dialog, id);
  if (control == nullptr) SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return control;
}

}  // namespace

extern "C" LRESULT WINAPI SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam,
                                              LPARAM lParam) {
  Window *control = Item(hDlg, nIDDlgItem, "SendDlgItemMessageA");
  return control ? SendToWindow(control, Msg, wParam, lParam) : 0;
}

extern "C" UINT WINAPI GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) {
  if (lpString != nullptr && cchMax > 0) lpString[0] = '\0';
  Window *control = Item(hDlg, nIDDlgItem, "GetDlgItemTextA");
  if (control == nullptr || lpString == nullptr || cchMax <= 0) return 0;
  return static_cast<UINT>(SendToWindow(control, WM_GETTEXT, static_cast<WPARAM>(cchMax),
                                        reinterpret_cast<LPARAM>(lpString)));
}

extern "C" BOOL WINAPI SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
  Window *control = Item(hDlg, nIDDlgItem, "SetDlgItemTextA");
  if (control == nullptr) return FALSE;
  return SendToWindow(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) == TRUE;
}

extern "C" BOOL WINAPI CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
  Window *control = Item(hDlg, nIDButton, "CheckDlgButton");
  if (control == nullptr) return FALSE;
  SendToWindow(control, BM_SETCHECK, uCheck, 0);
  return TRUE;
}

extern "C" UINT WINAPI IsDlgButtonChecked(HWND hDlg, int nIDButton) {
  Window *control = Item(hDlg, nIDButton, "IsDlgButtonChecked");
  return control ? static_cast<UINT>(SendToWindow(control, BM_GETCHECK, 0, 0)) : 0;
}
