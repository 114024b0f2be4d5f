// The 32-bit resource file format: a zero-data entry first, then one record
// per resource. Each record is a RESOURCEHEADER (data size, header size, type,
// name, DWORD alignment, data version, memory flags, language, version,
// characteristics) followed by its data, padded to a DWORD boundary.
#include <win32_resources.h>
#include <win32_text.h>

#include "ByteReader.h"

namespace win32model {
namespace {

using detail::ByteReader;

char16_t UpperAscii(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

// A type or name field: 0xFFFF and an ordinal, or a zero-terminated text.
ResourceId ReadId(ByteReader &reader) {
  size_t start = reader.at();
  uint16_t first = reader.Word();
  if (first == 0xFFFF) return ResourceId::Ordinal(reader.Word());
  reader.Seek(start);
  return ResourceId::Named(reader.Text());
}

}  // namespace

ResourceId ResourceId::Ordinal(WORD value) {
  ResourceId id;
  id.is_ordinal = true;
  id.ordinal = value;
  return id;
}

ResourceId ResourceId::Named(const std::u16string &text) {
  ResourceId id;
  id.name = text;
  return id;
}

ResourceId ResourceId::FromProgram(LPCSTR value) {
  if (IS_INTRESOURCE(value)) return Ordinal(LOWORD(reinterpret_cast<ULONG_PTR>(value)));
  std::string text(value);
  // "#101" names the ordinal 101, as FindResource reads it.
  if (text.size() > 1 && text[0] == '#') {
    unsigned long number = 0;
    bool digits = true;
    for (size_t i = 1; i < text.size(); ++i) {
      if (text[i] < '0' || text[i] > '9')
        digits = false;
      else
        number = number * 10 + static_cast<unsigned long>(text[i] - '0');
      if (number > 0xFFFF) digits = false;
    }
    if (digits) return Ordinal(static_cast<WORD>(number));
  }
  return Named(AnsiToUtf16(text));
}

bool ResourceId::Matches(const ResourceId &other) const {
  if (is_ordinal != other.is_ordinal) return false;
  if (is_ordinal) return ordinal == other.ordinal;
  if (name.size() != other.name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (UpperAscii(name[i]) != UpperAscii(other.name[i])) return false;
  }
  return true;
}

std::string ResourceId::Text() const {
  if (is_ordinal) return "#" + std::to_string(ordinal);
  return Utf16ToUtf8(name);
}

const Resource *ResourceFile::Find(const ResourceId &type, const ResourceId &name,
                                   WORD language) const {
  for (const Resource &r : resources) {
    if (r.language == language && r.type.Matches(type) && r.name.Matches(name)) return &r;
  }
  return nullptr;
}

const Resource *ResourceFile::Find(const ResourceId &type, const ResourceId &name) const {
  static const WORD kPreference[] = {kSystemLanguage, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                     MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT)};
  for (WORD language : kPreference) {
    if (const Resource *r = Find(type, name, language)) return r;
  }
  for (const Resource &r : resources) {
    if (r.type.Matches(type) && r.name.Matches(name)) return &r;
  }
  return nullptr;
}

bool ParseResFile(const std::vector<uint8_t> &bytes, ResourceFile *out, std::string *error) {
  out->resources.clear();
  size_t at = 0;
  bool first = true;
  auto fail = [&](const std::string &why) {
    if (error) *error = why + " (record at byte " + std::to_string(at) + ")";
    out->resources.clear();
    return false;
  };
  if (bytes.empty()) return fail("empty resource file");
  while (at < bytes.size()) {
    if (bytes.size() - at < 8) return fail("truncated record header");
    ByteReader reader(bytes, at, bytes.size());
    uint32_t data_size = reader.Dword();
    uint32_t header_size = reader.Dword();
    if (header_size < 32 || header_size > bytes.size() - at) return fail("bad header size");
    size_t header_end = at + header_size;
    ByteReader header(bytes, at + 8, header_end);
    Resource r;
    r.type = ReadId(header);
    r.name = ReadId(header);
    header.Align(4);
    r.data_version = header.Dword();
    r.memory_flags = header.Word();
    r.language = header.Word();
    r.version = header.Dword();
    r.characteristics = header.Dword();
    if (!header.ok()) return fail("header fields overrun the header size");
    if (data_size > bytes.size() - header_end) return fail("data overruns the file");
    bool empty_marker = r.type.is_ordinal && r.type.ordinal == 0 && data_size == 0;
    if (first && !empty_marker) return fail("not a 32-bit resource file: no leading empty entry");
    first = false;
    if (!empty_marker) {
      r.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(header_end),
                    bytes.begin() + static_cast<std::ptrdiff_t>(header_end + data_size));
      out->resources.push_back(std::move(r));
    }
    size_t next = header_end + data_size;
    next += (4 - next % 4) % 4;
    at = next;
  }
  return true;
}

}  // namespace win32model
