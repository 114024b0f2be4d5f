// A cancel routine for tests that holds the caller to the system's contract
// for cancel routines, and records every call.
#include <nt_model.h>

#include <algorithm>
#include <map>
#include <mutex>

#include "DeviceQueueModel.h"
#include "ModelRegistration.h"
#include "SpinLockModel.h"

namespace ntmodel {
namespace {
std::mutex g_mutex;
std::map<const IRP *, CancelRoutineBody> &Bodies() {
  static std::map<const IRP *, CancelRoutineBody> bodies;
  return bodies;
}
std::vector<CancelCall> &Calls() {
  static std::vector<CancelCall> calls;
  return calls;
}
SubsystemRegistration g_registration([] {
  std::lock_guard<std::mutex> lock(g_mutex);
  Bodies().clear();
  Calls().clear();
});

bool HoldsCancelSpinLock() {
  const std::vector<PKSPIN_LOCK> &held = HeldSpinLocks();
  return std::find(held.begin(), held.end(), CancelSpinLockAddress()) != held.end();
}

// What a cancel routine usually does with a request nobody else holds.
void ReleaseAndCompleteCancelled(PDEVICE_OBJECT, PIRP irp) {
  IoReleaseCancelSpinLock(irp->CancelIrql);
  irp->IoStatus.Status = STATUS_CANCELLED;
  irp->IoStatus.Information = 0;
  IofCompleteRequest(irp, IO_NO_INCREMENT);
}

VOID NTAPI VerifiedCancelRoutine(PDEVICE_OBJECT DeviceObject, PIRP Irp) {
  if (!HoldsCancelSpinLock()) ReportViolation("cancel routine entered without the cancel spin lock");
  if (HoldsDeviceQueueLock()) ReportViolation("cancel routine entered holding a device queue lock");
  if (Irp->CancelRoutine != nullptr) {
    ReportViolation("cancel routine entered while the request still names it");
  }
  if (!Irp->Cancel) ReportViolation("cancel routine entered for a request not marked cancelled");

  const KIRQL cancel_irql = Irp->CancelIrql;
  CancelRoutineBody body;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    Calls().push_back(CancelCall{DeviceObject, Irp, cancel_irql});
    auto it = Bodies().find(Irp);
    if (it != Bodies().end()) body = it->second;
  }
  if (body) {
    body(DeviceObject, Irp);
  } else {
    ReleaseAndCompleteCancelled(DeviceObject, Irp);
  }

  if (HoldsCancelSpinLock()) {
    ReportViolation("cancel routine returned still holding the cancel spin lock");
    IoReleaseCancelSpinLock(cancel_irql);  // so the machine can go on
  }
}
}  // namespace

void SetVerifiedCancelRoutine(PIRP irp, CancelRoutineBody body) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    Bodies()[irp] = std::move(body);
  }
  irp->CancelRoutine = VerifiedCancelRoutine;
}

std::vector<CancelCall> CancelCalls() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return Calls();
}

}  // namespace ntmodel
