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

// ---- Spin lock trace ---------------------------------------------------------------------
// Every spin lock acquisition and release, on any thread, from StartLockTrace()
// until the next reset.
struct LockEvent {
  const KSPIN_LOCK *lock;
  bool acquired;  // else released
};
void StartLockTrace();
std::vector<LockEvent> LockTrace();

// ---- Cancellation -----------------------------------------------------------------------------
// The system-wide cancel spin lock, to recognise it in a lock trace.
const KSPIN_LOCK *CancelSpinLockAddress();

// Gives a request a cancel routine that holds its caller to the system's
// contract: entered holding the cancel spin lock and no device queue lock,
// with Cancel set and CancelRoutine already cleared, and left without the
// cancel spin lock. Unless a body is given it releases the cancel spin lock
// with the request's CancelIrql and completes the request with STATUS_CANCELLED.
using CancelRoutineBody = std::function<void(PDEVICE_OBJECT, PIRP)>;
void SetVerifiedCancelRoutine(PIRP irp, CancelRoutineBody body = nullptr);

struct CancelCall {
  PDEVICE_OBJECT device;
  PIRP irp;
  KIRQL cancel_irql;  // the request's CancelIrql when the routine was entered
};
std::vector<CancelCall> CancelCalls();  // in the order the routines ran

// ---- Registry ----------------------------------------------------------------------------------
// The machine's registry is the store regstore::Machine() ("RegistryStore.h"),
// emptied by ResetMachine. Applies registry editor text (REGEDIT4 or version
// 5.00) to it; on a malformed line returns false and says why in *error.
bool LoadRegistryText(const std::string &text, std::string *error = nullptr);

// ---- Machine ---------------------------------------------------------------------------------
// Returns the model to a fresh machine: empty pool, no faults, no devices,
// PASSIVE_LEVEL. Registered subsystems reset their own state too.
void ResetMachine();
void RegisterResetHook(std::function<void()> hook);

// Checks what a driver must not leave behind once it is gone: pool blocks
// (named by tag and size) and whatever other subsystems register.
std::vector<std::string> LeftBehind();
void RegisterLeftBehindCheck(std::function<void(std::vector<std::string> &)> check);

// ---- Object namespace: device objects and symbolic links ------------------------------
// Names are case-insensitive; device objects and links share one namespace
// (\Device\..., \DosDevices\..., the latter also reachable as \??\...).
PDEVICE_OBJECT FindDevice(const std::u16string &name);      // null when no device has that name
bool DeviceExists(const DEVICE_OBJECT *device);             // created and not yet deleted
std::u16string DeviceNameOf(const DEVICE_OBJECT *device);   // empty for unnamed or unknown ones
ULONG DeviceExtensionSize(const DEVICE_OBJECT *device);     // as asked of IoCreateDevice
bool SymbolicLinkExists(const std::u16string &link);
std::u16string SymbolicLinkTarget(const std::u16string &link);  // empty when there is no such link
PDEVICE_OBJECT ResolveWin32Name(const std::u16string &link);    // the device a link leads to, or null
// What the I/O manager does once DriverEntry returned: clears DO_DEVICE_INITIALIZING.
void FinishDriverInitialization(PDRIVER_OBJECT driver);
// The next IoCreateDevice / IoCreateSymbolicLink fails with this status.
void FailNextCreateDevice(NTSTATUS status);
void FailNextCreateSymbolicLink(NTSTATUS status);

struct SymbolicLinkCall {
  bool create;  // IoCreateSymbolicLink, else IoDeleteSymbolicLink
  std::u16string link;
  std::u16string target;  // empty for a deletion
  NTSTATUS status;
};
std::vector<SymbolicLinkCall> SymbolicLinkCalls();

// ---- Bus address translation and I/O space mapping ------------------------------------
// Without a rule a bus address translates to itself and stays in its space.
// A rule covers a range of bus addresses given in one space; the latest
// matching rule wins.
enum class Translation { kIoSpace, kMemorySpace, kRefused };
struct TranslationRule {
  INTERFACE_TYPE interface_type;
  ULONG bus_number;
  ULONG address_space;  // the space the bus address is given in: 1 I/O, 0 memory
  ULONGLONG start;
  ULONGLONG length;
  Translation result;
  ULONGLONG translated_start;  // where start lands (port or physical address)
};
void AddTranslationRule(const TranslationRule &rule);

struct TranslationCall {
  INTERFACE_TYPE interface_type;
  ULONG bus_number;
  LONGLONG bus_address;
  ULONG address_space_in;
  BOOLEAN result;
  ULONG address_space_out;
  LONGLONG translated;
};
std::vector<TranslationCall> TranslationCalls();

struct IoMapping {
  PVOID address;
  LONGLONG physical;
  SIZE_T length;
  MEMORY_CACHING_TYPE cache_type;
};
std::vector<IoMapping> IoMappings();  // mapped and not yet unmapped
void FailMapIoSpace(bool fail);       // MmMapIoSpace returns null while set

// ---- Hardware resource claims and interrupts ---------------------------------------------
// The machine's arbiter keeps its own copy of each reported list, by driver
// and device (a driver-wide list under a null device).
struct ResourceReportCall {
  bool class_name_given;
  const DRIVER_OBJECT *driver;
  bool driver_list_given;
  ULONG driver_list_size;
  const DEVICE_OBJECT *device;
  bool device_list_given;
  std::vector<UCHAR> device_list;  // the bytes passed
  ULONG device_list_size;
  BOOLEAN override_conflict;
  NTSTATUS status;
  BOOLEAN conflict_detected;
};
std::vector<ResourceReportCall> ResourceReportCalls();

struct AssignResourcesCall {
  std::u16string registry_path;
  bool class_name_given;
  std::u16string class_name;
  const DRIVER_OBJECT *driver;
  const DEVICE_OBJECT *device;
  bool requested_given;
  bool allocated_given;
  NTSTATUS status;
};
std::vector<AssignResourcesCall> AssignResourcesCalls();

struct ResourceClaim {
  const DRIVER_OBJECT *driver;  // null for a claim made through ClaimPortsForAnotherDriver
  const DEVICE_OBJECT *device;
  std::vector<UCHAR> list;
};
std::vector<ResourceClaim> ResourceClaims();
// The list in force for a driver's device; empty when it claims nothing.
std::vector<UCHAR> ClaimedList(const DRIVER_OBJECT *driver, const DEVICE_OBJECT *device);
// A port range some other driver claimed before ours loaded; never left behind.
void ClaimPortsForAnotherDriver(ULONGLONG start, ULONG length,
                                CM_SHARE_DISPOSITION share = CmResourceShareDeviceExclusive,
                                INTERFACE_TYPE interface_type = Isa, ULONG bus_number = 0);
// What IoReportResourceUsage returns on a conflict without override: its
// documented results are success or STATUS_INSUFFICIENT_RESOURCES, so
// STATUS_SUCCESS unless a test picks another.
void SetConflictStatus(NTSTATUS status);
void FailNextResourceReport(NTSTATUS status);

std::vector<const void *> DisconnectedInterrupts();

}  // namespace ntmodel
