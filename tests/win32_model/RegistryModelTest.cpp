// The registry A calls of the Win32 model against the rules of the platform's
// registry: parents created on demand, no deletion of keys with subkeys,
// ERROR_MORE_DATA with the needed size, and tracked handles.
#include <RegistryStore.h>
#include <Win32Test.h>

#include <windows.h>

#include <cstring>

namespace {

class RegistryModelTest : public Win32Test {
 protected:
  regstore::Store &store() { return regstore::Machine(); }

  HKEY Create(const char *path, DWORD *disposition = nullptr) {
    HKEY key = nullptr;
    DWORD ignored = 0;
    EXPECT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, disposition ? disposition : &ignored));
    return key;
  }
};

TEST_F(RegistryModelTest, CreateMakesMissingParentsAndReportsTheDisposition) {
  DWORD disposition = 0;
  HKEY key = Create("SYSTEM\\Services\\Dorvik\\Dorvik0\\Parameters", &disposition);
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
  EXPECT_TRUE(store().KeyExists("SYSTEM\\Services\\Dorvik\\Dorvik0"));
  EXPECT_TRUE(store().KeyExists("SYSTEM\\Services\\Dorvik\\Dorvik0\\Parameters"));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));

  key = Create("system\\services\\DORVIK", &disposition);
  EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

TEST_F(RegistryModelTest, DeleteRemovesOnlyKeysWithoutSubkeys) {
  store().CreateKey("SOFTWARE\\Parent\\Child");
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Parent"));
  EXPECT_TRUE(store().KeyExists("SOFTWARE\\Parent\\Child"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Parent\\Child"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Parent"));
  EXPECT_FALSE(store().KeyExists("SOFTWARE\\Parent"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Parent"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "NOWHERE\\Parent"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""));
}

TEST_F(RegistryModelTest, QueryAnswersMissingKeysValuesAndSmallBuffers) {
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Missing", &key));
  EXPECT_EQ(nullptr, key);

  store().CreateKey("SYSTEM\\Board");
  store().SetValue("SYSTEM\\Board", "Wide", REG_BINARY, {1, 2, 3, 4, 5, 6, 7, 8});
  store().SetDword("SYSTEM\\Board", "PortAddress0", 0x368);
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Board", &key));

  DWORD type = 0;
  unsigned char data[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  DWORD size = sizeof data;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "Absent", nullptr, &type, data, &size));

  size = sizeof data;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Wide", nullptr, &type, data, &size));
  EXPECT_EQ(8u, size);
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
  EXPECT_EQ(0xEE, data[0]) << "a failed query leaves the buffer alone";

  size = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Wide", nullptr, nullptr, nullptr, &size));
  EXPECT_EQ(8u, size);

  size = sizeof data;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "portaddress0", nullptr, &type, data, &size));
  EXPECT_EQ(4u, size);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  uint32_t value = 0;
  std::memcpy(&value, data, 4);
  EXPECT_EQ(0x368u, value);

  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key, "Wide", nullptr, &type, data, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

TEST_F(RegistryModelTest, StringsAreStoredAsTextAndReadBackAsAnsiBytes) {
  HKEY key = Create("SYSTEM\\Service");
  const char group[] = "Extended Base";
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Group", 0, REG_SZ,
                                          reinterpret_cast<const BYTE *>(group), sizeof group));
  regstore::Value stored;
  ASSERT_EQ(regstore::Status::kOk, store().QueryValue("SYSTEM\\Service", "Group", &stored));
  EXPECT_EQ(static_cast<uint32_t>(REG_SZ), stored.type);
  EXPECT_EQ(std::vector<uint8_t>(group, group + sizeof group), stored.data);

  // "設定" in code page 932, with its NUL.
  const char japanese[] = "\x90\xdd\x92\xe8";
  EXPECT_EQ(ERROR_SUCCESS,
            RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE *>(japanese),
                           sizeof japanese));
  ASSERT_EQ(regstore::Status::kOk, store().QueryValue("SYSTEM\\Service", "Text", &stored));
  EXPECT_EQ(std::string("設定") + '\0', std::string(stored.data.begin(), stored.data.end()));

  char back[16] = {};
  DWORD size = sizeof back;
  EXPECT_EQ(ERROR_SUCCESS,
            RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<BYTE *>(back), &size));
  EXPECT_EQ(sizeof japanese, size);
  EXPECT_STREQ(japanese, back);
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

