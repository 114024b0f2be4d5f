// UTF-8 and UTF-16 conversions for registry names and registry editor files.
#pragma once

#include <string>

namespace regstore {

// Malformed input becomes U+FFFD; nothing is dropped silently.
std::u16string Utf8ToUtf16(const std::string &text);
std::string Utf16ToUtf8(const std::u16string &text);

}  // namespace regstore
