// Dialog templates as the resource compiler stores them: the plain DLGTEMPLATE
// (DIALOG) and the extended one (DIALOGEX, version 1, signature 0xFFFF). Both
// put each item on a DWORD boundary and name menus, classes and texts as
// "none" (0x0000), an ordinal (0xFFFF, n) or a zero-terminated text.
#include <win32_resources.h>

#include "ByteReader.h"

namespace win32model {
namespace {

using detail::ByteReader;

ResourceId ReadSzOrOrd(ByteReader &reader) {
  size_t start = reader.at();
  uint16_t first = reader.Word();
  if (first == 0x0000) return ResourceId::Named(u"");
  if (first == 0xFFFF) return ResourceId::Ordinal(reader.Word());
  reader.Seek(start);
  return ResourceId::Named(reader.Text());
}

bool ReadItem(ByteReader &reader, bool extended, DialogItemTemplate *item) {
  reader.Align(4);
  if (extended) {
    item->help_id = reader.Dword();
    item->ex_style = reader.Dword();
    item->style = reader.Dword();
  } else {
    item->style = reader.Dword();
    item->ex_style = reader.Dword();
  }
  item->x = static_cast<short>(reader.Word());
  item->y = static_cast<short>(reader.Word());
  item->cx = static_cast<short>(reader.Word());
  item->cy = static_cast<short>(reader.Word());
  if (extended) {
    item->id = static_cast<int>(static_cast<int32_t>(reader.Dword()));
  } else {
    item->id = static_cast<short>(reader.Word());
  }
  item->window_class = ReadSzOrOrd(reader);
  item->text = ReadSzOrOrd(reader);
  uint16_t extra = reader.Word();
  if (extra > 0) item->creation_data = reader.Bytes(extra);
  return reader.ok();
}

}  // namespace

bool ParseDialogTemplate(const std::vector<uint8_t> &bytes, DialogTemplate *out,
                         std::string *error) {
  *out = DialogTemplate();
  auto fail = [&](const std::string &why) {
    if (error) *error = why;
    return false;
  };
  ByteReader reader(bytes, 0, bytes.size());
  uint16_t version = reader.Word();
  uint16_t signature = reader.Word();
  out->extended = version == 1 && signature == 0xFFFF;
  reader.Seek(0);
  uint16_t count = 0;
  if (out->extended) {
    reader.Dword();  // version and signature
    out->help_id = reader.Dword();
    out->ex_style = reader.Dword();
    out->style = reader.Dword();
  } else {
    out->style = reader.Dword();
    out->ex_style = reader.Dword();
  }
  count = reader.Word();
  out->x = static_cast<short>(reader.Word());
  out->y = static_cast<short>(reader.Word());
  out->cx = static_cast<short>(reader.Word());
  out->cy = static_cast<short>(reader.Word());
  out->menu = ReadSzOrOrd(reader);
  out->window_class = ReadSzOrOrd(reader);
  out->title = reader.Text();
  if (out->style & DS_SETFONT) {
    out->has_font = true;
    out->point_size = reader.Word();
    if (out->extended) {
      out->weight = reader.Word();
      out->italic = reader.Byte();
      out->charset = reader.Byte();
    }
    out->face = reader.Text();
  }
  if (!reader.ok()) return fail("dialog header overruns the template");
  for (uint16_t i = 0; i < count; ++i) {
    DialogItemTemplate item;
    if (!ReadItem(reader, out->extended, &item)) {
      return fail("dialog item " + std::to_string(i) + " overruns the template");
    }
    out->items.push_back(std::move(item));
  }
  return true;
}

}  // namespace win32model
