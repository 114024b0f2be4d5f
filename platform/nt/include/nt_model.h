// Controls of the kernel model that only tests and the simulator use: the
// verifier, pool accounting and fault injection, IRQL, and the I/O port bus.
// Driver sources never include this header.
#pragma once

#include <ntddk.h>

#include <functional>
#include <string>
#include <vector>

namespace ntmodel {

// ---- Verifier -----------------------------------------------------------------------
// Every broken kernel rule is reported here. By default a report goes to the
// installed hook (the test support turns it into a test failure); a capture
// collects reports instead so a test can prove that a check fires.
using ViolationHook = std::function<void(const std::string &)>;
void SetViolationHook(ViolationHook hook);
void ReportViolation(const std::string &message);

class ViolationCapture {
 public:
  ViolationCapture();
  ~ViolationCapture();
  ViolationCapture(const ViolationCapture &) = delete;
  ViolationCapture &operator=(const ViolationCapture &) = delete;
  const std::vector<std::string> &Messages() const { return messages_; }
  bool Contains(const std::string &fragment) const;

 private:
  friend void ReportViolation(const std::string &message);
  std::vector<std::string> messages_;
  ViolationCapture *outer_;
};

// ---- Pool ----------------------------------------------------------------------------
struct PoolBlock {
  const void *address;
  POOL_TYPE type;
  ULONG tag;
  SIZE_T size;
};
std::vector<PoolBlock> OutstandingPool();
SIZE_T OutstandingBlocks(ULONG tag);
unsigned long long AllocationCount();  // allocations attempted since the last reset
std::string TagText(ULONG tag);        // "FwkP" for 0x506B7746

// Fault injection: the k-th allocation attempted from now on fails (1-based),
// or every allocation with a given tag fails.
void FailAllocationNumber(unsigned long long k);
void FailAllocationsWithTag(ULONG tag);
void ClearPoolFaults();

// ---- IRQL ------------------------------------------------------------------------------
void SetCurrentIrql(KIRQL irql);  // for tests that run code at raised IRQL
unsigned SpinLocksHeldByThisThread();

// ---- I/O ports -------------------------------------------------------------------------
// A device model attached to a range of I/O port addresses. Reads of a port
// that no device answers return 0xFF, as on an ISA bus.
class PortDevice {
 public:
  virtual ~PortDevice() = default;
  virtual UCHAR ReadUchar(ULONG offset) = 0;
  virtual void WriteUshort(ULONG offset, USHORT value) = 0;
};
void AttachPortDevice(ULONG base, ULONG length, PortDevice *device);
void DetachPortDevice(PortDevice *device);

// ---- Requests ------------------------------------------------------------------------------
// How often the model saw a request completed, with which status.
struct CompletionRecord {
  unsigned count = 0;
  NTSTATUS status = 0;
  bool status_set = false;
};
const CompletionRecord &CompletionOf(const IRP *irp);

// A buffered device-control request as the I/O manager builds it: one system
// buffer of the larger of the two lengths, holding the input bytes.
class DeviceControlRequest {
 public:
  DeviceControlRequest(ULONG code, const std::vector<UCHAR> &input, ULONG output_length);
  ~DeviceControlRequest();
  DeviceControlRequest(const DeviceControlRequest &) = delete;
  DeviceControlRequest &operator=(const DeviceControlRequest &) = delete;

  PIRP Irp() { return &irp_; }
  PIO_STACK_LOCATION Stack() { return &stack_; }
  // The system buffer, all max(input, output) bytes of it.
  std::vector<UCHAR> SystemBuffer() const;
  // What the I/O manager copies back: the first Information bytes.
  std::vector<UCHAR> Output() const;
  unsigned Completions() const { return CompletionOf(&irp_).count; }

 private:
  IRP irp_;
  IO_STACK_LOCATION stack_;
  std::vector<UCHAR> buffer_;
};

// A request of another major function (create, close, cleanup) on a file.
class FileRequest {
 public:
  FileRequest(UCHAR major_function, PFILE_OBJECT file, USHORT share_access = 0);
  ~FileRequest();
  FileRequest(const FileRequest &) = delete;
  FileRequest &operator=(const FileRequest &) = delete;
  PIRP Irp() { return &irp_; }
  PIO_STACK_LOCATION Stack() { return &stack_; }
  unsigned Completions() const { return CompletionOf(&irp_).count; }

 private:
  IRP irp_;
  IO_STACK_LOCATION stack_;
};

// Prepares a caller-owned IRP and stack location as the I/O manager would.
void InitializeIrp(PIRP irp, PIO_STACK_LOCATION stack);
void ForgetIrp(const IRP *irp);

// ---- Machine ---------------------------------------------------------------------------------
// Returns the model to a fresh machine: empty pool, no faults, no devices,
// PASSIVE_LEVEL. Registered subsystems reset their own state too.
void ResetMachine();
void RegisterResetHook(std::function<void()> hook);

// Checks what a driver must not leave behind once it is gone: pool blocks
// (named by tag and size) and whatever other subsystems register.
std::vector<std::string> LeftBehind();
void RegisterLeftBehindCheck(std::function<void(std::vector<std::string> &)> check);

}  // namespace ntmodel
