// The two deliverables meet only through the registry: a user configures
// boards in the applet's dialog, the machine restarts, and the driver comes up
// with exactly the boards the registry now holds.
#include "AppletTest.h"
#include "KernelSide.h"

using win32model::DialogUser;

namespace {
constexpr int kBoardList = 1023;
constexpr int kActive = 1008;
constexpr int kAddress = 1001;
}  // namespace

class AppletToDriverTest : public AppletTest {
 protected:
  void SetUp() override {
    AppletTest::SetUp();
    kernel_side::Reset(
        [](const std::string &message) { ADD_FAILURE() << "kernel verifier: " << message; });
  }

  void TearDown() override {
    kernel_side::UnloadIfLoaded();
    for (const std::string &item : kernel_side::LeftBehind()) ADD_FAILURE() << item;
    kernel_side::Reset(nullptr);
    AppletTest::TearDown();
  }

  static DialogUser &Configure(DialogUser &user, int board, const char *address) {
    return user.ChooseListItem(kBoardList, board).ClickCheckBox(kActive).TypeText(kAddress, address);
  }
};

TEST_F(AppletToDriverTest, BoardsZeroOneAndThreeGiveTwoDevices) {
  DialogUser user;
  Configure(user, 0, "368");
  Configure(user, 1, "3E8");
  Configure(user, 3, "300");
  OpenDialog(user.PressButton(IDOK));

  EXPECT_EQ("loaded", kernel_side::Restart());
  EXPECT_EQ(2, kernel_side::DeviceCount());
  EXPECT_TRUE(kernel_side::DeviceExists(0));
  EXPECT_TRUE(kernel_side::DeviceExists(1));
  EXPECT_FALSE(kernel_side::DeviceExists(3));
  EXPECT_EQ(0x368u, kernel_side::ReportedPort(0));
  EXPECT_EQ(0x3E8u, kernel_side::ReportedPort(1));
}

TEST_F(AppletToDriverTest, BoardZeroInactiveRemovesTheDriver) {
  SeedTree(2);
  EXPECT_EQ("loaded", kernel_side::Restart());
  EXPECT_EQ(2, kernel_side::DeviceCount());

  OpenDialog(DialogUser().ClickCheckBox(kActive).PressButton(IDOK));  // board 0 on show
  EXPECT_FALSE(Registry().KeyExists(applet_test::kServiceKey));
  EXPECT_EQ("no service key", kernel_side::Restart());
  EXPECT_EQ(0, kernel_side::DeviceCount());
}

TEST_F(AppletToDriverTest, ChangedAddressTakesEffectOnlyAfterTheRestart) {
  SeedTree(1, 0x300);
  kernel_side::Board board(0x2E0);
  EXPECT_EQ("loaded", kernel_side::Restart());
  EXPECT_EQ(0x300u, kernel_side::ReportedPort(0));

  OpenDialog(DialogUser().TypeText(kAddress, "2e0").PressButton(IDOK));
  EXPECT_EQ(0x300u, kernel_side::ReportedPort(0));  // the running driver read its keys at load

  EXPECT_EQ("loaded", kernel_side::Restart());
  EXPECT_EQ(0x2E0u, kernel_side::ReportedPort(0));
  EXPECT_EQ(0, kernel_side::DataSet(0, 0x1234));
  EXPECT_EQ(std::vector<uint16_t>{0x1234}, board.DataWords());
}

TEST_F(AppletToDriverTest, CancelLeavesTheDriversConfiguration) {
  SeedTree(1, 0x300);
  DialogUser user;
  Configure(user, 1, "3e8");
  OpenDialog(user.TypeText(kAddress, "280").PressButton(IDCANCEL));
  EXPECT_EQ("loaded", kernel_side::Restart());
  EXPECT_EQ(1, kernel_side::DeviceCount());
  EXPECT_EQ(0x300u, kernel_side::ReportedPort(0));
}
