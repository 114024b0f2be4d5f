// The modal dialog manager: building the dialog from its template, the
// initial focus, the notifications of the scripted user's actions, and the
// violations of a script that does not fit the dialog.
#include <cstring>

#include "DialogTestSupport.h"

namespace {

using win32model::DialogUser;
using win32model::DialogView;

std::string Text(HWND dialog, int id, int limit, UINT *count = nullptr) {
  char buffer[64];
  std::memset(buffer, 'Z', sizeof buffer);
  UINT n = GetDlgItemTextA(dialog, id, buffer, limit);
  if (count) *count = n;
  for (int i = limit; i < static_cast<int>(sizeof buffer); ++i) {
    EXPECT_EQ('Z', buffer[i]) << "written past the limit at " << i;
  }
  return limit > 0 ? std::string(buffer) : std::string();
}

TEST_F(DialogTest, OpensFromTheTemplateInitialisesAndReturnsTheEndDialogResult) {
  // A Control Panel host's window serves as the owner.
  win32model::ControlPanelHost host(module_, nullptr,
                                    [](HWND, UINT, LPARAM, LPARAM) -> LONG { return 0; });
  HWND owner = host.window();
  DialogView seen;
  bool owner_enabled_during = true;
  win32model::QueueDialogUser(DialogUser()
                                  .Inspect([&](const DialogView &view) {
                                    seen = view;
                                    owner_enabled_during = IsWindowEnabled(owner);
                                  })
                                  .PressButton(IDOK));
  EXPECT_EQ(10, Open(IDD_PLAIN, owner, 0x55));
  EXPECT_FALSE(owner_enabled_during) << "the owner is disabled while its modal dialog is open";
  EXPECT_TRUE(IsWindowEnabled(owner));

  EXPECT_EQ("テスト ダイアログ", seen.title);
  EXPECT_TRUE(seen.has_font);
  EXPECT_EQ(9, seen.font_point_size);
  EXPECT_EQ("ＭＳ Ｐゴシック", seen.font_face);
  ASSERT_EQ(9u, seen.controls.size());
  EXPECT_EQ(IDOK, seen.controls[0].id);
  EXPECT_EQ("Button", seen.controls[0].class_name);
  EXPECT_EQ("ｷｬﾝｾﾙ", seen.Control(IDCANCEL).text);
  EXPECT_EQ("ComboBox", seen.Control(IDC_LIST).class_name);
  EXPECT_EQ((std::vector<std::string>{"0", "1", "2", "3"}), seen.Control(IDC_LIST).items);
  EXPECT_EQ("0", seen.Control(IDC_LIST).text) << "a drop-down list shows its selected item";
  EXPECT_FALSE(seen.Control(IDC_OFF_LIST).enabled());
  EXPECT_TRUE(seen.Control(IDC_OFF_LIST).items.empty());
  EXPECT_EQ("Static", seen.Control(-1).class_name);
  EXPECT_EQ("H", seen.Control(-1).text);
  EXPECT_EQ("abc", seen.Control(IDC_EDIT).text);
  EXPECT_TRUE(seen.Control(IDC_EDIT).style & WS_CHILD);
  EXPECT_TRUE(seen.has_focus);
  EXPECT_EQ(IDOK, seen.focus_id) << "TRUE from WM_INITDIALOG focuses the first tab stop";

  win32model::DialogRecord record = Last();
  EXPECT_TRUE(record.created);
  EXPECT_EQ("#200", record.template_name);
  EXPECT_EQ(owner, record.owner);
  EXPECT_EQ(10, record.result);
  EXPECT_TRUE(record.ended_by_program);
  ASSERT_GE(record.messages.size(), 3u);
  EXPECT_EQ(static_cast<UINT>(WM_SETFONT), record.messages[0].message);
  EXPECT_EQ(static_cast<UINT>(WM_INITDIALOG), record.messages[1].message);
  EXPECT_EQ(reinterpret_cast<WPARAM>(seen.Control(IDOK).handle), record.messages[1].wparam);
  EXPECT_EQ(0x55, record.messages[1].lparam);
  EXPECT_EQ(static_cast<UINT>(WM_DESTROY), record.messages.back().message);
  EXPECT_FALSE(IsWindow(record.handle)) << "the dialog is gone after DialogBoxParamA returns";
}

TEST_F(DialogTest, FalseFromInitDialogLeavesTheFocusAlone) {
  g_dialog_handler = [](HWND d, UINT m, WPARAM w, LPARAM l) -> INT_PTR {
    if (m == WM_INITDIALOG) return FALSE;
    return StandardHandler()(d, m, w, l);
  };
  bool focused = true;
  win32model::QueueDialogUser(
      DialogUser().Inspect([&](const DialogView &v) { focused = v.has_focus; }).PressEscape());
  EXPECT_EQ(20, Open());
  EXPECT_FALSE(focused);
}

TEST_F(DialogTest, ChoosingAListItemFocusesTheListThenDropsSelectsAndCloses) {
  std::vector<std::string> text_at_selchange;
  g_dialog_handler = StandardHandler([&](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (m == WM_COMMAND && LOWORD(w) == IDC_LIST && HIWORD(w) == CBN_SELCHANGE) {
      text_at_selchange.push_back(Text(d, IDC_LIST, 50));
    }
    return 0;
  });
  win32model::QueueDialogUser(DialogUser()
                                  .ChooseListItem(IDC_LIST, 2)
                                  .ChooseListItem(IDC_LIST, 3)
                                  .TypeText(IDC_EDIT, "7")
                                  .PressButton(IDOK));
  EXPECT_EQ(10, Open());
  win32model::DialogRecord record = Last();
  EXPECT_EQ(
      (std::vector<int>{CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP,
                        CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP, CBN_KILLFOCUS}),
      CodesOf(record, IDC_LIST));
  EXPECT_EQ((std::vector<std::string>{"2", "3"}), text_at_selchange);
  EXPECT_EQ(3, record.final_view.Control(IDC_LIST).selection);

  // Focus leaves the list for the edit: the list's kill-focus comes first.
  std::vector<win32model::DialogCommand> commands = record.Commands();
  auto kill = std::find(commands.begin(), commands.end(),
                        win32model::DialogCommand{IDC_LIST, CBN_KILLFOCUS});
  auto set =
      std::find(commands.begin(), commands.end(), win32model::DialogCommand{IDC_EDIT, EN_SETFOCUS});
  ASSERT_NE(commands.end(), kill);
  ASSERT_NE(commands.end(), set);
  EXPECT_LT(kill - commands.begin(), set - commands.begin());
}

TEST_F(DialogTest, GetDlgItemTextACopiesAtMostLimitMinusOneBytesOfWholeCharacters) {
  struct Case {
    int id;
    int limit;
    std::string text;
    UINT count;
  };
  const std::string a = "\x82\xa0";  // "あ"
  const Case cases[] = {
      {IDC_LIST, 50, "15", 2},   {IDC_LIST, 3, "15", 2},  {IDC_LIST, 2, "1", 1},
      {IDC_LIST, 1, "", 0},      {IDC_EDIT, 4, "100", 3}, {IDC_EDIT, 5, "1000", 4},
      {IDC_EDIT, 64, "1000", 4},
  };
  g_dialog_handler = StandardHandler([](HWND d, UINT m, WPARAM, LPARAM) -> INT_PTR {
    if (m == WM_INITDIALOG)
      SendDlgItemMessageA(d, IDC_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("15"));
    return 0;
  });
  win32model::QueueDialogUser(
      DialogUser()
          .ChooseListItem(IDC_LIST, 0)
          .TypeText(IDC_EDIT, "1000")
          .Inspect([&](const DialogView &v) {
            for (const Case &c : cases) {
              UINT count = 99;
              EXPECT_EQ(c.text, Text(v.handle, c.id, c.limit, &count)) << c.id << "/" << c.limit;
              EXPECT_EQ(c.count, count) << c.id << "/" << c.limit;
            }
            char untouched[2] = {'Z', 'Z'};
            EXPECT_EQ(0u, GetDlgItemTextA(v.handle, IDC_EDIT, untouched, 0));
            EXPECT_EQ('Z', untouched[0]);
            EXPECT_EQ(0u, GetDlgItemTextA(v.handle, 999, untouched, 2)) << "no such control";
            EXPECT_EQ('\0', untouched[0]);
          })
          .TypeText(IDC_EDIT, "12あ")
          .Inspect([&](const DialogView &v) {
            EXPECT_EQ("12", Text(v.handle, IDC_EDIT, 4));
            EXPECT_EQ("12" + a, Text(v.handle, IDC_EDIT, 5));
          })
          .PressEscape());
  EXPECT_EQ(20, Open());
}

TEST_F(DialogTest, SetDlgItemTextAOnAnEditReportsTheChangeButADropDownListRefusesIt) {
  BOOL list_result = TRUE;
  BOOL edit_result = FALSE;
  g_dialog_handler = StandardHandler([&](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (m == WM_COMMAND && LOWORD(w) == IDC_NOTIFY_BUTTON && HIWORD(w) == BN_CLICKED) {
      edit_result = SetDlgItemTextA(d, IDC_EDIT, "368");
      list_result = SetDlgItemTextA(d, IDC_LIST, "3");
      return TRUE;
    }
    return 0;
  });
  win32model::QueueDialogUser(DialogUser().PressButton(IDC_NOTIFY_BUTTON).PressEscape());
  Open();
  win32model::DialogRecord record = Last();
  EXPECT_TRUE(edit_result);
  EXPECT_FALSE(list_result);
  EXPECT_EQ((std::vector<int>{EN_UPDATE, EN_CHANGE}), CodesOf(record, IDC_EDIT));
  EXPECT_EQ("368", record.final_view.Control(IDC_EDIT).text);
  EXPECT_EQ("0", record.final_view.Control(IDC_LIST).text);
}

TEST_F(DialogTest, CheckBoxStatesFromTheProgramAndFromTheUser) {
  g_dialog_handler = StandardHandler([](HWND d, UINT m, WPARAM, LPARAM) -> INT_PTR {
    if (m != WM_INITDIALOG) return 0;
    EXPECT_EQ(0u, IsDlgButtonChecked(d, IDC_FLAG));
    CheckDlgButton(d, IDC_FLAG, BST_CHECKED);
    EXPECT_EQ(1u, IsDlgButtonChecked(d, IDC_FLAG));
    CheckDlgButton(d, IDC_FLAG, 5);
    EXPECT_EQ(1u, IsDlgButtonChecked(d, IDC_FLAG))
        << "a two-state box knows checked and unchecked only";
    CheckDlgButton(d, IDC_FLAG, BST_UNCHECKED);
    EXPECT_EQ(0u, IsDlgButtonChecked(d, IDC_FLAG));
    CheckDlgButton(d, IDOK, BST_CHECKED);
    EXPECT_EQ(0u, IsDlgButtonChecked(d, IDOK)) << "a push button is never checked";
    EXPECT_FALSE(CheckDlgButton(d, 999, BST_CHECKED));
    return 0;
  });
  std::vector<UINT> states;
  auto state = [&](const DialogView &v) { states.push_back(v.Control(IDC_FLAG).check); };
  win32model::QueueDialogUser(DialogUser()
                                  .ClickCheckBox(IDC_FLAG)
                                  .Inspect(state)
                                  .SetCheck(IDC_FLAG, true)
                                  .Inspect(state)
                                  .SetCheck(IDC_FLAG, false)
                                  .Inspect(state)
                                  .PressEscape());
  Open();
  EXPECT_EQ((std::vector<UINT>{1, 1, 0}), states);
  EXPECT_EQ((std::vector<int>{BN_CLICKED, BN_CLICKED}), CodesOf(Last(), IDC_FLAG))
      << "a plain check box sends no focus notifications; SetCheck to the same state clicks "
         "nothing";
}

TEST_F(DialogTest, TypingHonoursTheLimitAndTheCaseStyle) {
  g_dialog_handler = [](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (m == WM_INITDIALOG) {
      SendDlgItemMessageA(d, IDC_EX_EDIT, EM_LIMITTEXT, 4, 0);
      return TRUE;
    }
    if (m == WM_COMMAND && LOWORD(w) == IDCANCEL) return EndDialog(d, 3);
    return FALSE;
  };
  std::string typed;
  win32model::QueueDialogUser(
      DialogUser()
          .TypeText(IDC_EX_EDIT, "abcdef")
          .Inspect([&](const DialogView &v) { typed = v.Control(IDC_EX_EDIT).text; })
          .PressEscape());
  EXPECT_EQ(3, Open(IDD_EXTENDED));
  EXPECT_EQ("ABCD", typed);
  EXPECT_EQ((std::vector<int>{EN_SETFOCUS, EN_UPDATE, EN_CHANGE, EN_KILLFOCUS}),
            CodesOf(Last(), IDC_EX_EDIT));
}

TEST_F(DialogTest, RadioButtonsOfAGroupExcludeEachOther) {
  g_dialog_handler = [](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (m == WM_COMMAND && LOWORD(w) == IDCANCEL) return EndDialog(d, 0);
    return m == WM_INITDIALOG;
  };
  std::vector<std::pair<UINT, UINT>> states;
  auto state = [&](const DialogView &v) {
    states.push_back({v.Control(IDC_EX_BIG).check, v.Control(IDC_EX_RADIO).check});
  };
  win32model::QueueDialogUser(DialogUser()
                                  .ClickCheckBox(IDC_EX_BIG)
                                  .Inspect(state)
                                  .ClickCheckBox(IDC_EX_RADIO)
                                  .Inspect(state)
                                  .PressEscape());
  Open(IDD_EXTENDED);
  EXPECT_EQ((std::vector<std::pair<UINT, UINT>>{{1, 0}, {0, 1}}), states);
}

TEST_F(DialogTest, EscapeAndTheSystemMenuBecomeCancel) {
  win32model::QueueDialogUser(DialogUser().PressEscape());
  EXPECT_EQ(20, Open());
  EXPECT_EQ((std::vector<win32model::DialogCommand>{{IDCANCEL, BN_CLICKED}}), Last().Commands());

  win32model::QueueDialogUser(DialogUser().CloseFromSystemMenu());
  EXPECT_EQ(20, Open());
  std::vector<UINT> messages;
  for (const win32model::DialogMessage &m : Last().messages) messages.push_back(m.message);
  EXPECT_EQ((std::vector<UINT>{WM_SETFONT, WM_INITDIALOG, WM_SYSCOMMAND, WM_CLOSE, WM_COMMAND,
                               WM_DESTROY}),
            messages);
  EXPECT_EQ(static_cast<WPARAM>(SC_CLOSE), Last().messages[2].wparam);
}

TEST_F(DialogTest, TheSystemMenuCannotCancelWhenCancelIsDisabled) {
  g_dialog_handler = StandardHandler([](HWND d, UINT m, WPARAM, LPARAM) -> INT_PTR {
    if (m == WM_INITDIALOG) EnableWindow(GetDlgItem(d, IDCANCEL), FALSE);
    return 0;
  });
  win32model::QueueDialogUser(DialogUser().CloseFromSystemMenu().PressButton(IDOK));
  EXPECT_EQ(10, Open());
  EXPECT_TRUE(CodesOf(Last(), IDCANCEL).empty());
}

TEST_F(DialogTest, EnterPressesTheFocusedPushButtonOrElseTheDefault) {
  win32model::QueueDialogUser(DialogUser().FocusControl(IDC_LIST).PressEnter());
  EXPECT_EQ(10, Open());
  win32model::QueueDialogUser(DialogUser().FocusControl(IDCANCEL).PressEnter());
  EXPECT_EQ(20, Open());
}

TEST_F(DialogTest, TheDefaultPushButtonFollowsTheFocus) {
  std::vector<std::pair<DWORD, DWORD>> styles;
  auto look = [&](const DialogView &v) {
    styles.push_back(
        {v.Control(IDOK).style & BS_TYPEMASK, v.Control(IDCANCEL).style & BS_TYPEMASK});
  };
  win32model::QueueDialogUser(DialogUser()
                                  .Inspect(look)
                                  .FocusControl(IDCANCEL)
                                  .Inspect(look)
                                  .FocusControl(IDC_LIST)
                                  .Inspect(look)
                                  .PressEscape());
  Open();
  EXPECT_EQ((std::vector<std::pair<DWORD, DWORD>>{{BS_DEFPUSHBUTTON, BS_PUSHBUTTON},
                                                  {BS_PUSHBUTTON, BS_DEFPUSHBUTTON},
                                                  {BS_DEFPUSHBUTTON, BS_PUSHBUTTON}}),
            styles);
}

TEST_F(DialogTest, TabVisitsEnabledTabStopsInTemplateOrder) {
  std::vector<int> focus;
  auto look = [&](const DialogView &v) { focus.push_back(v.focus_id); };
  DialogUser user;
  for (int i = 0; i < 6; ++i) user.PressTab().Inspect(look);
  user.PressTab(true).Inspect(look).PressEscape();
  win32model::QueueDialogUser(user);
  Open();
  EXPECT_EQ((std::vector<int>{IDCANCEL, IDC_LIST, IDC_FLAG, IDC_EDIT, IDC_NOTIFY_BUTTON, IDOK,
                              IDC_NOTIFY_BUTTON}),
            focus);
  EXPECT_EQ((std::vector<int>{BN_SETFOCUS, BN_KILLFOCUS, BN_SETFOCUS, BN_KILLFOCUS}),
            CodesOf(Last(), IDC_NOTIFY_BUTTON))
      << "only a BS_NOTIFY button reports its focus";
}

TEST_F(DialogTest, ComboBoxMessagesKeepItemsAndSelection) {
  g_dialog_handler = [](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (m == WM_COMMAND && LOWORD(w) == IDCANCEL) return EndDialog(d, 0);
    if (m != WM_INITDIALOG) return FALSE;
    auto send = [d](UINT msg, WPARAM wp, const char *text) {
      return SendDlgItemMessageA(d, IDC_LIST, msg, wp, reinterpret_cast<LPARAM>(text));
    };
    EXPECT_EQ(0, send(CB_ADDSTRING, 0, "zero"));
    EXPECT_EQ(1, send(CB_ADDSTRING, 0, "one"));
    EXPECT_EQ(2, send(CB_ADDSTRING, 0, "two"));
    EXPECT_EQ(3, send(CB_GETCOUNT, 0, nullptr));
    EXPECT_EQ(CB_ERR, send(CB_GETCURSEL, 0, nullptr));
    EXPECT_EQ(2, send(CB_SETCURSEL, 2, nullptr));
    EXPECT_EQ(0, send(CB_INSERTSTRING, 0, "first"));
    EXPECT_EQ(1, send(CB_INSERTSTRING, 1, "inserted"));
    EXPECT_EQ(4, send(CB_GETCURSEL, 0, nullptr)) << "the selection moves with its item";
    char text[16] = {};
    EXPECT_EQ(3, send(CB_GETLBTEXT, 3, text));
    EXPECT_STREQ("one", text);
    EXPECT_EQ(3, send(CB_GETLBTEXTLEN, 4, nullptr));
    EXPECT_EQ(CB_ERR, send(CB_GETLBTEXTLEN, 5, nullptr));
    EXPECT_EQ(4, send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), "TWO"));
    EXPECT_EQ(CB_ERR, send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), "tw"));
    EXPECT_EQ(4, send(CB_FINDSTRING, static_cast<WPARAM>(-1), "tw"));
    EXPECT_EQ(4, send(CB_DELETESTRING, 1, nullptr));
    EXPECT_EQ(3, send(CB_GETCURSEL, 0, nullptr));
    EXPECT_EQ(3, send(CB_DELETESTRING, 3, nullptr));
    EXPECT_EQ(CB_ERR, send(CB_GETCURSEL, 0, nullptr))
        << "deleting the selected item clears the selection";
    EXPECT_EQ(CB_ERR, send(CB_SETCURSEL, 9, nullptr));
    EXPECT_EQ(2, send(CB_SELECTSTRING, static_cast<WPARAM>(-1), "o"));
    char shown[8];
    EXPECT_EQ(3u, GetDlgItemTextA(d, IDC_LIST, shown, sizeof shown));
    EXPECT_STREQ("one", shown);
    EXPECT_EQ(CB_ERR, send(CB_SETCURSEL, static_cast<WPARAM>(-1), nullptr));
    EXPECT_EQ(CB_ERR, send(CB_GETCURSEL, 0, nullptr));
    return TRUE;
  };
  std::string text = "unset";
  win32model::QueueDialogUser(
      DialogUser()
          .Inspect([&](const DialogView &v) { text = v.Control(IDC_LIST).text; })
          .PressEscape());
  Open();
  EXPECT_EQ("", text) << "no selection, no window text";
}

