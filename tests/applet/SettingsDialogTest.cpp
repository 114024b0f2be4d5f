// The settings dialog as the user works it: when a board's setting is shown
// and stored, what OK saves and confirms, and what Cancel leaves alone.
#include "AppletTest.h"

#include <gmock/gmock.h>

using namespace applet_test;
using win32model::DialogRecord;
using win32model::DialogUser;
using win32model::DialogView;

namespace {

constexpr int kBoardList = 1023;
constexpr int kActive = 1008;
constexpr int kAddress = 1001;

class SettingsDialogTest : public AppletTest {
 protected:
  static std::function<void(const DialogView &)> Shows(const std::string &address, UINT check) {
    return [address, check](const DialogView &view) {
      EXPECT_EQ(view.Control(kAddress).text, address);
      EXPECT_EQ(view.Control(kActive).check, check);
    };
  }

  // The WM_COMMAND results the dialog procedure gave, by (id, code).
  static std::vector<INT_PTR> CommandResults(const DialogRecord &record, int id, int code) {
    std::vector<INT_PTR> results;
    for (const win32model::DialogMessage &m : record.messages) {
      if (m.message == WM_COMMAND && LOWORD(m.wparam) == WORD(id) &&
          HIWORD(m.wparam) == WORD(code)) {
        results.push_back(m.result);
      }
    }
    return results;
  }
};

TEST_F(SettingsDialogTest, OpensWithBoardZeroFromTheRegistry) {
  SeedBoard(0, 0x2A0);
  SeedBoard(1, 0x2B0);
  DialogRecord record = OpenDialog(DialogUser()
                                       .Inspect([](const DialogView &view) {
                                         const auto &list = view.Control(kBoardList);
                                         std::vector<std::string> numbers;
                                         for (int n = 0; n < 16; ++n) numbers.push_back(std::to_string(n));
                                         EXPECT_EQ(list.items, numbers);
                                         EXPECT_EQ(list.selection, 0);
                                         EXPECT_EQ(view.focus_id, IDOK);
                                       })
                                       .Inspect(Shows("2a0", BST_CHECKED))
                                       .PressButton(IDCANCEL));
  ASSERT_FALSE(record.messages.empty());
  for (const win32model::DialogMessage &m : record.messages) {
    if (m.message == WM_INITDIALOG) {
      EXPECT_EQ(m.result, TRUE);
    } else if (m.message != WM_COMMAND) {
      EXPECT_EQ(m.result, FALSE) << "message " << m.message;
    }
  }
}

TEST_F(SettingsDialogTest, AnEditIsStoredWhenTheListGetsTheFocusAndShownOnReturn) {
  SeedTree(6);  // boards 0 to 5 at 0x300, 0x310, ...
  DialogRecord record = OpenDialog(DialogUser()
                                       .ChooseListItem(kBoardList, 2)
                                       .Inspect(Shows("320", BST_CHECKED))
                                       .TypeText(kAddress, "2c0")
                                       .ClickCheckBox(kActive)
                                       .ChooseListItem(kBoardList, 5)
                                       .Inspect(Shows("350", BST_CHECKED))
                                       .ChooseListItem(kBoardList, 2)
                                       .Inspect(Shows("2c0", BST_UNCHECKED))
                                       .PressButton(IDCANCEL));
  EXPECT_EQ(record.result, 1);
  EXPECT_EQ(BoardSettings[2].PortAddress, 0x2C0u);
  EXPECT_EQ(BoardSettings[2].Active, 0);
  EXPECT_EQ(BoardSettings[5].PortAddress, 0x350u);
  // Cancel saved nothing.
  EXPECT_EQ(*StoredAddress(2), 0x320u);
  EXPECT_TRUE(win32model::MessageBoxes().empty());
}

TEST_F(SettingsDialogTest, OkStoresTheBoardOnShowSavesAndConfirms) {
  SeedTree(2);
  DialogRecord record = OpenDialog(DialogUser()
                                       .ChooseListItem(kBoardList, 1)
                                       .TypeText(kAddress, "3e8")
                                       .PressButton(IDOK));
  EXPECT_EQ(record.result, 1);
  EXPECT_TRUE(record.ended_by_program);
  EXPECT_EQ(*StoredAddress(0), 0x300u);
  EXPECT_EQ(*StoredAddress(1), 0x3E8u);

  std::vector<win32model::MessageBoxRecord> boxes = win32model::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, record.handle);
  EXPECT_EQ(boxes[0].caption, kCaption);
  EXPECT_EQ(boxes[0].text, kRestartNotice);
  EXPECT_EQ(boxes[0].type, UINT(MB_OK));
}

TEST_F(SettingsDialogTest, EnterInTheEditSavesLikeOk) {
  SeedTree(1);
  OpenDialog(DialogUser().TypeText(kAddress, "2f8").PressEnter());
  EXPECT_EQ(*StoredAddress(0), 0x2F8u);
  EXPECT_EQ(win32model::MessageBoxes().size(), 1u);
}

TEST_F(SettingsDialogTest, UncheckingBoardZeroRemovesTheTreeAndStillConfirms) {
  SeedTree(3);
  OpenDialog(DialogUser().SetCheck(kActive, false).PressButton(IDOK));
  EXPECT_FALSE(Registry().KeyExists(kServiceKey));
  ASSERT_EQ(win32model::MessageBoxes().size(), 1u);
  EXPECT_EQ(win32model::MessageBoxes()[0].text, kRestartNotice);
}

TEST_F(SettingsDialogTest, ConfirmsAlsoWhenTheRegistryRefusesTheWrites) {
  SeedTree(1);
  win32model::DenyRegistryWrites(kServiceKey);
  OpenDialog(DialogUser().TypeText(kAddress, "123").PressButton(IDOK));
  EXPECT_EQ(*StoredAddress(0), 0x300u);
  EXPECT_EQ(win32model::MessageBoxes().size(), 1u);
}

