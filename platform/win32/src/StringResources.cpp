// String tables: string n lives in bundle n/16+1 (RT_STRING) as entry n%16;
// a bundle holds 16 counted UTF-16 strings. LoadStringA hands out the ANSI
// form, cut to whole characters.
#include <cstring>

#include "ModelCore.h"
#include "ResourceModules.h"

namespace win32model {
namespace {

// Finds string `id`; false if its bundle is missing or too short.
bool FindString(const ResourceFile &resources, UINT id, std::u16string *text) {
  const Resource *bundle =
      resources.Find(ResourceId::Ordinal(6), ResourceId::Ordinal(static_cast<WORD>((id >> 4) + 1)));
  if (bundle == nullptr) return false;
  size_t at = 0;
  const std::vector<uint8_t> &data = bundle->data;
  for (UINT index = 0; index <= (id & 15); ++index) {
    if (at + 2 > data.size()) return false;
    size_t length = data[at] | (data[at + 1] << 8);
    at += 2;
    if (at + 2 * length > data.size()) return false;
    if (index == (id & 15)) {
      text->clear();
      for (size_t k = 0; k < length; ++k) {
        text->push_back(static_cast<char16_t>(data[at + 2 * k] | (data[at + 2 * k + 1] << 8)));
      }
      return true;
    }
    at += 2 * length;
  }
  return false;
}

}  // namespace

std::optional<std::string> ModuleString(HINSTANCE module, UINT id) {
  const ResourceFile *resources = ModuleResources(module);
  std::u16string text;
  if (resources == nullptr || id > 0xFFFF || !FindString(*resources, id, &text)) {
    return std::nullopt;
  }
  // An empty entry of a bundle is no string.
  if (text.empty()) return std::nullopt;
  return Utf16ToUtf8(text);
}

}  // namespace win32model

extern "C" int WINAPI LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
  using namespace win32model;
  if (lpBuffer == nullptr || cchBufferMax <= 0) return 0;
  lpBuffer[0] = '\0';
  const ResourceFile *resources = detail::ModuleFor(hInstance, "LoadStringA");
  std::u16string text;
  if (resources == nullptr || uID > 0xFFFF || !FindString(*resources, uID, &text)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  std::string ansi = Utf16ToAnsi(text);
  size_t count = WholeCharacterPrefix(ansi, static_cast<size_t>(cchBufferMax) - 1);
  std::memcpy(lpBuffer, ansi.data(), count);
  lpBuffer[count] = '\0';
  return static_cast<int>(count);
}
