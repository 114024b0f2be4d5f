// Registry editor text: reading, writing, and reading back what was written.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "RegistryStore.h"
#include "TextEncoding.h"

using regstore::ImportResult;
using regstore::RegFileFormat;
using regstore::Store;
using regstore::Value;

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
  std::vector<uint8_t> out;
  for (int b : list) out.push_back(static_cast<uint8_t>(b));
  return out;
}

std::vector<uint8_t> Text(const std::string &s) {
  std::vector<uint8_t> out(s.begin(), s.end());
  out.push_back(0);
  return out;
}

// Every key, value name, type and byte below path, names in their stored case.
void Dump(const Store &store, const std::string &path, std::ostringstream &out) {
  out << "[" << path << "]\n";
  for (const Value &v : store.Values(path)) {
    out << "  '" << v.name << "' type " << v.type << ":";
    for (uint8_t b : v.data) out << " " << static_cast<int>(b);
    out << "\n";
  }
  for (const std::string &name : store.SubkeyNames(path)) {
    Dump(store, path.empty() ? name : path + "\\" + name, out);
  }
}

std::string Dump(const Store &store) {
  std::ostringstream out;
  Dump(store, "", out);
  return out.str();
}

std::string Utf16File(const std::string &utf8) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : regstore::Utf8ToUtf16(utf8)) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

std::string FromUtf16File(const std::string &bytes) {
  std::u16string wide;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    wide += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return regstore::Utf16ToUtf8(wide);
}

const char *kService = "SYSTEM\\CurrentControlSet\\Services\\Dorvik";

// A tree with every kind of value the format has to carry.
void Seed(Store &store) {
  std::string params = std::string(kService) + "\\Dorvik0\\Parameters";
  store.CreateKey(params);
  store.CreateKey(std::string(kService) + "\\Dorvik10");
  store.SetDword(kService, "Type", 1);
  store.SetString(kService, "Group", "Extended Base");
  store.SetDword(params, "PortAddress0", 0xCDCDCDCD);
  store.SetString(params, "", "default value");
  store.SetString(params, "Quote\"And\\Slash", "C:\\path\\\"quoted\"\\");
  store.SetString(params, "Empty", "");
  store.SetString(params, "\xE3\x83\x9C\xE3\x83\xBC\xE3\x83\x89", "\xE6\x97\xA5\xE6\x9C\xAC");
  std::vector<uint8_t> long_binary;
  for (int i = 0; i < 100; ++i) long_binary.push_back(static_cast<uint8_t>(i * 7));
  store.SetValue(params, "Long", regstore::kRegBinary, long_binary);
  store.SetValue(params, "NoBytes", regstore::kRegBinary, {});
  store.SetValue(params, "Expand", regstore::kRegExpandSz, Bytes({'%', 0, 'X', 0, '%', 0, 0, 0}));
  store.SetValue(params, "Multi", regstore::kRegMultiSz, Bytes({'a', 0, 'b', 0, 0}));
  store.SetValue(params, "Unterminated", regstore::kRegSz, Bytes({'a', 'b'}));
  store.SetValue(params, "Embedded", regstore::kRegSz, Bytes({'a', 0, 'b', 0}));
  store.SetValue(params, "Lines", regstore::kRegSz, Text("one\r\ntwo"));
  store.SetValue(params, "ShortDword", regstore::kRegDword, Bytes({1, 2, 3}));
  store.SetValue(params, "OddType", 0x11, Bytes({0xFF}));
  store.SetValue(params, "NotUtf8", regstore::kRegSz, Text("bad\xC3"));
}

