// Internal to the kernel model: the spin lock code reports each acquisition
// and release here, for tests that follow the order of locking.
#pragma once
#include <ntddk.h>

namespace ntmodel {
void TraceLockEvent(const KSPIN_LOCK *lock, bool acquired);
}
