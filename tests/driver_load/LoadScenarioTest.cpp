// Loading the driver from the registry: which boards come up, with which
// devices, links and claims, and that unloading leaves nothing behind.
#include <RegistryStore.h>

#include <cctype>

#include "DriverMachine.h"

namespace {
std::u16string Wide(const std::string &text) { return std::u16string(text.begin(), text.end()); }

std::u16string DeviceName(ULONG n) { return Wide("\\Device\\Dorvik" + std::to_string(n)); }
std::u16string LinkName(ULONG n) { return Wide("\\DosDevices\\Dorvik" + std::to_string(n)); }

// The claim a board device reports: one device-exclusive 2-byte I/O range on ISA bus 0.
void ExpectPortClaim(PDEVICE_OBJECT device, PDRIVER_OBJECT driver, ULONG port) {
  std::vector<UCHAR> list = ntmodel::ClaimedList(driver, device);
  ASSERT_EQ(sizeof(CM_RESOURCE_LIST), list.size());
  const auto *resources = reinterpret_cast<const CM_RESOURCE_LIST *>(list.data());
  EXPECT_EQ(1u, resources->Count);
  EXPECT_EQ(Isa, resources->List[0].InterfaceType);
  EXPECT_EQ(0u, resources->List[0].BusNumber);
  const CM_PARTIAL_RESOURCE_LIST &partial = resources->List[0].PartialResourceList;
  ASSERT_EQ(1u, partial.Count);
  const CM_PARTIAL_RESOURCE_DESCRIPTOR &d = partial.PartialDescriptors[0];
  EXPECT_EQ(CmResourceTypePort, d.Type);
  EXPECT_EQ(CmResourceShareDeviceExclusive, d.ShareDisposition);
  EXPECT_EQ(CM_RESOURCE_PORT_IO, d.Flags);
  EXPECT_EQ(port, d.u.Port.Start.LowPart);
  EXPECT_EQ(0, d.u.Port.Start.HighPart);
  EXPECT_EQ(2u, d.u.Port.Length);
}
}  // namespace

class LoadScenarioTest : public DriverMachineTest {
 protected:
  // The boards that are up: each with its device, link and claim, and nothing more.
  void ExpectBoards(const std::vector<BoardConfig> &boards) {
    ASSERT_EQ(boards.size(), Devices().size());
    for (const BoardConfig &b : boards) {
      PDEVICE_OBJECT device = ntmodel::FindDevice(DeviceName(b.number));
      ASSERT_NE(nullptr, device) << "board " << b.number;
      EXPECT_EQ(Driver(), device->DriverObject);
      EXPECT_EQ(0x8000u, device->DeviceType);
      EXPECT_EQ(DeviceName(b.number), ntmodel::SymbolicLinkTarget(LinkName(b.number)));
      ExpectPortClaim(device, Driver(), b.port);
    }
    for (ULONG n = static_cast<ULONG>(boards.size()); n <= 16; ++n) {
      EXPECT_EQ(nullptr, ntmodel::FindDevice(DeviceName(n))) << "board " << n;
      EXPECT_FALSE(ntmodel::SymbolicLinkExists(LinkName(n))) << "board " << n;
    }
  }

  void ExpectNothingOfTheDriverLeft() {
    EXPECT_EQ(nullptr, Driver());
    for (ULONG n = 0; n <= 16; ++n) EXPECT_EQ(nullptr, ntmodel::FindDevice(DeviceName(n)));
    for (const ntmodel::ResourceClaim &claim : ntmodel::ResourceClaims()) {
      EXPECT_EQ(nullptr, claim.driver) << "a claim of the driver outlived it";
    }
    ExpectNothingLeftBehind();
  }
};

TEST_F(LoadScenarioTest, ThreeBoardsComeUpAndGoAway) {
  WriteServiceKey();
  const std::vector<BoardConfig> boards = {{0, 0x368}, {1, 0x3E8}, {2, 0x300}};
  ConfigureBoards(boards);
  ntmodel::LoadResult result = Boot();
  EXPECT_EQ(ntmodel::LoadOutcome::kLoaded, result.outcome);
  EXPECT_EQ(STATUS_SUCCESS, result.status);
  ExpectBoards(boards);
  // The entry point's CDriver is gone, its routines stay.
  PDRIVER_OBJECT driver = Driver();
  EXPECT_NE(nullptr, driver->DriverUnload);
  for (UCHAR major : {IRP_MJ_CREATE, IRP_MJ_CLOSE, IRP_MJ_CLEANUP, IRP_MJ_DEVICE_CONTROL}) {
    EXPECT_NE(nullptr, driver->MajorFunction[major]);
  }
  EXPECT_TRUE(Unload());
  ExpectNothingOfTheDriverLeft();
}

