// CRegistry on a seeded machine registry: its path handling, value reads with
// and without the default, key-or-value presence, and running out of pool.
#include <set>

#include "KernelTest.h"
#include "Registry.h"
#include "RegistryStore.h"

namespace {

const char kSeed[] =
    "REGEDIT4\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik]\r\n"
    "\"Type\"=dword:00000001\r\n"
    "\"ValueOnly\"=dword:00000005\r\n"
    "@=\"a default value that must not make a missing name present\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik\\Dorvik0\\Parameters]\r\n"
    "\"PortAddress0\"=dword:00000368\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik\\Dorvik1\\Parameters]\r\n"
    "\"PortAddress0\"=dword:cdcdcdcd\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik\\Dorvik2\\Parameters]\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik\\Dorvik3]\r\n";

const std::u16string kService = u"\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik";
const ULONG kSentinel = 0xCDCDCDCD;
const ULONG kUntouched = 0x11111111;

// Lets the tests see the reader's state.
class ReaderProbe : public CRegistry {
 public:
  using CRegistry::CRegistry;
  std::u16string PathText() const {
    const UNICODE_STRING &s = Path.UnicodeString;
    if (s.Buffer == NULL) return u"(no buffer)";
    EXPECT_EQ(s.Buffer[s.Length / 2], 0) << "path not zero-terminated";
    return std::u16string(s.Buffer, s.Length / 2);
  }
  ULONG HeldDefaultType() const { return DefaultType; }
  ULONG HeldDefaultLength() const { return DefaultLength; }
  const ULONG *HeldDefaultData() const { return DefaultData; }
};

std::string Narrow(const std::u16string &s) { return std::string(s.begin(), s.end()); }

class RegistryReader : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    regstore::ImportResult seeded = regstore::Machine().Import(kSeed);
    ASSERT_TRUE(seeded.ok) << seeded.error;
  }

  static size_t OpenHandles() {
    size_t n = 0;
    for (const std::string &item : ntmodel::LeftBehind()) {
      n += item.find("registry key handle") != std::string::npos ? 1 : 0;
    }
    return n;
  }
};

