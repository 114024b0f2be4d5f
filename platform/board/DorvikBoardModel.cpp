#include "DorvikBoardModel.h"

namespace boardmodel {

DorvikBoardModel::DorvikBoardModel(ULONG base) : base_(base) {
  ntmodel::AttachPortDevice(base, 2, this);
}

DorvikBoardModel::~DorvikBoardModel() { ntmodel::DetachPortDevice(this); }

void DorvikBoardModel::SetBusyReads(unsigned n) {
  std::lock_guard<std::mutex> lock(mutex_);
  busy_reads_ = n;
  always_busy_ = false;
}

void DorvikBoardModel::SetAlwaysBusy() {
  std::lock_guard<std::mutex> lock(mutex_);
  always_busy_ = true;
}

void DorvikBoardModel::SetStatusBits(UCHAR bits) {
  std::lock_guard<std::mutex> lock(mutex_);
  bits_ = static_cast<UCHAR>(bits & ~kBusy);
}

unsigned DorvikBoardModel::StatusReads() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_reads_;
}

std::vector<PortWrite> DorvikBoardModel::Writes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return writes_;
}

std::vector<USHORT> DorvikBoardModel::DataWords() const {
  std::vector<USHORT> words;
  for (const PortWrite &w : Writes()) {
    if (w.offset == 0) words.push_back(w.value);
  }
  return words;
}

UCHAR DorvikBoardModel::ReadUchar(ULONG offset) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (offset != 0) return 0xFF;  // only the status register answers reads
  ++status_reads_;
  bool busy = always_busy_ || busy_reads_ > 0;
  if (busy_reads_ > 0) --busy_reads_;
  return static_cast<UCHAR>(bits_ | (busy ? kBusy : 0));
}

void DorvikBoardModel::WriteUshort(ULONG offset, USHORT value) {
  std::lock_guard<std::mutex> lock(mutex_);
  writes_.push_back(PortWrite{offset, value});
}

}  // namespace boardmodel
