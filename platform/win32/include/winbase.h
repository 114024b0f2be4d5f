/* Win32 model: module entry reasons, the thread's last error and the
   security attributes record that the registry calls accept. */
#ifndef DORVIK_WIN32_WINBASE_H
#define DORVIK_WIN32_WINBASE_H

#include <string.h>

#include "windef.h"

#ifdef __cplusplus
extern "C" {
#endif

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

#define ZeroMemory(destination, length) memset((destination), 0, (length))
#define CopyMemory(destination, source, length) memcpy((destination), (source), (length))

DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD error);

#ifdef __cplusplus
}
#endif

#endif
