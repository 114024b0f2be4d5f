#include "Screenshot.h"

#include <stdio.h>

#include "Report.h"

namespace {
std::string g_folder;

bool FileExists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WriteFile(const std::string &path, const std::string &text) {
  FILE *file = fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = fwrite(text.data(), 1, text.size(), file) == text.size();
  return fclose(file) == 0 && ok;
}
}  // namespace

void SetScreenshotFolder(const std::string &folder) { g_folder = folder; }

bool TakeScreenshot(const char *name, HWND window) {
  if (g_folder.empty()) return true;
  // The window's own thread paints; Wine hands the pixels to the X server
  // when that thread next waits for messages.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  SendMessageW(window, WM_NULL, 0, 0);
  Sleep(1500);
  SendMessageW(window, WM_NULL, 0, 0);

  RECT rect;
  GetWindowRect(window, &rect);
  std::string base = g_folder + "\\" + name;
  char line[96];
  snprintf(line, sizeof(line), "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
           rect.bottom - rect.top);
  DeleteFileA((base + ".png").c_str());
  if (!Check(WriteFile(base + ".rect", line) && WriteFile(base + ".request", ""),
             "screenshot %s: request written", name)) {
    return false;
  }
  for (int waited = 0; waited < 1200; ++waited) {  // two minutes
    if (!FileExists(base + ".request") && FileExists(base + ".png")) {
      Note("screenshot %s: window at %ld,%ld, %ldx%ld", name, rect.left, rect.top, rect.right - rect.left,
           rect.bottom - rect.top);
      return true;
    }
    Sleep(100);
  }
  return Check(false, "screenshot %s: the runner took no picture", name);
}
