// Resource modules of the Win32 model: the .res format, string tables in the
// ANSI code page 932, icons and dialog templates, read from a resource
// script compiled by the target's resource compiler.
#include <Win32Test.h>

#include <windows.h>

#include <cstring>

#include "ModelTestIds.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

class ResourceModuleTest : public Win32Test {
 protected:
  void SetUp() override {
    Win32Test::SetUp();
    module_ = win32model::LoadResourceModule(MODELTEST_RES_PATH);
    ASSERT_NE(nullptr, module_);
  }

  // LoadStringA into a buffer full of 'Z': the text, its count, and whether
  // anything past the limit was written.
  struct Loaded {
    std::string text;
    int count;
    bool wrote_past_limit;
  };
  Loaded Load(UINT id, int limit) {
    char buffer[300];
    std::memset(buffer, 'Z', sizeof buffer);
    int count = LoadStringA(module_, id, buffer, limit);
    bool past = false;
    for (size_t i = static_cast<size_t>(limit > 0 ? limit : 0); i < sizeof buffer; ++i)
      past |= buffer[i] != 'Z';
    return {limit > 0 ? std::string(buffer) : std::string(), count, past};
  }

  HINSTANCE module_ = nullptr;
};

TEST_F(ResourceModuleTest, TheCompiledScriptListsItsResourcesWithTheirLanguages) {
  const win32model::ResourceFile *file = win32model::ModuleResources(module_);
  ASSERT_NE(nullptr, file);
  const win32model::Resource *dialog =
      file->Find(win32model::ResourceId::Ordinal(5), win32model::ResourceId::Ordinal(IDD_PLAIN));
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(0x0411, dialog->language);
  const win32model::Resource *group =
      file->Find(win32model::ResourceId::Ordinal(14), win32model::ResourceId::Ordinal(IDI_MODEL));
  ASSERT_NE(nullptr, group);
  EXPECT_EQ(nullptr, file->Find(win32model::ResourceId::Ordinal(5),
                                win32model::ResourceId::Ordinal(IDD_MISSING)));
  // String 1 lives in bundle 1 in both languages.
  EXPECT_NE(nullptr, file->Find(win32model::ResourceId::Ordinal(6),
                                win32model::ResourceId::Ordinal(1), 0x0409));
  EXPECT_NE(nullptr, file->Find(win32model::ResourceId::Ordinal(6),
                                win32model::ResourceId::Ordinal(1), 0x0411));
}

struct StringCase {
  UINT id;
  int limit;
  std::string bytes;
  int count;
};

TEST_F(ResourceModuleTest, LoadStringAGivesCodePage932BytesCutToWholeCharacters) {
  const std::string caption = "Dorvik" + Bytes({0x83, 0x66, 0x83, 0x6f, 0x83, 0x43, 0x83, 0x58,
                                                0x83, 0x68, 0x83, 0x89, 0x83, 0x43, 0x83, 0x6f});
  const StringCase cases[] = {
      {IDS_CANCEL, 30, Bytes({0xB7, 0xAC, 0xDD, 0xBE, 0xD9}),
       5},  // half-width katakana: one byte each
      {IDS_CANCEL, 3, Bytes({0xB7, 0xAC}), 2},
      {IDS_CAPTION, 30, caption, 22},
      {IDS_CAPTION, 23, caption, 22},
      {IDS_CAPTION, 22, caption.substr(0, 20), 20},  // the last character does not fit whole
      {IDS_CAPTION, 8, "Dorvik", 6},
      {IDS_CAPTION, 9, caption.substr(0, 8), 8},
      {IDS_MIXED, 4, "ab", 2},
      {IDS_MIXED, 5, "ab" + Bytes({0x8a, 0xbf}), 4},
      {IDS_LINES, 100,
       Bytes({0x88, 0xea, 0x8d, 0x73, 0x96, 0xda, 0x0a, 0x93, 0xf1, 0x8d, 0x73, 0x96, 0xda}), 13},
      {IDS_NAME, 32, "Dorvik", 6},                 // the system's language first
      {IDS_ENGLISH_ONLY, 32, "Only English", 12},  // a bundle only in English still counts
      {IDS_NAME, 1, "", 0},
      {5, 32, "", 0},     // in a bundle, but not defined
      {1000, 32, "", 0},  // no bundle at all
  };
  for (const StringCase &c : cases) {
    SCOPED_TRACE("string " + std::to_string(c.id) + " limit " + std::to_string(c.limit));
    Loaded loaded = Load(c.id, c.limit);
    EXPECT_EQ(c.bytes, loaded.text);
    EXPECT_EQ(c.count, loaded.count);
    EXPECT_FALSE(loaded.wrote_past_limit);
  }
  EXPECT_EQ("Dorvikデバイスドライバ", win32model::AnsiToUtf8(Load(IDS_CAPTION, 30).text));
}

