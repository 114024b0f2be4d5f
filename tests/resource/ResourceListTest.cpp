// The resource list a CResource builds: its size for a number of port
// ranges, its header, and the port descriptors AddPortResource fills.
#include <KernelTest.h>
#include <TestDevice.h>

#include <cstring>
#include <vector>

namespace {

class ResourceListTest : public KernelTest {
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
  std::vector<UCHAR> Bytes(const CResource &resource) const {
    const UCHAR *start = reinterpret_cast<const UCHAR *>(resource.ResourceList);
    return std::vector<UCHAR>(start, start + resource.ListSize);
  }
  DRIVER_OBJECT driver_{};
  CreatedDevice created_{};
};

struct SizeCase {
  ULONG max_descriptors;
  ULONG size_on_x86;  // the platform's numbers: 36 + 16 per further descriptor
};

class ListSizeTest : public ResourceListTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(ListSizeTest, ListHasRoomForTheMaximumAndAtLeastOne) {
  const SizeCase &c = GetParam();
  CResource *resource = new CResource(Isa, 0, created_.device, c.max_descriptors);
  ASSERT_NE(nullptr, resource);
  ASSERT_TRUE(resource->Valid);
  const ULONG further = c.max_descriptors == 0 ? 0 : c.max_descriptors - 1;
  EXPECT_EQ(sizeof(CM_RESOURCE_LIST) + further * sizeof(CM_PARTIAL_RESOURCE_DESCRIPTOR),
            resource->ListSize);
  if (sizeof(void *) == 4) {
    EXPECT_EQ(c.size_on_x86, resource->ListSize);
  }

