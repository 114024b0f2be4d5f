// A guarded block: runs a routine so that an exception raised inside it ends
// up here as a status instead of ending the system. The creator of a device
// uses it to turn a status raised out of a constructor into a return value.
//
// On the target the block is a structured-exception frame on the thread's
// exception list; on the host the kernel model carries ExRaiseStatus to the
// innermost block of the calling thread. The meaning is the same in both:
//
// - The filter accepts every exception, whatever its code.
// - Blocks nest; the innermost open block of the raising thread receives it.
// - After the call, raised or not, the thread's exception list is as it was
//   before, and later raises reach the blocks that are open then.
//
// Raising leaves the routine at once, like the platform's own exceptions: no
// C++ destructor of an object on the way out runs (objects local to the
// routine or to any function it called). Code inside a guarded routine must
// not rely on destructors running on a raise: release what it holds before
// it raises, or leave it where the creator's cleanup finds it.
#pragma once

#include "KernelApi.h"

typedef VOID (*PFW_GUARDED_ROUTINE)(PVOID Context);

// Runs Routine(Context) in a guarded block. Returns STATUS_SUCCESS when the
// routine returns normally, otherwise the code of the exception raised inside
// it: the status given to ExRaiseStatus, or a processor exception's code.
NTSTATUS FwCallGuarded(PFW_GUARDED_ROUTINE Routine, PVOID Context);