TEST(RegFile, WritesTheRegistryEditorFormat) {
  Store store;
  store.CreateKey(std::string(kService) + "\\Dorvik0\\Parameters");
  store.SetDword(kService, "Type", 1);
  store.SetString(kService, "Group", "Extended Base");
  store.SetDword(std::string(kService) + "\\Dorvik0\\Parameters", "PortAddress0", 0x368);
  store.SetString(std::string(kService) + "\\Dorvik0", "", "a\\b");
  store.SetValue(std::string(kService) + "\\Dorvik0", "Bin", regstore::kRegBinary,
                 Bytes({0xde, 0xad}));
  store.SetValue(std::string(kService) + "\\Dorvik0", "Ex", regstore::kRegExpandSz, Bytes({'x', 0}));

  const std::string expected =
      "REGEDIT4\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik]\r\n"
      "\"Type\"=dword:00000001\r\n"
      "\"Group\"=\"Extended Base\"\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik\\Dorvik0]\r\n"
      "@=\"a\\\\b\"\r\n"
      "\"Bin\"=hex:de,ad\r\n"
      "\"Ex\"=hex(2):78,00\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik\\Dorvik0\\Parameters]\r\n"
      "\"PortAddress0\"=dword:00000368\r\n"
      "\r\n";
  EXPECT_EQ(store.Export("system\\currentcontrolset\\services\\dorvik"), expected);

  std::string v5 = store.Export(kService, RegFileFormat::kVersion5);
  ASSERT_GE(v5.size(), 2u);
  EXPECT_EQ(v5.substr(0, 2), "\xFF\xFE");
  std::string v5_text = FromUtf16File(v5);
  EXPECT_EQ(v5_text, "Windows Registry Editor Version 5.00" + expected.substr(8));

  EXPECT_EQ(store.Export("SYSTEM\\Nowhere"), "");
}

TEST(RegFile, LongHexDataIsWrappedWithContinuations) {
  Store store;
  std::vector<uint8_t> data(64, 0xab);
  store.SetValue("", "Blob", regstore::kRegBinary, data);
  std::string text = store.Export("");
  std::istringstream lines(text);
  std::string line;
  int continued = 0;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    EXPECT_LE(line.size(), 80u) << line;
    if (!line.empty() && line.back() == '\\') ++continued;
  }
  EXPECT_GE(continued, 2);
  Store back;
  ASSERT_TRUE(back.Import(text).ok);
  Value v;
  ASSERT_EQ(back.QueryValue("", "blob", &v), regstore::Status::kOk);
  EXPECT_EQ(v.data, data);
}

class RoundTrip : public ::testing::TestWithParam<RegFileFormat> {};

TEST_P(RoundTrip, ImportOfAnExportRebuildsTheSameTree) {
  Store original;
  Seed(original);
  std::string file = original.Export("", GetParam());
  Store copy;
  ImportResult result = copy.Import(file);
  ASSERT_TRUE(result.ok) << "line " << result.error_line << ": " << result.error << "\n" << file;
  EXPECT_EQ(Dump(copy), Dump(original));
  // And once more: the second export is the first one, byte for byte.
  EXPECT_EQ(copy.Export("", GetParam()), file);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, RoundTrip,
                         ::testing::Values(RegFileFormat::kRegedit4, RegFileFormat::kVersion5));

TEST(RegFile, ExportOfASubtreeHoldsOnlyThatSubtree) {
  Store original;
  Seed(original);
  original.CreateKey("SOFTWARE\\Other");
  Store copy;
  ASSERT_TRUE(copy.Import(original.Export(std::string(kService) + "\\Dorvik0")).ok);
  EXPECT_EQ(copy.SubkeyNames("SYSTEM\\CurrentControlSet\\Services\\Dorvik"),
            std::vector<std::string>{"Dorvik0"});
  EXPECT_TRUE(copy.Values(kService).empty());
  EXPECT_FALSE(copy.KeyExists("SOFTWARE"));
  EXPECT_EQ(copy.Values(std::string(kService) + "\\Dorvik0\\Parameters").size(),
            original.Values(std::string(kService) + "\\Dorvik0\\Parameters").size());
}

