/* Win32 model: what an ANSI Win32 program (the Control Panel applet) sees of
   the platform when it is built on the host. Names, signatures, constants and
   record layouts follow the platform, so the same sources compile here and
   against mingw-w64's <windows.h>. Test-only controls are in
   "win32_model.h", which program sources never include. */
#ifndef DORVIK_WIN32_WINDOWS_H
#define DORVIK_WIN32_WINDOWS_H

#include "windef.h"
#include "winerror.h"
#include "winnt.h"
#include "winbase.h"
#include "winreg.h"
#include "winuser.h"

#endif
