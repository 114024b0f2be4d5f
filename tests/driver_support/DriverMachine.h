// A model machine with the Dorvik service configured in its registry and board
// models on its bus, for tests that load the real driver.
#pragma once

#include <DorvikBoardModel.h>
#include <KernelTest.h>
#include <nt_system.h>

#include <memory>
#include <string>
#include <vector>

struct BoardConfig {
  ULONG number;
  ULONG port;
};

class DriverMachineTest : public KernelTest {
 protected:
  void TearDown() override;

  // Writes the service key with its four values (Type 1 unless told otherwise).
  void WriteServiceKey(uint32_t type = 1);
  // Writes Dorvik<n>\Parameters with "PortAddress0" for each board.
  void ConfigureBoards(const std::vector<BoardConfig> &boards);
  // A board model answering at port.
  boardmodel::DorvikBoardModel &AttachBoard(ULONG port);

  ntmodel::LoadResult Boot();
  bool Unload();
  PDRIVER_OBJECT Driver() const;
  // The device objects of the loaded driver, in list order.
  std::vector<PDEVICE_OBJECT> Devices() const;

  static std::string ServicePath();
  static std::string BoardKey(ULONG number);

 private:
  std::vector<std::unique_ptr<boardmodel::DorvikBoardModel>> boards_;
};

// Bytes of a little-endian 16-bit word list, for request input.
std::vector<UCHAR> Words(std::initializer_list<USHORT> words);