TEST(RegFile, ReadsEveryDataFormAndLayoutDetail) {
  const std::string text =
      "\r\n"
      "REGEDIT4\r\n"
      "; a comment line\r\n"
      "\r\n"
      "[hkey_local_machine\\SYSTEM\\Svc]\r\n"
      "\"Type\"=dword:00000001\r\n"
      "\"Short\" = DWORD:1f\r\n"
      "@=\"default\"\r\n"
      "\"Esc\\\"aped\\\\\"=\"say \\\"hi\\\" c:\\\\x\"\r\n"
      "\"Bin\"=hex:01,02,\\\r\n"
      "    03,FF\r\n"
      "\"Exp\"=hex(2):25,00,41,00,00,00\r\n"
      "\"Multi\"=hex(7):61,00,00\r\n"
      "\"Blank\"=hex:\r\n"
      "    ;indented comment\n"
      "[HKEY_LOCAL_MACHINE]\n"
      "\"AtRoot\"=\"r\"\r";
  Store store;
  ImportResult result = store.Import(text);
  ASSERT_TRUE(result.ok) << "line " << result.error_line << ": " << result.error;

  struct Expect {
    const char *key;
    const char *name;
    uint32_t type;
    std::vector<uint8_t> data;
  };
  const Expect expected[] = {
      {"SYSTEM\\Svc", "Type", regstore::kRegDword, Bytes({1, 0, 0, 0})},
      {"SYSTEM\\Svc", "Short", regstore::kRegDword, Bytes({0x1f, 0, 0, 0})},
      {"SYSTEM\\Svc", "", regstore::kRegSz, Text("default")},
      {"SYSTEM\\Svc", "Esc\"aped\\", regstore::kRegSz, Text("say \"hi\" c:\\x")},
      {"SYSTEM\\Svc", "Bin", regstore::kRegBinary, Bytes({1, 2, 3, 0xff})},
      {"SYSTEM\\Svc", "Exp", regstore::kRegExpandSz, Bytes({0x25, 0, 0x41, 0, 0, 0})},
      {"SYSTEM\\Svc", "Multi", regstore::kRegMultiSz, Bytes({0x61, 0, 0})},
      {"SYSTEM\\Svc", "Blank", regstore::kRegBinary, {}},
      {"", "AtRoot", regstore::kRegSz, Text("r")},
  };
  for (const Expect &e : expected) {
    Value v;
    ASSERT_EQ(store.QueryValue(e.key, e.name, &v), regstore::Status::kOk) << e.name;
    EXPECT_EQ(v.name, e.name);
    EXPECT_EQ(v.type, e.type) << e.name;
    EXPECT_EQ(v.data, e.data) << e.name;
  }
  EXPECT_EQ(store.Values("SYSTEM\\Svc").size(), 8u);
  EXPECT_EQ(store.CanonicalPath("system\\svc"), "SYSTEM\\Svc");
}

TEST(RegFile, DeletionsRemoveKeysAndValues) {
  Store store;
  store.CreateKey("SYSTEM\\Svc\\Dorvik0\\Parameters");
  store.CreateKey("SYSTEM\\Svc\\Keep");
  store.SetDword("SYSTEM\\Svc", "Gone", 1);
  store.SetDword("SYSTEM\\Svc", "Stays", 2);
  const std::string text =
      "Windows Registry Editor Version 5.00\n"
      "[-HKEY_LOCAL_MACHINE\\SYSTEM\\Svc\\Dorvik0]\n"
      "\"IgnoredBelowADeletion\"=dword:1\n"
      "[-HKEY_LOCAL_MACHINE\\SYSTEM\\Svc\\NeverThere]\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\Svc]\n"
      "\"Gone\"=-\n"
      "\"NeverThere\"=-\n";
  ImportResult result = store.Import(text);
  ASSERT_TRUE(result.ok) << "line " << result.error_line << ": " << result.error;
  EXPECT_EQ(store.SubkeyNames("SYSTEM\\Svc"), std::vector<std::string>{"Keep"});
  ASSERT_EQ(store.Values("SYSTEM\\Svc").size(), 1u);
  EXPECT_EQ(store.Values("SYSTEM\\Svc")[0].name, "Stays");
}

TEST(RegFile, DecodesUtf16WithBomAndUtf8WithOrWithoutBom) {
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n"
      "[HKEY_LOCAL_MACHINE\\\xE3\x83\x9C\xE3\x83\xBC\xE3\x83\x89]\r\n"
      "\"\xE5\x90\x8D\"=\"\xE6\x97\xA5\xE6\x9C\xAC\"\r\n";
  for (const std::string &bytes : {Utf16File(text), "\xEF\xBB\xBF" + text, text}) {
    Store store;
    ImportResult result = store.Import(bytes);
    ASSERT_TRUE(result.ok) << result.error;
    Value v;
    ASSERT_EQ(store.QueryValue("\xE3\x83\x9C\xE3\x83\xBC\xE3\x83\x89", "\xE5\x90\x8D", &v),
              regstore::Status::kOk);
    EXPECT_EQ(v.data, Text("\xE6\x97\xA5\xE6\x9C\xAC"));
  }
}

