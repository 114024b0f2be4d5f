// Internal to the kernel model: which spin locks the calling thread holds.
#pragma once
#include <ntddk.h>

#include <vector>

namespace ntmodel {
const std::vector<PKSPIN_LOCK> &HeldSpinLocks();
}
