// A model of the Control Panel host: it loads an applet "module" (on the host
// the applet's sources linked into the test, with its resources from a
// resource module), talks to CPlApplet in the platform's order and records
// every call and result.
//
//   Load:         DllMain(DLL_PROCESS_ATTACH) on the module's first load,
//                 CPL_INIT (0 ends the conversation and unloads), CPL_GETCOUNT,
//                 then for each applet CPL_NEWINQUIRE with a structure full of
//                 0xCC bytes; an applet whose dwSize is not sizeof(NEWCPLINFOA)
//                 afterwards is asked again with CPL_INQUIRE.
//   DoubleClick:  CPL_DBLCLK (applet number, its lData), with the host window
//                 as the dialog's owner.
//   Unload:       CPL_STOP for each applet, CPL_EXIT, DllMain(DLL_PROCESS_DETACH)
//                 on the module's last unload. The destructor unloads.
#pragma once

#include <cpl.h>
#include <windows.h>

#include <string>
#include <vector>

namespace win32model {

using DllEntryProc = BOOL(WINAPI *)(HINSTANCE, DWORD, LPVOID);

struct CplCall {
  UINT message;
  LPARAM lparam1;
  LPARAM lparam2;
  LONG result;
};

struct DllEntryCall {
  DWORD reason;
  BOOL result;
};

// What the host learnt of one applet.
struct CplAppletInfo {
  int number = 0;
  bool from_new_inquire = false;
  // CPL_NEWINQUIRE: the structure as the applet left it.
  NEWCPLINFOA new_info{};
  // CPL_INQUIRE: the structure as the applet left it.
  CPLINFO info{};
  // What the Control Panel shows (UTF-8), and the icon.
  std::string name;
  std::string description;
  HICON icon = nullptr;
  LONG_PTR data = 0;
};

class ControlPanelHost {
 public:
  ControlPanelHost(HINSTANCE module, DllEntryProc entry, APPLET_PROC applet);
  ~ControlPanelHost();
  ControlPanelHost(const ControlPanelHost &) = delete;
  ControlPanelHost &operator=(const ControlPanelHost &) = delete;

  bool Load();
  LONG DoubleClick(int applet_number);
  void Unload();
  // Any message, as the host would send it; recorded like the others.
  LONG Send(UINT message, LPARAM lparam1, LPARAM lparam2);

  bool loaded() const { return loaded_; }
  HWND window() const { return window_; }
  const std::vector<CplCall> &calls() const { return calls_; }
  const std::vector<DllEntryCall> &entry_calls() const { return entry_calls_; }
  const std::vector<CplAppletInfo> &applets() const { return applets_; }
  std::vector<UINT> Messages() const;  // the messages of calls(), in order

 private:
  void Inquire(int number);
  void CallEntry(DWORD reason);
  HINSTANCE module_;
  DllEntryProc entry_;
  APPLET_PROC applet_;
  HWND window_;
  bool loaded_ = false;
  std::vector<CplCall> calls_;
  std::vector<DllEntryCall> entry_calls_;
  std::vector<CplAppletInfo> applets_;
};

}  // namespace win32model