TEST_F(ResourceModuleTest, LoadStringAWithoutRoomWritesNothing) {
  char buffer[4] = {'Z', 'Z', 'Z', 'Z'};
  EXPECT_EQ(0, LoadStringA(module_, IDS_NAME, buffer, 0));
  EXPECT_EQ('Z', buffer[0]);
  EXPECT_EQ(0, LoadStringA(module_, IDS_NAME, nullptr, 10));
  EXPECT_EQ(0, LoadStringA(nullptr, IDS_NAME, buffer, 4))
      << "the program's own image has no strings here";
  EXPECT_EQ('\0', buffer[0]);
}

TEST_F(ResourceModuleTest, AnUnknownInstanceHandleIsAViolation) {
  win32model::ViolationCapture capture;
  char buffer[8];
  EXPECT_EQ(0, LoadStringA(reinterpret_cast<HINSTANCE>(0x1234), IDS_NAME, buffer, 8));
  EXPECT_TRUE(capture.Contains("LoadStringA"));
}

TEST_F(ResourceModuleTest, LoadIconASharesOneHandlePerIconAndDescribesItsImages) {
  HICON icon = LoadIconA(module_, MAKEINTRESOURCEA(IDI_MODEL));
  ASSERT_NE(nullptr, icon);
  EXPECT_EQ(icon, LoadIconA(module_, MAKEINTRESOURCEA(IDI_MODEL)));
  EXPECT_EQ(icon, LoadIconA(module_, "#102"));
  EXPECT_EQ(nullptr, LoadIconA(module_, MAKEINTRESOURCEA(IDI_MODEL + 1)));

  std::optional<win32model::IconInfo> info = win32model::DescribeIcon(icon);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(module_, info->module);
  EXPECT_EQ("#102", info->resource);
  EXPECT_EQ(0x0411, info->language);
  ASSERT_EQ(2u, info->images.size());
  EXPECT_TRUE(info->images[0].present);
  EXPECT_EQ(16, info->images[0].width);
  EXPECT_EQ(16, info->images[0].height);
  EXPECT_EQ(4, info->images[0].bit_count);
  EXPECT_EQ(16, info->images[0].group_color_count);
  EXPECT_EQ(32, info->images[1].width);
  EXPECT_EQ(32, info->images[1].height);
  EXPECT_EQ(1, info->images[1].bit_count);

  HICON system = LoadIconA(nullptr, IDI_APPLICATION);
  ASSERT_NE(nullptr, system);
  EXPECT_EQ(nullptr, win32model::DescribeIcon(system)->module);
  EXPECT_FALSE(win32model::DescribeIcon(reinterpret_cast<HICON>(0x4321)).has_value());
}

