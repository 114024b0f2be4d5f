/* The Control Panel's entry into the applet, and the module entry. */
#ifndef DORVIK_APPLET_CONTROL_PANEL_ENTRY_H
#define DORVIK_APPLET_CONTROL_PANEL_ENTRY_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

LONG CALLBACK CPlApplet(HWND host, UINT message, LPARAM lParam1, LPARAM lParam2);

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

#ifdef __cplusplus
}
#endif

#endif
