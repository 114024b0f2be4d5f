// The address text: how typed text becomes an address, and how an address is
// shown.
#include "AppletTest.h"

using namespace applet_test;
using win32model::DialogUser;
using win32model::DialogView;

namespace {

constexpr int kAddress = 1001;

struct ParseCase {
  const char *text;
  DWORD value;
};

// Every byte keeps its place; one that is not a hex digit counts as 0.
const ParseCase kParseCases[] = {
    {"", 0},          {"0", 0},          {"5", 5},           {"3E8", 0x3E8},
    {"3e8", 0x3E8},   {"fff", 0xFFF},    {"FfF", 0xFFF},     {"ABC", 0xABC},
    {"100", 0x100},   {"0x3", 3},        {"x3", 3},          {"g5", 5},
    {"5g", 0x50},     {" 5", 5},         {"5 ", 0x50},       {"-1", 1},
    {"G", 0},         {"@`G", 0},        {"/:", 0},          {"\x82\xa0", 0},  // "あ" in 932
    {"9\x82\xa0", 0x900},  // a digit and a double-byte character
};

TEST(ParseHexAddress, ReadsEachByteAsAHexDigitInItsPlace) {
  for (const ParseCase &c : kParseCases) {
    EXPECT_EQ(ParseHexAddress(c.text), c.value) << '"' << c.text << '"';
  }
}

struct TypedCase {
  const char *typed;
  DWORD stored;
};

class TypedAddressTest : public AppletTest, public ::testing::WithParamInterface<TypedCase> {};

// Only the first three characters in the edit are ever read.
TEST_P(TypedAddressTest, TypingAndOkStoresTheAddress) {
  SeedBoard(0, 0x300);
  OpenDialog(DialogUser().TypeText(kAddress, GetParam().typed).PressButton(IDOK));
  EXPECT_EQ(*StoredAddress(0), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Texts, TypedAddressTest,
                         ::testing::Values(TypedCase{"3E8", 0x3E8}, TypedCase{"3e8", 0x3E8},
                                           TypedCase{"0x368", 3}, TypedCase{"1000", 0x100},
                                           TypedCase{"g5", 5}, TypedCase{"", 0},
                                           TypedCase{"fff", 0xFFF}, TypedCase{"12345", 0x123},
                                           TypedCase{"1ｱ2", 0x102},
                                           TypedCase{"あ1", 0x001}));

struct ShownCase {
  DWORD stored;
  const char *shown;
};

class ShownAddressTest : public AppletTest, public ::testing::WithParamInterface<ShownCase> {};

// Lower-case, at least three digits, zero-filled, as many digits as needed.
TEST_P(ShownAddressTest, TheStoredAddressIsShownInHex) {
  SeedBoard(0, GetParam().stored);
  const std::string shown = GetParam().shown;
  OpenDialog(DialogUser()
                 .Inspect([&](const DialogView &view) {
                   EXPECT_EQ(view.Control(kAddress).text, shown);
                 })
                 .PressButton(IDCANCEL));
}

INSTANTIATE_TEST_SUITE_P(Addresses, ShownAddressTest,
                         ::testing::Values(ShownCase{0, "000"}, ShownCase{5, "005"},
                                           ShownCase{0x3E, "03e"}, ShownCase{0x3E8, "3e8"},
                                           ShownCase{0xFFF, "fff"}, ShownCase{0x1000, "1000"},
                                           ShownCase{0x12345, "12345"},
                                           ShownCase{0xFFFFFFFF, "ffffffff"}));

}  // namespace