TEST_F(DialogTest, MessageBoxesAreRecordedAndAnsweredWithTheFirstButton) {
  g_dialog_handler = StandardHandler([](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (m == WM_COMMAND && LOWORD(w) == IDOK) {
      EXPECT_EQ(IDOK, MessageBoxA(d, "\x90\xdd\x92\xe8\n2", "Caption", MB_OK));
      EXPECT_EQ(IDYES, MessageBoxA(d, "?", nullptr, MB_YESNO | MB_ICONQUESTION));
    }
    return 0;
  });
  win32model::QueueDialogUser(DialogUser().PressButton(IDOK));
  EXPECT_EQ(10, Open());
  std::vector<win32model::MessageBoxRecord> boxes = win32model::MessageBoxes();
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ(Last().handle, boxes[0].owner);
  EXPECT_EQ("設定\n2", boxes[0].text);
  EXPECT_EQ("Caption", boxes[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_OK), boxes[0].type);
  EXPECT_TRUE(boxes[1].null_caption);
  EXPECT_EQ("Error", boxes[1].caption);
}

TEST_F(DialogTest, NestedDialogsTakeTheQueuedUsersInOrder) {
  g_dialog_handler = StandardHandler([this](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (m == WM_COMMAND && LOWORD(w) == IDC_NOTIFY_BUTTON && HIWORD(w) == BN_CLICKED) {
      EXPECT_EQ(20, DialogBoxParamA(module_, MAKEINTRESOURCEA(IDD_PLAIN), d, TestDialogProc, 0));
      return TRUE;
    }
    return 0;
  });
  win32model::QueueDialogUser(DialogUser().PressButton(IDC_NOTIFY_BUTTON).PressButton(IDOK));
  win32model::QueueDialogUser(DialogUser().PressEscape());
  EXPECT_EQ(10, Open());
  std::vector<win32model::DialogRecord> records = win32model::Dialogs();
  ASSERT_EQ(2u, records.size());
  EXPECT_EQ(records[0].handle, records[1].owner);
}

