// The system-wide cancel spin lock: a real spin lock that raises to
// DISPATCH_LEVEL, taken before any device queue lock and never after one.
#include <nt_model.h>

#include "DeviceQueueModel.h"
#include "ModelRegistration.h"

namespace ntmodel {
namespace {
KSPIN_LOCK g_cancel_lock = 0;

// A test that ended holding the lock would leave every later one spinning.
SubsystemRegistration g_registration([] { __atomic_store_n(&g_cancel_lock, 0, __ATOMIC_RELEASE); },
                                     [](std::vector<std::string> &found) {
                                       if (__atomic_load_n(&g_cancel_lock, __ATOMIC_ACQUIRE) != 0) {
                                         found.push_back("cancel spin lock left held");
                                       }
                                     });
}  // namespace

const KSPIN_LOCK *CancelSpinLockAddress() { return &g_cancel_lock; }

}  // namespace ntmodel

VOID NTAPI IoAcquireCancelSpinLock(PKIRQL Irql) {
  if (ntmodel::HoldsDeviceQueueLock()) {
    ntmodel::ReportViolation("cancel spin lock acquired while holding a device queue lock");
  }
  *Irql = KfAcquireSpinLock(&ntmodel::g_cancel_lock);
}

VOID NTAPI IoReleaseCancelSpinLock(KIRQL Irql) { KfReleaseSpinLock(&ntmodel::g_cancel_lock, Irql); }
