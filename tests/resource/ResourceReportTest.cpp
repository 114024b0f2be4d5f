// Reporting a device's resource list: what reaches the system, how the device
// remembers the claim, and how the claim ends with the device.
#include <KernelTest.h>
#include <TestDevice.h>

#include <vector>

namespace {

class ResourceReportTest : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    created_ = CreateTestDevice(&driver_, u"Dorvik0");
    ASSERT_EQ(STATUS_SUCCESS, created_.status);
    port_.Length = 2;
    port_.BusAddress.QuadPart = 0x368;
    port_.AddressSpace = 1;
  }
  void TearDown() override {
    delete created_.device;
    KernelTest::TearDown();
  }

  // Builds the board's claim: one device-exclusive port range on ISA bus 0.
  CResource *BoardClaim() {
    CResource *resource = new CResource(Isa, 0, created_.device, 1);
    EXPECT_NE(nullptr, resource);
    if (resource != nullptr) {
      EXPECT_EQ(TRUE, resource->AddPortResource(port_, CmResourceShareDeviceExclusive));
    }
    return resource;
  }

  std::vector<UCHAR> Bytes(const CResource &resource) const {
    const UCHAR *start = reinterpret_cast<const UCHAR *>(resource.ResourceList);
    return std::vector<UCHAR>(start, start + resource.ListSize);
  }

  DRIVER_OBJECT driver_{};
  CreatedDevice created_{};
  _FW_MAPPED_ADDRESS port_{};
};

TEST_F(ResourceReportTest, ReportCarriesTheListInTheDevicesName) {
  CResource *resource = BoardClaim();
  ASSERT_NE(nullptr, resource);
  const std::vector<UCHAR> list = Bytes(*resource);
  BOOLEAN conflict = 7;

  EXPECT_EQ(STATUS_SUCCESS,
            resource->AssignCardsResources(CString(u"\\Registry\\Machine\\Dorvik"), &conflict, FALSE));
  EXPECT_EQ(FALSE, conflict);
  EXPECT_EQ(static_cast<ULONG>(ClaimReported), created_.device->ResourceClaim);

  std::vector<ntmodel::ResourceReportCall> calls = ntmodel::ResourceReportCalls();
  ASSERT_EQ(1u, calls.size());
  EXPECT_FALSE(calls[0].class_name_given);
  EXPECT_EQ(&driver_, calls[0].driver);
  EXPECT_FALSE(calls[0].driver_list_given);
  EXPECT_EQ(0u, calls[0].driver_list_size);
  EXPECT_EQ(created_.device_object, calls[0].device);
  EXPECT_EQ(list, calls[0].device_list);
  EXPECT_EQ(resource->ListSize, calls[0].device_list_size);
  EXPECT_EQ(FALSE, calls[0].override_conflict);

  // The system keeps its own copy: the claim outlives the object.
  delete resource;
  EXPECT_EQ(list, ntmodel::ClaimedList(&driver_, created_.device_object));

  delete created_.device;
  created_.device = nullptr;
  EXPECT_TRUE(ntmodel::ResourceClaims().empty());
}

TEST_F(ResourceReportTest, OverrideFlagIsPassedOn) {
  CResource *resource = BoardClaim();
  ASSERT_NE(nullptr, resource);
  BOOLEAN conflict = FALSE;
  EXPECT_EQ(STATUS_SUCCESS, resource->AssignCardsResources(CString(), &conflict, TRUE));
  delete resource;
  std::vector<ntmodel::ResourceReportCall> calls = ntmodel::ResourceReportCalls();
  ASSERT_EQ(1u, calls.size());
  EXPECT_EQ(TRUE, calls[0].override_conflict);
}

// The system flags the conflict with a success status; the claim counts as
// reported, and the device's cleanup releases whatever the system kept.
TEST_F(ResourceReportTest, ConflictIsFlaggedWithSuccess) {
  ntmodel::ClaimPortsForAnotherDriver(0x369, 1);
  CResource *resource = BoardClaim();
  ASSERT_NE(nullptr, resource);
  BOOLEAN conflict = FALSE;
  EXPECT_EQ(STATUS_SUCCESS, resource->AssignCardsResources(CString(), &conflict, FALSE));
  delete resource;
  EXPECT_EQ(TRUE, conflict);
  EXPECT_EQ(static_cast<ULONG>(ClaimReported), created_.device->ResourceClaim);
  EXPECT_TRUE(ntmodel::ClaimedList(&driver_, created_.device_object).empty());
}

TEST_F(ResourceReportTest, ConflictOverriddenIsKeptAndReleasedWithTheDevice) {
  ntmodel::ClaimPortsForAnotherDriver(0x368, 2);
  CResource *resource = BoardClaim();
  ASSERT_NE(nullptr, resource);
  BOOLEAN conflict = FALSE;
  EXPECT_EQ(STATUS_SUCCESS, resource->AssignCardsResources(CString(), &conflict, TRUE));
  delete resource;
  EXPECT_EQ(TRUE, conflict);
  EXPECT_FALSE(ntmodel::ClaimedList(&driver_, created_.device_object).empty());

  delete created_.device;
  created_.device = nullptr;
  EXPECT_TRUE(ntmodel::ClaimedList(&driver_, created_.device_object).empty());
  EXPECT_EQ(1u, ntmodel::ResourceClaims().size());  // the other driver's stays
}

TEST_F(ResourceReportTest, FailedReportLeavesTheDeviceUnclaimed) {
  ntmodel::FailNextResourceReport(STATUS_INSUFFICIENT_RESOURCES);
  CResource *resource = BoardClaim();
  ASSERT_NE(nullptr, resource);
  BOOLEAN conflict = FALSE;
  EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES, resource->AssignCardsResources(CString(), &conflict, FALSE));
  delete resource;
  EXPECT_EQ(static_cast<ULONG>(ClaimNone), created_.device->ResourceClaim);
  EXPECT_TRUE(ntmodel::ResourceClaims().empty());

  delete created_.device;
  created_.device = nullptr;
  EXPECT_EQ(1u, ntmodel::ResourceReportCalls().size());  // no release of a claim never made
}

}  // namespace
