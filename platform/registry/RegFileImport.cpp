// Reads registry editor text ("REGEDIT4" or "Windows Registry Editor Version
// 5.00") into the store: key sections, [-key] deletions, and string, dword and
// hex values, with backslash line continuations and ';' comments.
#include <cctype>
#include <fstream>
#include <iterator>

#include "RegFileSyntax.h"
#include "RegistryStore.h"
#include "TextEncoding.h"

namespace regstore {
namespace {

struct LogicalLine {
  int number;  // first physical line, 1-based
  std::string text;
};

std::string TrimLeft(const std::string &s) {
  size_t i = s.find_first_not_of(" \t");
  return i == std::string::npos ? std::string() : s.substr(i);
}

std::string TrimRight(const std::string &s) {
  size_t i = s.find_last_not_of(" \t");
  return i == std::string::npos ? std::string() : s.substr(0, i + 1);
}

bool StartsWithNoCase(const std::string &s, size_t pos, const std::string &prefix) {
  if (pos > s.size() || s.size() - pos < prefix.size()) return false;
  return NamesEqual(s.substr(pos, prefix.size()), prefix);
}

// The file's bytes as UTF-8 text: UTF-16LE when it starts with that BOM,
// otherwise UTF-8 (a UTF-8 BOM is dropped).
bool DecodeFile(const std::string &bytes, std::string *text) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    if (bytes.size() % 2 != 0) return false;
    std::u16string wide;
    for (size_t i = 2; i < bytes.size(); i += 2) {
      wide += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                    (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    *text = Utf16ToUtf8(wide);
    return true;
  }
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    *text = bytes.substr(3);
  } else {
    *text = bytes;
  }
  return true;
}

std::vector<std::string> PhysicalLines(const std::string &text) {
  std::vector<std::string> lines;
  std::string current;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(current);
      current.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current += c;
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

bool IsValueLine(const std::string &trimmed) {
  return !trimmed.empty() && (trimmed[0] == '"' || trimmed[0] == '@');
}

// Joins a value line ending in a backslash with the lines that continue it.
std::vector<LogicalLine> LogicalLines(const std::vector<std::string> &lines) {
  std::vector<LogicalLine> out;
  for (size_t i = 0; i < lines.size(); ++i) {
    LogicalLine line{static_cast<int>(i + 1), TrimLeft(lines[i])};
    if (IsValueLine(line.text)) {
      std::string body = TrimRight(line.text);
      while (!body.empty() && body.back() == '\\' && i + 1 < lines.size()) {
        body.pop_back();
        body += TrimRight(TrimLeft(lines[++i]));
      }
      line.text = body;
    }
    out.push_back(line);
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses hex digits at s[pos] (at most max_digits of them) into *value.
bool ParseHexNumber(const std::string &s, size_t &pos, size_t max_digits, uint32_t *value) {
  size_t start = pos;
  uint32_t v = 0;
  while (pos < s.size() && HexDigit(s[pos]) >= 0 && pos - start < max_digits) {
    v = (v << 4) | static_cast<uint32_t>(HexDigit(s[pos]));
    ++pos;
  }
  *value = v;
  return pos > start;
}

bool OnlyBlankFrom(const std::string &s, size_t pos) {
  return s.find_first_not_of(" \t", pos) == std::string::npos;
}

class Importer {
 public:
  explicit Importer(Store &store) : store_(store) {}

  ImportResult Run(const std::string &bytes) {
    std::string text;
    if (!DecodeFile(bytes, &text)) return Fail(1, "UTF-16 text with an odd number of bytes");
    std::vector<LogicalLine> lines = LogicalLines(PhysicalLines(text));
    size_t i = 0;
    while (i < lines.size() && TrimRight(lines[i].text).empty()) ++i;
    if (i == lines.size()) return Fail(1, "empty file");
    std::string header = TrimRight(lines[i].text);
    if (header != kRegedit4Header && header != kVersion5Header) {
      return Fail(lines[i].number, "not a registry editor file: \"" + header + "\"");
    }
    for (++i; i < lines.size(); ++i) {
      std::string error;
      if (!Apply(TrimRight(lines[i].text), &error)) return Fail(lines[i].number, error);
    }
    return ImportResult{};
  }

 private:
  static ImportResult Fail(int line, const std::string &error) {
    return ImportResult{false, line, error};
  }

  bool Apply(const std::string &line, std::string *error) {
    if (line.empty() || line[0] == ';') return true;
    if (line[0] == '[') return Section(line, error);
    if (IsValueLine(line)) return ValueLine(line, error);
    *error = "unexpected text: \"" + line + "\"";
    return false;
  }

  bool Section(const std::string &line, std::string *error) {
    if (line.back() != ']') {
      *error = "key section without a closing ']'";
      return false;
    }
    std::string full = line.substr(1, line.size() - 2);
    bool remove = !full.empty() && full[0] == '-';
    if (remove) full.erase(0, 1);
    std::string root = full.substr(0, full.find('\\'));
    if (!NamesEqual(root, kMachineRoot)) {
      *error = "key outside " + std::string(kMachineRoot) + ": \"" + full + "\"";
      return false;
    }
    std::string path = root.size() < full.size() ? full.substr(root.size() + 1) : std::string();
    if (remove) {
      if (SplitPath(path).empty()) {
        *error = "the machine root cannot be deleted";
        return false;
      }
      store_.DeleteTree(path);  // a key that is already gone is fine
      in_deleted_section_ = true;
      return true;
    }
    store_.CreateKey(path);
    current_ = path;
    in_section_ = true;
    in_deleted_section_ = false;
    return true;
  }

  bool ValueLine(const std::string &line, std::string *error) {
    if (!in_section_ && !in_deleted_section_) {
      *error = "value outside a key section";
      return false;
    }
    size_t pos = 0;
    std::string name;
    if (line[0] == '@') {
      pos = 1;
    } else if (!ParseQuoted(line, pos, &name, error)) {
      return false;
    }
    pos = line.find_first_not_of(" \t", pos);
    if (pos == std::string::npos || line[pos] != '=') {
      *error = "'=' expected after the value name";
      return false;
    }
    pos = line.find_first_not_of(" \t", pos + 1);
    if (pos == std::string::npos) {
      *error = "value data expected after '='";
      return false;
    }
    uint32_t type;
    std::vector<uint8_t> data;
    if (line[pos] == '-' && OnlyBlankFrom(line, pos + 1)) {
      if (!in_deleted_section_) store_.DeleteValue(current_, name);
      return true;
    }
    if (!ParseData(line, pos, &type, &data, error)) return false;
    // Values below a "[-key]" section belong to the deleted key: skipped.
    if (!in_deleted_section_) store_.SetValue(current_, name, type, data);
    return true;
  }

  // A double-quoted text at line[pos] with \\ and \" escapes; pos ends after it.
  static bool ParseQuoted(const std::string &line, size_t &pos, std::string *out,
                          std::string *error) {
    ++pos;  // opening quote
    out->clear();
    while (pos < line.size()) {
      char c = line[pos++];
      if (c == '"') return true;
      if (c == '\\') {
        if (pos >= line.size() || (line[pos] != '\\' && line[pos] != '"')) {
          *error = "unknown escape in quoted text (only \\\\ and \\\" are allowed)";
          return false;
        }
        c = line[pos++];
      }
      *out += c;
    }
    *error = "quoted text without its closing '\"'";
    return false;
  }

  static bool ParseData(const std::string &line, size_t pos, uint32_t *type,
                        std::vector<uint8_t> *data, std::string *error) {
    if (line[pos] == '"') {
      std::string text;
      if (!ParseQuoted(line, pos, &text, error)) return false;
      if (!OnlyBlankFrom(line, pos)) {
        *error = "text after the closing quote";
        return false;
      }
      *type = kRegSz;
      data->assign(text.begin(), text.end());
      data->push_back(0);
      return true;
    }
    if (StartsWithNoCase(line, pos, "dword:")) {
      pos += 6;
      uint32_t value;
      if (!ParseHexNumber(line, pos, 8, &value) || !OnlyBlankFrom(line, pos)) {
        *error = "dword: takes one to eight hexadecimal digits";
        return false;
      }
      *type = kRegDword;
      for (int i = 0; i < 4; ++i) data->push_back(static_cast<uint8_t>(value >> (8 * i)));
      return true;
    }
    if (StartsWithNoCase(line, pos, "hex(")) {
      pos += 4;
      if (!ParseHexNumber(line, pos, 8, type) || line.compare(pos, 2, "):") != 0) {
        *error = "hex(type): expected";
        return false;
      }
      return ParseHexBytes(line, pos + 2, data, error);
    }
    if (StartsWithNoCase(line, pos, "hex:")) {
      *type = kRegBinary;
      return ParseHexBytes(line, pos + 4, data, error);
    }
    *error = "unknown value data: \"" + line.substr(pos) + "\"";
    return false;
  }

  // Comma-separated bytes of one or two hex digits; an empty list is no bytes.
  static bool ParseHexBytes(const std::string &line, size_t pos, std::vector<uint8_t> *data,
                            std::string *error) {
    data->clear();
    pos = line.find_first_not_of(" \t", pos);
    while (pos != std::string::npos) {
      uint32_t byte;
      if (!ParseHexNumber(line, pos, 2, &byte)) {
        *error = "hexadecimal byte expected";
        return false;
      }
      data->push_back(static_cast<uint8_t>(byte));
      pos = line.find_first_not_of(" \t", pos);
      if (pos == std::string::npos) break;
      if (line[pos] != ',') {
        *error = "',' expected between hexadecimal bytes";
        return false;
      }
      pos = line.find_first_not_of(" \t", pos + 1);  // a trailing comma ends the list
    }
    return true;
  }

  Store &store_;
  std::string current_;
  bool in_section_ = false;
  bool in_deleted_section_ = false;
};

}  // namespace

ImportResult Store::Import(const std::string &bytes) { return Importer(*this).Run(bytes); }

ImportResult Store::ImportFile(const std::string &file_path) {
  std::ifstream in(file_path, std::ios::binary);
  if (!in) return ImportResult{false, 0, "cannot read " + file_path};
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return Import(bytes);
}

}  // namespace regstore
