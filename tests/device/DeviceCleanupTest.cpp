// Taking a device down: after a constructor raised (CleanupFromCreateDevice)
// and after full construction (the destructor chain), with whatever the
// device holds: link, reported or assigned claim, interrupt, owned objects.
#include <KernelTest.h>
#include <TestDevice.h>

#include <cstring>
#include <string>
#include <vector>

// CleanupDeviceOnExit is private to the framework; this reaches it the way
// only the framework itself does, to show that a second run does nothing.
template <VOID (CDevice::*Member)()>
struct PrivateCleanup {
  friend VOID (CDevice::*CleanupMember())() { return Member; }
};
template struct PrivateCleanup<&CDevice::CleanupDeviceOnExit>;
VOID (CDevice::*CleanupMember())();

namespace {

class DeviceCleanupTest : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    TestDevice::destructions = 0;
  }

  // The release calls: IoReportResourceUsage with an empty list.
  std::vector<ntmodel::ResourceReportCall> Releases() const {
    std::vector<ntmodel::ResourceReportCall> out;
    for (const auto &call : ntmodel::ResourceReportCalls()) {
      ULONG count = 1;
      if (call.device_list.size() >= sizeof(ULONG)) std::memcpy(&count, call.device_list.data(), sizeof(ULONG));
      if (count == 0) out.push_back(call);
    }
    return out;
  }

  unsigned LinkDeletions() const {
    unsigned n = 0;
    for (const auto &call : ntmodel::SymbolicLinkCalls()) n += call.create ? 0 : 1;
    return n;
  }

  void ExpectOneReleaseOf(PDEVICE_OBJECT object) {
    std::vector<ntmodel::ResourceReportCall> releases = Releases();
    ASSERT_EQ(1u, releases.size());
    const ntmodel::ResourceReportCall &r = releases[0];
    EXPECT_FALSE(r.class_name_given);
    EXPECT_EQ(&driver_, r.driver);
    EXPECT_FALSE(r.driver_list_given);
    EXPECT_EQ(0u, r.driver_list_size);
    EXPECT_EQ(object, r.device);
    EXPECT_EQ(sizeof(CM_RESOURCE_LIST), r.device_list_size);
    EXPECT_EQ(std::vector<UCHAR>(sizeof(CM_RESOURCE_LIST), 0), r.device_list);
    EXPECT_EQ(TRUE, r.override_conflict);
  }

  DRIVER_OBJECT driver_{};
};

struct RaiseCase {
  const char *name;
  RaiseAt raise_at;
  bool map_in_memory_space;
  unsigned link_deletions;
  unsigned releases;
};

class RaisedConstructionTest : public DeviceCleanupTest,
                               public ::testing::WithParamInterface<RaiseCase> {};

TEST_P(RaisedConstructionTest, CleanupUndoesTheFrameworksPart) {
  const RaiseCase &c = GetParam();
  if (c.map_in_memory_space) {
    ntmodel::AddTranslationRule({Isa, 0, 1, 0x368, 2, ntmodel::Translation::kMemorySpace, 0xFE000000});
  }
  TestDeviceSetup setup;
  setup.link_name = u"Dorvik0";
  setup.map_port = true;
  setup.claim_port = true;
  setup.raise_at = c.raise_at;

  CreatedDevice created = CreateTestDevice(&driver_, u"Dorvik0", setup);
  EXPECT_EQ(STATUS_DEVICE_CONFIGURATION_ERROR, created.status);
  EXPECT_EQ(nullptr, ntmodel::FindDevice(u"\\Device\\Dorvik0"));
  EXPECT_EQ(nullptr, driver_.DeviceObject);
  EXPECT_FALSE(ntmodel::SymbolicLinkExists(u"\\DosDevices\\Dorvik0"));
  EXPECT_TRUE(ntmodel::ResourceClaims().empty());
  EXPECT_EQ(c.link_deletions, LinkDeletions());
  EXPECT_EQ(c.releases, Releases().size());
  // The derived destructor never runs for a build that raised.
  EXPECT_EQ(0, TestDevice::destructions);
  // Strings freed, nothing mapped: TearDown checks what is left behind.
}

