// The kernel model's resource arbiter: which reported ranges conflict, what a
// conflict does with and without override, and how claims end.
#include <KernelTest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A list with one full descriptor holding one port range.
CM_RESOURCE_LIST PortList(ULONGLONG start, ULONG length,
                          CM_SHARE_DISPOSITION share = CmResourceShareDeviceExclusive,
                          ULONG bus = 0) {
  CM_RESOURCE_LIST list;
  std::memset(&list, 0, sizeof(list));
  list.Count = 1;
  list.List[0].InterfaceType = Isa;
  list.List[0].BusNumber = bus;
  list.List[0].PartialResourceList.Count = 1;
  CM_PARTIAL_RESOURCE_DESCRIPTOR &port = list.List[0].PartialResourceList.PartialDescriptors[0];
  port.Type = CmResourceTypePort;
  port.ShareDisposition = static_cast<UCHAR>(share);
  port.Flags = CM_RESOURCE_PORT_IO;
  port.u.Port.Start.QuadPart = static_cast<LONGLONG>(start);
  port.u.Port.Length = length;
  return list;
}

class ResourceArbiterModelTest : public KernelTest {
 protected:
  NTSTATUS Report(PDRIVER_OBJECT driver, PDEVICE_OBJECT device, CM_RESOURCE_LIST list,
                  BOOLEAN override_conflict, BOOLEAN *conflict) {
    return IoReportResourceUsage(nullptr, driver, nullptr, 0, device, &list, sizeof(list),
                                 override_conflict, conflict);
  }
  NTSTATUS Release(PDRIVER_OBJECT driver, PDEVICE_OBJECT device) {
    CM_RESOURCE_LIST empty;
    std::memset(&empty, 0, sizeof(empty));
    BOOLEAN conflict = FALSE;
    return IoReportResourceUsage(nullptr, driver, nullptr, 0, device, &empty, sizeof(empty), TRUE,
                                 &conflict);
  }
  DRIVER_OBJECT ours_{};
  DRIVER_OBJECT theirs_{};
  DEVICE_OBJECT device_a_{};
  DEVICE_OBJECT device_b_{};
};

struct OverlapCase {
  const char *name;
  ULONGLONG start;
  ULONG length;
  CM_SHARE_DISPOSITION ours;
  CM_SHARE_DISPOSITION theirs;
  ULONG bus;
  bool conflict;
};

class OverlapTest : public ResourceArbiterModelTest,
                    public ::testing::WithParamInterface<OverlapCase> {};

// Another driver holds ports 0x368-0x369.
TEST_P(OverlapTest, ConflictIsAnyOverlapUnlessBothShare) {
  const OverlapCase &c = GetParam();
  ntmodel::ClaimPortsForAnotherDriver(0x368, 2, c.theirs);
  BOOLEAN conflict = 7;
  EXPECT_EQ(STATUS_SUCCESS,
            Report(&ours_, &device_a_, PortList(c.start, c.length, c.ours, c.bus), FALSE, &conflict));
  EXPECT_EQ(c.conflict ? TRUE : FALSE, conflict);
  // Without override only a list free of conflicts is entered.
  EXPECT_EQ(!c.conflict, !ntmodel::ClaimedList(&ours_, &device_a_).empty());
  Release(&ours_, &device_a_);
}

const CM_SHARE_DISPOSITION kExclusive = CmResourceShareDeviceExclusive;
const CM_SHARE_DISPOSITION kShared = CmResourceShareShared;

INSTANTIATE_TEST_SUITE_P(
    Ranges, OverlapTest,
    ::testing::Values(OverlapCase{"Same", 0x368, 2, kExclusive, kExclusive, 0, true},
                      OverlapCase{"LastByte", 0x369, 1, kExclusive, kExclusive, 0, true},
                      OverlapCase{"Around", 0x360, 0x10, kExclusive, kExclusive, 0, true},
                      OverlapCase{"EndsBelow", 0x366, 2, kExclusive, kExclusive, 0, false},
                      OverlapCase{"StartsAbove", 0x36A, 2, kExclusive, kExclusive, 0, false},
                      OverlapCase{"BothShared", 0x368, 2, kShared, kShared, 0, false},
                      OverlapCase{"OnlyTheyShare", 0x368, 2, kExclusive, kShared, 0, true},
                      OverlapCase{"OnlyWeShare", 0x368, 2, kShared, kExclusive, 0, true},
                      OverlapCase{"OtherBus", 0x368, 2, kExclusive, kExclusive, 1, false},
                      OverlapCase{"Empty", 0x368, 0, kExclusive, kExclusive, 0, false}),
    [](const ::testing::TestParamInfo<OverlapCase> &info) { return info.param.name; });

