// Windows of the Win32 model: top-level windows (a host's window), dialogs
// and their controls. Texts are kept as ANSI bytes, as the A calls see them.
#pragma once

#include <win32_dialogs.h>
#include <win32_model.h>

#include <string>
#include <vector>

namespace win32model {
namespace detail {

struct DialogState;

struct Window {
  enum class Type { kTopLevel, kDialog, kControl };
  HWND handle = nullptr;
  Type type = Type::kTopLevel;
  Window *parent = nullptr;  // a control's dialog
  HWND owner = nullptr;      // a dialog's owner
  int id = 0;
  ControlKind kind = ControlKind::kOther;
  std::string class_name;  // UTF-8
  std::string text;        // ANSI
  DWORD style = 0;
  DWORD ex_style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  // Buttons
  UINT check = BST_UNCHECKED;
  // Combo boxes
  std::vector<std::string> items;  // ANSI
  std::vector<LPARAM> item_data;
  int selection = -1;
  bool dropped = false;
  // Edit controls: how many characters the user may type.
  size_t text_limit = 30000;
  // Dialogs
  std::vector<Window *> children;  // in template order
  DialogState *dialog = nullptr;
};

Window *FindWindow(HWND handle);
// The live window, or a violation in the name of `function` and null.
Window *CheckWindow(HWND handle, const char *function);
Window *CreateWindowObject(Window::Type type);
void DestroyWindowTree(Window *window);
Window *ChildById(const Window *dialog, int id);
Window *CreateTopLevelWindow(const std::string &title_utf8);

bool IsDropDownList(const Window *window);
bool IsPushButton(const Window *window);
bool IsCheckable(const Window *window);
UINT ButtonType(const Window *window);
// The window text: for a drop-down list, the text of its selected item.
std::string WindowText(const Window *window);

// Runs a message through a window: a control's own behaviour, or a dialog's
// procedure with the dialog manager's defaults.
LRESULT SendToWindow(Window *window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT SendToControl(Window *control, UINT message, WPARAM wparam, LPARAM lparam);
// A control's WM_COMMAND notification to its dialog.
void Notify(Window *control, int code);

// Dialog manager pieces the controls and user actions rely on.
INT_PTR DispatchToDialog(Window *dialog, UINT message, WPARAM wparam, LPARAM lparam);
void SetFocusTo(Window *dialog, Window *control);
Window *FocusOf(const Window *dialog);
int DefaultIdOf(const Window *dialog);
Window *ActiveDialog();
bool DialogEnded(const Window *dialog);
DialogView Snapshot(const Window *dialog);

// Copies `ansi` for WM_GETTEXT: at most max-1 bytes of whole characters and
// the NUL; returns the bytes copied.
LRESULT CopyTextOut(const std::string &ansi, WPARAM max, LPARAM buffer);

}  // namespace detail
}  // namespace win32model

namespace win32model {
namespace detail {
// Plays one scripted user action on an open dialog.
void PlayUserAction(Window *dialog, const DialogUser::Action &action);
// A mouse click on a button: the focus moves to it, an automatic check box or
// radio button changes its state, then BN_CLICKED.
void ClickButton(Window *button);
}  // namespace detail
}  // namespace win32model