INSTANTIATE_TEST_SUITE_P(
    RaisePoints, RaisedConstructionTest,
    ::testing::Values(RaiseCase{"AfterBase", RaiseAt::kAfterBase, false, 0, 0},
                      RaiseCase{"AfterLink", RaiseAt::kAfterLink, false, 1, 0},
                      RaiseCase{"AfterMap", RaiseAt::kAfterMap, true, 1, 0},
                      RaiseCase{"AfterClaim", RaiseAt::kAfterClaim, false, 1, 1},
                      RaiseCase{"AfterClaimInMemorySpace", RaiseAt::kAfterClaim, true, 1, 1}),
    [](const ::testing::TestParamInfo<RaiseCase> &info) { return info.param.name; });

TEST_F(DeviceCleanupTest, ClaimOfAnotherDriverFailsTheBuildAndLeavesTheirClaim) {
  ntmodel::ClaimPortsForAnotherDriver(0x368, 2);
  TestDeviceSetup setup;
  setup.link_name = u"Dorvik0";
  setup.claim_port = true;
  CreatedDevice created = CreateTestDevice(&driver_, u"Dorvik0", setup);
  EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES, created.status);
  EXPECT_EQ(nullptr, driver_.DeviceObject);
  EXPECT_FALSE(ntmodel::SymbolicLinkExists(u"\\DosDevices\\Dorvik0"));
  std::vector<ntmodel::ResourceClaim> claims = ntmodel::ResourceClaims();
  ASSERT_EQ(1u, claims.size());
  EXPECT_EQ(nullptr, claims[0].driver);
}

TEST_F(DeviceCleanupTest, CleanupOfNullDoesNothing) {
  CleanupFromCreateDevice(nullptr);
  EXPECT_TRUE(ntmodel::SymbolicLinkCalls().empty());
  EXPECT_TRUE(ntmodel::ResourceReportCalls().empty());
}

struct DestroyCase {
  const char *name;
  bool link;
  bool claim;
};

class DestroyTest : public DeviceCleanupTest, public ::testing::WithParamInterface<DestroyCase> {};

TEST_P(DestroyTest, DestructorReleasesExactlyWhatTheDeviceHolds) {
  const DestroyCase &c = GetParam();
  TestDeviceSetup setup;
  if (c.link) setup.link_name = u"Dorvik0";
  setup.claim_port = c.claim;
  CreatedDevice created = CreateTestDevice(&driver_, u"Dorvik0", setup);
  ASSERT_EQ(STATUS_SUCCESS, created.status);
  EXPECT_EQ(static_cast<ULONG>(c.claim ? ClaimReported : ClaimNone), created.device->ResourceClaim);
  EXPECT_EQ(c.claim, !ntmodel::ClaimedList(&driver_, created.device_object).empty());

  delete created.device;  // the deleting destructor, as at unload

  EXPECT_EQ(1, TestDevice::destructions);
  EXPECT_FALSE(ntmodel::DeviceExists(created.device_object));
  EXPECT_EQ(nullptr, driver_.DeviceObject);
  EXPECT_EQ(c.link ? 1u : 0u, LinkDeletions());
  EXPECT_FALSE(ntmodel::SymbolicLinkExists(u"\\DosDevices\\Dorvik0"));
  EXPECT_TRUE(ntmodel::ResourceClaims().empty());
  if (c.claim) {
    ExpectOneReleaseOf(created.device_object);
  } else {
    EXPECT_TRUE(Releases().empty());
  }
  EXPECT_TRUE(ntmodel::AssignResourcesCalls().empty());
}

INSTANTIATE_TEST_SUITE_P(Holdings, DestroyTest,
                         ::testing::Values(DestroyCase{"Nothing", false, false},
                                           DestroyCase{"LinkOnly", true, false},
                                           DestroyCase{"ClaimOnly", false, true},
                                           DestroyCase{"LinkAndClaim", true, true}),
                         [](const ::testing::TestParamInfo<DestroyCase> &info) {
                           return info.param.name;
                         });

TEST_F(DeviceCleanupTest, OnlyTheDeviceItselfLeavesTheDriversList) {
  CreatedDevice first = CreateTestDevice(&driver_, u"Dorvik0");
  CreatedDevice second = CreateTestDevice(&driver_, u"Dorvik1");
  CreatedDevice third = CreateTestDevice(&driver_, u"Dorvik2");
  ASSERT_EQ(third.device_object, driver_.DeviceObject);  // new devices join at the head

  delete second.device;
  EXPECT_EQ(third.device_object, driver_.DeviceObject);
  EXPECT_EQ(first.device_object, third.device_object->NextDevice);
  EXPECT_EQ(nullptr, first.device_object->NextDevice);

  delete third.device;
  delete first.device;
  EXPECT_EQ(nullptr, driver_.DeviceObject);
}

