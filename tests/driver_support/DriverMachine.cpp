#include "DriverMachine.h"

#include <DriverEntry.h>
#include <RegistryStore.h>

namespace {
const char kService[] = "Dorvik";
}

std::string DriverMachineTest::ServicePath() { return "SYSTEM\\CurrentControlSet\\Services\\Dorvik"; }

std::string DriverMachineTest::BoardKey(ULONG number) {
  return ServicePath() + "\\Dorvik" + std::to_string(number);
}

void DriverMachineTest::TearDown() {
  if (Driver() != nullptr) Unload();
  boards_.clear();
  KernelTest::TearDown();
}

void DriverMachineTest::WriteServiceKey(uint32_t type) {
  regstore::Store &registry = regstore::Machine();
  registry.CreateKey(ServicePath());
  registry.SetDword(ServicePath(), "Type", type);
  registry.SetDword(ServicePath(), "Start", 1);
  registry.SetString(ServicePath(), "Group", "Extended Base");
  registry.SetDword(ServicePath(), "ErrorControl", 1);
}

void DriverMachineTest::ConfigureBoards(const std::vector<BoardConfig> &boards) {
  regstore::Store &registry = regstore::Machine();
  for (const BoardConfig &board : boards) {
    const std::string parameters = BoardKey(board.number) + "\\Parameters";
    registry.CreateKey(parameters);
    registry.SetDword(parameters, "PortAddress0", board.port);
  }
}

boardmodel::DorvikBoardModel &DriverMachineTest::AttachBoard(ULONG port) {
  boards_.push_back(std::make_unique<boardmodel::DorvikBoardModel>(port));
  return *boards_.back();
}

ntmodel::LoadResult DriverMachineTest::Boot() { return ntmodel::LoadDriver(kService, DriverEntry); }

bool DriverMachineTest::Unload() { return ntmodel::UnloadDriver(kService); }

PDRIVER_OBJECT DriverMachineTest::Driver() const { return ntmodel::LoadedDriver(kService); }

std::vector<PDEVICE_OBJECT> DriverMachineTest::Devices() const {
  std::vector<PDEVICE_OBJECT> devices;
  PDRIVER_OBJECT driver = Driver();
  for (PDEVICE_OBJECT d = driver ? driver->DeviceObject : nullptr; d != nullptr; d = d->NextDevice) {
    devices.push_back(d);
  }
  return devices;
}

std::vector<UCHAR> Words(std::initializer_list<USHORT> words) {
  std::vector<UCHAR> bytes;
  for (USHORT w : words) {
    bytes.push_back(static_cast<UCHAR>(w & 0xFF));
    bytes.push_back(static_cast<UCHAR>(w >> 8));
  }
  return bytes;
}
