// The model's ANSI code page: 932 (Japanese), as on the target's systems.
// Conversions are per character: a character with no ANSI form becomes "?",
// and ANSI bytes that form no character become U+FFFD.
#pragma once

#include <windows.h>

#include <string>

namespace win32model {

constexpr UINT kAnsiCodePage = 932;
// The system's language, which resource lookups prefer.
constexpr WORD kSystemLanguage = 0x0411;

std::string AnsiToUtf8(const std::string &ansi);
std::string Utf8ToAnsi(const std::string &utf8);
std::string Utf16ToAnsi(const std::u16string &text);
std::u16string AnsiToUtf16(const std::string &ansi);
std::string Utf16ToUtf8(const std::u16string &text);
std::u16string Utf8ToUtf16(const std::string &utf8);

// True for the first byte of a double-byte character in code page 932.
bool IsAnsiLeadByte(unsigned char byte);
// The longest prefix of `ansi` of at most `max_bytes` bytes that does not
// split a double-byte character.
size_t WholeCharacterPrefix(const std::string &ansi, size_t max_bytes);

}  // namespace win32model
