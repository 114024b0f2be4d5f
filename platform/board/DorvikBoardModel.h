// A Dorvik board on the model's ISA bus: two bytes of I/O space with an 8-bit
// status register and a 16-bit data register at the base port.
#pragma once

#include <nt_model.h>

#include <mutex>
#include <vector>

namespace boardmodel {

struct PortWrite {
  ULONG offset;
  USHORT value;
};

class DorvikBoardModel : public ntmodel::PortDevice {
 public:
  static constexpr UCHAR kBusy = 0x01;
  static constexpr UCHAR kCh2 = 0x04;
  static constexpr UCHAR kCh3 = 0x08;

  explicit DorvikBoardModel(ULONG base);  // attaches itself at base..base+1
  ~DorvikBoardModel() override;           // and detaches
  DorvikBoardModel(const DorvikBoardModel &) = delete;
  DorvikBoardModel &operator=(const DorvikBoardModel &) = delete;

  ULONG Base() const { return base_; }
  // The busy bit reads set for the next n status reads, then clear.
  void SetBusyReads(unsigned n);
  // Busy for good (every read), until SetBusyReads is called.
  void SetAlwaysBusy();
  // The status bits other than busy (CH bits and whatever else the board shows).
  void SetStatusBits(UCHAR bits);

  unsigned StatusReads() const;
  std::vector<PortWrite> Writes() const;
  std::vector<USHORT> DataWords() const;  // 16-bit writes at the base port

  UCHAR ReadUchar(ULONG offset) override;
  void WriteUshort(ULONG offset, USHORT value) override;

 private:
  const ULONG base_;
  mutable std::mutex mutex_;
  unsigned busy_reads_ = 0;
  bool always_busy_ = false;
  UCHAR bits_ = 0;
  unsigned status_reads_ = 0;
  std::vector<PortWrite> writes_;
};

}  // namespace boardmodel
