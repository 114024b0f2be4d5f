// The kernel side of the end-to-end machine, behind an interface free of
// kernel types: the kernel's and Win32's headers cannot meet in one file, on
// the platform as here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kernel_side {

void Reset(std::function<void(const std::string &)> violation_hook);
std::vector<std::string> LeftBehind();

// Restarts the machine: unloads the running driver, then the service loader
// loads it again from the registry. Returns the load's outcome, e.g. "loaded".
std::string Restart();
void UnloadIfLoaded();

int DeviceCount();
bool DeviceExists(int board);
// The port a client reads back with GetResource on \\.\Dorvik<board>.
uint32_t ReportedPort(int board);
// Sends a DataSet of word to the board; returns the result word.
int DataSet(int board, uint16_t word);

// A board model on the bus; the data words it received.
class Board {
 public:
  explicit Board(uint32_t port);
  ~Board();
  Board(const Board &) = delete;
  Board &operator=(const Board &) = delete;
  std::vector<uint16_t> DataWords() const;

 private:
  void *model_;
};

}  // namespace kernel_side
