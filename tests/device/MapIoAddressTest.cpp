// MapIoAddress under each way the HAL may translate a bus range: kept in I/O
// space (as is, or moved), moved into memory space (then mapped), refused,
// and a mapping that fails.
#include <KernelTest.h>
#include <TestDevice.h>

namespace {

const ULONG_PTR kUntouched = 0x5A5A5A5A;

struct MapCase {
  const char *name;
  bool add_rule;
  ntmodel::Translation translation;
  ULONGLONG translated_start;
  bool fail_mapping;
  NTSTATUS status;
  BOOLEAN mapped;
  ULONG_PTR expected_address;  // for I/O space; kUntouched when the record keeps its value
};

class MapIoAddressTest : public KernelTest, public ::testing::WithParamInterface<MapCase> {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    created_ = CreateTestDevice(&driver_, u"Dorvik0");
    ASSERT_EQ(STATUS_SUCCESS, created_.status);
  }
  void TearDown() override {
    delete created_.device;
    KernelTest::TearDown();
  }
  DRIVER_OBJECT driver_{};
  CreatedDevice created_{};
};

TEST_P(MapIoAddressTest, CompletesTheRecord) {
  const MapCase &c = GetParam();
  const ULONG bus = 2;  // not 0, so that a bus number dropped on the way shows
  if (c.add_rule) {
    ntmodel::AddTranslationRule({Isa, bus, 1, 0x360, 0x10, c.translation, c.translated_start});
  }
  ntmodel::FailMapIoSpace(c.fail_mapping);

  _FW_MAPPED_ADDRESS range{};
  range.MappedAddress = kUntouched;
  range.Length = 2;
  range.BusAddress.QuadPart = 0x368;
  range.AddressSpace = 1;
  range.Mapped = TRUE;  // stale: MapIoAddress decides afresh

  EXPECT_EQ(c.status, created_.device->MapIoAddress(Isa, bus, range));
  EXPECT_EQ(c.mapped, range.Mapped);
  EXPECT_EQ(1u, range.AddressSpace);  // the record's bus space is never changed
  EXPECT_EQ(0x368, range.BusAddress.QuadPart);

  std::vector<ntmodel::TranslationCall> calls = ntmodel::TranslationCalls();
  ASSERT_EQ(1u, calls.size());
  EXPECT_EQ(Isa, calls[0].interface_type);
  EXPECT_EQ(bus, calls[0].bus_number);
  EXPECT_EQ(0x368, calls[0].bus_address);
  EXPECT_EQ(1u, calls[0].address_space_in);

  std::vector<ntmodel::IoMapping> mappings = ntmodel::IoMappings();
  if (c.mapped) {
    ASSERT_EQ(1u, mappings.size());
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(mappings[0].address), range.MappedAddress);
    EXPECT_EQ(static_cast<LONGLONG>(c.translated_start + 8), mappings[0].physical);
    EXPECT_EQ(2u, mappings[0].length);
    EXPECT_EQ(MmNonCached, mappings[0].cache_type);
    // The owner of the record unmaps it.
    MmUnmapIoSpace(reinterpret_cast<PVOID>(range.MappedAddress), range.Length);
  } else {
    EXPECT_TRUE(mappings.empty());
    EXPECT_EQ(c.expected_address, range.MappedAddress);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Translations, MapIoAddressTest,
    ::testing::Values(
        MapCase{"IoSpaceAsIs", false, ntmodel::Translation::kIoSpace, 0, false, STATUS_SUCCESS,
                FALSE, 0x368},
        MapCase{"IoSpaceMoved", true, ntmodel::Translation::kIoSpace, 0x1360, false,
                STATUS_SUCCESS, FALSE, 0x1368},
        // Only the low part of a translated port address is kept.
        MapCase{"IoSpaceAboveFourGigabytes", true, ntmodel::Translation::kIoSpace,
                0x100001360ull, false, STATUS_SUCCESS, FALSE, 0x1368},
        MapCase{"MemorySpace", true, ntmodel::Translation::kMemorySpace, 0xFE000000, false,
                STATUS_SUCCESS, TRUE, 0},
        MapCase{"Refused", true, ntmodel::Translation::kRefused, 0, false,
                STATUS_INSUFFICIENT_RESOURCES, FALSE, kUntouched},
        MapCase{"MemorySpaceMappingFails", true, ntmodel::Translation::kMemorySpace, 0xFE000000,
                true, STATUS_INSUFFICIENT_RESOURCES, FALSE, 0}),
    [](const ::testing::TestParamInfo<MapCase> &info) { return info.param.name; });

}  // namespace