TEST_F(DialogTest, AScriptThatDoesNotFitTheDialogIsAViolation) {
  {
    win32model::ViolationCapture capture;
    EXPECT_EQ(-1, Open());
    EXPECT_TRUE(capture.Contains("no DialogUser queued"));
  }
  {
    win32model::ViolationCapture capture;
    win32model::QueueDialogUser(DialogUser().FocusControl(IDC_LIST));
    EXPECT_EQ(-1, Open());
    EXPECT_TRUE(capture.Contains("still open after the user's last action"));
  }
  {
    win32model::ViolationCapture capture;
    win32model::QueueDialogUser(DialogUser().PressEscape().ChooseListItem(IDC_LIST, 1));
    EXPECT_EQ(20, Open());
    EXPECT_TRUE(capture.Contains("closed before the user's actions ChooseListItem(300, 1)"));
  }
  {
    win32model::ViolationCapture capture;
    win32model::QueueDialogUser(DialogUser()
                                    .ChooseListItem(IDC_OFF_LIST, 0)
                                    .ChooseListItem(IDC_LIST, 9)
                                    .TypeText(IDC_FLAG, "x")
                                    .FocusControl(-1)
                                    .PressButton(12345)
                                    .PressEscape());
    EXPECT_EQ(20, Open());
    ASSERT_EQ(5u, capture.Messages().size());
    EXPECT_TRUE(capture.Contains("disabled"));
    EXPECT_TRUE(capture.Contains("the list has 4 items"));
    EXPECT_TRUE(capture.Contains("not an edit control"));
    EXPECT_TRUE(capture.Contains("not able to take the focus"));
    EXPECT_TRUE(capture.Contains("no control 12345"));
  }
}

