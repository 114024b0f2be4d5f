// The thread's last error, as GetLastError reports it.
#include "ModelCore.h"

namespace {
thread_local DWORD g_last_error = 0;
}

extern "C" DWORD WINAPI GetLastError(void) { return g_last_error; }

extern "C" void WINAPI SetLastError(DWORD error) { g_last_error = error; }

namespace win32model {
namespace detail {
void ResetLastError() { g_last_error = 0; }
}  // namespace detail
}  // namespace win32model
