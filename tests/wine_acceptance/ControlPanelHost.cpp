#include "ControlPanelHost.h"

#include <cpl.h>
#include <string.h>

#include <string>

#include "Report.h"

namespace {

const wchar_t kAppletInfo[] = L"Dorvikのリソース情報の設定を行ないます。";

HWND CreateHostWindow() {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"DorvikAcceptanceControlPanel";
  RegisterClassW(&windowClass);
  // Hidden, as the Control Panel's own window may be; the dialog opens at
  // the top left of its client area.
  return CreateWindowW(windowClass.lpszClassName, L"Control Panel", WS_OVERLAPPEDWINDOW, 96, 64, 480, 360,
                       nullptr, nullptr, windowClass.hInstance, nullptr);
}

// The size in pixels of the icon behind the handle.
SIZE IconSize(HICON icon) {
  SIZE size = {0, 0};
  ICONINFO info;
  if (icon == nullptr || !GetIconInfo(icon, &info)) return size;
  BITMAP bitmap;
  if (info.hbmColor != nullptr && GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap)) {
    size.cx = bitmap.bmWidth;
    size.cy = bitmap.bmHeight;
  }
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  return size;
}

}  // namespace

bool ControlPanelHost::Load(const char *path) {
  module_ = LoadLibraryA(path);
  if (!Check(module_ != nullptr, "LoadLibrary %s (error %lu)", path, GetLastError())) return false;
  applet_ = reinterpret_cast<AppletProc>(reinterpret_cast<void *>(GetProcAddress(module_, "CPlApplet")));
  if (!Check(applet_ != nullptr, "the applet exports CPlApplet")) return false;
  // The session's desktop process comes up slowly under the emulator, and
  // has crashed there on its first start; until it is up no window can be
  // created, and each new try starts it again.
  const DWORD kDesktopWaitMs = 5 * 60 * 1000;
  DWORD started = GetTickCount();
  DWORD error = 0;
  int tries = 0;
  for (;;) {
    ++tries;
    window_ = CreateHostWindow();
    if (window_ != nullptr) break;
    error = GetLastError();
    if (GetTickCount() - started >= kDesktopWaitMs) break;
    Sleep(2000);
  }
  return Check(window_ != nullptr, "the Control Panel's window is created (%d tries, last error %lu)", tries,
               error);
}

void ControlPanelHost::Unload() {
  if (window_ != nullptr) DestroyWindow(window_);
  if (module_ != nullptr) Check(FreeLibrary(module_) != 0, "FreeLibrary");
  window_ = nullptr;
  module_ = nullptr;
  applet_ = nullptr;
}

LONG ControlPanelHost::Send(UINT message, LPARAM first, LPARAM second) {
  return applet_(window_, message, first, second);
}

void CheckControlPanelStart(ControlPanelHost &host) {
  LONG result = host.Send(CPL_INIT, 0, 0);
  Check(result == 1, "CPL_INIT answers 1 (%ld)", result);
  result = host.Send(CPL_GETCOUNT, 0, 0);
  Check(result == 1, "CPL_GETCOUNT answers 1 (%ld)", result);

  // Every byte starts as a mark, so that a field left unfilled shows.
  NEWCPLINFOA info;
  memset(&info, 0xCC, sizeof(info));
  result = host.Send(CPL_NEWINQUIRE, 0, reinterpret_cast<LPARAM>(&info));
  Check(result == 0, "CPL_NEWINQUIRE answers 0 (%ld)", result);
  Check(sizeof(info) == 244 && info.dwSize == 244, "NEWCPLINFO dwSize is 244 (%lu)",
        static_cast<unsigned long>(info.dwSize));
  Check(info.dwFlags == 0 && info.dwHelpContext == 0 && info.lData == 0,
        "NEWCPLINFO dwFlags, dwHelpContext and lData are 0 (0x%lX, 0x%lX, 0x%lX)",
        static_cast<unsigned long>(info.dwFlags), static_cast<unsigned long>(info.dwHelpContext),
        static_cast<unsigned long>(info.lData));
  HICON expectedIcon = LoadIconA(host.Module(), MAKEINTRESOURCEA(102));
  SIZE iconSize = IconSize(info.hIcon);
  Check(info.hIcon != nullptr && info.hIcon == expectedIcon && iconSize.cx == GetSystemMetrics(SM_CXICON) &&
            iconSize.cy == GetSystemMetrics(SM_CYICON),
        "NEWCPLINFO hIcon is the applet's icon 102 (%p, %p, %ldx%ld)", static_cast<void *>(info.hIcon),
        static_cast<void *>(expectedIcon), iconSize.cx, iconSize.cy);
  Check(info.szHelpFile[0] == '\0', "NEWCPLINFO szHelpFile is empty");
  bool nameTerminated = memchr(info.szName, '\0', sizeof(info.szName)) != nullptr;
  Check(nameTerminated && strcmp(info.szName, "Dorvik") == 0, "NEWCPLINFO szName is \"Dorvik\"");
  bool infoTerminated = memchr(info.szInfo, '\0', sizeof(info.szInfo)) != nullptr;
  std::wstring infoText = infoTerminated ? WideFromAnsi(info.szInfo) : std::wstring();
  Check(infoText == kAppletInfo, "NEWCPLINFO szInfo is \"%s\" (\"%s\")", Utf8(kAppletInfo).c_str(),
        Utf8(infoText).c_str());
  Check(infoTerminated && AnsiFromWide(kAppletInfo) == info.szInfo,
        "NEWCPLINFO szInfo holds the code page 932 bytes of the description");
}

void CheckControlPanelEnd(ControlPanelHost &host) {
  LONG result = host.Send(CPL_STOP, 0, 0);
  Check(result == 0, "CPL_STOP answers 0 (%ld)", result);
  result = host.Send(CPL_EXIT, 0, 0);
  Check(result == 0, "CPL_EXIT answers 0 (%ld)", result);
}
