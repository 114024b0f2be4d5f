// Keys, values and their case rules in the machine's registry store.
#include <gtest/gtest.h>

#include <thread>

#include "RegistryStore.h"

using regstore::Status;
using regstore::Store;
using regstore::Value;

namespace {

const char *kService = "SYSTEM\\CurrentControlSet\\Services\\Dorvik";

std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
  std::vector<uint8_t> out;
  for (int b : list) out.push_back(static_cast<uint8_t>(b));
  return out;
}

TEST(RegistryStore, CreateMakesMissingParentsAndReportsWhetherItCreated) {
  Store store;
  EXPECT_TRUE(store.CreateKey(kService));
  EXPECT_TRUE(store.KeyExists("SYSTEM"));
  EXPECT_TRUE(store.KeyExists("SYSTEM\\CurrentControlSet"));
  EXPECT_TRUE(store.KeyExists(kService));
  EXPECT_FALSE(store.CreateKey(kService));
  EXPECT_FALSE(store.KeyExists("SYSTEM\\CurrentControlSet\\Services\\Other"));
}

TEST(RegistryStore, NamesMatchWithoutCaseAndKeepTheirCreatedCase) {
  Store store;
  store.CreateKey("System\\CurrentControlSet");
  EXPECT_FALSE(store.CreateKey("SYSTEM\\currentcontrolset"));
  EXPECT_TRUE(store.KeyExists("sYsTeM\\CURRENTCONTROLSET"));
  EXPECT_EQ(store.CanonicalPath("SYSTEM\\currentcontrolset"), "System\\CurrentControlSet");
  EXPECT_EQ(store.SubkeyNames(""), std::vector<std::string>{"System"});

  ASSERT_EQ(store.SetDword("system", "PortAddress0", 1), Status::kOk);
  ASSERT_EQ(store.SetDword("SYSTEM", "PORTADDRESS0", 2), Status::kOk);
  std::vector<Value> values = store.Values("System");
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].name, "PortAddress0");
  EXPECT_EQ(values[0].data, Bytes({2, 0, 0, 0}));
}

TEST(RegistryStore, OnlyAsciiLettersFoldTheirCase) {
  Store store;
  store.CreateKey("\xC3\x84ra");  // "Ära"
  EXPECT_TRUE(store.KeyExists("\xC3\x84RA"));
  EXPECT_FALSE(store.KeyExists("\xC3\xA4ra"));  // "ära": not folded
}

TEST(RegistryStore, PathsIgnoreEmptyComponents) {
  Store store;
  store.CreateKey("\\SYSTEM\\\\Select\\");
  EXPECT_TRUE(store.KeyExists("SYSTEM\\Select"));
  EXPECT_EQ(store.SubkeyNames("SYSTEM"), std::vector<std::string>{"Select"});
  EXPECT_TRUE(store.KeyExists(""));
}

TEST(RegistryStore, DeleteKeyRefusesKeysWithSubkeysAndTakesValuesAlong) {
  Store store;
  store.CreateKey(std::string(kService) + "\\Dorvik0\\Parameters");
  store.SetDword(std::string(kService) + "\\Dorvik0\\Parameters", "PortAddress0", 0x368);
  EXPECT_EQ(store.DeleteKey(std::string(kService) + "\\Dorvik0"), Status::kHasSubkeys);
  EXPECT_EQ(store.DeleteKey(std::string(kService) + "\\dorvik0\\parameters"), Status::kOk);
  EXPECT_FALSE(store.KeyExists(std::string(kService) + "\\Dorvik0\\Parameters"));
  EXPECT_EQ(store.DeleteKey(std::string(kService) + "\\Dorvik0"), Status::kOk);
  EXPECT_EQ(store.DeleteKey(std::string(kService) + "\\Dorvik0"), Status::kKeyNotFound);
  EXPECT_EQ(store.DeleteKey(""), Status::kInvalidPath);
  EXPECT_TRUE(store.KeyExists(kService));

  // A recreated key starts empty.
  store.CreateKey(std::string(kService) + "\\Dorvik0\\Parameters");
  EXPECT_TRUE(store.Values(std::string(kService) + "\\Dorvik0\\Parameters").empty());
}

