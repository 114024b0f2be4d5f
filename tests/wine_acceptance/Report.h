// Results of the acceptance run: every check prints one line, and the
// program's exit status says whether any failed.
#ifndef DORVIK_WINE_ACCEPTANCE_REPORT_H
#define DORVIK_WINE_ACCEPTANCE_REPORT_H

#include <windows.h>

#include <string>

// Prints "ok" or "FAIL" with the text and counts the failures. Returns ok.
bool Check(bool ok, const char *format, ...) __attribute__((format(printf, 2, 3)));

// A line of progress, not a check.
void Note(const char *format, ...) __attribute__((format(printf, 1, 2)));

int FailureCount();

// Text conversions. Ansi uses the process's ANSI code page (932 here).
std::string Utf8(const std::wstring &text);
std::string Utf8FromAnsi(const std::string &text);
std::wstring WideFromAnsi(const std::string &text);
std::string AnsiFromWide(const std::wstring &text);

#endif
