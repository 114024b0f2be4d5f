#include "DialogTestSupport.h"

DialogHandler g_dialog_handler;

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return g_dialog_handler ? g_dialog_handler(dialog, message, wparam, lparam) : FALSE;
}

DialogHandler StandardHandler(DialogHandler extra) {
  return [extra](HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) -> INT_PTR {
    if (extra) {
      if (INT_PTR r = extra(dialog, message, wparam, lparam)) return r;
    }
    if (message == WM_INITDIALOG) {
      for (const char *item : {"0", "1", "2", "3"}) {
        SendDlgItemMessageA(dialog, IDC_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
      }
      SendDlgItemMessageA(dialog, IDC_LIST, CB_SETCURSEL, 0, 0);
      return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wparam) == IDOK) return EndDialog(dialog, 10);
    if (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL) return EndDialog(dialog, 20);
    return FALSE;
  };
}

void DialogTest::SetUp() {
  Win32Test::SetUp();
  module_ = win32model::LoadResourceModule(MODELTEST_RES_PATH);
  ASSERT_NE(nullptr, module_);
  g_dialog_handler = StandardHandler();
}

void DialogTest::TearDown() {
  g_dialog_handler = nullptr;
  Win32Test::TearDown();
}

INT_PTR DialogTest::Open(int template_id, HWND owner, LPARAM param) {
  return DialogBoxParamA(module_, MAKEINTRESOURCEA(template_id), owner, TestDialogProc, param);
}

win32model::DialogRecord DialogTest::Last() {
  std::vector<win32model::DialogRecord> records = win32model::Dialogs();
  return records.empty() ? win32model::DialogRecord() : records.back();
}

std::vector<int> CodesOf(const win32model::DialogRecord &record, int id) {
  std::vector<int> codes;
  for (const win32model::DialogCommand &c : record.Commands()) {
    if (c.id == id) codes.push_back(c.code);
  }
  return codes;
}
