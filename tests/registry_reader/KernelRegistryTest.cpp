// The kernel model's registry routines, as the registry reader relies on them.
#include <cstring>

#include "KernelTest.h"
#include "RegistryStore.h"

namespace {

const char kSeed[] =
    "REGEDIT4\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik]\r\n"
    "\"Type\"=dword:00000001\r\n"
    "\"Group\"=\"Extended Base\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik\\Dorvik0\\Parameters]\r\n"
    "\"PortAddress0\"=dword:00000368\r\n"
    "\"Blob\"=hex:01,02,03,04,05,06\r\n";

const char16_t kService[] = u"\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik";
const char16_t kParameters[] =
    u"\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik\\Dorvik0\\Parameters";

// A counted string that owns its text.
struct Name {
  explicit Name(std::u16string s) : text(std::move(s)) {
    us.Length = static_cast<USHORT>(text.size() * 2);
    us.MaximumLength = us.Length;
    us.Buffer = text.empty() ? nullptr : &text[0];
  }
  Name(const Name &) = delete;
  std::u16string text;
  UNICODE_STRING us;
};

class KernelRegistry : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    std::string error;
    ASSERT_TRUE(ntmodel::LoadRegistryText(kSeed, &error)) << error;
  }

  NTSTATUS Open(const std::u16string &text, HANDLE *handle, HANDLE root = nullptr,
                ULONG attributes = 0) {
    Name name(text);
    OBJECT_ATTRIBUTES oa;
    InitializeObjectAttributes(&oa, &name.us, attributes, root, nullptr);
    return ZwOpenKey(handle, KEY_READ, &oa);
  }

  std::vector<std::string> OpenHandleReports() {
    std::vector<std::string> out;
    for (const std::string &item : ntmodel::LeftBehind()) {
      if (item.find("registry key handle") != std::string::npos) out.push_back(item);
    }
    return out;
  }
};

struct OpenCase {
  const char16_t *name;
  NTSTATUS status;
};

TEST_F(KernelRegistry, OpenKeyByAbsoluteName) {
  const OpenCase cases[] = {
      {kService, STATUS_SUCCESS},
      {u"\\registry\\machine\\system\\currentcontrolset\\services\\DORVIK", STATUS_SUCCESS},
      {u"\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik\\", STATUS_SUCCESS},
      {u"\\REGISTRY\\MACHINE", STATUS_SUCCESS},
      {u"\\REGISTRY\\MACHINE\\", STATUS_SUCCESS},
      {u"\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik\\Dorvik1",
       STATUS_OBJECT_NAME_NOT_FOUND},
      {u"\\REGISTRY\\MACHINE\\SOFTWARE\\Nothing\\Below", STATUS_OBJECT_NAME_NOT_FOUND},
      {u"\\REGISTRY\\MACHINEX\\SYSTEM", STATUS_OBJECT_NAME_NOT_FOUND},
      {u"\\REGISTRY\\USER\\SYSTEM", STATUS_OBJECT_NAME_NOT_FOUND},
      {u"\\REGISTRY\\MACHINE\\SYSTEM\\\\CurrentControlSet", STATUS_OBJECT_NAME_INVALID},
      {u"\\REGISTRY\\MACHINE\\SYSTEM\\\\", STATUS_OBJECT_NAME_INVALID},
      {u"REGISTRY\\MACHINE\\SYSTEM", static_cast<NTSTATUS>(0xC000003B)},
      {u"", static_cast<NTSTATUS>(0xC000003B)},
  };
  for (const OpenCase &c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
    HANDLE handle = reinterpret_cast<HANDLE>(0x1234);
    EXPECT_EQ(Open(c.name, &handle), c.status);
    if (NT_SUCCESS(c.status)) {
      EXPECT_EQ(ZwClose(handle), STATUS_SUCCESS);
    } else {
      EXPECT_EQ(handle, reinterpret_cast<HANDLE>(0x1234)) << "no handle on failure";
    }
  }
}