TEST_F(ResourceArbiterModelTest, OverrideEntersAConflictingList) {
  ntmodel::ClaimPortsForAnotherDriver(0x368, 2);
  BOOLEAN conflict = FALSE;
  EXPECT_EQ(STATUS_SUCCESS, Report(&ours_, &device_a_, PortList(0x368, 2), TRUE, &conflict));
  EXPECT_EQ(TRUE, conflict);
  EXPECT_FALSE(ntmodel::ClaimedList(&ours_, &device_a_).empty());
  Release(&ours_, &device_a_);
  EXPECT_TRUE(ntmodel::ClaimedList(&ours_, &device_a_).empty());
}

TEST_F(ResourceArbiterModelTest, ConflictStatusCanBeChosen) {
  ntmodel::ClaimPortsForAnotherDriver(0x368, 2);
  ntmodel::SetConflictStatus(STATUS_CONFLICTING_ADDRESSES);
  BOOLEAN conflict = FALSE;
  EXPECT_EQ(STATUS_CONFLICTING_ADDRESSES, Report(&ours_, &device_a_, PortList(0x368, 2), FALSE, &conflict));
  EXPECT_EQ(TRUE, conflict);
}

// Every other list counts, also the same driver's other devices; a device's
// new report replaces its own old one.
TEST_F(ResourceArbiterModelTest, ListsCompeteWithEveryOtherDevice) {
  BOOLEAN conflict = TRUE;
  ASSERT_EQ(STATUS_SUCCESS, Report(&ours_, &device_a_, PortList(0x368, 2), FALSE, &conflict));
  EXPECT_EQ(FALSE, conflict);
  ASSERT_EQ(STATUS_SUCCESS, Report(&ours_, &device_a_, PortList(0x368, 4), FALSE, &conflict));
  EXPECT_EQ(FALSE, conflict);
  EXPECT_EQ(1u, ntmodel::ResourceClaims().size());

  ASSERT_EQ(STATUS_SUCCESS, Report(&ours_, &device_b_, PortList(0x36A, 2), FALSE, &conflict));
  EXPECT_EQ(TRUE, conflict);
  ASSERT_EQ(STATUS_SUCCESS, Report(&theirs_, &device_b_, PortList(0x369, 1), FALSE, &conflict));
  EXPECT_EQ(TRUE, conflict);
  EXPECT_EQ(1u, ntmodel::ResourceClaims().size());
  Release(&ours_, &device_a_);
}

TEST_F(ResourceArbiterModelTest, ClaimsStillReportedAreLeftBehind) {
  BOOLEAN conflict = FALSE;
  ASSERT_EQ(STATUS_SUCCESS, Report(&ours_, &device_a_, PortList(0x368, 2), FALSE, &conflict));
  ntmodel::ClaimPortsForAnotherDriver(0x3F8, 8);  // not ours: never left behind
  std::vector<std::string> left = ntmodel::LeftBehind();
  ASSERT_EQ(1u, left.size());
  EXPECT_NE(std::string::npos, left[0].find("port 0x368 length 2"));
  Release(&ours_, &device_a_);
  EXPECT_TRUE(ntmodel::LeftBehind().empty());
}

TEST_F(ResourceArbiterModelTest, AssignResourcesWithoutRequirementsReleases) {
  BOOLEAN conflict = FALSE;
  ASSERT_EQ(STATUS_SUCCESS, Report(&ours_, &device_a_, PortList(0x368, 2), FALSE, &conflict));
  UNICODE_STRING path;
  RtlInitUnicodeString(&path, u"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\Dorvik");
  EXPECT_EQ(STATUS_SUCCESS, IoAssignResources(&path, nullptr, &ours_, &device_a_, nullptr, nullptr));
  EXPECT_TRUE(ntmodel::ResourceClaims().empty());
  ASSERT_EQ(1u, ntmodel::AssignResourcesCalls().size());
  EXPECT_FALSE(ntmodel::AssignResourcesCalls()[0].class_name_given);
}

TEST_F(ResourceArbiterModelTest, ListRunningPastItsSizeIsAViolation) {
  CM_RESOURCE_LIST list = PortList(0x368, 2);
  list.List[0].PartialResourceList.Count = 2;  // one more than the list holds
  BOOLEAN conflict = FALSE;
  ntmodel::ViolationCapture capture;
  EXPECT_EQ(STATUS_INVALID_PARAMETER, Report(&ours_, &device_a_, list, FALSE, &conflict));
  EXPECT_TRUE(capture.Contains("runs past its size"));
  EXPECT_TRUE(ntmodel::ResourceClaims().empty());
}

TEST_F(ResourceArbiterModelTest, FailureIsInjectable) {
  ntmodel::FailNextResourceReport(STATUS_INSUFFICIENT_RESOURCES);
  BOOLEAN conflict = FALSE;
  EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES, Report(&ours_, &device_a_, PortList(0x368, 2), FALSE, &conflict));
  EXPECT_TRUE(ntmodel::ResourceClaims().empty());
  EXPECT_EQ(STATUS_SUCCESS, Report(&ours_, &device_a_, PortList(0x368, 2), FALSE, &conflict));
  Release(&ours_, &device_a_);
}

}  // namespace
