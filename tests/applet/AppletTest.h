// Fixture for the applet's tests: a fresh machine (Win32Test), the applet's
// module state as a freshly loaded DLL has it, and its resources loaded from
// the .res that the image is built from.
#pragma once

#include <RegistryStore.h>
#include <Win32Test.h>
#include <win32_model.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AppletState.h"
#include "ControlPanelEntry.h"
#include "Settings.h"
#include "SettingsDialog.h"

namespace applet_test {

inline const std::string kServiceKey = "SYSTEM\\CurrentControlSet\\Services\\Dorvik";
inline const std::string kEnumKey = kServiceKey + "\\Enum";

inline std::string BoardKey(int board) { return kServiceKey + "\\Dorvik" + std::to_string(board); }
inline std::string ParametersKey(int board) { return BoardKey(board) + "\\Parameters"; }

// The texts of the string table, UTF-8.
inline const std::string kAppletName = "Dorvik";
inline const std::string kAppletInfo = "Dorvikのリソース情報の設定を行ないます。";
inline const std::string kCaption = "Dorvikデバイスドライバ";
inline const std::string kRestartNotice =
    "設定を変更しました。\n新しい設定を有効にさせるためには、システムを立ち上げ直して下さい。";

constexpr uint32_t kDefaultAddress = 0x368;

}  // namespace applet_test

class AppletTest : public Win32Test {
 protected:
  void SetUp() override {
    Win32Test::SetUp();
    // What loading the DLL gives: every module-wide static zero-filled.
    AppletInstance = nullptr;
    AppletInstanceCount = 0;
    std::memset(CaptionText, 0, sizeof CaptionText);
    std::memset(MessageText, 0, sizeof MessageText);
    SelectedBoard = 0;
    std::memset(BoardSettings, 0, sizeof BoardSettings);
    std::memset(RegistryPath, 0, sizeof RegistryPath);
    module_ = win32model::LoadResourceModule(DORVIK_RES_PATH);
    ASSERT_NE(module_, nullptr);
  }

  void TearDown() override {
    host_.reset();  // unloads the applet before the machine is checked
    Win32Test::TearDown();
  }

  static regstore::Store &Registry() { return regstore::Machine(); }

  // The Control Panel host with the applet loaded (DllMain, CPL_INIT,
  // CPL_GETCOUNT, CPL_NEWINQUIRE), made on first use.
  win32model::ControlPanelHost &Host() {
    if (!host_) {
      host_ = std::make_unique<win32model::ControlPanelHost>(module_, DllMain, CPlApplet);
      EXPECT_TRUE(host_->Load());
    }
    return *host_;
  }

  // Double-clicks the applet with `user` working the dialog; returns the
  // dialog's record.
  win32model::DialogRecord OpenDialog(win32model::DialogUser user) {
    win32model::ControlPanelHost &host = Host();
    const size_t before = win32model::Dialogs().size();
    win32model::QueueDialogUser(std::move(user));
    EXPECT_EQ(host.DoubleClick(0), 0);
    std::vector<win32model::DialogRecord> dialogs = win32model::Dialogs();
    if (dialogs.size() != before + 1) {
      ADD_FAILURE() << "the double-click opened " << dialogs.size() - before << " dialogs";
      return {};
    }
    return dialogs.back();
  }

  // A configured board: its parameters key and, when given, "PortAddress0".
  static void SeedBoard(int board, std::optional<uint32_t> address) {
    Registry().CreateKey(applet_test::ParametersKey(board));
    if (address) Registry().SetDword(applet_test::ParametersKey(board), "PortAddress0", *address);
  }

  // The service key as the applet writes it, with boards 0 to count-1.
  static void SeedTree(int count, uint32_t address = 0x300) {
    Registry().CreateKey(applet_test::kServiceKey);
    Registry().SetDword(applet_test::kServiceKey, "Type", 1);
    Registry().SetDword(applet_test::kServiceKey, "Start", 1);
    Registry().SetString(applet_test::kServiceKey, "Group", "Extended Base");
    Registry().SetDword(applet_test::kServiceKey, "ErrorControl", 1);
    for (int board = 0; board < count; ++board) SeedBoard(board, address + 0x10 * board);
  }

  // "PortAddress0" of a board as stored, or nullopt when the value is missing.
  static std::optional<uint32_t> StoredAddress(int board) {
    regstore::Value value;
    if (Registry().QueryValue(applet_test::ParametersKey(board), "PortAddress0", &value) !=
        regstore::Status::kOk) {
      return std::nullopt;
    }
    EXPECT_EQ(value.type, regstore::kRegDword);
    EXPECT_EQ(value.data.size(), 4u);
    if (value.data.size() != 4) return std::nullopt;
    return uint32_t(value.data[0]) | uint32_t(value.data[1]) << 8 | uint32_t(value.data[2]) << 16 |
           uint32_t(value.data[3]) << 24;
  }

  static void SetBoard(int board, int active, uint32_t address) {
    BoardSettings[board].Active = active;
    BoardSettings[board].PortAddress = address;
  }

  HINSTANCE module_ = nullptr;
  std::unique_ptr<win32model::ControlPanelHost> host_;
};