TEST_F(KernelRegistry, CaseInsensitiveWhateverTheAttributesSay) {
  HANDLE handle;
  ASSERT_EQ(Open(u"\\REGISTRY\\MACHINE\\SYSTEM\\CURRENTCONTROLSET", &handle, nullptr,
                 OBJ_CASE_INSENSITIVE),
            STATUS_SUCCESS);
  ZwClose(handle);
  ASSERT_EQ(Open(u"\\REGISTRY\\MACHINE\\SYSTEM\\CURRENTCONTROLSET", &handle), STATUS_SUCCESS);
  ZwClose(handle);
}

TEST_F(KernelRegistry, OpenKeyRelativeToAnOpenKey) {
  HANDLE service;
  ASSERT_EQ(Open(kService, &service), STATUS_SUCCESS);
  HANDLE params;
  EXPECT_EQ(Open(u"dorvik0\\PARAMETERS\\", &params, service), STATUS_SUCCESS);
  ZwClose(params);
  EXPECT_EQ(Open(u"Dorvik7", &params, service), STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_EQ(Open(u"\\Dorvik0", &params, service), static_cast<NTSTATUS>(0xC000003B));
  ZwClose(service);

  ntmodel::ViolationCapture capture;
  EXPECT_EQ(Open(u"Dorvik0", &params, service), STATUS_INVALID_HANDLE);
  EXPECT_TRUE(capture.Contains("not an open registry key handle"));
}

TEST_F(KernelRegistry, HandleLeftOpenIsReportedAndUnknownCloseIsAViolation) {
  HANDLE handle;
  ASSERT_EQ(Open(kParameters, &handle), STATUS_SUCCESS);
  std::vector<std::string> reports = OpenHandleReports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik"
                            "\\Dorvik0\\Parameters"),
            std::string::npos)
      << reports[0];
  EXPECT_EQ(ZwClose(handle), STATUS_SUCCESS);
  EXPECT_TRUE(OpenHandleReports().empty());

  ntmodel::ViolationCapture capture;
  EXPECT_EQ(ZwClose(handle), STATUS_INVALID_HANDLE);  // closed twice
  EXPECT_EQ(ZwClose(nullptr), STATUS_INVALID_HANDLE);
  EXPECT_EQ(capture.Messages().size(), 2u);
}

TEST_F(KernelRegistry, LoadRegistryTextSaysWhereTheTextIsWrong) {
  std::string error;
  EXPECT_FALSE(ntmodel::LoadRegistryText("REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"v\"=dword:xyz\n",
                                         &error));
  EXPECT_EQ(error.rfind("line 3: ", 0), 0u) << error;
  EXPECT_TRUE(regstore::Machine().KeyExists("X"));
}

TEST_F(KernelRegistry, ResetEmptiesTheRegistryAndForgetsHandles) {
  HANDLE handle;
  ASSERT_EQ(Open(kService, &handle), STATUS_SUCCESS);
  ntmodel::ResetMachine();
  EXPECT_TRUE(OpenHandleReports().empty());
  EXPECT_TRUE(regstore::Machine().SubkeyNames("").empty());
  EXPECT_EQ(Open(kService, &handle), STATUS_OBJECT_NAME_NOT_FOUND);
}

TEST_F(KernelRegistry, RegistryCallsAbovePassiveLevelAreViolations) {
  HANDLE handle;
  ASSERT_EQ(Open(kService, &handle), STATUS_SUCCESS);
  ntmodel::ViolationCapture capture;
  ntmodel::SetCurrentIrql(APC_LEVEL);
  HANDLE other;
  Open(kService, &other);
  Name value(u"Type");
  UCHAR buffer[64];
  ULONG length;
  ZwQueryValueKey(handle, &value.us, KeyValuePartialInformation, buffer, sizeof buffer, &length);
  RTL_QUERY_REGISTRY_TABLE table[2] = {};
  RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kService, table, nullptr, nullptr);
  ZwClose(other);
  ZwClose(handle);
  ntmodel::SetCurrentIrql(PASSIVE_LEVEL);
  ASSERT_EQ(capture.Messages().size(), 5u);
  for (const std::string &m : capture.Messages()) EXPECT_NE(m.find("PASSIVE_LEVEL"), std::string::npos) << m;
}

