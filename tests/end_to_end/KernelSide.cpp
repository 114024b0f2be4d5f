#include "KernelSide.h"

#include <DorvikBoardModel.h>
#include <DorvikIoctl.h>
#include <DriverEntry.h>
#include <gtest/gtest.h>
#include <nt_system.h>

namespace kernel_side {
namespace {
const char kService[] = "Dorvik";

ntmodel::UserHandle Open(int board) {
  ntmodel::OpenResult open = ntmodel::CreateFile("\\\\.\\Dorvik" + std::to_string(board), 0);
  EXPECT_EQ(STATUS_SUCCESS, open.status) << "opening board " << board;
  return open.handle;
}
}  // namespace

void Reset(std::function<void(const std::string &)> violation_hook) {
  ntmodel::ResetMachine();
  ntmodel::SetViolationHook(std::move(violation_hook));
}

std::vector<std::string> LeftBehind() { return ntmodel::LeftBehind(); }

void UnloadIfLoaded() {
  if (ntmodel::LoadedDriver(kService) != nullptr) {
    EXPECT_TRUE(ntmodel::UnloadDriver(kService));
  }
}

std::string Restart() {
  UnloadIfLoaded();
  return ntmodel::OutcomeName(ntmodel::LoadDriver(kService, DriverEntry).outcome);
}

int DeviceCount() {
  int count = 0;
  PDRIVER_OBJECT driver = ntmodel::LoadedDriver(kService);
  for (PDEVICE_OBJECT d = driver ? driver->DeviceObject : nullptr; d != nullptr; d = d->NextDevice) {
    ++count;
  }
  return count;
}

bool DeviceExists(int board) {
  const std::string name = "\\Device\\Dorvik" + std::to_string(board);
  return ntmodel::FindDevice(std::u16string(name.begin(), name.end())) != nullptr;
}

uint32_t ReportedPort(int board) {
  ntmodel::UserHandle handle = Open(board);
  ntmodel::IoctlResult result = ntmodel::DeviceIoControl(handle, IOCTL_DORVIK_GET_RESOURCE, {0, 0}, 4);
  ntmodel::CloseHandle(handle);
  EXPECT_EQ(STATUS_SUCCESS, result.status);
  if (result.output.size() != 4) return 0xFFFFFFFF;
  return uint32_t(result.output[2]) | uint32_t(result.output[3]) << 8;
}

int DataSet(int board, uint16_t word) {
  ntmodel::UserHandle handle = Open(board);
  ntmodel::IoctlResult result = ntmodel::DeviceIoControl(
      handle, IOCTL_DORVIK_DATA_SET,
      {0, 0, static_cast<UCHAR>(word & 0xFF), static_cast<UCHAR>(word >> 8)}, 2);
  ntmodel::CloseHandle(handle);
  EXPECT_EQ(STATUS_SUCCESS, result.status);
  return result.output.size() == 2 ? result.output[0] | result.output[1] << 8 : -1;
}

Board::Board(uint32_t port) : model_(new boardmodel::DorvikBoardModel(port)) {}

Board::~Board() { delete static_cast<boardmodel::DorvikBoardModel *>(model_); }

std::vector<uint16_t> Board::DataWords() const {
  std::vector<USHORT> words = static_cast<boardmodel::DorvikBoardModel *>(model_)->DataWords();
  return std::vector<uint16_t>(words.begin(), words.end());
}

}  // namespace kernel_side
