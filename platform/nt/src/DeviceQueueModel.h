// Internal to the kernel model: which spin locks are device queue locks, so
// the verifier can check the lock order against the cancel spin lock.
#pragma once
#include <ntddk.h>

namespace ntmodel {
// A device queue is one that KeInitializeDeviceQueue set up since the machine
// was reset, or the queue of a live device object.
bool IsDeviceQueueLock(const KSPIN_LOCK *lock);
// Whether the calling thread holds any device queue lock.
bool HoldsDeviceQueueLock();
}  // namespace ntmodel