// Both information records start with TitleIndex, Type, and a length.
struct InfoHeader {
  ULONG title_index, type, length;
};

InfoHeader HeaderOf(const UCHAR *buffer) {
  InfoHeader h;
  std::memcpy(&h, buffer, sizeof h);
  return h;
}

TEST_F(KernelRegistry, QueryValueBasicInformationGivesTheStoredName) {
  HANDLE handle;
  ASSERT_EQ(Open(kParameters, &handle), STATUS_SUCCESS);
  Name name(u"PORTADDRESS0");
  UCHAR buffer[64];
  std::memset(buffer, 0xEE, sizeof buffer);
  ULONG result = 0;
  ASSERT_EQ(ZwQueryValueKey(handle, &name.us, KeyValueBasicInformation, buffer, sizeof buffer,
                            &result),
            STATUS_SUCCESS);
  EXPECT_EQ(result, 12u + 24u);
  InfoHeader h = HeaderOf(buffer);
  EXPECT_EQ(h.title_index, 0u);
  EXPECT_EQ(h.type, static_cast<ULONG>(REG_DWORD));
  EXPECT_EQ(h.length, 24u);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t *>(buffer + 12), 12), u"PortAddress0");
  EXPECT_EQ(buffer[36], 0xEE) << "nothing written past the record";

  // Room for the header and part of the name: the part that fits, and overflow.
  std::memset(buffer, 0xEE, sizeof buffer);
  ASSERT_EQ(ZwQueryValueKey(handle, &name.us, KeyValueBasicInformation, buffer, 12 + 6, &result),
            STATUS_BUFFER_OVERFLOW);
  EXPECT_EQ(result, 36u);
  EXPECT_EQ(HeaderOf(buffer).length, 24u);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t *>(buffer + 12), 3), u"Por");
  EXPECT_EQ(buffer[18], 0xEE);

  // Not even the header fits: nothing written.
  std::memset(buffer, 0xEE, sizeof buffer);
  ASSERT_EQ(ZwQueryValueKey(handle, &name.us, KeyValueBasicInformation, buffer, 11, &result),
            STATUS_BUFFER_TOO_SMALL);
  EXPECT_EQ(result, 36u);
  EXPECT_EQ(buffer[0], 0xEE);
  ZwClose(handle);
}

TEST_F(KernelRegistry, QueryValuePartialInformationGivesTheData) {
  HANDLE handle;
  ASSERT_EQ(Open(kParameters, &handle), STATUS_SUCCESS);
  Name port(u"PortAddress0");
  UCHAR buffer[32];
  ULONG result = 0;
  ASSERT_EQ(ZwQueryValueKey(handle, &port.us, KeyValuePartialInformation, buffer, 16, &result),
            STATUS_SUCCESS);
  EXPECT_EQ(result, 16u);
  EXPECT_EQ(HeaderOf(buffer).type, static_cast<ULONG>(REG_DWORD));
  EXPECT_EQ(HeaderOf(buffer).length, 4u);
  ULONG data;
  std::memcpy(&data, buffer + 12, 4);
  EXPECT_EQ(data, 0x368u);

  Name blob(u"Blob");
  std::memset(buffer, 0xEE, sizeof buffer);
  ASSERT_EQ(ZwQueryValueKey(handle, &blob.us, KeyValuePartialInformation, buffer, 16, &result),
            STATUS_BUFFER_OVERFLOW);
  EXPECT_EQ(result, 18u);
  EXPECT_EQ(HeaderOf(buffer).length, 6u);
  EXPECT_EQ(HeaderOf(buffer).type, static_cast<ULONG>(REG_BINARY));
  ASSERT_EQ(ZwQueryValueKey(handle, &blob.us, KeyValuePartialInformation, buffer, 4, &result),
            STATUS_BUFFER_TOO_SMALL);
  EXPECT_EQ(result, 18u);

  Name missing(u"PortAddress1");
  EXPECT_EQ(ZwQueryValueKey(handle, &missing.us, KeyValuePartialInformation, buffer,
                            sizeof buffer, &result),
            STATUS_OBJECT_NAME_NOT_FOUND);
  ZwClose(handle);
}

