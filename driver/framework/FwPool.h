// Pool tags and the one release routine shared by every framework class.
#pragma once

#include "KernelApi.h"

// Tags read in memory order: F, w, k, P is the 32-bit value 0x506B7746.
const ULONG FW_POOL_TAG = 0x506B7746;  // "FwkP": framework objects and buffers

// The framework's common operator delete: release a non-null pointer to pool.
void FwPoolDelete(void *pointer);
