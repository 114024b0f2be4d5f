// Writes a subtree of the store as registry editor text that Import reads back
// to the same keys, names, types and bytes.
#include <cstdio>

#include "RegFileSyntax.h"
#include "RegistryStore.h"
#include "TextEncoding.h"

namespace regstore {
namespace {

const char *kLineEnd = "\r\n";
const size_t kHexLineWidth = 76;  // wrap long hex data as the registry editor does

std::string Quoted(const std::string &text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// Data that the quoted form reproduces exactly: one terminating zero, no other
// zero, no line breaks, and text that survives the UTF-16 round trip.
bool IsPlainString(const std::vector<uint8_t> &data) {
  if (data.empty() || data.back() != 0) return false;
  std::string text(data.begin(), data.end() - 1);
  if (text.find_first_of(std::string("\0\r\n", 3)) != std::string::npos) return false;
  return Utf16ToUtf8(Utf8ToUtf16(text)) == text;
}

std::string HexData(const std::string &prefix, const std::vector<uint8_t> &data) {
  std::string out;
  std::string line = prefix;
  for (size_t i = 0; i < data.size(); ++i) {
    char piece[4];
    std::snprintf(piece, sizeof piece, i + 1 < data.size() ? "%02x," : "%02x", data[i]);
    if (line.size() + 3 > kHexLineWidth) {
      out += line + "\\" + kLineEnd;
      line = "  ";
    }
    line += piece;
  }
  return out + line;
}

std::string ValueLine(const Value &v) {
  std::string line = v.name.empty() ? "@=" : Quoted(v.name) + "=";
  if (v.type == kRegDword && v.data.size() == 4) {
    char digits[16];
    uint32_t value = static_cast<uint32_t>(v.data[0]) | (static_cast<uint32_t>(v.data[1]) << 8) |
                     (static_cast<uint32_t>(v.data[2]) << 16) |
                     (static_cast<uint32_t>(v.data[3]) << 24);
    std::snprintf(digits, sizeof digits, "dword:%08x", value);
    return line + digits;
  }
  if (v.type == kRegSz && IsPlainString(v.data)) {
    return line + Quoted(std::string(v.data.begin(), v.data.end() - 1));
  }
  if (v.type == kRegBinary) return HexData(line + "hex:", v.data);
  char prefix[24];
  std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(v.type));
  return HexData(line + prefix, v.data);
}

void ExportKey(const Store &store, const std::string &path, std::string &out) {
  out += "[" + std::string(kMachineRoot) + (path.empty() ? "" : "\\" + path) + "]" + kLineEnd;
  for (const Value &v : store.Values(path)) out += ValueLine(v) + kLineEnd;
  out += kLineEnd;
  for (const std::string &name : store.SubkeyNames(path)) {
    ExportKey(store, path.empty() ? name : path + "\\" + name, out);
  }
}

std::string Utf16LeWithBom(const std::string &text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : Utf8ToUtf16(text)) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

}  // namespace

std::string Store::Export(const std::string &key_path, RegFileFormat format) const {
  std::optional<std::string> path = CanonicalPath(key_path);
  if (!path) return "";
  bool version5 = format == RegFileFormat::kVersion5;
  std::string text = std::string(version5 ? kVersion5Header : kRegedit4Header) + kLineEnd + kLineEnd;
  ExportKey(*this, *path, text);
  return version5 ? Utf16LeWithBom(text) : text;
}

}  // namespace regstore
