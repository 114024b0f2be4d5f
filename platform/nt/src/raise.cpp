// ExRaiseStatus and the guarded blocks it reaches. Each thread has its own
// chain of open blocks, innermost first, as each thread on the platform has
// its own exception list. A raise jumps straight to the innermost block: like
// the platform's exceptions, it runs no destructors on the way.
#include <nt_model.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

namespace {

struct GuardedBlock {
  GuardedBlock *outer;
  std::jmp_buf resume;
  volatile NTSTATUS code;
  unsigned spin_locks_at_entry;
};

thread_local GuardedBlock *t_innermost = nullptr;

std::string StatusText(NTSTATUS status) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
  return text;
}

}  // namespace

namespace ntmodel {

NTSTATUS CallGuarded(VOID (*Routine)(PVOID Context), PVOID Context) {
  GuardedBlock block;
  block.outer = t_innermost;
  block.code = STATUS_SUCCESS;
  block.spin_locks_at_entry = SpinLocksHeldByThisThread();
  if (setjmp(block.resume) != 0) {
    // ExRaiseStatus has already made the outer block the innermost again.
    return block.code;
  }
  t_innermost = &block;
  Routine(Context);
  t_innermost = block.outer;
  return STATUS_SUCCESS;
}

}  // namespace ntmodel

[[noreturn]] VOID NTAPI ExRaiseStatus(NTSTATUS Status) {
  GuardedBlock *block = t_innermost;
  if (block == nullptr) {
    // Nothing catches it: on the platform this stops the system.
    ntmodel::ReportViolation("ExRaiseStatus(" + StatusText(Status) +
                             ") outside any guarded block: unhandled exception");
    std::fprintf(stderr, "kernel model: bug check, unhandled exception %s\n",
                 StatusText(Status).c_str());
    std::abort();
  }
  if (ntmodel::SpinLocksHeldByThisThread() > block->spin_locks_at_entry) {
    // The raise skips the release: the lock stays taken and the IRQL raised.
    ntmodel::ReportViolation("ExRaiseStatus(" + StatusText(Status) +
                             ") leaves a guarded block while holding a spin lock taken inside it");
  }
  t_innermost = block->outer;
  block->code = Status;
  std::longjmp(block->resume, 1);
}