TEST_F(LoadScenarioTest, AGapStopsTheEnumeration) {
  WriteServiceKey();
  ConfigureBoards({{0, 0x368}, {2, 0x300}});
  EXPECT_EQ(ntmodel::LoadOutcome::kLoaded, Boot().outcome);
  ExpectBoards({{0, 0x368}});
}

TEST_F(LoadScenarioTest, AllSixteenBoardsAndNoSeventeenth) {
  WriteServiceKey();
  std::vector<BoardConfig> boards;
  for (ULONG n = 0; n < 16; ++n) boards.push_back({n, 0x200 + 4 * n});
  ConfigureBoards(boards);
  ConfigureBoards({{16, 0x280}});
  EXPECT_EQ(ntmodel::LoadOutcome::kLoaded, Boot().outcome);
  ExpectBoards(boards);
  EXPECT_TRUE(Unload());
  ExpectNothingOfTheDriverLeft();
}

struct FailedBoardZero {
  const char *what;
  void (*prepare)(LoadScenarioTest &);
};

class BoardZeroFailsTest : public LoadScenarioTest,
                           public ::testing::WithParamInterface<FailedBoardZero> {};

TEST_P(BoardZeroFailsTest, DriverDoesNotLoadAndLeavesNothing) {
  WriteServiceKey();
  ConfigureBoards({{1, 0x3E8}});  // never tried once board 0 fails
  GetParam().prepare(*this);
  ntmodel::LoadResult result = Boot();
  EXPECT_EQ(ntmodel::LoadOutcome::kEntryFailed, result.outcome);
  EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES, result.status);
  EXPECT_EQ(nullptr, ntmodel::FindDevice(u"\\Device\\Dorvik0"));
  EXPECT_EQ(nullptr, ntmodel::FindDevice(u"\\Device\\Dorvik1"));
  EXPECT_FALSE(ntmodel::SymbolicLinkExists(u"\\DosDevices\\Dorvik0"));
  ExpectNothingOfTheDriverLeft();
}

const std::string kParameters0 = "SYSTEM\\CurrentControlSet\\Services\\Dorvik\\Dorvik0\\Parameters";

INSTANTIATE_TEST_SUITE_P(
    Causes, BoardZeroFailsTest,
    ::testing::Values(
        FailedBoardZero{"no board key", [](LoadScenarioTest &) {}},
        FailedBoardZero{"board key without parameters",
                        [](LoadScenarioTest &) {
                          regstore::Machine().CreateKey(
                              "SYSTEM\\CurrentControlSet\\Services\\Dorvik\\Dorvik0");
                        }},
        FailedBoardZero{"parameters without PortAddress0",
                        [](LoadScenarioTest &) { regstore::Machine().CreateKey(kParameters0); }},
        FailedBoardZero{"PortAddress0 is the sentinel",
                        [](LoadScenarioTest &) {
                          regstore::Machine().CreateKey(kParameters0);
                          regstore::Machine().SetDword(kParameters0, "PortAddress0", 0xCDCDCDCD);
                        }},
        FailedBoardZero{"range claimed by another driver",
                        [](LoadScenarioTest &) {
                          regstore::Machine().CreateKey(kParameters0);
                          regstore::Machine().SetDword(kParameters0, "PortAddress0", 0x368);
                          ntmodel::ClaimPortsForAnotherDriver(0x369, 1);
                        }},
        FailedBoardZero{"translation refused",
                        [](LoadScenarioTest &) {
                          regstore::Machine().CreateKey(kParameters0);
                          regstore::Machine().SetDword(kParameters0, "PortAddress0", 0x368);
                          ntmodel::AddTranslationRule({Isa, 0, 1, 0x368, 2,
                                                       ntmodel::Translation::kRefused, 0});
                        }}),
    [](const auto &info) {
      std::string name;
      for (const char *c = info.param.what; *c; ++c) name += std::isalnum(*c) ? *c : '_';
      return name;
    });