TEST_F(KernelRegistry, QueryOnAKeyDeletedWhileOpenFails) {
  HANDLE handle;
  ASSERT_EQ(Open(kParameters, &handle), STATUS_SUCCESS);
  regstore::Machine().DeleteTree("SYSTEM\\CurrentControlSet\\Services\\Dorvik\\Dorvik0");
  Name port(u"PortAddress0");
  UCHAR buffer[32];
  ULONG result;
  EXPECT_LT(ZwQueryValueKey(handle, &port.us, KeyValuePartialInformation, buffer, sizeof buffer,
                            &result),
            0);
  EXPECT_EQ(ZwClose(handle), STATUS_SUCCESS);
}

// ---- RtlQueryRegistryValues ----

NTSTATUS QueryDword(const char16_t *path, const char16_t *name, ULONG *value, ULONG flags,
                    const ULONG *default_value) {
  RTL_QUERY_REGISTRY_TABLE table[2] = {};
  table[0].Flags = RTL_QUERY_REGISTRY_DIRECT | flags;
  table[0].Name = name;
  table[0].EntryContext = value;
  if (default_value != nullptr) {
    table[0].DefaultType = REG_DWORD;
    table[0].DefaultData = const_cast<ULONG *>(default_value);
    table[0].DefaultLength = sizeof(ULONG);
  }
  return RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, path, table, nullptr, nullptr);
}

struct DirectCase {
  const char *what;
  const char16_t *path;
  const char16_t *name;
  ULONG flags;
  bool with_default;
  NTSTATUS status;
  ULONG value;  // after the call; 0x11111111 is "left alone"
};

TEST_F(KernelRegistry, DirectQueriesWithAndWithoutDefaults) {
  const ULONG kUntouched = 0x11111111;
  const std::u16string with_slash = std::u16string(kParameters) + u"\\";
  const DirectCase cases[] = {
      {"present", kParameters, u"PortAddress0", 0, false, STATUS_SUCCESS, 0x368},
      {"present, other case, trailing backslash", with_slash.c_str(), u"portaddress0", 0, true,
       STATUS_SUCCESS, 0x368},
      {"missing with default", kParameters, u"PortAddress1", 0, true, STATUS_SUCCESS, 0xCDCDCDCD},
      {"missing without default", kParameters, u"PortAddress1", 0, false, STATUS_SUCCESS,
       kUntouched},
      {"missing, required", kParameters, u"PortAddress1", RTL_QUERY_REGISTRY_REQUIRED, true,
       STATUS_OBJECT_NAME_NOT_FOUND, kUntouched},
      {"key missing", u"\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik\\Dorvik1",
       u"PortAddress0", 0, true, STATUS_OBJECT_NAME_NOT_FOUND, kUntouched},
  };
  const ULONG sentinel = 0xCDCDCDCD;
  for (const DirectCase &c : cases) {
    SCOPED_TRACE(c.what);
    ULONG value = kUntouched;
    EXPECT_EQ(QueryDword(c.path, c.name, &value, c.flags, c.with_default ? &sentinel : nullptr),
              c.status);
    EXPECT_EQ(value, c.value);
  }
}

TEST_F(KernelRegistry, OptionalPathTurnsAMissingKeyIntoSuccess) {
  ULONG value = 7;
  RTL_QUERY_REGISTRY_TABLE table[2] = {};
  table[0].Flags = RTL_QUERY_REGISTRY_DIRECT;
  table[0].Name = u"PortAddress0";
  table[0].EntryContext = &value;
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE | 0x80000000u,
                                   u"\\REGISTRY\\MACHINE\\SYSTEM\\Missing", table, nullptr, nullptr),
            STATUS_SUCCESS);
  EXPECT_EQ(value, 7u);
}