TEST_F(DialogTest, AMissingTemplateOrOwnerFailsTheCallWithoutADialog) {
  EXPECT_EQ(-1, Open(IDD_MISSING));
  EXPECT_FALSE(Last().created);
  EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
  EXPECT_EQ(-1, Open(IDD_PLAIN, reinterpret_cast<HWND>(0x7777)));
  EXPECT_FALSE(Last().created);
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
}

TEST_F(DialogTest, CallsWithADeadDialogHandleAreViolations) {
  win32model::QueueDialogUser(DialogUser().PressEscape());
  Open();
  HWND gone = Last().handle;
  win32model::ViolationCapture capture;
  EXPECT_FALSE(EndDialog(gone, 1));
  EXPECT_EQ(0, SendDlgItemMessageA(gone, IDC_LIST, CB_GETCOUNT, 0, 0));
  EXPECT_EQ(2u, capture.Messages().size());
}

TEST_F(DialogTest, ADialogWithoutTabStopsStartsWithoutFocus) {
  g_dialog_handler = [](HWND d, UINT m, WPARAM w, LPARAM) -> INT_PTR {
    if (m == WM_INITDIALOG) {
      EXPECT_EQ(0u, w) << "no control to focus";
      return TRUE;
    }
    if (m == WM_COMMAND && LOWORD(w) == IDCANCEL) return EndDialog(d, 4);
    return FALSE;
  };
  win32model::QueueDialogUser(DialogUser().PressEscape());
  EXPECT_EQ(4, Open(IDD_NO_TABSTOP));
  EXPECT_FALSE(Last().final_view.has_font);
  EXPECT_EQ(static_cast<UINT>(WM_INITDIALOG), Last().messages[0].message)
      << "no WM_SETFONT without DS_SETFONT";
}

}  // namespace
