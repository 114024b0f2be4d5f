// A user at the settings dialog, acting from a thread of its own through
// window messages to the dialog's real controls, as keyboard and mouse input
// would reach them, while the dialog runs modally on the Control Panel's
// thread.
#ifndef DORVIK_WINE_ACCEPTANCE_DIALOG_USER_H
#define DORVIK_WINE_ACCEPTANCE_DIALOG_USER_H

#include <windows.h>

#include <string>

// What the dialog shows for the board on show.
struct ShownSetting {
  std::string Board;    // text of the board-number list
  bool Active;          // "ACTIVE" checked
  std::string Address;  // text of the address field
};

// The confirmation message box as the user read it.
struct MessageBoxSeen {
  bool Shown;
  std::string Caption;  // GetWindowTextA of the box
  std::string Text;     // GetWindowTextA of its text
  std::wstring CaptionWide;
  std::wstring TextWide;
};

class DialogUser {
 public:
  // Waits until the dialog is open and visible; false when it never comes.
  bool WaitForDialog();
  HWND Dialog() const { return dialog_; }

  ShownSetting Shown();
  // Checks that the dialog shows this board, check state and address.
  bool ExpectShown(int board, bool active, const char *address);

  // Clicks into the board-number list (the list receives the focus) and
  // moves its selection to the board with the arrow keys.
  bool ChooseBoard(int board);
  // Clicks "ACTIVE" when its state differs.
  bool SetActive(bool active);
  // Clicks into the address field, selects all of it and types the text
  // over it (nothing: the field is emptied). Returns what the field holds.
  std::string TypeAddress(const char *text);

  // Clicks OK, reads the confirmation box (and has it pictured when a name
  // is given), answers it with its OK button and waits for the dialog to
  // close.
  MessageBoxSeen PressOk(const char *screenshotName);
  // Clicks Cancel and waits for the dialog to close; checks that no message
  // box appeared.
  bool PressCancel();

  // After a failure: closes whatever is open so that the run can go on.
  void Abandon();

 private:
  HWND Control(int id) const { return GetDlgItem(dialog_, id); }
  HWND FocusedControl() const;
  HWND FindOwnedMessageBox() const;
  bool WaitForClose();

  HWND dialog_ = nullptr;
};

// The dialog's title.
extern const wchar_t kDialogTitle[];

#endif