TEST_F(DeviceCleanupTest, SecondCleanupDoesNothingMore) {
  TestDeviceSetup setup;
  setup.link_name = u"Dorvik0";
  setup.claim_port = true;
  CreatedDevice created = CreateTestDevice(&driver_, u"Dorvik0", setup);
  ASSERT_EQ(STATUS_SUCCESS, created.status);
  TestDevice *device = created.device;
  device->InterruptObject = reinterpret_cast<PKINTERRUPT>(0x1000);

  (device->*CleanupMember())();
  EXPECT_EQ(0, device->Win32Name.UnicodeString.Length);
  EXPECT_EQ(static_cast<ULONG>(ClaimNone), device->ResourceClaim);
  EXPECT_EQ(nullptr, device->InterruptObject);
  EXPECT_TRUE(ntmodel::ResourceClaims().empty());
  EXPECT_FALSE(ntmodel::SymbolicLinkExists(u"\\DosDevices\\Dorvik0"));
  // The device object itself stays until the destructor.
  EXPECT_TRUE(ntmodel::DeviceExists(created.device_object));

  (device->*CleanupMember())();
  delete device;  // its destructor cleans up a third time

  EXPECT_EQ(1u, LinkDeletions());
  EXPECT_EQ(1u, Releases().size());
  EXPECT_EQ(1u, ntmodel::DisconnectedInterrupts().size());
  EXPECT_FALSE(ntmodel::DeviceExists(created.device_object));
}

// A string that records when it is destroyed, for the order of the owned objects.
std::vector<std::string> g_destroyed;

class RecordingString : public CString {
 public:
  RecordingString(PCWSTR text, const char *label) : CString(text), label_(label) {}
  ~RecordingString() override { g_destroyed.push_back(label_); }

 private:
  const char *label_;
};

TEST_F(DeviceCleanupTest, AssignedClaimInterruptAndOwnedObjectsAreReleased) {
  g_destroyed.clear();
  CreatedDevice created = CreateTestDevice(&driver_, u"Dorvik0");
  ASSERT_EQ(STATUS_SUCCESS, created.status);
  TestDevice *device = created.device;
  // What a derived device sets up when it claims through IoAssignResources.
  device->RegistryPath = CString(u"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\Dorvik");
  device->ClassName = new RecordingString(u"Ports", "class name");
  device->OwnedObject1 = new RecordingString(u"one", "first slot");
  device->OwnedObject2 = new RecordingString(u"two", "second slot");
  device->ResourceClaim = ClaimAssigned;
  PKINTERRUPT interrupt = reinterpret_cast<PKINTERRUPT>(0x2000);
  device->InterruptObject = interrupt;

  delete device;

  std::vector<ntmodel::AssignResourcesCall> assigns = ntmodel::AssignResourcesCalls();
  ASSERT_EQ(1u, assigns.size());
  EXPECT_EQ(u"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\Dorvik",
            assigns[0].registry_path);
  ASSERT_TRUE(assigns[0].class_name_given);
  EXPECT_EQ(u"Ports", assigns[0].class_name);
  EXPECT_EQ(&driver_, assigns[0].driver);
  EXPECT_EQ(created.device_object, assigns[0].device);
  EXPECT_FALSE(assigns[0].requested_given);
  EXPECT_FALSE(assigns[0].allocated_given);
  EXPECT_TRUE(ntmodel::ResourceReportCalls().empty());

  EXPECT_EQ(std::vector<const void *>{interrupt}, ntmodel::DisconnectedInterrupts());
  EXPECT_EQ((std::vector<std::string>{"first slot", "class name", "second slot"}), g_destroyed);
}

TEST_F(DeviceCleanupTest, AssignedClaimWithoutClassNamePassesNone) {
  CreatedDevice created = CreateTestDevice(&driver_, u"Dorvik0");
  ASSERT_EQ(STATUS_SUCCESS, created.status);
  created.device->ResourceClaim = ClaimAssigned;
  delete created.device;
  std::vector<ntmodel::AssignResourcesCall> assigns = ntmodel::AssignResourcesCalls();
  ASSERT_EQ(1u, assigns.size());
  EXPECT_FALSE(assigns[0].class_name_given);
  EXPECT_EQ(u"", assigns[0].registry_path);
}

}  // namespace