TEST(RegistryStore, DeleteTreeRemovesEverythingBelow) {
  Store store;
  store.CreateKey("A\\B\\C");
  store.CreateKey("A\\D");
  EXPECT_EQ(store.DeleteTree("a\\b"), Status::kOk);
  EXPECT_EQ(store.SubkeyNames("A"), std::vector<std::string>{"D"});
  EXPECT_EQ(store.DeleteTree("A\\B"), Status::kKeyNotFound);
  EXPECT_EQ(store.DeleteTree("\\"), Status::kInvalidPath);
}

TEST(RegistryStore, ValuesAreSetQueriedAndDeletedByName) {
  Store store;
  EXPECT_EQ(store.SetDword(kService, "Type", 1), Status::kKeyNotFound);
  store.CreateKey(kService);
  ASSERT_EQ(store.SetString(kService, "Group", "Extended Base"), Status::kOk);
  ASSERT_EQ(store.SetValue(kService, "", regstore::kRegBinary, Bytes({1, 2, 3})), Status::kOk);

  Value v;
  ASSERT_EQ(store.QueryValue(kService, "group", &v), Status::kOk);
  EXPECT_EQ(v.name, "Group");
  EXPECT_EQ(v.type, regstore::kRegSz);
  EXPECT_EQ(v.data.size(), 14u);  // "Extended Base" and its NUL
  EXPECT_EQ(v.data.back(), 0);
  ASSERT_EQ(store.QueryValue(kService, "", &v), Status::kOk);
  EXPECT_EQ(v.data, Bytes({1, 2, 3}));

  // Replacing a value changes its type and data in place.
  ASSERT_EQ(store.SetDword(kService, "GROUP", 7), Status::kOk);
  ASSERT_EQ(store.QueryValue(kService, "Group", &v), Status::kOk);
  EXPECT_EQ(v.type, regstore::kRegDword);
  EXPECT_EQ(v.data, Bytes({7, 0, 0, 0}));

  EXPECT_EQ(store.QueryValue(kService, "Start", &v), Status::kValueNotFound);
  EXPECT_EQ(store.QueryValue("SYSTEM\\Nowhere", "Start", &v), Status::kKeyNotFound);
  EXPECT_EQ(store.DeleteValue(kService, "gRoUp"), Status::kOk);
  EXPECT_EQ(store.DeleteValue(kService, "Group"), Status::kValueNotFound);
  ASSERT_EQ(store.Values(kService).size(), 1u);
  EXPECT_EQ(store.Values(kService)[0].name, "");
}

TEST(RegistryStore, EnumerationKeepsCreationOrder) {
  Store store;
  for (const char *name : {"Dorvik1", "Dorvik0", "Enum", "Dorvik10"}) {
    store.CreateKey(std::string(kService) + "\\" + name);
  }
  store.SetDword(kService, "Type", 1);
  store.SetDword(kService, "Start", 1);
  EXPECT_EQ(store.SubkeyNames(kService),
            (std::vector<std::string>{"Dorvik1", "Dorvik0", "Enum", "Dorvik10"}));
  std::vector<Value> values = store.Values(kService);
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].name, "Type");
  EXPECT_EQ(values[1].name, "Start");
  EXPECT_TRUE(store.SubkeyNames("SYSTEM\\Nowhere").empty());
}

TEST(RegistryStore, ClearLeavesAnEmptyRoot) {
  Store store;
  store.CreateKey(kService);
  store.SetDword("", "x", 1);
  store.Clear();
  EXPECT_TRUE(store.SubkeyNames("").empty());
  EXPECT_TRUE(store.Values("").empty());
  EXPECT_TRUE(store.KeyExists(""));
}

TEST(RegistryStore, ConcurrentWritersAndReadersKeepTheTreeWhole) {
  Store store;
  const int kThreads = 4;
  const int kKeys = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&store, t] {
      for (int k = 0; k < kKeys; ++k) {
        std::string path = "T" + std::to_string(t) + "\\K" + std::to_string(k);
        store.CreateKey(path);
        store.SetDword(path, "v", static_cast<uint32_t>(k));
        store.SubkeyNames("T" + std::to_string((t + 1) % kThreads));
        if (k % 2 == 0) store.DeleteKey(path);
      }
    });
  }
  for (auto &th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(store.SubkeyNames("T" + std::to_string(t)).size(), static_cast<size_t>(kKeys / 2));
  }
}

TEST(RegistryStore, MachineIsOneStore) {
  EXPECT_EQ(&regstore::Machine(), &regstore::Machine());
}

}  // namespace
