// The Control Panel host: loads the applet module, asks it for its applets
// and opens them, in the platform's order, recording every call.
#include <win32_control_panel.h>

#include <cstring>
#include <map>

#include "ModelCore.h"
#include "WindowModel.h"

namespace win32model {
namespace {

// How many hosts have the module loaded: the module entry sees only the first
// load and the last unload, as with LoadLibrary and FreeLibrary.
std::map<uintptr_t, int> g_load_counts;

std::string FixedText(const char *text, size_t size) {
  return AnsiToUtf8(std::string(text, strnlen(text, size)));
}

}  // namespace

namespace detail {
void ResetControlPanelModel() { g_load_counts.clear(); }
}  // namespace detail

ControlPanelHost::ControlPanelHost(HINSTANCE module, DllEntryProc entry, APPLET_PROC applet)
    : module_(module),
      entry_(entry),
      applet_(applet),
      window_(detail::CreateTopLevelWindow("Control Panel")->handle) {}

ControlPanelHost::~ControlPanelHost() {
  if (loaded_) Unload();
  if (detail::Window *window = detail::FindWindow(window_)) detail::DestroyWindowTree(window);
}

void ControlPanelHost::CallEntry(DWORD reason) {
  BOOL result = entry_ ? entry_(module_, reason, nullptr) : TRUE;
  entry_calls_.push_back({reason, result});
}

LONG ControlPanelHost::Send(UINT message, LPARAM lparam1, LPARAM lparam2) {
  LONG result = applet_(window_, message, lparam1, lparam2);
  calls_.push_back({message, lparam1, lparam2, result});
  return result;
}

bool ControlPanelHost::Load() {
  if (loaded_) return true;
  applets_.clear();
  int &count = g_load_counts[reinterpret_cast<uintptr_t>(module_)];
  if (count == 0) {
    CallEntry(DLL_PROCESS_ATTACH);
    if (!entry_calls_.back().result) {
      // A module that refuses to attach is detached and unloaded at once.
      CallEntry(DLL_PROCESS_DETACH);
      return false;
    }
  }
  ++count;
  if (Send(CPL_INIT, 0, 0) == 0) {
    if (--count == 0) CallEntry(DLL_PROCESS_DETACH);
    return false;
  }
  loaded_ = true;
  LONG applets = Send(CPL_GETCOUNT, 0, 0);
  for (int number = 0; number < applets; ++number) Inquire(number);
  return true;
}

void ControlPanelHost::Inquire(int number) {
  CplAppletInfo applet;
  applet.number = number;
  // The host's structure is not cleared: the applet must fill every field.
  std::memset(&applet.new_info, 0xCC, sizeof applet.new_info);
  Send(CPL_NEWINQUIRE, number, reinterpret_cast<LPARAM>(&applet.new_info));
  if (applet.new_info.dwSize == sizeof(NEWCPLINFOA)) {
    applet.from_new_inquire = true;
    applet.name = FixedText(applet.new_info.szName, sizeof applet.new_info.szName);
    applet.description = FixedText(applet.new_info.szInfo, sizeof applet.new_info.szInfo);
    applet.icon = applet.new_info.hIcon;
    applet.data = applet.new_info.lData;
  } else {
    std::memset(&applet.info, 0xCC, sizeof applet.info);
    Send(CPL_INQUIRE, number, reinterpret_cast<LPARAM>(&applet.info));
    char text[128];
    if (LoadStringA(module_, static_cast<UINT>(applet.info.idName), text, sizeof text) > 0) {
      applet.name = AnsiToUtf8(text);
    }
    if (LoadStringA(module_, static_cast<UINT>(applet.info.idInfo), text, sizeof text) > 0) {
      applet.description = AnsiToUtf8(text);
    }
    applet.icon = LoadIconA(module_, MAKEINTRESOURCEA(applet.info.idIcon));
    applet.data = applet.info.lData;
  }
  applets_.push_back(applet);
}

LONG ControlPanelHost::DoubleClick(int applet_number) {
  if (!loaded_) {
    ReportViolation("ControlPanelHost::DoubleClick: the applet module is not loaded");
    return 0;
  }
  LONG_PTR data = 0;
  for (const CplAppletInfo &applet : applets_) {
    if (applet.number == applet_number) data = applet.data;
  }
  return Send(CPL_DBLCLK, applet_number, data);
}

void ControlPanelHost::Unload() {
  if (!loaded_) return;
  for (const CplAppletInfo &applet : applets_) Send(CPL_STOP, applet.number, applet.data);
  Send(CPL_EXIT, 0, 0);
  loaded_ = false;
  int &count = g_load_counts[reinterpret_cast<uintptr_t>(module_)];
  if (count > 0 && --count == 0) CallEntry(DLL_PROCESS_DETACH);
}

std::vector<UINT> ControlPanelHost::Messages() const {
  std::vector<UINT> messages;
  for (const CplCall &call : calls_) messages.push_back(call.message);
  return messages;
}

}  // namespace win32model
