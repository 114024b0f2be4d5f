// The guarded block on the host: the kernel model keeps each thread's chain
// of open blocks and carries ExRaiseStatus to the innermost one.
#if !defined(DORVIK_TARGET)

#include "GuardedBlock.h"

NTSTATUS FwCallGuarded(PFW_GUARDED_ROUTINE Routine, PVOID Context) {
  return ntmodel::CallGuarded(Routine, Context);
}

#endif  // !DORVIK_TARGET