TEST_F(ResourceModuleTest, ThePlainTemplateKeepsStylesTextsFontAndControlOrder) {
  const win32model::Resource *r = win32model::ModuleResources(module_)->Find(
      win32model::ResourceId::Ordinal(5), win32model::ResourceId::Ordinal(IDD_PLAIN));
  ASSERT_NE(nullptr, r);
  win32model::DialogTemplate t;
  std::string error;
  ASSERT_TRUE(win32model::ParseDialogTemplate(r->data, &t, &error)) << error;
  EXPECT_FALSE(t.extended);
  EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT),
            t.style);
  EXPECT_EQ(5, t.x);
  EXPECT_EQ(6, t.y);
  EXPECT_EQ(120, t.cx);
  EXPECT_EQ(90, t.cy);
  EXPECT_EQ("テスト ダイアログ", win32model::Utf16ToUtf8(t.title));
  EXPECT_TRUE(t.has_font);
  EXPECT_EQ(9, t.point_size);
  EXPECT_EQ("ＭＳ Ｐゴシック", win32model::Utf16ToUtf8(t.face));

  const int ids[] = {IDOK,     IDCANCEL, IDC_GROUP, IDC_LIST,         IDC_OFF_LIST,
                     IDC_FLAG, IDC_EDIT, -1,        IDC_NOTIFY_BUTTON};
  const WORD atoms[] = {0x80, 0x80, 0x80, 0x85, 0x85, 0x80, 0x81, 0x82, 0x80};
  ASSERT_EQ(9u, t.items.size());
  for (size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(ids[i], t.items[i].id) << i;
    EXPECT_TRUE(t.items[i].window_class.is_ordinal) << i;
    EXPECT_EQ(atoms[i], t.items[i].window_class.ordinal) << i;
  }
  EXPECT_EQ("ｷｬﾝｾﾙ", win32model::Utf16ToUtf8(t.items[1].text.name));
  EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_TABSTOP | WS_DISABLED),
            t.items[4].style);
  EXPECT_EQ(10, t.items[3].x);
  EXPECT_EQ(10, t.items[3].y);
  EXPECT_EQ(30, t.items[3].cx);
  EXPECT_EQ(60, t.items[3].cy);
}

TEST_F(ResourceModuleTest, TheExtendedTemplateKeepsItsExtraFields) {
  const win32model::Resource *r = win32model::ModuleResources(module_)->Find(
      win32model::ResourceId::Ordinal(5), win32model::ResourceId::Ordinal(IDD_EXTENDED));
  ASSERT_NE(nullptr, r);
  win32model::DialogTemplate t;
  std::string error;
  ASSERT_TRUE(win32model::ParseDialogTemplate(r->data, &t, &error)) << error;
  EXPECT_TRUE(t.extended);
  EXPECT_EQ(0x80u, t.ex_style);  // WS_EX_TOOLWINDOW
  EXPECT_EQ("Extended", win32model::Utf16ToUtf8(t.title));
  EXPECT_EQ(8, t.point_size);
  EXPECT_EQ(700, t.weight);
  EXPECT_EQ(1, t.italic);
  EXPECT_EQ(0x80, t.charset);
  EXPECT_EQ("Tahoma", win32model::Utf16ToUtf8(t.face));
  ASSERT_EQ(3u, t.items.size());
  EXPECT_EQ(IDC_EX_EDIT, t.items[0].id);
  EXPECT_EQ(0x200u, t.items[0].ex_style);  // WS_EX_CLIENTEDGE
  EXPECT_EQ(IDC_EX_BIG, t.items[1].id) << "an extended template keeps 32-bit ids";
  EXPECT_EQ("Second", win32model::Utf16ToUtf8(t.items[2].text.name));
}

