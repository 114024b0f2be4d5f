// One board device brought up by the real driver at port 0x368, with a
// board model there, and requests handed straight to the dispatch routine.
#pragma once

#include <DorvikDispatch.h>
#include <DorvikIoctl.h>

#include "DriverMachine.h"

class BoardRequestTest : public DriverMachineTest {
 protected:
  static constexpr ULONG kPort = 0x368;
  static constexpr ULONG kDvMb = 0x624D7644;

  void SetUp() override {
    DriverMachineTest::SetUp();
    WriteServiceKey();
    ConfigureBoards({{0, kPort}});
    board_ = &AttachBoard(kPort);
    ASSERT_EQ(ntmodel::LoadOutcome::kLoaded, Boot().outcome);
    ASSERT_EQ(1u, Devices().size());
    device_ = Devices()[0];
  }

  // Sends one request; the returned status is also checked against what the
  // request was completed with.
  NTSTATUS Send(ntmodel::DeviceControlRequest &request) {
    const NTSTATUS status = DorvikIoctlDispatch(device_, request.Irp());
    EXPECT_EQ(1u, request.Completions());
    EXPECT_EQ(status, request.Irp()->IoStatus.Status);
    return status;
  }

  SIZE_T MessageBuffers() const { return ntmodel::OutstandingBlocks(kDvMb); }

  boardmodel::DorvikBoardModel *board_ = nullptr;
  PDEVICE_OBJECT device_ = nullptr;
};
