// Icons: LoadIconA finds an icon group (RT_GROUP_ICON) and hands out one
// shared handle per module and name, as the platform shares loaded icons.
// The group directory lists its images (RT_ICON), each a DIB or a PNG.
#include <algorithm>
#include <map>

#include "ByteReader.h"
#include "ModelCore.h"
#include "ResourceModules.h"

namespace win32model {
namespace {

using detail::ByteReader;

std::map<uintptr_t, IconInfo> &Icons() {
  static std::map<uintptr_t, IconInfo> icons;
  return icons;
}

std::map<std::pair<uintptr_t, std::string>, HICON> &Shared() {
  static std::map<std::pair<uintptr_t, std::string>, HICON> shared;
  return shared;
}

void ReadImage(const ResourceFile &resources, WORD language, IconImage *image) {
  const Resource *icon =
      resources.Find(ResourceId::Ordinal(3), ResourceId::Ordinal(image->icon_id), language);
  if (icon == nullptr)
    icon = resources.Find(ResourceId::Ordinal(3), ResourceId::Ordinal(image->icon_id));
  if (icon == nullptr) return;
  const std::vector<uint8_t> &data = icon->data;
  static const uint8_t kPng[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (data.size() >= 24 && std::equal(kPng, kPng + 8, data.begin())) {
    ByteReader reader(data, 16, data.size());
    auto big_endian = [&reader]() {
      uint32_t v = reader.Dword();
      return static_cast<int>(((v & 0xFF) << 24) | ((v & 0xFF00) << 8) | ((v >> 8) & 0xFF00) |
                              (v >> 24));
    };
    image->png = true;
    image->width = big_endian();
    image->height = big_endian();
    image->present = reader.ok();
    return;
  }
  ByteReader reader(data, 0, data.size());
  uint32_t header_size = reader.Dword();
  int32_t width = static_cast<int32_t>(reader.Dword());
  int32_t height = static_cast<int32_t>(reader.Dword());
  reader.Word();  // planes
  uint16_t bit_count = reader.Word();
  if (!reader.ok() || header_size < 40) return;
  image->present = true;
  image->width = width;
  image->height = height / 2;  // the colour image and its mask
  image->bit_count = bit_count;
}

// Reads a group directory; false if it is malformed or names no image.
bool ReadGroup(const ResourceFile &resources, const Resource &group, IconInfo *info) {
  ByteReader reader(group.data, 0, group.data.size());
  reader.Word();  // reserved
  uint16_t type = reader.Word();
  uint16_t count = reader.Word();
  if (!reader.ok() || type != 1 || count == 0) return false;
  for (uint16_t i = 0; i < count; ++i) {
    IconImage image;
    image.group_width = reader.Byte();
    image.group_height = reader.Byte();
    image.group_color_count = reader.Byte();
    reader.Byte();  // reserved
    reader.Word();  // planes
    image.group_bit_count = reader.Word();
    image.bytes = reader.Dword();
    image.icon_id = reader.Word();
    if (!reader.ok()) return false;
    ReadImage(resources, group.language, &image);
    info->images.push_back(image);
  }
  return true;
}

HICON SystemIcon(LPCSTR name) {
  if (!IS_INTRESOURCE(name)) return nullptr;
  WORD id = LOWORD(reinterpret_cast<ULONG_PTR>(name));
  if (id < 32512 || id > 32517) return nullptr;
  auto key = std::make_pair(uintptr_t{0}, ResourceId::Ordinal(id).Text());
  auto found = Shared().find(key);
  if (found != Shared().end()) return found->second;
  HICON icon = detail::NewHandle<HICON>();
  IconInfo info;
  info.resource = key.second;
  Icons()[reinterpret_cast<uintptr_t>(icon)] = info;
  Shared()[key] = icon;
  return icon;
}

}  // namespace

std::optional<IconInfo> DescribeIcon(HICON icon) {
  auto it = Icons().find(reinterpret_cast<uintptr_t>(icon));
  if (it == Icons().end()) return std::nullopt;
  return it->second;
}

namespace detail {
void ResetIconModel() {
  Icons().clear();
  Shared().clear();
}
}  // namespace detail

}  // namespace win32model

extern "C" HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
  using namespace win32model;
  if (lpIconName == nullptr) return nullptr;
  if (hInstance == nullptr) return SystemIcon(lpIconName);
  const ResourceFile *resources = detail::ModuleFor(hInstance, "LoadIconA");
  if (resources == nullptr) return nullptr;
  ResourceId name = ResourceId::FromProgram(lpIconName);
  auto key = std::make_pair(reinterpret_cast<uintptr_t>(hInstance), name.Text());
  auto found = Shared().find(key);
  if (found != Shared().end()) return found->second;

  const Resource *group = resources->Find(ResourceId::Ordinal(14), name);
  IconInfo info;
  info.module = hInstance;
  info.resource = name.Text();
  if (group == nullptr) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  info.language = group->language;
  if (!ReadGroup(*resources, *group, &info)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  // The platform draws one of the images; an image the group names but the
  // module lacks makes the icon unusable.
  for (const IconImage &image : info.images) {
    if (!image.present) {
      SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
      return nullptr;
    }
  }
  HICON icon = detail::NewHandle<HICON>();
  Icons()[reinterpret_cast<uintptr_t>(icon)] = info;
  Shared()[key] = icon;
  return icon;
}
