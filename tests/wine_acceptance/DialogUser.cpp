#include "DialogUser.h"

#include <stdio.h>

#include "Report.h"
#include "Screenshot.h"

const wchar_t kDialogTitle[] = L"Dorvik リソース情報設定";

namespace {

// Control ids of the settings dialog.
const int kAddressId = 1001;
const int kActiveId = 1008;
const int kBoardListId = 1023;

// Under the emulator a message round trip can take long on a busy machine.
const DWORD kWaitMs = 120000;
const DWORD kPollMs = 50;

std::string WindowTextA(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

std::wstring WindowTextW(HWND window) {
  wchar_t text[512] = L"";
  GetWindowTextW(window, text, sizeof(text) / sizeof(text[0]));
  return text;
}

bool IsDialogClass(HWND window) {
  wchar_t className[32] = L"";
  GetClassNameW(window, className, 32);
  return wcscmp(className, L"#32770") == 0;
}

bool OwnedByThisProcess(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process == GetCurrentProcessId();
}

struct OwnedSearch {
  HWND Owner;
  HWND Found;
};

BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM context) {
  OwnedSearch *search = reinterpret_cast<OwnedSearch *>(context);
  if (GetWindow(window, GW_OWNER) == search->Owner && IsDialogClass(window) && IsWindowVisible(window)) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindTextStatic(HWND child, LPARAM context) {
  wchar_t className[16] = L"";
  GetClassNameW(child, className, 16);
  if (_wcsicmp(className, L"Static") == 0 && GetWindowTextLengthW(child) > 0) {
    *reinterpret_cast<HWND *>(context) = child;
    return FALSE;
  }
  return TRUE;
}

// A click as the mouse gives it, delivered to the button's own thread
// without waiting: OK runs a message box before the click returns.
void ClickLater(HWND button) { SendNotifyMessageW(button, BM_CLICK, 0, 0); }

}  // namespace

bool DialogUser::WaitForDialog() {
  for (DWORD waited = 0; waited < kWaitMs; waited += kPollMs) {
    HWND found = FindWindowW(L"#32770", kDialogTitle);
    if (found != nullptr && OwnedByThisProcess(found) && IsWindowVisible(found)) {
      dialog_ = found;
      SendMessageW(dialog_, WM_NULL, 0, 0);  // the dialog's thread is in its message loop
      return true;
    }
    Sleep(kPollMs);
  }
  return Check(false, "the settings dialog opens");
}

ShownSetting DialogUser::Shown() {
  ShownSetting shown;
  shown.Board = WindowTextA(Control(kBoardListId));
  shown.Active = SendMessageW(Control(kActiveId), BM_GETCHECK, 0, 0) == BST_CHECKED;
  shown.Address = WindowTextA(Control(kAddressId));
  return shown;
}

bool DialogUser::ExpectShown(int board, bool active, const char *address) {
  ShownSetting shown = Shown();
  std::string boardText = std::to_string(board);
  return Check(shown.Board == boardText && shown.Active == active && shown.Address == address,
               "  shows board %s, %s, address \"%s\" (board %s, %s, \"%s\")", boardText.c_str(),
               active ? "active" : "inactive", address, shown.Board.c_str(), shown.Active ? "active" : "inactive",
               shown.Address.c_str());
}

bool DialogUser::ChooseBoard(int board) {
  HWND list = Control(kBoardListId);
  // The dialog manager moves the focus; the list itself tells the dialog.
  SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
  SendMessageW(list, WM_KEYDOWN, VK_HOME, 1);
  SendMessageW(list, WM_KEYUP, VK_HOME, 0xC0000001);
  for (int step = 0; step < board; ++step) {
    SendMessageW(list, WM_KEYDOWN, VK_DOWN, 1);
    SendMessageW(list, WM_KEYUP, VK_DOWN, 0xC0000001);
  }
  LRESULT selected = SendMessageW(list, CB_GETCURSEL, 0, 0);
  return Check(selected == board && FocusedControl() == list,
               "  user chooses board %d in the list (selection %ld)", board, static_cast<long>(selected));
}

bool DialogUser::SetActive(bool active) {
  HWND box = Control(kActiveId);
  bool checked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (checked != active) SendMessageW(box, BM_CLICK, 0, 0);
  checked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
  return Check(checked == active, "  user %s \"ACTIVE\"", active ? "checks" : "unchecks");
}

std::string DialogUser::TypeAddress(const char *text) {
  HWND edit = Control(kAddressId);
  SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  if (*text == '\0') {
    SendMessageW(edit, WM_KEYDOWN, VK_DELETE, 1);
    SendMessageW(edit, WM_KEYUP, VK_DELETE, 0xC0000001);
  }
  for (const char *key = text; *key != '\0'; ++key) SendMessageW(edit, WM_CHAR, static_cast<WPARAM>(*key), 1);
  std::string held = WindowTextA(edit);
  Note("  user types \"%s\" into the address field; it holds \"%s\"", text, held.c_str());
  return held;
}

HWND DialogUser::FocusedControl() const {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

HWND DialogUser::FindOwnedMessageBox() const {
  OwnedSearch search = {dialog_, nullptr};
  EnumWindows(FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

bool DialogUser::WaitForClose() {
  for (DWORD waited = 0; waited < kWaitMs; waited += kPollMs) {
    if (!IsWindow(dialog_)) return true;
    Sleep(kPollMs);
  }
  return false;
}

MessageBoxSeen DialogUser::PressOk(const char *screenshotName) {
  MessageBoxSeen seen = {};
  ClickLater(Control(IDOK));
  HWND box = nullptr;
  for (DWORD waited = 0; box == nullptr && waited < kWaitMs && IsWindow(dialog_); waited += kPollMs) {
    box = FindOwnedMessageBox();
    if (box == nullptr) Sleep(kPollMs);
  }
  seen.Shown = box != nullptr;
  if (!Check(seen.Shown, "  after OK a message box owned by the dialog appears")) return seen;

  SendMessageW(box, WM_NULL, 0, 0);
  seen.Caption = WindowTextA(box);
  seen.CaptionWide = WindowTextW(box);
  HWND text = nullptr;
  EnumChildWindows(box, FindTextStatic, reinterpret_cast<LPARAM>(&text));
  if (text != nullptr) {
    seen.Text = WindowTextA(text);
    seen.TextWide = WindowTextW(text);
  }
  if (screenshotName != nullptr) TakeScreenshot(screenshotName, box);

  HWND boxOk = GetDlgItem(box, IDOK);
  Check(boxOk != nullptr && GetWindowTextLengthW(boxOk) > 0, "  the message box has an OK button");
  ClickLater(boxOk);
  Check(WaitForClose(), "  the dialog closes after the message box is answered");
  return seen;
}

bool DialogUser::PressCancel() {
  ClickLater(Control(IDCANCEL));
  bool boxSeen = false;
  for (DWORD waited = 0; waited < kWaitMs && IsWindow(dialog_); waited += kPollMs) {
    HWND box = FindOwnedMessageBox();
    if (box != nullptr) {
      boxSeen = true;
      ClickLater(GetDlgItem(box, IDOK));
    }
    Sleep(kPollMs);
  }
  Check(!IsWindow(dialog_), "  the dialog closes after Cancel");
  return Check(!boxSeen, "  Cancel shows no message box");
}

void DialogUser::Abandon() {
  if (dialog_ == nullptr || !IsWindow(dialog_)) return;
  Note("  closing the dialog after a failure");
  HWND box = FindOwnedMessageBox();
  if (box != nullptr) ClickLater(GetDlgItem(box, IDOK));
  ClickLater(Control(IDCANCEL));
  if (!WaitForClose()) PostMessageW(dialog_, WM_COMMAND, IDCANCEL, 0);
}
