// The parts of the model machine around a driver: the service loader that
// loads kernel drivers from their service keys, and the user-mode side that
// opens devices and sends them requests as the I/O manager does.
// Used by tests and the simulator; driver sources never include this header.
#pragma once

#include <nt_model.h>

#include <string>
#include <vector>

namespace ntmodel {

// ---- Service loader ----------------------------------------------------------------------
// On the host a driver is linked into the program; the loader is given its
// entry point in place of an image file.
enum class LoadOutcome {
  kLoaded,            // the entry point succeeded
  kNoServiceKey,      // no key under Services: nothing to load
  kNotKernelDriver,   // "Type" is not 1
  kEntryFailed,       // the entry point failed; the driver was unloaded again
  kAlreadyLoaded,
};
struct LoadResult {
  LoadOutcome outcome;
  NTSTATUS status;  // the entry point's status when it ran
};

const char *OutcomeName(LoadOutcome outcome);

// Loads the service's driver: reads \REGISTRY\MACHINE\SYSTEM\CurrentControlSet\Services\<name>,
// makes the driver object and calls the entry point at PASSIVE_LEVEL with the
// key's full path.
LoadResult LoadDriver(const std::string &service, PDRIVER_INITIALIZE entry);
// Calls the driver's unload routine and deletes its driver object. False when
// the driver is not loaded or has no unload routine (it then stays loaded).
bool UnloadDriver(const std::string &service);
PDRIVER_OBJECT LoadedDriver(const std::string &service);  // null when not loaded
// The registry path the loader handed to the entry point.
std::u16string ServiceKeyPath(const std::string &service);

// ---- User-mode side -----------------------------------------------------------------------
// Win32 error codes the user-mode calls report, as the platform maps the statuses.
typedef int UserHandle;  // 0 is never a valid handle

struct OpenResult {
  UserHandle handle;  // 0 on failure
  NTSTATUS status;
};
// CreateFile of "\\.\<name>": through the \DosDevices link to the device; the
// driver's create routine sees the share mode as the stack's ShareAccess.
OpenResult CreateFile(const std::string &win32_path, ULONG share_mode);

struct IoctlResult {
  NTSTATUS status;
  ULONG bytes_returned;        // IoStatus.Information
  std::vector<UCHAR> output;   // what was copied back to the caller's output buffer
};
// DeviceIoControl with the buffered method: one system buffer of the larger
// length holding the input; Information bytes come back.
IoctlResult DeviceIoControl(UserHandle handle, ULONG code, const std::vector<UCHAR> &input,
                            ULONG output_length);
// CloseHandle: cleanup, then close. False for an unknown handle.
bool CloseHandle(UserHandle handle);
// Closes every open handle, oldest first, as ending the client processes does.
void CloseAllHandles();
// Handles still open (each names its device).
std::vector<std::string> OpenHandles();

}  // namespace ntmodel
