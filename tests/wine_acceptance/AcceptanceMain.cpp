// The shipped DORVIK.cpl under a real Win32: loaded and driven as the
// Control Panel drives it, its dialog operated as a user operates it, and the
// registry it leaves checked with the Win32 registry calls.
//
//   applet_acceptance.exe DORVIK.cpl [PICTURE-FOLDER]
//
// Exit status 0 when every check passed.
#include <windows.h>

#include <cpl.h>
#include <stdio.h>

#include "AcceptanceCases.h"
#include "ControlPanelHost.h"
#include "Report.h"
#include "Screenshot.h"

namespace {

// A case that hangs (a dialog that never closes) ends the run.
const DWORD kCaseLimitMs = 15 * 60 * 1000;
volatile LONG g_caseNumber = 0;
HANDLE g_runFinished = nullptr;

DWORD WINAPI Watchdog(LPVOID) {
  for (;;) {
    LONG before = g_caseNumber;
    if (WaitForSingleObject(g_runFinished, kCaseLimitMs) == WAIT_OBJECT_0) return 0;
    if (g_caseNumber == before) {
      Check(false, "case %ld did not finish within %lu minutes", before,
            static_cast<unsigned long>(kCaseLimitMs / 60000));
      printf("%d failure(s)\n", FailureCount());
      fflush(stdout);
      ExitProcess(3);
    }
  }
}

DWORD WINAPI ActAsUser(LPVOID context) {
  const AcceptanceCase *acceptanceCase = static_cast<const AcceptanceCase *>(context);
  DialogUser user;
  if (!user.WaitForDialog()) return 1;
  acceptanceCase->Act(user);
  if (IsWindow(user.Dialog())) {
    Check(false, "  the dialog is closed after the case's last step");
    user.Abandon();
  }
  return 0;
}

void RunCase(ControlPanelHost &host, const AcceptanceCase &acceptanceCase) {
  Note("case: %s", acceptanceCase.Name);
  if (acceptanceCase.Reseed) SeedDriverTree(acceptanceCase.Seed);
  HANDLE user = CreateThread(nullptr, 0, ActAsUser, const_cast<AcceptanceCase *>(&acceptanceCase), 0, nullptr);
  LONG result = host.Send(CPL_DBLCLK, 0, 0);
  Check(result == 0, "  CPL_DBLCLK answers 0 when the dialog has closed (%ld)", result);
  WaitForSingleObject(user, INFINITE);
  CloseHandle(user);
  CheckDriverTree(acceptanceCase.Name, acceptanceCase.Expected);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2 || argc > 3) {
    fprintf(stderr, "usage: %s DORVIK.cpl [PICTURE-FOLDER]\n", argv[0]);
    return 2;
  }
  if (argc == 3) SetScreenshotFolder(argv[2]);
  g_runFinished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE watchdog = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);

  // The applet's texts are code page 932 text: without it they turn into
  // question marks.
  Check(GetACP() == 932, "the ANSI code page is 932 (%u)", GetACP());

  ControlPanelHost host;
  if (host.Load(argv[1])) {
    CheckControlPanelStart(host);
    size_t count = 0;
    const AcceptanceCase *cases = AcceptanceCases(&count);
    for (size_t i = 0; i < count; ++i) {
      InterlockedIncrement(&g_caseNumber);
      RunCase(host, cases[i]);
    }
    CheckControlPanelEnd(host);
    host.Unload();
  }

  // Only this thread is left when the process ends: under the emulator, other
  // threads torn down at exit have crashed the process.
  SetEvent(g_runFinished);
  WaitForSingleObject(watchdog, INFINITE);
  printf("%d failure(s)\n", FailureCount());
  fflush(stdout);
  return FailureCount() == 0 ? 0 : 1;
}