  bool found = false;
  for (const ntmodel::PoolBlock &block : ntmodel::OutstandingPool()) {
    if (block.address != resource->ResourceList) continue;
    found = true;
    EXPECT_EQ(PagedPool, block.type);
    EXPECT_EQ(FW_POOL_TAG, block.tag);
    EXPECT_EQ(resource->ListSize, block.size);
  }
  EXPECT_TRUE(found);
  delete resource;
}

INSTANTIATE_TEST_SUITE_P(Maximums, ListSizeTest,
                         ::testing::Values(SizeCase{0, 36}, SizeCase{1, 36}, SizeCase{2, 52},
                                           SizeCase{3, 68}));

TEST_F(ResourceListTest, NewListHasOneEmptyFullDescriptorForItsBus) {
  CResource *resource = new CResource(Eisa, 3, created_.device, 2);
  ASSERT_NE(nullptr, resource);
  EXPECT_EQ(created_.device, resource->Device);
  EXPECT_EQ(2u, resource->MaxDescriptors);
  EXPECT_EQ(Eisa, resource->InterfaceType);
  EXPECT_EQ(3u, resource->BusNumber);

  CM_RESOURCE_LIST expected_header;
  std::memset(&expected_header, 0, sizeof(expected_header));
  expected_header.Count = 1;
  expected_header.List[0].InterfaceType = Eisa;
  expected_header.List[0].BusNumber = 3;
  std::vector<UCHAR> expected(resource->ListSize, 0);
  std::memcpy(expected.data(), &expected_header, sizeof(expected_header));
  EXPECT_EQ(expected, Bytes(*resource));  // Version, Revision, Count 0; all else zero
  delete resource;
}

class CapacityTest : public ResourceListTest, public ::testing::WithParamInterface<ULONG> {};

TEST_P(CapacityTest, AddsUpToTheMaximumThenRefusesWithoutChange) {
  const ULONG max = GetParam();
  CResource *resource = new CResource(Isa, 0, created_.device, max);
  ASSERT_NE(nullptr, resource);
  _FW_MAPPED_ADDRESS range{};
  range.Length = 2;
  for (ULONG i = 0; i < max; ++i) {
    range.BusAddress.QuadPart = 0x300 + 0x10 * i;
    EXPECT_EQ(TRUE, resource->AddPortResource(range, CmResourceShareDeviceExclusive)) << i;
  }
  const std::vector<UCHAR> full = Bytes(*resource);
  range.BusAddress.QuadPart = 0x3F0;
  EXPECT_EQ(FALSE, resource->AddPortResource(range, CmResourceShareDeviceExclusive));
  EXPECT_EQ(full, Bytes(*resource));
  EXPECT_EQ(max, resource->ResourceList->List[0].PartialResourceList.Count);
  delete resource;
}

INSTANTIATE_TEST_SUITE_P(Maximums, CapacityTest, ::testing::Values(0u, 1u, 3u));

struct PortCase {
  const char *name;
  ULONG address_space;
  BOOLEAN mapped;
  CM_SHARE_DISPOSITION share;
  ULONG low;
  LONG high;
  ULONG length;
  USHORT flags;
};

class PortDescriptorTest : public ResourceListTest, public ::testing::WithParamInterface<PortCase> {};

TEST_P(PortDescriptorTest, DescribesTheUntranslatedRange) {
  const PortCase &c = GetParam();
  CResource *resource = new CResource(Isa, 0, created_.device, 2);
  ASSERT_NE(nullptr, resource);
  _FW_MAPPED_ADDRESS range{};
  range.MappedAddress = 0xFE000000;  // never reported: the bus address is
  range.Length = c.length;
  range.BusAddress.LowPart = c.low;
  range.BusAddress.HighPart = c.high;
  range.AddressSpace = c.address_space;
  range.Mapped = c.mapped;
  ASSERT_EQ(TRUE, resource->AddPortResource(range, c.share));

  const CM_FULL_RESOURCE_DESCRIPTOR &full = resource->ResourceList->List[0];
  EXPECT_EQ(1u, resource->ResourceList->Count);
  EXPECT_EQ(1u, full.PartialResourceList.Count);
  const CM_PARTIAL_RESOURCE_DESCRIPTOR &d = full.PartialResourceList.PartialDescriptors[0];
  EXPECT_EQ(CmResourceTypePort, d.Type);
  EXPECT_EQ(c.share, d.ShareDisposition);
  EXPECT_EQ(c.flags, d.Flags);
  EXPECT_EQ(c.low, d.u.Port.Start.LowPart);
  EXPECT_EQ(c.high, d.u.Port.Start.HighPart);
  EXPECT_EQ(c.length, d.u.Port.Length);
  delete resource;
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, PortDescriptorTest,
    ::testing::Values(
        PortCase{"BoardPortInIoSpace", 1, FALSE, CmResourceShareDeviceExclusive, 0x368, 0, 2,
                 CM_RESOURCE_PORT_IO},
        PortCase{"PortMappedIntoMemory", 1, TRUE, CmResourceShareDeviceExclusive, 0x368, 0, 2,
                 CM_RESOURCE_PORT_MEMORY},
        // The flag follows how the range is reached, not the bus space recorded.
        PortCase{"MemoryBusSpaceReachedAsPorts", 0, FALSE, CmResourceShareDeviceExclusive, 0x368,
                 0, 2, CM_RESOURCE_PORT_IO},
        PortCase{"SharedAboveFourGigabytes", 1, FALSE, CmResourceShareShared, 0x1000, 1, 0x20,
                 CM_RESOURCE_PORT_IO}),
    [](const ::testing::TestParamInfo<PortCase> &info) { return info.param.name; });

TEST_F(ResourceListTest, OperatorNewZeroFillsPagedPool) {
  const size_t size = sizeof(CResource) + 24;
  void *storage = CResource::operator new(size);
  ASSERT_NE(nullptr, storage);
  const UCHAR *bytes = static_cast<const UCHAR *>(storage);
  for (size_t i = 0; i < size; ++i) ASSERT_EQ(0, bytes[i]) << "byte " << i;
  std::vector<ntmodel::PoolBlock> pool = ntmodel::OutstandingPool();
  bool found = false;
  for (const ntmodel::PoolBlock &block : pool) {
    if (block.address != storage) continue;
    found = true;
    EXPECT_EQ(PagedPool, block.type);
    EXPECT_EQ(FW_POOL_TAG, block.tag);
  }
  EXPECT_TRUE(found);
  CResource::operator delete(storage);
}

TEST_F(ResourceListTest, ExhaustedPoolYieldsNullWithoutConstructing) {
  const unsigned long long before = ntmodel::AllocationCount();
  ntmodel::FailAllocationNumber(1);
  CResource *resource = new CResource(Isa, 0, created_.device, 1);
  EXPECT_EQ(nullptr, resource);
  // A constructor would have asked for the list as well.
  EXPECT_EQ(before + 1, ntmodel::AllocationCount());
}

TEST_F(ResourceListTest, ListThatCannotBeAllocatedMakesAnInvalidClaim) {
  ntmodel::FailAllocationNumber(2);  // the object, then its list
  CResource *resource = new CResource(Isa, 0, created_.device, 1);
  ntmodel::ClearPoolFaults();
  ASSERT_NE(nullptr, resource);
  EXPECT_FALSE(resource->Valid);
  EXPECT_EQ(nullptr, resource->ResourceList);

  _FW_MAPPED_ADDRESS range{};
  range.Length = 2;
  range.BusAddress.QuadPart = 0x368;
  EXPECT_EQ(FALSE, resource->AddPortResource(range, CmResourceShareDeviceExclusive));
  BOOLEAN conflict = 7;
  EXPECT_EQ(STATUS_UNSUCCESSFUL, resource->AssignCardsResources(CString(), &conflict, FALSE));
  EXPECT_EQ(7, conflict);
  EXPECT_TRUE(ntmodel::ResourceReportCalls().empty());
  EXPECT_EQ(static_cast<ULONG>(ClaimNone), created_.device->ResourceClaim);
  delete resource;
}

}  // namespace