TEST_F(LoadScenarioTest, NameAlreadyInUseFailsTheBoard) {
  WriteServiceKey();
  ConfigureBoards({{0, 0x368}});
  DRIVER_OBJECT other = {};
  PDEVICE_OBJECT squatter = nullptr;
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, u"\\Device\\Dorvik0");
  ASSERT_EQ(STATUS_SUCCESS, IoCreateDevice(&other, 0, &name, 0x22, 0, FALSE, &squatter));
  ntmodel::LoadResult result = Boot();
  EXPECT_EQ(ntmodel::LoadOutcome::kEntryFailed, result.outcome);
  EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES, result.status);
  EXPECT_EQ(squatter, ntmodel::FindDevice(u"\\Device\\Dorvik0"));
  EXPECT_FALSE(ntmodel::SymbolicLinkExists(u"\\DosDevices\\Dorvik0"));
  IoDeleteDevice(squatter);
}

TEST_F(LoadScenarioTest, TwoBoardsOnOnePortKeepOnlyTheFirst) {
  WriteServiceKey();
  ConfigureBoards({{0, 0x368}, {1, 0x368}});
  EXPECT_EQ(ntmodel::LoadOutcome::kLoaded, Boot().outcome);
  ExpectBoards({{0, 0x368}});
}

TEST_F(LoadScenarioTest, PortZeroIsAnAddressLikeAnyOther) {
  WriteServiceKey();
  ConfigureBoards({{0, 0}});
  EXPECT_EQ(ntmodel::LoadOutcome::kLoaded, Boot().outcome);
  ExpectBoards({{0, 0}});
}

TEST_F(LoadScenarioTest, RangeInMemorySpaceIsMappedAndUnmappedAtUnload) {
  WriteServiceKey();
  ConfigureBoards({{0, 0x368}});
  ntmodel::AddTranslationRule({Isa, 0, 1, 0x368, 2, ntmodel::Translation::kMemorySpace, 0xD0000});
  EXPECT_EQ(ntmodel::LoadOutcome::kLoaded, Boot().outcome);
  ASSERT_EQ(1u, ntmodel::IoMappings().size());
  EXPECT_EQ(0xD0000, ntmodel::IoMappings()[0].physical);
  EXPECT_EQ(2u, ntmodel::IoMappings()[0].length);
  EXPECT_EQ(MmNonCached, ntmodel::IoMappings()[0].cache_type);
  // The claim says how the range is reached: through memory.
  std::vector<UCHAR> list = ntmodel::ClaimedList(Driver(), Devices()[0]);
  ASSERT_EQ(sizeof(CM_RESOURCE_LIST), list.size());
  EXPECT_EQ(CM_RESOURCE_PORT_MEMORY,
            reinterpret_cast<const CM_RESOURCE_LIST *>(list.data())->List[0].PartialResourceList.PartialDescriptors[0].Flags);
  EXPECT_TRUE(Unload());
  EXPECT_TRUE(ntmodel::IoMappings().empty());
}

TEST_F(LoadScenarioTest, MappedRangeIsUnmappedWhenTheClaimFails) {
  WriteServiceKey();
  ConfigureBoards({{0, 0x368}});
  ntmodel::AddTranslationRule({Isa, 0, 1, 0x368, 2, ntmodel::Translation::kMemorySpace, 0xD0000});
  ntmodel::ClaimPortsForAnotherDriver(0x368, 2);
  EXPECT_EQ(ntmodel::LoadOutcome::kEntryFailed, Boot().outcome);
  EXPECT_TRUE(ntmodel::IoMappings().empty());
}

TEST_F(LoadScenarioTest, NoServiceKeyOrNotAKernelDriverLoadsNothing) {
  EXPECT_EQ(ntmodel::LoadOutcome::kNoServiceKey, Boot().outcome);
  WriteServiceKey(2);
  ConfigureBoards({{0, 0x368}});
  EXPECT_EQ(ntmodel::LoadOutcome::kNotKernelDriver, Boot().outcome);
  EXPECT_EQ(nullptr, ntmodel::FindDevice(u"\\Device\\Dorvik0"));
}

TEST_F(LoadScenarioTest, EntryPointGetsTheServiceKeyPath) {
  WriteServiceKey();
  ConfigureBoards({{0, 0x368}});
  ASSERT_EQ(ntmodel::LoadOutcome::kLoaded, Boot().outcome);
  EXPECT_EQ(u"\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dorvik",
            ntmodel::ServiceKeyPath("Dorvik"));
}
