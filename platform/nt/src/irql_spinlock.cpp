// IRQL per thread and spin locks that really exclude other threads.
#include <nt_model.h>

#include <algorithm>
#include <sstream>
#include <thread>

#include "LockTrace.h"
#include "ModelRegistration.h"
#include "SpinLockModel.h"

namespace ntmodel {
namespace {
thread_local KIRQL t_irql = PASSIVE_LEVEL;
thread_local std::vector<PKSPIN_LOCK> t_held;

std::string Describe(const void *lock) {
  std::ostringstream out;
  out << "spin lock " << lock;
  return out.str();
}

bool HeldHere(PKSPIN_LOCK lock) {
  return std::find(t_held.begin(), t_held.end(), lock) != t_held.end();
}

// Returns false (after a report) where a real machine would deadlock.
bool Take(PKSPIN_LOCK lock) {
  if (HeldHere(lock)) {
    ReportViolation(Describe(lock) + " acquired again by the thread that holds it");
    return false;
  }
  for (;;) {
    ULONG_PTR expected = 0;
    if (__atomic_compare_exchange_n(lock, &expected, ULONG_PTR(1), false, __ATOMIC_ACQUIRE,
                                    __ATOMIC_RELAXED)) {
      break;
    }
    std::this_thread::yield();
  }
  t_held.push_back(lock);
  TraceLockEvent(lock, true);
  return true;
}

bool Give(PKSPIN_LOCK lock) {
  auto it = std::find(t_held.begin(), t_held.end(), lock);
  if (it == t_held.end()) {
    ReportViolation(Describe(lock) + " released but not held");
    return false;
  }
  t_held.erase(it);
  TraceLockEvent(lock, false);
  __atomic_store_n(lock, ULONG_PTR(0), __ATOMIC_RELEASE);
  return true;
}

SubsystemRegistration g_registration([] {
  t_irql = PASSIVE_LEVEL;
  t_held.clear();
});
}  // namespace

void SetCurrentIrql(KIRQL irql) { t_irql = irql; }
unsigned SpinLocksHeldByThisThread() { return static_cast<unsigned>(t_held.size()); }
const std::vector<PKSPIN_LOCK> &HeldSpinLocks() { return t_held; }

}  // namespace ntmodel

using ntmodel::ReportViolation;

KIRQL KeGetCurrentIrql(void) { return ntmodel::t_irql; }

VOID NTAPI KeInitializeSpinLock(PKSPIN_LOCK SpinLock) { *SpinLock = 0; }

KIRQL FASTCALL KfAcquireSpinLock(PKSPIN_LOCK SpinLock) {
  KIRQL old = ntmodel::t_irql;
  if (old > DISPATCH_LEVEL) {
    ReportViolation("KfAcquireSpinLock called above DISPATCH_LEVEL");
  }
  if (ntmodel::Take(SpinLock)) ntmodel::t_irql = DISPATCH_LEVEL;
  return old;
}

VOID FASTCALL KfReleaseSpinLock(PKSPIN_LOCK SpinLock, KIRQL NewIrql) {
  if (ntmodel::Give(SpinLock)) ntmodel::t_irql = NewIrql;
}

VOID FASTCALL KefAcquireSpinLockAtDpcLevel(PKSPIN_LOCK SpinLock) {
  if (ntmodel::t_irql != DISPATCH_LEVEL) {
    ReportViolation("KefAcquireSpinLockAtDpcLevel called below DISPATCH_LEVEL");
  }
  ntmodel::Take(SpinLock);
}

VOID FASTCALL KefReleaseSpinLockFromDpcLevel(PKSPIN_LOCK SpinLock) { ntmodel::Give(SpinLock); }

LONG FASTCALL InterlockedExchange(LONG volatile *Target, LONG Value) {
  return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}

PVOID InterlockedExchangePointer(PVOID volatile *Target, PVOID Value) {
  return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}
