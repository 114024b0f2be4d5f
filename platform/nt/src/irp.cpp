// Requests: building them as the I/O manager does, and completing them under
// the verifier's eye.
#include <nt_model.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <sstream>

#include "ModelRegistration.h"

namespace ntmodel {
namespace {
std::mutex g_mutex;
std::map<const IRP *, CompletionRecord> &Records() {
  static std::map<const IRP *, CompletionRecord> records;
  return records;
}
SubsystemRegistration g_registration([] {
  std::lock_guard<std::mutex> lock(g_mutex);
  Records().clear();
});
}  // namespace

const CompletionRecord &CompletionOf(const IRP *irp) {
  static const CompletionRecord none;
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = Records().find(irp);
  return it == Records().end() ? none : it->second;
}

void InitializeIrp(PIRP irp, PIO_STACK_LOCATION stack) {
  std::memset(irp, 0, sizeof(*irp));
  std::memset(stack, 0, sizeof(*stack));
  irp->Type = 6;
  irp->Size = sizeof(IRP);
  irp->StackCount = 1;
  irp->CurrentLocation = 1;
  // A driver must store a final status before completing; PENDING marks "none yet".
  irp->IoStatus.Status = STATUS_PENDING;
  irp->Tail.Overlay.CurrentStackLocation = stack;
  std::lock_guard<std::mutex> lock(g_mutex);
  Records()[irp] = CompletionRecord{};
}

void ForgetIrp(const IRP *irp) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Records().erase(irp);
}

DeviceControlRequest::DeviceControlRequest(ULONG code, const std::vector<UCHAR> &input,
                                           ULONG output_length)
    : buffer_(std::max<size_t>(input.size(), output_length)) {
  InitializeIrp(&irp_, &stack_);
  std::copy(input.begin(), input.end(), buffer_.begin());
  irp_.AssociatedIrp.SystemBuffer = buffer_.empty() ? nullptr : buffer_.data();
  stack_.MajorFunction = IRP_MJ_DEVICE_CONTROL;
  stack_.Parameters.DeviceIoControl.IoControlCode = code;
  stack_.Parameters.DeviceIoControl.InputBufferLength = static_cast<ULONG>(input.size());
  stack_.Parameters.DeviceIoControl.OutputBufferLength = output_length;
}

DeviceControlRequest::~DeviceControlRequest() { ForgetIrp(&irp_); }

std::vector<UCHAR> DeviceControlRequest::SystemBuffer() const { return buffer_; }

std::vector<UCHAR> DeviceControlRequest::Output() const {
  size_t n = std::min<size_t>(irp_.IoStatus.Information, buffer_.size());
  return std::vector<UCHAR>(buffer_.begin(), buffer_.begin() + static_cast<long>(n));
}

FileRequest::FileRequest(UCHAR major_function, PFILE_OBJECT file, USHORT share_access) {
  InitializeIrp(&irp_, &stack_);
  stack_.MajorFunction = major_function;
  stack_.FileObject = file;
  if (major_function == IRP_MJ_CREATE) stack_.Parameters.Create.ShareAccess = share_access;
}

FileRequest::~FileRequest() { ForgetIrp(&irp_); }

}  // namespace ntmodel

VOID FASTCALL IofCompleteRequest(PIRP Irp, CCHAR PriorityBoost) {
  std::string problem;
  {
    std::lock_guard<std::mutex> lock(ntmodel::g_mutex);
    auto it = ntmodel::Records().find(Irp);
    if (it == ntmodel::Records().end()) {
      problem = "IoCompleteRequest of a request the I/O manager never issued";
    } else {
      ntmodel::CompletionRecord &r = it->second;
      ++r.count;
      r.status = Irp->IoStatus.Status;
      r.status_set = Irp->IoStatus.Status != STATUS_PENDING;
      if (r.count > 1) {
        problem = "request completed twice";
      } else if (!r.status_set) {
        problem = "request completed without a status";
      }
    }
  }
  if (!problem.empty()) ntmodel::ReportViolation(problem);
  if (ntmodel::SpinLocksHeldByThisThread() != 0) {
    ntmodel::ReportViolation("request completed while a spin lock is held");
  }
  (void)PriorityBoost;
}
