// CreateDevice on its own: a construction that raises comes back as a status
// with both out pointers null and nothing of the device left.
#include <CreateDevice.h>

#include "DriverMachine.h"

class CreateDeviceTest : public DriverMachineTest {
 protected:
  void SetUp() override {
    DriverMachineTest::SetUp();
    WriteServiceKey();
    ConfigureBoards({{0, 0x368}});
    ASSERT_EQ(ntmodel::LoadOutcome::kLoaded, Boot().outcome);
    path_ = ntmodel::ServiceKeyPath("Dorvik");
    registry_path_.Buffer = const_cast<PWSTR>(path_.c_str());
    registry_path_.Length = static_cast<USHORT>(path_.size() * 2);
    registry_path_.MaximumLength = registry_path_.Length;
  }

  std::u16string path_;
  UNICODE_STRING registry_path_;
};

TEST_F(CreateDeviceTest, UnconfiguredBoardReturnsTheRaisedStatus) {
  CDorvik *board = reinterpret_cast<CDorvik *>(1);
  PDEVICE_OBJECT device = reinterpret_cast<PDEVICE_OBJECT>(1);
  EXPECT_EQ(STATUS_INSUFFICIENT_RESOURCES,
            CreateDevice(Driver(), u"Dorvik5", 0x8000, &registry_path_, 5, &board, &device, nullptr,
                         0, FALSE, 0));
  EXPECT_EQ(nullptr, board);
  EXPECT_EQ(nullptr, device);
  EXPECT_EQ(nullptr, ntmodel::FindDevice(u"\\Device\\Dorvik5"));
  EXPECT_EQ(1u, Devices().size());
}

TEST_F(CreateDeviceTest, NameInUseReturnsTheCollision) {
  CDorvik *board = nullptr;
  PDEVICE_OBJECT device = nullptr;
  EXPECT_EQ(STATUS_OBJECT_NAME_COLLISION,
            CreateDevice(Driver(), u"Dorvik0", 0x8000, &registry_path_, 0, &board, &device, nullptr,
                         0, FALSE, 0));
  EXPECT_EQ(nullptr, board);
  EXPECT_EQ(nullptr, device);
  EXPECT_EQ(1u, Devices().size());
}

TEST_F(CreateDeviceTest, BuiltBoardIsReturnedWithItsDeviceObject) {
  ConfigureBoards({{7, 0x2F8}});
  CDorvik *board = nullptr;
  PDEVICE_OBJECT device = nullptr;
  EXPECT_EQ(STATUS_SUCCESS, CreateDevice(Driver(), u"Dorvik7", 0x8000, &registry_path_, 7, &board,
                                         &device, nullptr, 0, FALSE, 0));
  ASSERT_NE(nullptr, board);
  EXPECT_EQ(device, ntmodel::FindDevice(u"\\Device\\Dorvik7"));
  EXPECT_EQ(static_cast<PVOID>(board), device->DeviceExtension);
  EXPECT_EQ(sizeof(CDorvik), ntmodel::DeviceExtensionSize(device));
  EXPECT_EQ(0x2F8u, board->Port0.BusAddress.LowPart);
  EXPECT_EQ(2u, board->Port0.Length);
  EXPECT_EQ(1u, board->Port0.AddressSpace);
  EXPECT_EQ(0x2F8u, board->Port0.MappedAddress);
  EXPECT_FALSE(board->Port0.Mapped);
  EXPECT_EQ(1u, board->PortCount);
  EXPECT_EQ(nullptr, board->MsgBuffer);
  EXPECT_EQ(ClaimReported, board->ResourceClaim);
  EXPECT_EQ(0u, board->OpenCount);
  EXPECT_NE(0u, device->Flags & DO_DIRECT_IO);
}
