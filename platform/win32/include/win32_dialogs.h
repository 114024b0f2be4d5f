// The dialog manager of the Win32 model and the scripted user who works its
// modal dialogs.
//
// DialogBoxParamA builds the dialog from its template, sends WM_SETFONT (for
// DS_SETFONT) and WM_INITDIALOG, gives the focus to the first tab stop when
// the dialog procedure answers TRUE, and then plays the next queued
// DialogUser, one action after another, until EndDialog. Each action sends
// what the real controls send for that user input. A dialog opened with no
// user queued, or left open after the user's last action, is a violation; it
// is then closed with the result -1.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace win32model {

enum class ControlKind { kButton, kEdit, kStatic, kListBox, kScrollBar, kComboBox, kOther };

// One control as it is at the moment of the snapshot.
struct ControlView {
  HWND handle = nullptr;
  int id = 0;
  ControlKind kind = ControlKind::kOther;
  std::string class_name;  // "Button", "Edit", "Static", "ComboBox", ... or the template's name
  std::string text;        // the window text (UTF-8); for a drop-down list, its selected item
  std::string ansi_text;   // the same as GetDlgItemTextA sees it
  DWORD style = 0;         // WS_CHILD included, as the dialog manager creates it
  DWORD ex_style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;  // dialog units, from the template
  UINT check = BST_UNCHECKED;          // check boxes and radio buttons
  std::vector<std::string> items;      // list items of a combo box (UTF-8)
  int selection = -1;                  // selected item, -1 for none
  bool focused = false;
  bool enabled() const { return (style & WS_DISABLED) == 0; }
  bool visible() const { return (style & WS_VISIBLE) != 0; }
};

struct DialogView {
  HWND handle = nullptr;
  std::string title;  // UTF-8
  DWORD style = 0;
  DWORD ex_style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  bool has_font = false;
  WORD font_point_size = 0;
  std::string font_face;              // UTF-8
  std::vector<ControlView> controls;  // in template order
  int focus_id = 0;                   // id of the focused control, when has_focus
  bool has_focus = false;
  int default_id = IDOK;  // the button that Enter presses

  bool Has(int id) const;
  // The control with this id; a violation and an empty view if there is none.
  const ControlView &Control(int id) const;
};

// A user of one modal dialog: a script of actions, played in order.
class DialogUser {
 public:
  // Clicks into a control (or tabs to it): the focus moves, with the kill-focus
  // notification of the control that had it and the set-focus notification of
  // the new one (CBN_KILLFOCUS/CBN_SETFOCUS, EN_KILLFOCUS/EN_SETFOCUS,
  // BN_KILLFOCUS/BN_SETFOCUS only for BS_NOTIFY buttons).
  DialogUser &FocusControl(int id);
  // Picks item `index` of a combo box with the mouse: the focus moves to the
  // list, then CBN_DROPDOWN, the selection changes, CBN_SELCHANGE,
  // CBN_SELENDOK, CBN_CLOSEUP.
  DialogUser &ChooseListItem(int id, int index);
  // Clicks a check box or radio button: focus, the automatic styles change
  // their state, then BN_CLICKED.
  DialogUser &ClickCheckBox(int id);
  // Clicks the check box only when its state differs from `checked`.
  DialogUser &SetCheck(int id, bool checked);
  // Clicks into an edit control and replaces its text by typing `utf8` (the
  // edit's text limit and ES_UPPERCASE/ES_LOWERCASE/ES_NUMBER apply):
  // focus, then EN_UPDATE and EN_CHANGE.
  DialogUser &TypeText(int id, const std::string &utf8);
  // Clicks a push button: focus, then BN_CLICKED.
  DialogUser &PressButton(int id);
  // Enter: BN_CLICKED of the focused push button, else of the default button
  // (IDOK when the default button is missing or disabled).
  DialogUser &PressEnter();
  // Escape: WM_COMMAND IDCANCEL.
  DialogUser &PressEscape();
  // Tab (or Shift+Tab): the focus moves to the next (previous) enabled,
  // visible tab stop.
  DialogUser &PressTab(bool backwards = false);
  // The close command of the system menu: WM_SYSCOMMAND SC_CLOSE, then by
  // default WM_CLOSE, then by default WM_COMMAND IDCANCEL (unless the Cancel
  // button is disabled).
  DialogUser &CloseFromSystemMenu();
  // A WM_COMMAND notification as control `id` sends it, whatever its class.
  DialogUser &SendNotification(int id, int code);
  // Runs `check` on a snapshot of the dialog at this point of the script.
  DialogUser &Inspect(std::function<void(const DialogView &)> check);

  struct Action {
    enum class Kind {
      kFocus,
      kChooseListItem,
      kClickCheckBox,
      kSetCheck,
      kTypeText,
      kPressButton,
      kPressEnter,
      kPressEscape,
      kPressTab,
      kCloseFromSystemMenu,
      kSendNotification,
      kInspect
    };
    Kind kind;
    int id = 0;
    int value = 0;
    std::string text;
    std::function<void(const DialogView &)> check;
    std::string Describe() const;
  };
  const std::vector<Action> &Actions() const { return actions_; }

 private:
  DialogUser &Add(Action action);
  std::vector<Action> actions_;
};

// The next DialogBoxParamA (in queue order) is worked by this user.
void QueueDialogUser(DialogUser user);
size_t QueuedDialogUsers();

// ---- Records -----------------------------------------------------------------------------------
struct DialogMessage {
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  INT_PTR result = 0;  // what the dialog procedure returned
};

struct DialogCommand {
  int id;    // LOWORD(wParam), read as signed: -1 for 0xFFFF
  int code;  // HIWORD(wParam), read as signed: CBN_ERRSPACE is -1
  bool operator==(const DialogCommand &other) const { return id == other.id && code == other.code; }
};

// One call of DialogBoxParamA.
struct DialogRecord {
  HINSTANCE instance = nullptr;
  std::string template_name;  // "#101" or the name
  HWND owner = nullptr;
  LPARAM init_param = 0;
  bool created = false;  // false when the call failed before a dialog existed
  HWND handle = nullptr;
  INT_PTR result = 0;                   // what DialogBoxParamA returned
  bool ended_by_program = false;        // EndDialog was called
  std::vector<DialogMessage> messages;  // every message the dialog procedure received
  DialogView final_view;                // the dialog as it was when it closed

  // The WM_COMMAND messages among them, in order.
  std::vector<DialogCommand> Commands() const;
};

std::vector<DialogRecord> Dialogs();

struct MessageBoxRecord {
  HWND owner = nullptr;
  std::string text;     // UTF-8
  std::string caption;  // UTF-8; the platform's "Error" when the program passed null
  std::string ansi_text;
  std::string ansi_caption;
  bool null_text = false;
  bool null_caption = false;
  UINT type = 0;
  int answer = 0;  // the first button of the type: IDOK, IDABORT, IDYES or IDRETRY
};

std::vector<MessageBoxRecord> MessageBoxes();

}  // namespace win32model
