// Resource modules of the Win32 model. On the host a module is a compiled
// resource file (.res, as `windres -O res` writes it); its instance handle is
// what the program receives as its HINSTANCE. LoadStringA, LoadIconA and
// DialogBoxParamA find their resources here.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace win32model {

// A resource type or name: an ordinal or a text (stored upper-case by the
// resource compiler; matched without regard to ASCII case).
struct ResourceId {
  bool is_ordinal = false;
  WORD ordinal = 0;
  std::u16string name;

  static ResourceId Ordinal(WORD value);
  static ResourceId Named(const std::u16string &text);
  // What a program passes: MAKEINTRESOURCE(n) or an ANSI name.
  static ResourceId FromProgram(LPCSTR value);
  bool Matches(const ResourceId &other) const;
  std::string Text() const;  // "#101" or the name in UTF-8
};

struct Resource {
  ResourceId type;
  ResourceId name;
  WORD language = 0;
  WORD memory_flags = 0;
  DWORD data_version = 0;
  DWORD version = 0;
  DWORD characteristics = 0;
  std::vector<uint8_t> data;
};

struct ResourceFile {
  std::vector<Resource> resources;  // in file order, without the leading empty entry

  // The resource the system would pick: the system language first, then
  // neutral, then English, then the first in file order.
  const Resource *Find(const ResourceId &type, const ResourceId &name) const;
  const Resource *Find(const ResourceId &type, const ResourceId &name, WORD language) const;
};

// Parses a 32-bit resource file: DWORD-aligned RESOURCEHEADER records, each
// followed by its data. Returns false with a reason for malformed bytes.
bool ParseResFile(const std::vector<uint8_t> &bytes, ResourceFile *out, std::string *error);

// Loads a resource file as a module; reports a violation and returns null when
// the file is missing or malformed. Modules stay loaded until Reset().
HINSTANCE LoadResourceModule(const std::string &res_path);
HINSTANCE LoadResourceModuleFromBytes(const std::vector<uint8_t> &bytes, const std::string &name);
const ResourceFile *ModuleResources(HINSTANCE module);

// A string of the module's string table, as stored (UTF-8); nullopt if absent.
std::optional<std::string> ModuleString(HINSTANCE module, UINT id);

// ---- Dialog templates ------------------------------------------------------------------------
struct DialogItemTemplate {
  DWORD style = 0;
  DWORD ex_style = 0;
  DWORD help_id = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  int id = 0;               // a 16-bit id of a plain template is read as signed: 0xFFFF is -1
  ResourceId window_class;  // ordinal 0x80 button, 0x81 edit, 0x82 static, 0x83 list box,
                            // 0x84 scroll bar, 0x85 combo box, or a class name
  ResourceId text;          // a text, or an ordinal (e.g. an icon id of a static)
  std::vector<uint8_t> creation_data;
};

struct DialogTemplate {
  bool extended = false;  // DIALOGEX
  DWORD style = 0;
  DWORD ex_style = 0;
  DWORD help_id = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  ResourceId menu;
  ResourceId window_class;
  std::u16string title;
  bool has_font = false;  // DS_SETFONT (or DS_SHELLFONT)
  WORD point_size = 0;
  WORD weight = 0;
  BYTE italic = 0;
  BYTE charset = 0;
  std::u16string face;
  std::vector<DialogItemTemplate> items;  // in template order
};

bool ParseDialogTemplate(const std::vector<uint8_t> &bytes, DialogTemplate *out,
                         std::string *error);

// ---- Icons -------------------------------------------------------------------------------------
struct IconImage {
  WORD icon_id = 0;  // the RT_ICON resource
  bool present = false;
  bool png = false;
  int width = 0;  // from the image itself
  int height = 0;
  int bit_count = 0;  // bits per pixel of the image
  // What the group directory says of the image.
  int group_width = 0, group_height = 0, group_color_count = 0, group_bit_count = 0;
  DWORD bytes = 0;
};

struct IconInfo {
  HINSTANCE module = nullptr;  // null for a system icon
  std::string resource;        // "#102" or the name
  WORD language = 0;
  std::vector<IconImage> images;  // in group order
};

// What a handle from LoadIconA stands for; nullopt for anything else.
std::optional<IconInfo> DescribeIcon(HICON icon);

}  // namespace win32model