TEST_F(RegistryModelTest, KeysLeftOpenAreReportedAndDoubleClosesAreViolations) {
  HKEY key = Create("SYSTEM\\Open");
  std::vector<std::string> left = win32model::LeftBehind();
  ASSERT_EQ(1u, left.size());
  EXPECT_NE(std::string::npos, left[0].find("SYSTEM\\Open"));
  EXPECT_NE(std::string::npos, left[0].find("RegCreateKeyExA"));

  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  EXPECT_TRUE(win32model::LeftBehind().empty());
  win32model::ViolationCapture capture;
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
  EXPECT_TRUE(capture.Contains("not an open registry key"));
  DWORD size = 4;
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(key, "x", nullptr, nullptr, nullptr, &size));
  EXPECT_EQ(2u, capture.Messages().size());
}

TEST_F(RegistryModelTest, AHandleToADeletedKeyStaysDeletedEvenWhenTheKeyIsRecreated) {
  HKEY key = Create("SYSTEM\\Gone");
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Gone"));
  store().CreateKey("SYSTEM\\Gone");
  DWORD one = 1;
  EXPECT_EQ(ERROR_KEY_DELETED,
            RegSetValueExA(key, "Type", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&one), 4));
  EXPECT_TRUE(store().Values("SYSTEM\\Gone").empty());
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

TEST_F(RegistryModelTest, OpenFormsOfTheSubkeyArgument) {
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_LOCAL_MACHINE, "", &key));
  EXPECT_EQ(HKEY_LOCAL_MACHINE, key) << "an empty subkey hands back the same handle";
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key)) << "closing a predefined key is harmless";

  store().CreateKey("SYSTEM\\CurrentControlSet");
  EXPECT_EQ(ERROR_BAD_PATHNAME, RegOpenKeyA(HKEY_LOCAL_MACHINE, "\\SYSTEM", &key));
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_READ, nullptr));
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, "system\\currentcontrolset", 0, KEY_READ, &key));
  ASSERT_EQ(1u, win32model::OpenRegistryKeys().size());
  EXPECT_EQ("SYSTEM\\CurrentControlSet", win32model::OpenRegistryKeys()[0].path);
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

TEST_F(RegistryModelTest, ReadRightsDoNotAllowWrites) {
  store().CreateKey("SYSTEM\\ReadMe");
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\ReadMe", 0, KEY_READ, &key));
  DWORD one = 1;
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegSetValueExA(key, "Type", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&one), 4));
  HKEY child = nullptr;
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegCreateKeyExA(key, "Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr));
  EXPECT_FALSE(store().KeyExists("SYSTEM\\ReadMe\\Child"));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

TEST_F(RegistryModelTest, DeniedWritesFailWithAccessDeniedAndChangeNothing) {
  store().CreateKey("SYSTEM\\Locked\\Sub");
  win32model::DenyRegistryWrites("system\\locked");
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\Locked\\New", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr));
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\Locked\\Sub", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Locked\\Sub"));
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\Locked", 0, KEY_ALL_ACCESS, &key));

  // Reading still works, and what RegOpenKeyA grants is read access only.
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Locked", &key));
  DWORD one = 1;
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegSetValueExA(key, "Start", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&one), 4));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  EXPECT_TRUE(store().KeyExists("SYSTEM\\Locked\\Sub"));
  EXPECT_FALSE(store().KeyExists("SYSTEM\\Locked\\New"));

  // Keys beside the locked one are untouched by the rule.
  EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\LockedNot", 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

TEST_F(RegistryModelTest, OnlyTheMachineKeyIsModelled) {
  win32model::ViolationCapture capture;
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyA(HKEY_CURRENT_USER, "Software", &key));
  EXPECT_TRUE(capture.Contains("only HKEY_LOCAL_MACHINE"));
}

TEST_F(RegistryModelTest, CallsAreRecordedInOrderWithTheirResults) {
  HKEY key = Create("SYSTEM\\Rec");
  DWORD one = 1;
  RegSetValueExA(key, "Type", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&one), 4);
  RegCloseKey(key);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Rec\\Absent");

  std::vector<win32model::RegistryCall> calls = win32model::RegistryCalls();
  ASSERT_EQ(4u, calls.size());
  EXPECT_EQ("RegCreateKeyExA", calls[0].function);
  EXPECT_EQ("SYSTEM\\Rec", calls[0].path);
  EXPECT_EQ("RegSetValueExA", calls[1].function);
  EXPECT_EQ("Type", calls[1].value);
  EXPECT_EQ("RegCloseKey", calls[2].function);
  EXPECT_EQ("RegDeleteKeyA", calls[3].function);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, calls[3].result);
}

}  // namespace