TEST_F(RegistryReader, ConstructionEndsThePathWithOneBackslash) {
  const struct {
    std::u16string base, expected;
  } cases[] = {
      {kService, kService + u"\\"},
      {kService + u"\\", kService + u"\\"},
      {u"", u"\\"},
      {u"\\", u"\\"},
      {u"Dorvik", u"Dorvik\\"},
      {u"A\\B", u"A\\B\\"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(Narrow(c.base));
    ReaderProbe reader(CString(c.base.c_str()), kSentinel);
    EXPECT_EQ(reader.PathText(), c.expected);
  }
}

TEST_F(RegistryReader, HoldsItsDefaultInFourBytesOfPagedPool) {
  const size_t before = ntmodel::OutstandingPool().size();
  ReaderProbe reader(CString(kService.c_str()), kSentinel);
  EXPECT_EQ(reader.HeldDefaultType(), static_cast<ULONG>(REG_DWORD));
  EXPECT_EQ(reader.HeldDefaultLength(), 4u);
  ASSERT_NE(reader.HeldDefaultData(), nullptr);
  EXPECT_EQ(*reader.HeldDefaultData(), kSentinel);
  bool found = false;
  for (const ntmodel::PoolBlock &b : ntmodel::OutstandingPool()) {
    if (b.address == reader.HeldDefaultData()) {
      found = true;
      EXPECT_EQ(b.size, 4u);
      EXPECT_EQ(b.type, PagedPool);
      EXPECT_EQ(ntmodel::TagText(b.tag), "FwkP");
    }
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(ntmodel::OutstandingPool().size(), before + 2);  // the path and the default
}

TEST_F(RegistryReader, OperatorNewTakesPagedPoolAndYieldsNullWhenExhausted) {
  CString base(kService.c_str());
  CRegistry *reader = new CRegistry(base, kSentinel);
  ASSERT_NE(reader, nullptr);
  bool found = false;
  for (const ntmodel::PoolBlock &b : ntmodel::OutstandingPool()) {
    if (b.address == reader) {
      found = true;
      EXPECT_EQ(b.size, sizeof(CRegistry));
      EXPECT_EQ(b.type, PagedPool);
      EXPECT_EQ(ntmodel::TagText(b.tag), "FwkP");
    }
  }
  EXPECT_TRUE(found);
  delete reader;

  const unsigned long long before = ntmodel::AllocationCount();
  ntmodel::FailAllocationNumber(1);
  EXPECT_EQ(new CRegistry(base, kSentinel), nullptr);
  EXPECT_EQ(ntmodel::AllocationCount() - before, 1u) << "no constructor ran";
}

TEST_F(RegistryReader, SetRelativePathDescendsFromWhereTheReaderStands) {
  ReaderProbe reader(CString(kService.c_str()), kSentinel);
  reader.SetRelativePath(CString(u"Dorvik0\\Parameters"));
  EXPECT_EQ(reader.PathText(), kService + u"\\Dorvik0\\Parameters\\");
  reader.SetRelativePath(CString(u"Dorvik0\\Parameters"));
  EXPECT_EQ(reader.PathText(), kService + u"\\Dorvik0\\Parameters\\Dorvik0\\Parameters\\");

  ReaderProbe other(CString(kService.c_str()), kSentinel);
  other.SetRelativePath(CString(u"Dorvik0\\"));
  EXPECT_EQ(other.PathText(), kService + u"\\Dorvik0\\");
}

struct GetKeyCase {
  const char16_t *board;
  UCHAR use_default;
  bool succeeds;
  ULONG value;
};

TEST_F(RegistryReader, GetKeyReadsTheValueOrTheDefault) {
  const GetKeyCase cases[] = {
      {u"Dorvik0", TRUE, true, 0x368},         // value present
      {u"Dorvik0", FALSE, true, 0x368},
      {u"Dorvik1", TRUE, true, kSentinel},     // stored sentinel reads as itself
      {u"Dorvik2", TRUE, true, kSentinel},     // value missing: the default
      {u"Dorvik2", FALSE, true, kUntouched},   // value missing, no default: left alone
      {u"Dorvik3", TRUE, false, kSentinel},    // parameters key missing: default stored
      {u"Dorvik3", FALSE, false, kUntouched},  // key missing, no default: left alone
      {u"Dorvik9", TRUE, false, kSentinel},    // board key missing too
  };
  for (const GetKeyCase &c : cases) {
    SCOPED_TRACE(Narrow(c.board) + (c.use_default ? " with default" : " without default"));
    ReaderProbe reader(CString(kService.c_str()), kSentinel);
    reader.SetRelativePath(Concatenate(CString(c.board), CString(u"\\Parameters")));
    ULONG value = kUntouched;
    NTSTATUS status = reader.GetKey(CString(u"PortAddress0"), &value, c.use_default);
    EXPECT_EQ(NT_SUCCESS(status), c.succeeds) << std::hex << status;
    if (!c.succeeds) {
      EXPECT_EQ(status, STATUS_OBJECT_NAME_NOT_FOUND);
    }
    EXPECT_EQ(value, c.value) << std::hex << value;
  }
  EXPECT_EQ(OpenHandles(), 0u);
}

TEST_F(RegistryReader, GetKeyWithoutANameOrPathStoresTheDefaultInsteadOfReportingSuccess) {
  ReaderProbe reader(CString(kService.c_str()), kSentinel);
  CString no_buffer;
  ULONG value = kUntouched;
  EXPECT_LT(reader.GetKey(no_buffer, &value, TRUE), 0);
  EXPECT_EQ(value, kSentinel);
  value = kUntouched;
  EXPECT_LT(reader.GetKey(no_buffer, &value, FALSE), 0);
  EXPECT_EQ(value, kUntouched);
}

struct PresenceCase {
  const char16_t *name;
  UCHAR present;
};

TEST_F(RegistryReader, IsKeyPresentForKeyValueAndNeither) {
  const PresenceCase cases[] = {
      {u"Dorvik0", TRUE},                            // a subkey
      {u"DORVIK0", TRUE},                            // in another case
      {u"ValueOnly", TRUE},                          // no such key, but a value
      {u"valueonly", TRUE},
      {u"Dorvik5", FALSE},                           // neither
      {u"Dorvik0\\Parameters", TRUE},                // a deeper key
      {u"Dorvik0\\Parameters\\PortAddress0", TRUE},  // a deeper value
      {u"Dorvik3\\Parameters", FALSE},               // parent there, leaf not
      {u"Dorvik9\\Parameters", FALSE},               // parent missing
  };
  ReaderProbe reader(CString(kService.c_str()), kSentinel);
  const size_t blocks = ntmodel::OutstandingPool().size();
  for (const PresenceCase &c : cases) {
    SCOPED_TRACE(Narrow(c.name));
    EXPECT_EQ(reader.IsKeyPresent(CString(c.name)), c.present);
    EXPECT_EQ(OpenHandles(), 0u) << "a handle was left open";
    EXPECT_EQ(ntmodel::OutstandingPool().size(), blocks) << "a buffer was left allocated";
  }
  EXPECT_EQ(reader.PathText(), kService + u"\\") << "asking does not move the reader";
}

TEST_F(RegistryReader, IsKeyPresentOnAPathWithoutSeparatorIsFalse) {
  ReaderProbe reader(CString(u""), kSentinel);
  EXPECT_EQ(reader.IsKeyPresent(CString(u"Dorvik0")), FALSE);
  ReaderProbe relative(CString(u"Dorvik"), kSentinel);
  EXPECT_EQ(relative.IsKeyPresent(CString(u"Dorvik0")), FALSE);
  EXPECT_EQ(OpenHandles(), 0u);
}

// The board device's use of a reader, with the k-th pool allocation failing.
struct SweepCase {
  const char16_t *board;
  UCHAR present;  // the answer when nothing fails
  ULONG port;     // likewise
};

TEST_F(RegistryReader, RunningOutOfPoolAnywhereGivesSafeAnswersAndLeavesNothing) {
  const SweepCase cases[] = {
      {u"Dorvik0", TRUE, 0x368},
      {u"Dorvik2", TRUE, kSentinel},
      {u"Dorvik5", FALSE, kSentinel},
  };
  for (const SweepCase &c : cases) {
    const CString base(kService.c_str());
    const CString board(c.board);
    const CString parameters = Concatenate(board, CString(u"\\Parameters"));
    const CString value_name(u"PortAddress0");
    const size_t blocks = ntmodel::OutstandingPool().size();
    unsigned long long k = 1;
    for (;; ++k) {
      SCOPED_TRACE(Narrow(c.board) + ", allocation " + std::to_string(k) + " fails");
      const unsigned long long start = ntmodel::AllocationCount();
      ntmodel::FailAllocationNumber(k);
      ReaderProbe *reader = new ReaderProbe(base, kSentinel);
      if (reader != nullptr) {
        UCHAR present = reader->IsKeyPresent(board);
        EXPECT_TRUE(present == c.present || present == FALSE) << "a missing board found present";
        reader->SetRelativePath(parameters);
        ULONG port = kSentinel;  // the board device starts from the sentinel, too
        reader->GetKey(value_name, &port, TRUE);
        std::set<ULONG> safe = {c.port, kSentinel};
        if (reader->HeldDefaultType() == REG_NONE) safe.insert(0);
        EXPECT_TRUE(safe.count(port) == 1) << std::hex << port;
        delete reader;
      }
      const bool fault_hit = ntmodel::AllocationCount() - start >= k;
      ntmodel::ClearPoolFaults();
      EXPECT_EQ(OpenHandles(), 0u);
      EXPECT_EQ(ntmodel::OutstandingPool().size(), blocks);
      if (!fault_hit) break;
    }
    EXPECT_GT(k, 5u) << "the sweep reached the reader's allocations";
  }
}

TEST_F(RegistryReader, WithoutItsDefaultAFailedReadStoresZeroAndAMissingValueNothing) {
  // The default's four bytes are the last allocation the constructor makes.
  const CString base(kService.c_str());
  const unsigned long long start = ntmodel::AllocationCount();
  { ReaderProbe probe(base, kSentinel); }
  const unsigned long long default_allocation = ntmodel::AllocationCount() - start;

  const struct {
    const char16_t *relative;
    NTSTATUS status;
    ULONG value;
  } cases[] = {
      {u"Dorvik3\\Parameters", STATUS_OBJECT_NAME_NOT_FOUND, 0},  // key missing: 0 stored
      {u"Dorvik2\\Parameters", STATUS_SUCCESS, kUntouched},       // value missing: nothing
      {u"Dorvik0\\Parameters", STATUS_SUCCESS, 0x368},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(Narrow(c.relative));
    ntmodel::FailAllocationNumber(default_allocation);
    ReaderProbe reader(base, kSentinel);
    ntmodel::ClearPoolFaults();
    ASSERT_EQ(reader.HeldDefaultType(), static_cast<ULONG>(REG_NONE));
    EXPECT_EQ(reader.HeldDefaultData(), nullptr);
    EXPECT_EQ(reader.PathText(), kService + u"\\");
    reader.SetRelativePath(CString(c.relative));
    ULONG value = kUntouched;
    EXPECT_EQ(reader.GetKey(CString(u"PortAddress0"), &value, TRUE), c.status);
    EXPECT_EQ(value, c.value);
  }
}

}  // namespace