TEST_F(SettingsDialogTest, ActivatingTheNextBoardAddsItOnOk) {
  SeedTree(1);
  OpenDialog(DialogUser()
                 .ChooseListItem(kBoardList, 1)
                 .Inspect(Shows("368", BST_UNCHECKED))
                 .SetCheck(kActive, true)
                 .PressButton(IDOK));
  EXPECT_EQ(*StoredAddress(1), kDefaultAddress);
}

// Cancel, Escape and the system menu's close command all leave without
// storing or saving, with the result 1.
TEST_F(SettingsDialogTest, EveryWayOfCancellingWritesNothing) {
  const struct {
    const char *name;
    std::function<void(DialogUser &)> leave;
  } kWays[] = {
      {"Cancel button", [](DialogUser &u) { u.PressButton(IDCANCEL); }},
      {"Escape", [](DialogUser &u) { u.PressEscape(); }},
      {"system menu close", [](DialogUser &u) { u.CloseFromSystemMenu(); }},
  };
  SeedTree(3);
  const std::string before = Registry().Export("SYSTEM");
  for (const auto &way : kWays) {
    SCOPED_TRACE(way.name);
    DialogUser user;
    user.TypeText(kAddress, "123").SetCheck(kActive, false).ChooseListItem(kBoardList, 1)
        .TypeText(kAddress, "456").FocusControl(kBoardList);
    way.leave(user);
    DialogRecord record = OpenDialog(std::move(user));
    EXPECT_EQ(record.result, 1);
    EXPECT_EQ(Registry().Export("SYSTEM"), before);
    EXPECT_TRUE(win32model::MessageBoxes().empty());
  }
  // The next opening starts from the registry again.
  OpenDialog(DialogUser()
                 .Inspect(Shows("300", BST_CHECKED))
                 .ChooseListItem(kBoardList, 1)
                 .Inspect(Shows("310", BST_CHECKED))
                 .PressButton(IDCANCEL));
}

TEST_F(SettingsDialogTest, ALongAddressKeepsItsDigitsUntilItsBoardIsStored) {
  SeedBoard(0, 0x300);
  SeedBoard(1, 0x12345);
  SeedBoard(2, 0xABCDE);
  OpenDialog(DialogUser()
                 .ChooseListItem(kBoardList, 1)
                 .Inspect(Shows("12345", BST_CHECKED))
                 .FocusControl(kAddress)
                 .FocusControl(kBoardList)
                 .PressButton(IDOK));
  EXPECT_EQ(*StoredAddress(1), 0x123u);
  EXPECT_EQ(*StoredAddress(2), 0xABCDEu);  // never on show
}

// What each notification of the board-number list does, seen after typing an
// address that has not been stored yet: showing puts the table's address
// back into the edit, storing takes the typed one into the table.
TEST_F(SettingsDialogTest, BoardListNotificationsShowStoreOrDoNothing) {
  enum Effect { kNothing, kShow, kStore };
  const struct {
    int code;
    Effect effect;
  } kCases[] = {
      {CBN_SELCHANGE, kShow},   {CBN_DBLCLK, kNothing},     {CBN_SETFOCUS, kStore},
      {CBN_KILLFOCUS, kNothing}, {CBN_EDITCHANGE, kShow},   {CBN_EDITUPDATE, kShow},
      {CBN_DROPDOWN, kNothing}, {CBN_CLOSEUP, kShow},       {CBN_SELENDOK, kNothing},
      {CBN_SELENDCANCEL, kNothing}, {CBN_ERRSPACE, kNothing}, {0, kNothing},
      {11, kNothing},
  };
  SeedBoard(0, 0x300);
  for (const auto &c : kCases) {
    SCOPED_TRACE("notification " + std::to_string(c.code));
    DialogRecord record = OpenDialog(
        DialogUser()
            .TypeText(kAddress, "abc")
            .SendNotification(kBoardList, c.code)
            .Inspect(Shows(c.effect == kShow ? "300" : "abc", BST_CHECKED))
            .PressButton(IDCANCEL));
    EXPECT_EQ(BoardSettings[0].PortAddress, c.effect == kStore ? 0xABCu : 0x300u);
    EXPECT_THAT(CommandResults(record, kBoardList, c.code), ::testing::ElementsAre(TRUE));
  }
}

TEST_F(SettingsDialogTest, CommandsFromOtherControlsAreLeftToTheDialogManager) {
  SeedBoard(0, 0x300);
  DialogRecord record = OpenDialog(DialogUser()
                                       .TypeText(kAddress, "abc")
                                       .ClickCheckBox(kActive)
                                       .SendNotification(1024, CBN_SELCHANGE)
                                       .PressButton(IDCANCEL));
  // Setting the edit's text at the start sends EN_CHANGE too.
  EXPECT_THAT(CommandResults(record, kAddress, EN_CHANGE),
              ::testing::AllOf(::testing::Not(::testing::IsEmpty()), ::testing::Each(FALSE)));
  EXPECT_THAT(CommandResults(record, kActive, BN_CLICKED), ::testing::ElementsAre(FALSE));
  EXPECT_THAT(CommandResults(record, 1024, CBN_SELCHANGE), ::testing::ElementsAre(FALSE));
  EXPECT_THAT(CommandResults(record, IDCANCEL, BN_CLICKED), ::testing::ElementsAre(TRUE));
  EXPECT_EQ(BoardSettings[0].PortAddress, 0x300u);
  EXPECT_EQ(BoardSettings[0].Active, 1);
}

}  // namespace
