// The Control Panel host model: the order of its calls into an applet, what
// it learns from CPL_NEWINQUIRE or CPL_INQUIRE, and the module entry calls.
#include <cpl.h>

#include <cstring>

#include "DialogTestSupport.h"

namespace {

// A small applet for the host to talk to; each test sets its answers.
struct AppletAnswers {
  HINSTANCE instance = nullptr;
  std::vector<DWORD> entry_reasons;
  LONG init_result = 1;
  LONG count = 2;
  bool answer_new_inquire = true;
  bool open_dialog = false;
};
AppletAnswers g_applet;

BOOL WINAPI FakeDllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  g_applet.entry_reasons.push_back(reason);
  if (reason == DLL_PROCESS_ATTACH) g_applet.instance = instance;
  return TRUE;
}

LONG CALLBACK FakeApplet(HWND host, UINT message, LPARAM number, LPARAM data) {
  switch (message) {
    case CPL_INIT:
      return g_applet.init_result;
    case CPL_GETCOUNT:
      return g_applet.count;
    case CPL_NEWINQUIRE: {
      if (!g_applet.answer_new_inquire) return 0;
      NEWCPLINFOA *info = reinterpret_cast<NEWCPLINFOA *>(data);
      info->dwSize = sizeof(NEWCPLINFOA);
      info->lData = 100 + number;
      info->hIcon = LoadIconA(g_applet.instance, MAKEINTRESOURCEA(IDI_MODEL));
      LoadStringA(g_applet.instance, number == 0 ? IDS_CAPTION : IDS_CANCEL, info->szName, 32);
      info->szInfo[0] = '\0';
      return 0;
    }
    case CPL_INQUIRE: {
      CPLINFO *info = reinterpret_cast<CPLINFO *>(data);
      info->idIcon = IDI_MODEL;
      info->idName = IDS_NAME;
      info->idInfo = IDS_MIXED;
      info->lData = 7;
      return 0;
    }
    case CPL_DBLCLK:
      if (g_applet.open_dialog) {
        DialogBoxParamA(g_applet.instance, MAKEINTRESOURCEA(IDD_PLAIN), host, TestDialogProc, 0);
      }
      return 0;
    default:
      return 0;
  }
}

class ControlPanelHostTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    g_applet = AppletAnswers();
  }
};

TEST_F(ControlPanelHostTest, LoadsInquiresOpensAndUnloadsInThePlatformsOrder) {
  win32model::ControlPanelHost host(module_, FakeDllMain, FakeApplet);
  ASSERT_TRUE(host.Load());
  EXPECT_EQ(module_, g_applet.instance) << "the module entry received the instance handle";
  EXPECT_EQ(0, host.DoubleClick(1));
  host.Unload();

  EXPECT_EQ((std::vector<UINT>{CPL_INIT, CPL_GETCOUNT, CPL_NEWINQUIRE, CPL_NEWINQUIRE, CPL_DBLCLK,
                               CPL_STOP, CPL_STOP, CPL_EXIT}),
            host.Messages());
  const std::vector<win32model::CplCall> &calls = host.calls();
  EXPECT_EQ(0, calls[2].lparam1);
  EXPECT_EQ(1, calls[3].lparam1);
  EXPECT_EQ(1, calls[4].lparam1);
  EXPECT_EQ(101, calls[4].lparam2) << "CPL_DBLCLK passes the applet's lData";
  EXPECT_EQ(100, calls[5].lparam2);
  EXPECT_EQ(101, calls[6].lparam2);
  EXPECT_EQ((std::vector<DWORD>{DLL_PROCESS_ATTACH, DLL_PROCESS_DETACH}), g_applet.entry_reasons);

  ASSERT_EQ(2u, host.applets().size());
  const win32model::CplAppletInfo &first = host.applets()[0];
  EXPECT_TRUE(first.from_new_inquire);
  EXPECT_EQ("Dorvikデバイスドライバ", first.name);
  EXPECT_EQ("ｷｬﾝｾﾙ", host.applets()[1].name);
  EXPECT_EQ(LoadIconA(module_, MAKEINTRESOURCEA(IDI_MODEL)), first.icon);
  // The host does not clear the structure: what the applet left alone is 0xCC.
  const DWORD flags = first.new_info.dwFlags;  // a packed field: copied, not bound
  EXPECT_EQ(0xCCCCCCCCu, flags);
  EXPECT_EQ(static_cast<char>(0xCC), first.new_info.szHelpFile[0]);
}

