// The user-mode side of the machine: opening a device through its Win32 link,
// buffered device-control requests and closing handles, delivered to the
// driver as the I/O manager delivers them.
#include <nt_system.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "ModelRegistration.h"
#include "UnicodeText.h"

namespace ntmodel {
namespace {
const char kWin32DevicePrefix[] = "\\\\.\\";

struct OpenFile {
  FILE_OBJECT file;
  PDEVICE_OBJECT device;
  std::string name;
};

std::mutex g_mutex;
UserHandle g_next_handle = 1;
std::map<UserHandle, std::unique_ptr<OpenFile>> &Handles() {
  static std::map<UserHandle, std::unique_ptr<OpenFile>> handles;
  return handles;
}

SubsystemRegistration g_registration(
    [] {
      std::lock_guard<std::mutex> lock(g_mutex);
      Handles().clear();
      g_next_handle = 1;
    },
    [](std::vector<std::string> &found) {
      for (const std::string &name : OpenHandles()) found.push_back("handle left open on " + name);
    });

OpenFile *Lookup(UserHandle handle) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = Handles().find(handle);
  return it == Handles().end() ? nullptr : it->second.get();
}

// Calls the driver's routine for the request's major function at
// PASSIVE_LEVEL and checks what the I/O manager relies on afterwards.
NTSTATUS CallDriver(PDEVICE_OBJECT device, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  stack->DeviceObject = device;
  PDRIVER_DISPATCH routine = device->DriverObject->MajorFunction[stack->MajorFunction];
  SetCurrentIrql(PASSIVE_LEVEL);
  const NTSTATUS status = routine(device, irp);
  if (KeGetCurrentIrql() != PASSIVE_LEVEL || SpinLocksHeldByThisThread() != 0) {
    ReportViolation("dispatch routine returned above PASSIVE_LEVEL or holding a spin lock");
    SetCurrentIrql(PASSIVE_LEVEL);
  }
  const CompletionRecord &completion = CompletionOf(irp);
  if (status == STATUS_PENDING) {
    ReportViolation("request left pending: nothing would ever complete it here");
  } else if (completion.count == 0) {
    ReportViolation("dispatch routine returned without completing its request");
  } else if (completion.status != status) {
    ReportViolation("dispatch routine returned a status other than the one it completed with");
  }
  return status;
}

NTSTATUS SendFileRequest(OpenFile &open, UCHAR major_function, USHORT share_access = 0) {
  FileRequest request(major_function, &open.file, share_access);
  return CallDriver(open.device, request.Irp());
}
}  // namespace

OpenResult CreateFile(const std::string &win32_path, ULONG share_mode) {
  const size_t prefix = sizeof(kWin32DevicePrefix) - 1;
  if (win32_path.compare(0, prefix, kWin32DevicePrefix) != 0) {
    return OpenResult{0, STATUS_OBJECT_NAME_INVALID};
  }
  const std::string name = win32_path.substr(prefix);
  PDEVICE_OBJECT device =
      ResolveWin32Name(u"\\DosDevices\\" + std::u16string(name.begin(), name.end()));
  if (device == nullptr) return OpenResult{0, STATUS_OBJECT_NAME_NOT_FOUND};

  auto open = std::make_unique<OpenFile>();
  std::memset(&open->file, 0, sizeof(open->file));
  open->file.Type = 5;
  open->file.Size = sizeof(FILE_OBJECT);
  open->file.DeviceObject = device;
  open->device = device;
  open->name = win32_path;
  const NTSTATUS status =
      SendFileRequest(*open, IRP_MJ_CREATE, static_cast<USHORT>(share_mode & 0xFFFF));
  if (status < 0) return OpenResult{0, status};

  std::lock_guard<std::mutex> lock(g_mutex);
  const UserHandle handle = g_next_handle++;
  Handles()[handle] = std::move(open);
  return OpenResult{handle, status};
}

IoctlResult DeviceIoControl(UserHandle handle, ULONG code, const std::vector<UCHAR> &input,
                            ULONG output_length) {
  OpenFile *open = Lookup(handle);
  if (open == nullptr) return IoctlResult{STATUS_INVALID_HANDLE, 0, {}};

  // Whatever the method bits say, the model hands the input over in one
  // system buffer; this driver accepts only buffered codes.
  DeviceControlRequest request(code, input, output_length);
  request.Stack()->FileObject = &open->file;
  const NTSTATUS status = CallDriver(open->device, request.Irp());

  IoctlResult result{status, 0, {}};
  if (status >= 0) {
    const ULONG_PTR information = request.Irp()->IoStatus.Information;
    if (information > output_length) {
      ReportViolation("request returned more bytes than the caller's output buffer holds");
    }
    result.bytes_returned = static_cast<ULONG>(information);
    std::vector<UCHAR> buffer = request.SystemBuffer();
    const size_t copied = std::min<size_t>(information, output_length);
    result.output.assign(buffer.begin(), buffer.begin() + static_cast<long>(copied));
  }
  return result;
}

bool CloseHandle(UserHandle handle) {
  std::unique_ptr<OpenFile> open;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = Handles().find(handle);
    if (it == Handles().end()) return false;
    open = std::move(it->second);
    Handles().erase(it);
  }
  // The last handle to a file object goes: cleanup, then the file object's close.
  SendFileRequest(*open, IRP_MJ_CLEANUP);
  SendFileRequest(*open, IRP_MJ_CLOSE);
  return true;
}

void CloseAllHandles() {
  for (;;) {
    UserHandle oldest;
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      if (Handles().empty()) return;
      oldest = Handles().begin()->first;
    }
    CloseHandle(oldest);
  }
}

std::vector<std::string> OpenHandles() {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::vector<std::string> names;
  for (const auto &entry : Handles()) names.push_back(entry.second->name);
  return names;
}

}  // namespace ntmodel
