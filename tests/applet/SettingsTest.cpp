// Loading the settings table from the driver's service key and rewriting the
// tree from it.
#include "AppletTest.h"

#include <gmock/gmock.h>

using namespace applet_test;
using ::testing::ElementsAre;

namespace {

class SettingsTest : public AppletTest {
 protected:
  // Fills the table with values that no load produces, so a test sees what
  // LoadSettings wrote.
  static void ScribbleOverTable() {
    for (int board = 0; board < BOARD_COUNT; ++board) SetBoard(board, 7, 0xDEADBEEF);
  }

  static void ExpectBoard(int board, int active, uint32_t address) {
    EXPECT_EQ(BoardSettings[board].Active, active) << "board " << board;
    EXPECT_EQ(BoardSettings[board].PortAddress, address) << "board " << board;
  }

  static std::vector<std::string> ValueNames(const std::string &key) {
    std::vector<std::string> names;
    for (const regstore::Value &value : Registry().Values(key)) names.push_back(value.name);
    return names;
  }
};

TEST_F(SettingsTest, WithoutServiceKeyEveryBoardLoadsInactiveAtTheDefaultAddress) {
  ScribbleOverTable();
  LoadSettings();
  for (int board = 0; board < BOARD_COUNT; ++board) ExpectBoard(board, 0, kDefaultAddress);
}

TEST_F(SettingsTest, LoadReadsEachBoardFromItsParametersKey) {
  SeedBoard(0, 0x300);
  SeedBoard(1, std::nullopt);  // parameters key without its value
  SeedBoard(2, 0x2A0);
  Registry().CreateKey(BoardKey(3));  // board key without parameters key
  SeedBoard(4, 0x12345);               // beyond three digits: kept as read
  SeedBoard(5, 0);
  Registry().CreateKey(ParametersKey(6));
  Registry().SetValue(ParametersKey(6), "PortAddress0", regstore::kRegBinary,
                      {1, 2, 3, 4, 5, 6, 7, 8});  // too long for four bytes
  SeedBoard(10, 0x3E0);  // "Dorvik10", found although 7 to 9 are missing
  Registry().CreateKey(ParametersKey(11));
  Registry().SetValue(ParametersKey(11), "PortAddress0", regstore::kRegBinary, {0x34, 0x12});
  Registry().SetDword(BoardKey(12), "PortAddress0", 0x280);  // value in the wrong key

  ScribbleOverTable();
  LoadSettings();

  ExpectBoard(0, 1, 0x300);
  ExpectBoard(1, 1, kDefaultAddress);
  ExpectBoard(2, 1, 0x2A0);
  ExpectBoard(3, 0, kDefaultAddress);
  ExpectBoard(4, 1, 0x12345);
  ExpectBoard(5, 1, 0);
  ExpectBoard(6, 1, kDefaultAddress);
  for (int board : {7, 8, 9}) ExpectBoard(board, 0, kDefaultAddress);
  ExpectBoard(10, 1, 0x3E0);
  // A value shorter than four bytes gives its bytes, the rest 0.
  ExpectBoard(11, 1, 0x1234);
  ExpectBoard(12, 0, kDefaultAddress);
  for (int board : {13, 14, 15}) ExpectBoard(board, 0, kDefaultAddress);
  // Loading changes nothing in the registry.
  EXPECT_EQ(*StoredAddress(0), 0x300u);
  EXPECT_FALSE(StoredAddress(1).has_value());
}

TEST_F(SettingsTest, SaveWritesTheServiceValuesAndTheActiveBoards) {
  SetBoard(0, 1, 0x300);
  SetBoard(1, 1, 0x12345);
  SetBoard(2, 1, 0);
  SaveSettings();

  EXPECT_THAT(ValueNames(kServiceKey), ElementsAre("Type", "Start", "Group", "ErrorControl"));
  for (const char *name : {"Type", "Start", "ErrorControl"}) {
    regstore::Value value;
    ASSERT_EQ(Registry().QueryValue(kServiceKey, name, &value), regstore::Status::kOk) << name;
    EXPECT_EQ(value.type, regstore::kRegDword) << name;
    EXPECT_EQ(value.data, (std::vector<uint8_t>{1, 0, 0, 0})) << name;
  }
  regstore::Value group;
  ASSERT_EQ(Registry().QueryValue(kServiceKey, "Group", &group), regstore::Status::kOk);
  EXPECT_EQ(group.type, regstore::kRegSz);
  const char kGroup[] = "Extended Base";
  EXPECT_EQ(group.data, std::vector<uint8_t>(kGroup, kGroup + 14));  // NUL counted

  EXPECT_THAT(Registry().SubkeyNames(kServiceKey), ElementsAre("Dorvik0", "Dorvik1", "Dorvik2"));
  for (int board = 0; board < 3; ++board) {
    EXPECT_TRUE(Registry().Values(BoardKey(board)).empty()) << "board key " << board;
    EXPECT_THAT(Registry().SubkeyNames(BoardKey(board)), ElementsAre("Parameters"));
    EXPECT_THAT(ValueNames(ParametersKey(board)), ElementsAre("PortAddress0"));
  }
  EXPECT_EQ(*StoredAddress(0), 0x300u);
  EXPECT_EQ(*StoredAddress(1), 0x12345u);
  EXPECT_EQ(*StoredAddress(2), 0u);
  // The table is not changed by saving.
  EXPECT_EQ(BoardSettings[1].PortAddress, 0x12345u);
  EXPECT_EQ(BoardSettings[3].Active, 0);
}

TEST_F(SettingsTest, SaveStopsAtTheFirstInactiveBoard) {
  for (int board = 0; board < BOARD_COUNT; ++board) SetBoard(board, 1, 0x200 + board);
  SetBoard(3, 0, 0x203);
  SaveSettings();

  EXPECT_THAT(Registry().SubkeyNames(kServiceKey), ElementsAre("Dorvik0", "Dorvik1", "Dorvik2"));
  LoadSettings();
  ExpectBoard(2, 1, 0x202);
  for (int board = 3; board < BOARD_COUNT; ++board) ExpectBoard(board, 0, kDefaultAddress);
}

TEST_F(SettingsTest, SaveWithAllSixteenActiveWritesDorvik15) {
  for (int board = 0; board < BOARD_COUNT; ++board) SetBoard(board, 1, 0x100 + board);
  SaveSettings();
  EXPECT_EQ(Registry().SubkeyNames(kServiceKey).size(), 16u);
  EXPECT_EQ(*StoredAddress(10), 0x10Au);
  EXPECT_EQ(*StoredAddress(15), 0x10Fu);
}

TEST_F(SettingsTest, SaveWithBoardZeroInactiveRemovesTheWholeTree) {
  SeedTree(5);
  Registry().CreateKey(kEnumKey);
  Registry().SetDword(kEnumKey, "Count", 1);
  Registry().CreateKey(BoardKey(9));  // a leftover board key without parameters
  for (int board = 1; board < BOARD_COUNT; ++board) SetBoard(board, 1, 0x300);
  SetBoard(0, 0, 0x300);

  SaveSettings();

  EXPECT_FALSE(Registry().KeyExists(kServiceKey));
  EXPECT_TRUE(Registry().KeyExists("SYSTEM\\CurrentControlSet\\Services"));
}

TEST_F(SettingsTest, SaveReplacesAnEarlierTreeEntirely) {
  SeedTree(8);
  Registry().SetString(kServiceKey, "ImagePath", "System32\\drivers\\Dorvik.sys");
  Registry().CreateKey(kEnumKey);
  Registry().CreateKey(BoardKey(12));
  Registry().SetDword(ParametersKey(1), "Extra", 5);
  SetBoard(0, 1, 0x340);
  SetBoard(1, 1, 0x350);

  SaveSettings();

  EXPECT_THAT(ValueNames(kServiceKey), ElementsAre("Type", "Start", "Group", "ErrorControl"));
  EXPECT_THAT(Registry().SubkeyNames(kServiceKey), ElementsAre("Dorvik0", "Dorvik1"));
  EXPECT_THAT(ValueNames(ParametersKey(1)), ElementsAre("PortAddress0"));
  EXPECT_EQ(*StoredAddress(0), 0x340u);
  EXPECT_EQ(*StoredAddress(1), 0x350u);
}

// A subkey that the applet does not know keeps the service key alive; the
// applet then writes into the key that is still there.
TEST_F(SettingsTest, AnUnknownSubkeyBlocksDeletingTheServiceKey) {
  SeedTree(3);
  Registry().SetString(kServiceKey, "ImagePath", "System32\\drivers\\Dorvik.sys");
  Registry().CreateKey(kServiceKey + "\\Security");
  Registry().SetDword(kServiceKey + "\\Security", "Security", 9);

  SetBoard(0, 1, 0x310);
  SaveSettings();
  EXPECT_THAT(Registry().SubkeyNames(kServiceKey), ElementsAre("Security", "Dorvik0"));
  EXPECT_THAT(ValueNames(kServiceKey),
              ElementsAre("Type", "Start", "Group", "ErrorControl", "ImagePath"));
  EXPECT_EQ(*StoredAddress(0), 0x310u);

  SetBoard(0, 0, 0x310);
  SaveSettings();
  EXPECT_THAT(Registry().SubkeyNames(kServiceKey), ElementsAre("Security"));
  EXPECT_EQ(Registry().Values(kServiceKey + "\\Security").size(), 1u);
}

TEST_F(SettingsTest, AnAddressBeyondThreeDigitsSurvivesLoadAndSave) {
  SeedBoard(0, 0x300);
  SeedBoard(1, 0xFFFFFFFF);
  SeedBoard(2, 0x1000);
  LoadSettings();
  SaveSettings();
  EXPECT_EQ(*StoredAddress(1), 0xFFFFFFFFu);
  EXPECT_EQ(*StoredAddress(2), 0x1000u);
}

TEST_F(SettingsTest, ABoardLoadedWithoutValueIsSavedWithTheDefault) {
  SeedBoard(0, std::nullopt);
  LoadSettings();
  SaveSettings();
  EXPECT_EQ(*StoredAddress(0), kDefaultAddress);
}

// Leaves are deleted before their parents, every board number is cleared
// whatever the table holds, and the writes follow in the stated order.
TEST_F(SettingsTest, SaveMakesItsRegistryCallsInOrder) {
  SeedTree(2);
  Registry().CreateKey(kEnumKey);
  SetBoard(0, 1, 0x300);
  SetBoard(1, 1, 0x310);

  SaveSettings();

  std::vector<std::string> expected;
  for (int board = 0; board < BOARD_COUNT; ++board) {
    expected.push_back("RegDeleteKeyA " + ParametersKey(board));
    expected.push_back("RegDeleteKeyA " + BoardKey(board));
  }
  expected.push_back("RegOpenKeyExA " + kEnumKey);
  expected.push_back("RegCloseKey " + kEnumKey);
  expected.push_back("RegDeleteKeyA " + kEnumKey);
  expected.push_back("RegDeleteKeyA " + kServiceKey);
  expected.push_back("RegCreateKeyExA " + kServiceKey);
  for (const char *name : {"Type", "Start", "Group", "ErrorControl"}) {
    expected.push_back(std::string("RegSetValueExA ") + kServiceKey + " " + name);
  }
  expected.push_back("RegCloseKey " + kServiceKey);
  for (int board = 0; board < 2; ++board) {
    expected.push_back("RegCreateKeyExA " + ParametersKey(board));
    expected.push_back("RegSetValueExA " + ParametersKey(board) + " PortAddress0");
    expected.push_back("RegCloseKey " + ParametersKey(board));
  }

  std::vector<std::string> calls;
  for (const win32model::RegistryCall &call : win32model::RegistryCalls()) {
    calls.push_back(call.function + " " + call.path + (call.value.empty() ? "" : " " + call.value));
  }
  EXPECT_EQ(calls, expected);
}

TEST_F(SettingsTest, SaveWithoutWriteRightsChangesNothingAndCarriesOn) {
  SeedTree(2, 0x300);
  win32model::DenyRegistryWrites(kServiceKey);
  SetBoard(0, 1, 0x3F0);
  SetBoard(1, 1, 0x3E0);
  SetBoard(2, 1, 0x3D0);

  SaveSettings();

  EXPECT_EQ(*StoredAddress(0), 0x300u);
  EXPECT_EQ(*StoredAddress(1), 0x310u);
  EXPECT_FALSE(Registry().KeyExists(BoardKey(2)));
  // Every board was still tried after the refusals.
  int creations = 0;
  for (const win32model::RegistryCall &call : win32model::RegistryCalls()) {
    if (call.function == "RegCreateKeyExA") {
      ++creations;
      EXPECT_EQ(call.result, ERROR_ACCESS_DENIED) << call.path;
    }
  }
  EXPECT_EQ(creations, 4);  // the service key and boards 0 to 2
}

}  // namespace
