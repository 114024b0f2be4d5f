#include "AcceptanceCases.h"

#include "DialogAppearance.h"
#include "Report.h"
#include "Screenshot.h"

namespace {

const wchar_t kCaption[] = L"Dorvikデバイスドライバ";
const wchar_t kRestartNotice[] =
    L"設定を変更しました。\n新しい設定を有効にさせるためには、システムを立ち上げ直して下さい。";

void CheckConfirmation(const MessageBoxSeen &seen) {
  if (!seen.Shown) return;
  Check(seen.Caption == AnsiFromWide(kCaption) && seen.CaptionWide == kCaption,
        "  the message box's caption is \"%s\" (\"%s\")", Utf8(kCaption).c_str(), Utf8FromAnsi(seen.Caption).c_str());
  Check(seen.Text == AnsiFromWide(kRestartNotice) && seen.TextWide == kRestartNotice,
        "  the message box's text is the restart notice (\"%s\")", Utf8FromAnsi(seen.Text).c_str());
}

// Typed texts: only the first three characters count, each byte that is not
// a hexadecimal digit counts as 0, an empty field stores 0; the next show
// formats with at least three digits.
void TypedAddressTexts(DialogUser &user) {
  user.ExpectShown(0, true, "300");
  user.TypeAddress("0x368");
  user.ChooseBoard(1);
  user.ExpectShown(1, true, "301");
  user.TypeAddress("g5");
  user.ChooseBoard(2);
  user.TypeAddress("");
  user.ChooseBoard(0);
  user.ExpectShown(0, true, "003");
  user.ChooseBoard(1);
  user.ExpectShown(1, true, "005");
  user.ChooseBoard(2);
  user.ExpectShown(2, true, "000");
  user.ChooseBoard(3);
  user.ExpectShown(3, false, "368");
  user.SetActive(true);
  user.TypeAddress("3E8");
  CheckConfirmation(user.PressOk(nullptr));
}

// Board 1 is never shown, so its large value goes back as it was; board 2 is
// shown, and OK stores it from the field's first three characters.
void LargeValueNotStored(DialogUser &user) {
  user.ExpectShown(0, true, "300");
  user.TypeAddress("2f0");
  user.ChooseBoard(2);
  user.ExpectShown(2, true, "1abcd");
  CheckConfirmation(user.PressOk(nullptr));
}

void BoardZeroInactive(DialogUser &user) {
  user.ExpectShown(0, true, "368");
  user.SetActive(false);
  CheckConfirmation(user.PressOk(nullptr));
}

void CancelAfterEdits(DialogUser &user) {
  user.TypeAddress("123");
  user.SetActive(false);
  user.ChooseBoard(1);
  user.SetActive(false);
  user.ChooseBoard(2);
  user.SetActive(true);
  user.TypeAddress("3e8");
  user.PressCancel();
}

void ReopenedAfterCancel(DialogUser &user) {
  user.ExpectShown(0, true, "300");
  user.ChooseBoard(1);
  user.ExpectShown(1, true, "2a0");
  user.ChooseBoard(2);
  user.ExpectShown(2, false, "368");
  user.PressCancel();
}

// Boards 0, 1 and 3 active with board 2 inactive: only 0 and 1 are written,
// and the keys of an earlier configuration (board 5, "Enum") are gone.
void BoardsZeroOneThree(DialogUser &user) {
  CheckDialogAppearance(user.Dialog());
  user.ExpectShown(0, true, "300");
  TakeScreenshot("dialog-opened", user.Dialog());
  user.TypeAddress("3e8");
  user.ChooseBoard(1);
  user.ExpectShown(1, false, "368");
  user.SetActive(true);
  user.TypeAddress("1000");
  user.ChooseBoard(3);
  user.SetActive(true);
  user.TypeAddress("2a0");
  user.ChooseBoard(0);
  user.ExpectShown(0, true, "3e8");
  user.ChooseBoard(1);
  user.ExpectShown(1, true, "100");
  user.ChooseBoard(3);
  user.ExpectShown(3, true, "2a0");
  TakeScreenshot("dialog-edited", user.Dialog());
  CheckConfirmation(user.PressOk("message-box"));
}

// The last case leaves the registry that the round trip to the driver reads.
const AcceptanceCase kCases[] = {
    {"typed address texts", true,
     {true, {{0, 0x300}, {1, 0x301}, {2, 0x302}}, false},
     TypedAddressTexts,
     {true, {{0, 0x003}, {1, 0x005}, {2, 0x000}, {3, 0x3E8}}, false}},
    {"a value above 0xFFF is kept while its board is not stored", true,
     {true, {{0, 0x300}, {1, 0x12345}, {2, 0x1ABCD}}, false},
     LargeValueNotStored,
     {true, {{0, 0x2F0}, {1, 0x12345}, {2, 0x1AB}}, false}},
    {"board 0 inactive removes the service key", true,
     {true, {{0, 0x368}, {1, 0x300}, {2, 0x2A0}}, true},
     BoardZeroInactive,
     {false, {}, false}},
    {"Cancel after edits writes nothing", true,
     {true, {{0, 0x300}, {1, 0x2A0}}, false},
     CancelAfterEdits,
     {true, {{0, 0x300}, {1, 0x2A0}}, false}},
    {"the next opening shows the registry again", false,
     {false, {}, false},
     ReopenedAfterCancel,
     {true, {{0, 0x300}, {1, 0x2A0}}, false}},
    {"boards 0, 1 and 3 active", true,
     {true, {{0, 0x300}, {5, 0x2A0}}, true},
     BoardsZeroOneThree,
     {true, {{0, 0x3E8}, {1, 0x100}}, false}},
};

}  // namespace

const AcceptanceCase *AcceptanceCases(size_t *count) {
  *count = sizeof(kCases) / sizeof(kCases[0]);
  return kCases;
}
