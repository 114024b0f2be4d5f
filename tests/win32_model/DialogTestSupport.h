// A dialog procedure whose behaviour each test sets, for the dialog manager
// tests, and the test module with its resources.
#pragma once

#include <Win32Test.h>

#include <windows.h>

#include <functional>

#include "ModelTestIds.h"

using DialogHandler = std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)>;

// The handler the trampoline below calls; empty means "return FALSE".
extern DialogHandler g_dialog_handler;
INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// A handler that fills the list with "0" to "3", selects item 0 and answers
// TRUE at WM_INITDIALOG, and ends the dialog with 10 for OK and 20 for
// Cancel. `extra` runs first for every message; if it returns nonzero, that
// is the answer.
DialogHandler StandardHandler(DialogHandler extra = nullptr);

class DialogTest : public Win32Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  INT_PTR Open(int template_id = IDD_PLAIN, HWND owner = nullptr, LPARAM param = 0);
  win32model::DialogRecord Last();
  HINSTANCE module_ = nullptr;
};

// The WM_COMMAND notifications of one control, in order.
std::vector<int> CodesOf(const win32model::DialogRecord &record, int id);
