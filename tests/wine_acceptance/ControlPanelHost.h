// What the Control Panel does with an applet DLL: load it, send it the
// Control Panel messages with a window of its own as the owner, unload it.
#ifndef DORVIK_WINE_ACCEPTANCE_CONTROL_PANEL_HOST_H
#define DORVIK_WINE_ACCEPTANCE_CONTROL_PANEL_HOST_H

#include <windows.h>

class ControlPanelHost {
 public:
  // Loads the DLL and finds CPlApplet; false (with a failed check) if not.
  bool Load(const char *path);
  void Unload();

  LONG Send(UINT message, LPARAM first, LPARAM second);

  HMODULE Module() const { return module_; }
  HWND Window() const { return window_; }

 private:
  typedef LONG(CALLBACK *AppletProc)(HWND, UINT, LPARAM, LPARAM);

  HMODULE module_ = nullptr;
  AppletProc applet_ = nullptr;
  HWND window_ = nullptr;
};

// The start of a Control Panel session: CPL_INIT, CPL_GETCOUNT and
// CPL_NEWINQUIRE, each answer checked.
void CheckControlPanelStart(ControlPanelHost &host);

// The end: CPL_STOP and CPL_EXIT.
void CheckControlPanelEnd(ControlPanelHost &host);

#endif
