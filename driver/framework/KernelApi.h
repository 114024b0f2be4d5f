// The one place where driver sources meet the platform: the DDK headers on the
// target, our kernel model on the host.
#pragma once

#if defined(DORVIK_TARGET)
// wdm.h redefines two intrinsics that intrin.h already provides in C++ mode.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
#include <ntddk.h>
#define FW_WIDE(text) L##text
#else
#include <ntddk.h>
#define FW_WIDE(text) u##text
#endif

#include <stddef.h>
