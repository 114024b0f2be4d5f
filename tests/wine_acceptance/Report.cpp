#include "Report.h"

#include <stdarg.h>
#include <stdio.h>

namespace {
// Both the Control Panel's thread and the user's thread report.
volatile LONG g_failures = 0;

void PrintLine(const char *prefix, const char *format, va_list args) {
  fputs(prefix, stdout);
  vfprintf(stdout, format, args);
  fputc('\n', stdout);
  // The runner reads the output while the program still runs.
  fflush(stdout);
}

std::wstring Widen(UINT codePage, const std::string &text) {
  if (text.empty()) return std::wstring();
  int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string Narrow(UINT codePage, const std::wstring &text) {
  if (text.empty()) return std::string();
  int length = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &narrow[0], length,
                      nullptr, nullptr);
  return narrow;
}
}  // namespace

bool Check(bool ok, const char *format, ...) {
  if (!ok) InterlockedIncrement(&g_failures);
  va_list args;
  va_start(args, format);
  PrintLine(ok ? "ok    " : "FAIL  ", format, args);
  va_end(args);
  return ok;
}

void Note(const char *format, ...) {
  va_list args;
  va_start(args, format);
  PrintLine("      ", format, args);
  va_end(args);
}

int FailureCount() { return static_cast<int>(g_failures); }

std::string Utf8(const std::wstring &text) { return Narrow(CP_UTF8, text); }
std::string Utf8FromAnsi(const std::string &text) { return Utf8(WideFromAnsi(text)); }
std::wstring WideFromAnsi(const std::string &text) { return Widen(CP_ACP, text); }
std::string AnsiFromWide(const std::wstring &text) { return Narrow(CP_ACP, text); }