struct BadInput {
  const char *what;
  std::string text;
  int line;
};

class RejectedInput : public ::testing::TestWithParam<BadInput> {};

const char kHead[] = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n";

TEST_P(RejectedInput, StopsAtTheLineAtFaultKeepingWhatCameBefore) {
  const BadInput &bad = GetParam();
  Store store;
  ImportResult result = store.Import(bad.text);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error_line, bad.line) << result.error;
  EXPECT_FALSE(result.error.empty());
  if (bad.text.rfind(kHead, 0) == 0) {
    EXPECT_TRUE(store.KeyExists("A")) << "lines before the error stay applied";
  }
  EXPECT_FALSE(store.KeyExists("After"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RejectedInput,
    ::testing::Values(
        BadInput{"no header", "[HKEY_LOCAL_MACHINE\\After]\n", 1},
        BadInput{"wrong header", "\n\nREGEDIT5\n[HKEY_LOCAL_MACHINE\\After]\n", 3},
        BadInput{"empty", "", 1},
        BadInput{"odd UTF-16", std::string("\xFF\xFE\x52\x00\x45", 5), 1},
        BadInput{"value before any key", "REGEDIT4\n\"x\"=dword:1\n[HKEY_LOCAL_MACHINE\\After]\n", 2},
        BadInput{"other hive", std::string(kHead) + "[HKEY_CURRENT_USER\\After]\n", 3},
        BadInput{"deleting the root", std::string(kHead) + "[-HKEY_LOCAL_MACHINE]\n", 3},
        BadInput{"unclosed section", std::string(kHead) + "[HKEY_LOCAL_MACHINE\\After\n", 3},
        BadInput{"unknown escape", std::string(kHead) + "\"x\"=\"a\\nb\"\n[HKEY_LOCAL_MACHINE\\After]\n", 3},
        BadInput{"unterminated string", std::string(kHead) + "\"x\"=\"abc\n[HKEY_LOCAL_MACHINE\\After]\n", 3},
        BadInput{"text after string", std::string(kHead) + "\"x\"=\"a\" b\n[HKEY_LOCAL_MACHINE\\After]\n", 3},
        BadInput{"missing equals", std::string(kHead) + "\"x\" dword:1\n", 3},
        BadInput{"nine-digit dword", std::string(kHead) + "\"x\"=dword:123456789\n", 3},
        BadInput{"empty dword", std::string(kHead) + "\"x\"=dword:\n", 3},
        BadInput{"bad hex byte", std::string(kHead) + "\"x\"=hex:01,zz\n", 3},
        BadInput{"three-digit byte", std::string(kHead) + "\"x\"=hex:012\n", 3},
        BadInput{"bad hex type", std::string(kHead) + "\"x\"=hex(q):01\n", 3},
        BadInput{"unknown data", std::string(kHead) + "\"x\"=qword:1\n", 3},
        BadInput{"stray text", std::string(kHead) + "junk\n", 3},
        BadInput{"error after a continuation",
                 std::string(kHead) + "\"x\"=hex:01,\\\n  02\n\"y\"=hex:zz\n", 5}),
    [](const ::testing::TestParamInfo<BadInput> &info) {
      std::string name;
      for (char c : std::string(info.param.what)) name += isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST(RegFile, ImportFileReadsAUtf16FileAndReportsAMissingOne) {
  std::string path = ::testing::TempDir() + "registry_store_test.reg";
  {
    std::ofstream out(path, std::ios::binary);
    out << Utf16File("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n"
                     "\"v\"=dword:0000002a\r\n");
  }
  Store store;
  ImportResult result = store.ImportFile(path);
  std::remove(path.c_str());
  ASSERT_TRUE(result.ok) << result.error;
  Value v;
  ASSERT_EQ(store.QueryValue("A", "v", &v), regstore::Status::kOk);
  EXPECT_EQ(v.data, Bytes({0x2a, 0, 0, 0}));

  EXPECT_FALSE(store.ImportFile(path).ok);
}

}  // namespace
