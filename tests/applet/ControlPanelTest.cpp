// The Control Panel entry: the conversation with the host, the applet's
// entry in the Control Panel, and messages that must have no effect.
#include "AppletTest.h"

#include <gmock/gmock.h>

#include <utility>

using namespace applet_test;
using ::testing::ElementsAre;
using win32model::DialogUser;

namespace {

class ControlPanelTest : public AppletTest {
 protected:
  // The module as the host has it after LoadLibrary, without the host.
  void Attach() { ASSERT_EQ(DllMain(module_, DLL_PROCESS_ATTACH, nullptr), TRUE); }

  static LONG Send(UINT message, LPARAM first = 0, LPARAM second = 0) {
    return CPlApplet(nullptr, message, first, second);
  }

  static std::string Caption() { return win32model::AnsiToUtf8(CaptionText); }
};

template <typename T>
bool AllBytesAre(const T &record, unsigned char byte) {
  const unsigned char *p = reinterpret_cast<const unsigned char *>(&record);
  for (size_t i = 0; i < sizeof record; ++i) {
    if (p[i] != byte) return false;
  }
  return true;
}

TEST_F(ControlPanelTest, TheHostListsTheAppletWithNameTextAndIcon) {
  win32model::ControlPanelHost &host = Host();
  ASSERT_EQ(host.entry_calls().size(), 1u);
  EXPECT_EQ(host.entry_calls()[0].reason, DWORD(DLL_PROCESS_ATTACH));
  EXPECT_EQ(host.entry_calls()[0].result, TRUE);
  EXPECT_EQ(AppletInstance, module_);
  EXPECT_THAT(host.Messages(), ElementsAre(CPL_INIT, CPL_GETCOUNT, CPL_NEWINQUIRE));
  EXPECT_EQ(host.calls()[0].result, 1);
  EXPECT_EQ(host.calls()[1].result, 1);
  EXPECT_EQ(host.calls()[2].result, 0);

  ASSERT_EQ(host.applets().size(), 1u);
  const win32model::CplAppletInfo &applet = host.applets()[0];
  EXPECT_TRUE(applet.from_new_inquire);
  // The record is packed: its fields are copied out before comparing.
  const NEWCPLINFOA &info = applet.new_info;
  const DWORD size = info.dwSize, flags = info.dwFlags, help_context = info.dwHelpContext;
  const LONG_PTR data = info.lData;
  EXPECT_EQ(size, sizeof(NEWCPLINFOA));
  if (sizeof(void *) == 4) {
    EXPECT_EQ(size, 244u);
  }
  EXPECT_EQ(flags, 0u);
  EXPECT_EQ(help_context, 0u);
  EXPECT_EQ(data, 0);
  EXPECT_EQ(info.szHelpFile[0], '\0');
  EXPECT_EQ(applet.name, kAppletName);
  EXPECT_EQ(applet.description, kAppletInfo);

  std::optional<win32model::IconInfo> icon = win32model::DescribeIcon(applet.icon);
  ASSERT_TRUE(icon.has_value());
  EXPECT_EQ(icon->module, module_);
  EXPECT_EQ(icon->resource, "#102");
  EXPECT_EQ(icon->language, 1041);
  std::vector<std::pair<int, int>> images;  // (size, bits per pixel)
  for (const win32model::IconImage &image : icon->images) {
    EXPECT_TRUE(image.present);
    EXPECT_EQ(image.width, image.height);
    images.emplace_back(image.width, image.bit_count);
  }
  EXPECT_THAT(images, ElementsAre(std::make_pair(32, 4), std::make_pair(48, 8),
                                  std::make_pair(32, 8), std::make_pair(16, 4),
                                  std::make_pair(32, 1)));

  // The first CPL_INIT loaded the caption of the confirmation box.
  EXPECT_EQ(Caption(), kCaption);
  EXPECT_EQ(AppletInstanceCount, 1);
}

TEST_F(ControlPanelTest, UnloadingStopsAndExits) {
  Host().Unload();
  EXPECT_THAT(Host().Messages(), ElementsAre(CPL_INIT, CPL_GETCOUNT, CPL_NEWINQUIRE, CPL_STOP,
                                             CPL_EXIT));
  EXPECT_EQ(Host().calls()[3].result, 0);
  EXPECT_EQ(Host().calls()[4].result, 0);
  EXPECT_EQ(AppletInstanceCount, 0);
  ASSERT_EQ(Host().entry_calls().size(), 2u);
  EXPECT_EQ(Host().entry_calls()[1].reason, DWORD(DLL_PROCESS_DETACH));
  EXPECT_EQ(Host().entry_calls()[1].result, TRUE);
  EXPECT_EQ(AppletInstance, module_);  // nothing to undo on detach
}

TEST_F(ControlPanelTest, OnlyTheFirstInitLoadsTheCaptionAndExitCountsBack) {
  Attach();
  EXPECT_EQ(Send(CPL_INIT), 1);
  EXPECT_EQ(Caption(), kCaption);
  std::strcpy(CaptionText, "kept");
  EXPECT_EQ(Send(CPL_INIT), 1);
  EXPECT_EQ(AppletInstanceCount, 2);
  EXPECT_STREQ(CaptionText, "kept");
  EXPECT_EQ(Send(CPL_EXIT), 0);
  EXPECT_EQ(AppletInstanceCount, 1);
  EXPECT_EQ(Send(CPL_EXIT), 0);
  EXPECT_EQ(AppletInstanceCount, 0);
  // Back at 0, the next CPL_INIT loads the caption again.
  EXPECT_EQ(Send(CPL_INIT), 1);
  EXPECT_EQ(Caption(), kCaption);
}

TEST_F(ControlPanelTest, GetCountAnswersOneInEveryState) {
  Attach();
  EXPECT_EQ(Send(CPL_GETCOUNT), 1);
  Send(CPL_INIT);
  EXPECT_EQ(Send(CPL_GETCOUNT), 1);
  Send(CPL_EXIT);
  EXPECT_EQ(Send(CPL_GETCOUNT), 1);
}

TEST_F(ControlPanelTest, InquireLeavesTheHostsStructureAlone) {
  Attach();
  Send(CPL_INIT);
  CPLINFO info;
  std::memset(&info, 0xCC, sizeof info);
  EXPECT_EQ(Send(CPL_INQUIRE, 0, reinterpret_cast<LPARAM>(&info)), 0);
  EXPECT_TRUE(AllBytesAre(info, 0xCC));
}

// Messages that ask nothing of the applet, unknown values among them.
TEST_F(ControlPanelTest, OtherMessagesAnswerZeroWithoutEffect) {
  Attach();
  Send(CPL_INIT);
  const UINT kMessages[] = {0, CPL_SELECT, CPL_STOP, CPL_STARTWPARMSA, CPL_STARTWPARMSW, 11,
                            CPL_SETUP, WM_CPL_LAUNCH, 0xFFFF, 0xFFFFFFFF};
  for (UINT message : kMessages) {
    SCOPED_TRACE("message " + std::to_string(message));
    NEWCPLINFOA buffer;
    std::memset(&buffer, 0xCC, sizeof buffer);
    EXPECT_EQ(Send(message, 0, reinterpret_cast<LPARAM>(&buffer)), 0);
    EXPECT_TRUE(AllBytesAre(buffer, 0xCC));
    EXPECT_EQ(AppletInstanceCount, 1);
    EXPECT_EQ(Caption(), kCaption);
  }
  EXPECT_TRUE(win32model::Dialogs().empty());
  EXPECT_TRUE(win32model::RegistryCalls().empty());
}

// The applet holds one row: any other applet number, and a missing
// structure, are answered with 0 and change nothing.
TEST_F(ControlPanelTest, RequestsForOtherAppletsOrWithoutStructureDoNothing) {
  Attach();
  Send(CPL_INIT);
  for (LPARAM number : {LPARAM(1), LPARAM(2), LPARAM(-1), LPARAM(0x10000)}) {
    SCOPED_TRACE("applet " + std::to_string(number));
    NEWCPLINFOA info;
    std::memset(&info, 0xCC, sizeof info);
    EXPECT_EQ(Send(CPL_NEWINQUIRE, number, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_TRUE(AllBytesAre(info, 0xCC));
    EXPECT_EQ(Send(CPL_DBLCLK, number, 0), 0);
  }
  EXPECT_EQ(Send(CPL_NEWINQUIRE, 0, 0), 0);
  // No dialog was opened (one without a queued user would be reported).
  EXPECT_TRUE(win32model::Dialogs().empty());
  EXPECT_TRUE(win32model::RegistryCalls().empty());
}

TEST_F(ControlPanelTest, DoubleClickRunsTheDialogAndAnswersZeroAfterOkOrCancel) {
  SeedTree(1);
  for (int button : {IDOK, IDCANCEL}) {
    SCOPED_TRACE(button == IDOK ? "OK" : "Cancel");
    win32model::DialogRecord record = OpenDialog(DialogUser().PressButton(button));
    EXPECT_EQ(record.instance, module_);
    EXPECT_EQ(record.template_name, "#101");
    EXPECT_EQ(record.owner, Host().window());
    EXPECT_EQ(record.init_param, 0);
    EXPECT_TRUE(record.created);
    EXPECT_EQ(record.result, 1);
    EXPECT_EQ(Host().calls().back().message, UINT(CPL_DBLCLK));
    EXPECT_EQ(Host().calls().back().result, 0);
  }
  EXPECT_EQ(win32model::MessageBoxes().size(), 1u);  // only after OK
}

}  // namespace