TEST_F(KernelRegistry, DirectDataLongerThanAUlongUsesTheSizedBuffer) {
  struct {
    LONG size;
    UCHAR rest[12];
  } only_data = {-8, {}};
  RTL_QUERY_REGISTRY_TABLE table[2] = {};
  table[0].Flags = RTL_QUERY_REGISTRY_DIRECT;
  table[0].Name = u"Blob";
  table[0].EntryContext = &only_data;
  ASSERT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kParameters, table, nullptr, nullptr),
            STATUS_SUCCESS);
  const UCHAR expected[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(std::memcmp(&only_data, expected, 6), 0);

  ULONG with_header[8] = {sizeof with_header};
  table[0].EntryContext = with_header;
  ASSERT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kParameters, table, nullptr, nullptr),
            STATUS_SUCCESS);
  EXPECT_EQ(with_header[0], 6u);
  EXPECT_EQ(with_header[1], static_cast<ULONG>(REG_BINARY));
  EXPECT_EQ(std::memcmp(&with_header[2], expected, 6), 0);

  LONG too_small[2] = {-4, 0};
  table[0].EntryContext = too_small;
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kParameters, table, nullptr, nullptr),
            STATUS_BUFFER_TOO_SMALL);
}

struct Seen {
  std::u16string name;
  ULONG type;
  std::vector<UCHAR> data;
  PVOID context;
  PVOID entry_context;
};

NTSTATUS NTAPI Record(PWSTR name, ULONG type, PVOID data, ULONG length, PVOID context,
                      PVOID entry_context) {
  auto *seen = static_cast<std::vector<Seen> *>(entry_context);
  const UCHAR *bytes = static_cast<const UCHAR *>(data);
  seen->push_back(Seen{name ? std::u16string(name) : u"(null)", type,
                       std::vector<UCHAR>(bytes, bytes + length), context, entry_context});
  return STATUS_SUCCESS;
}

TEST_F(KernelRegistry, QueryRoutinesSeeNamedValuesDefaultsAndWholeKeys) {
  std::vector<Seen> seen;
  int context = 0;
  const ULONG fallback = 42;
  RTL_QUERY_REGISTRY_TABLE table[4] = {};
  table[0].QueryRoutine = Record;
  table[0].Name = u"portaddress0";
  table[0].EntryContext = &seen;
  table[1].QueryRoutine = Record;
  table[1].Name = u"Absent";
  table[1].EntryContext = &seen;
  table[1].DefaultType = REG_DWORD;
  table[1].DefaultData = const_cast<ULONG *>(&fallback);
  table[1].DefaultLength = sizeof fallback;
  table[2].QueryRoutine = Record;  // no name: every value of the key
  table[2].EntryContext = &seen;
  ASSERT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kParameters, table, &context, nullptr),
            STATUS_SUCCESS);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].name, u"PortAddress0");
  EXPECT_EQ(seen[0].type, static_cast<ULONG>(REG_DWORD));
  EXPECT_EQ(seen[0].data, (std::vector<UCHAR>{0x68, 0x03, 0, 0}));
  EXPECT_EQ(seen[0].context, &context);
  EXPECT_EQ(seen[1].name, u"Absent");
  EXPECT_EQ(seen[1].data, (std::vector<UCHAR>{42, 0, 0, 0}));
  EXPECT_EQ(seen[2].name, u"PortAddress0");
  EXPECT_EQ(seen[3].name, u"Blob");
  EXPECT_EQ(seen[3].data.size(), 6u);
}

TEST_F(KernelRegistry, MalformedTablesAreRefused) {
  ULONG value = 0;
  RTL_QUERY_REGISTRY_TABLE table[2] = {};
  table[0].Name = u"PortAddress0";  // neither a routine nor the direct flag
  table[0].EntryContext = &value;
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kParameters, table, nullptr, nullptr),
            STATUS_INVALID_PARAMETER);
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kParameters, nullptr, nullptr, nullptr),
            STATUS_INVALID_PARAMETER);

  ntmodel::ViolationCapture capture;
  table[0].Flags = RTL_QUERY_REGISTRY_DIRECT;
  table[0].DefaultType = REG_DWORD;  // a default without data
  table[0].Name = u"Missing";
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kParameters, table, nullptr, nullptr),
            STATUS_INVALID_PARAMETER);
  EXPECT_EQ(RtlQueryRegistryValues(1 /* services-relative */, u"Dorvik", table, nullptr, nullptr),
            STATUS_INVALID_PARAMETER);
  EXPECT_EQ(capture.Messages().size(), 2u);
}

}  // namespace