TEST_F(ResourceModuleTest, TruncatedTemplatesAreRefused) {
  const win32model::Resource *r = win32model::ModuleResources(module_)->Find(
      win32model::ResourceId::Ordinal(5), win32model::ResourceId::Ordinal(IDD_PLAIN));
  ASSERT_NE(nullptr, r);
  win32model::DialogTemplate t;
  std::string error;
  for (size_t cut : {size_t{10}, r->data.size() / 2, r->data.size() - 3}) {
    std::vector<uint8_t> shorter(r->data.begin(),
                                 r->data.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(win32model::ParseDialogTemplate(shorter, &t, &error)) << cut;
  }
}

// A resource file built by hand: the leading empty entry, then one RT_RCDATA
// entry with `data`.
std::vector<uint8_t> HandMadeRes(const std::vector<uint8_t> &data, uint32_t header_size = 32) {
  std::vector<uint8_t> bytes(32, 0);
  bytes[4] = 32;
  bytes[8] = bytes[9] = bytes[12] = bytes[13] = 0xFF;
  auto dword = [&bytes](uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  dword(static_cast<uint32_t>(data.size()));
  dword(header_size);
  dword(0x000AFFFF);  // type RT_RCDATA
  dword(0x0007FFFF);  // name 7
  dword(0);
  dword(0x04110030);  // memory flags, language 1041
  dword(0);
  dword(0);
  bytes.insert(bytes.end(), data.begin(), data.end());
  while (bytes.size() % 4) bytes.push_back(0);
  return bytes;
}

TEST(ResFileTest, ParsesRecordsAndRefusesMalformedFiles) {
  win32model::ResourceFile file;
  std::string error;
  ASSERT_TRUE(win32model::ParseResFile(HandMadeRes({1, 2, 3}), &file, &error)) << error;
  ASSERT_EQ(1u, file.resources.size());
  EXPECT_EQ(10, file.resources[0].type.ordinal);
  EXPECT_EQ(7, file.resources[0].name.ordinal);
  EXPECT_EQ(0x0411, file.resources[0].language);
  EXPECT_EQ(0x0030, file.resources[0].memory_flags);
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), file.resources[0].data);

  std::vector<uint8_t> truncated = HandMadeRes({1, 2, 3, 4, 5, 6, 7, 8});
  truncated.resize(truncated.size() - 4);
  EXPECT_FALSE(win32model::ParseResFile(truncated, &file, &error));
  EXPECT_FALSE(win32model::ParseResFile(HandMadeRes({1}, 4000), &file, &error));
  EXPECT_FALSE(win32model::ParseResFile({}, &file, &error));
  std::vector<uint8_t> no_marker = HandMadeRes({1});
  no_marker.erase(no_marker.begin(), no_marker.begin() + 32);
  EXPECT_FALSE(win32model::ParseResFile(no_marker, &file, &error));
  EXPECT_NE(std::string::npos, error.find("leading empty entry"));
}

TEST(ResFileTest, AMissingFileIsAViolation) {
  win32model::ViolationCapture capture;
  EXPECT_EQ(nullptr, win32model::LoadResourceModule("/nonexistent/file.res"));
  EXPECT_TRUE(capture.Contains("cannot be read"));
}

TEST(AnsiCodePageTest, ConvertsBetweenUtf8AndCodePage932) {
  EXPECT_EQ(Bytes({0xB7, 0xAC, 0xDD, 0xBE, 0xD9}), win32model::Utf8ToAnsi("ｷｬﾝｾﾙ"));
  EXPECT_EQ(Bytes({0x90, 0xdd, 0x92, 0xe8}) + "\n", win32model::Utf8ToAnsi("設定\n"));
  EXPECT_EQ("a?b", win32model::Utf8ToAnsi("a\xF0\x9F\x98\x80"
                                          "b"))
      << "no ANSI form: '?'";
  EXPECT_EQ("設定", win32model::AnsiToUtf8(Bytes({0x90, 0xdd, 0x92, 0xe8})));
  EXPECT_EQ("x\xEF\xBF\xBD", win32model::AnsiToUtf8("x\x90")) << "a lone lead byte";
  EXPECT_EQ(std::string("a\0b", 3), win32model::Utf8ToAnsi(std::string("a\0b", 3)));
}

TEST(AnsiCodePageTest, WholeCharacterPrefixNeverSplitsADoubleByteCharacter) {
  const std::string text = "1" + Bytes({0x82, 0xa0}) + "2";  // "1あ2"
  EXPECT_EQ(0u, win32model::WholeCharacterPrefix(text, 0));
  EXPECT_EQ(1u, win32model::WholeCharacterPrefix(text, 1));
  EXPECT_EQ(1u, win32model::WholeCharacterPrefix(text, 2));
  EXPECT_EQ(3u, win32model::WholeCharacterPrefix(text, 3));
  EXPECT_EQ(4u, win32model::WholeCharacterPrefix(text, 10));
}

}  // namespace