TEST_F(ControlPanelHostTest, NewInquireIsTheSizeOfThePlatformsRecord) {
  if (sizeof(void *) == 4) {
    EXPECT_EQ(244u, sizeof(NEWCPLINFOA));
  }
  EXPECT_EQ(0u, offsetof(NEWCPLINFOA, dwSize));
  EXPECT_EQ(12u, offsetof(NEWCPLINFOA, lData)) << "packed to one byte, as on the platform";
}

TEST_F(ControlPanelHostTest, AnAppletThatAnswersOnlyInquireIsDescribedFromItsIds) {
  g_applet.answer_new_inquire = false;
  g_applet.count = 1;
  win32model::ControlPanelHost host(module_, FakeDllMain, FakeApplet);
  ASSERT_TRUE(host.Load());
  EXPECT_EQ((std::vector<UINT>{CPL_INIT, CPL_GETCOUNT, CPL_NEWINQUIRE, CPL_INQUIRE}),
            host.Messages());
  ASSERT_EQ(1u, host.applets().size());
  EXPECT_FALSE(host.applets()[0].from_new_inquire);
  EXPECT_EQ("Dorvik", host.applets()[0].name);
  EXPECT_EQ("ab漢字cd", host.applets()[0].description);
  EXPECT_EQ(7, host.applets()[0].data);
  EXPECT_NE(nullptr, host.applets()[0].icon);
}

TEST_F(ControlPanelHostTest, AFailedInitEndsTheConversationAndUnloads) {
  g_applet.init_result = 0;
  win32model::ControlPanelHost host(module_, FakeDllMain, FakeApplet);
  EXPECT_FALSE(host.Load());
  EXPECT_FALSE(host.loaded());
  EXPECT_EQ((std::vector<UINT>{CPL_INIT}), host.Messages());
  EXPECT_EQ((std::vector<DWORD>{DLL_PROCESS_ATTACH, DLL_PROCESS_DETACH}), g_applet.entry_reasons);
}

TEST_F(ControlPanelHostTest, TheModuleEntrySeesOnlyTheFirstLoadAndTheLastUnload) {
  {
    win32model::ControlPanelHost first(module_, FakeDllMain, FakeApplet);
    win32model::ControlPanelHost second(module_, FakeDllMain, FakeApplet);
    ASSERT_TRUE(first.Load());
    ASSERT_TRUE(second.Load());
    first.Unload();
    EXPECT_EQ((std::vector<DWORD>{DLL_PROCESS_ATTACH}), g_applet.entry_reasons);
  }  // the second host unloads as it goes
  EXPECT_EQ((std::vector<DWORD>{DLL_PROCESS_ATTACH, DLL_PROCESS_DETACH}), g_applet.entry_reasons);
}

TEST_F(ControlPanelHostTest, TheHostWindowOwnsTheAppletsDialog) {
  g_applet.open_dialog = true;
  win32model::ControlPanelHost host(module_, FakeDllMain, FakeApplet);
  ASSERT_TRUE(host.Load());
  win32model::QueueDialogUser(win32model::DialogUser().PressButton(IDOK));
  host.DoubleClick(0);
  ASSERT_EQ(1u, win32model::Dialogs().size());
  EXPECT_EQ(host.window(), win32model::Dialogs()[0].owner);
  EXPECT_EQ(10, win32model::Dialogs()[0].result);
}

}  // namespace
