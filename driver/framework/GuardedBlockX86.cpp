// The guarded block on x86 NT: a structured-exception frame pushed on the
// thread's exception list at fs:[0]. Its handler accepts every exception,
// lets RtlUnwind tell the frames above it that they are being left, and
// resumes FwCallGuarded with the exception code.
#if defined(DORVIK_TARGET)

#include "GuardedBlock.h"

#include <stddef.h>

// Exported by the kernel (and by ntdll in user mode); the DDK leaves it out.
extern "C" __declspec(dllimport) VOID NTAPI RtlUnwind(PVOID TargetFrame, PVOID TargetIp,
                                                      PEXCEPTION_RECORD ExceptionRecord,
                                                      PVOID ReturnValue);

namespace {

// Set in ExceptionFlags when the dispatcher calls a handler to unwind its
// frame rather than to handle an exception (EXCEPTION_UNWINDING,
// EXCEPTION_EXIT_UNWIND).
const ULONG kUnwindFlags = 0x2 | 0x4;

typedef EXCEPTION_DISPOSITION(__cdecl *FRAME_HANDLER)(PEXCEPTION_RECORD Record,
                                                      PVOID EstablisherFrame, PCONTEXT Context,
                                                      PVOID DispatcherContext);

// The record the dispatcher walks (EXCEPTION_REGISTRATION_RECORD).
struct ExceptionRegistration {
  ExceptionRegistration *Next;
  FRAME_HANDLER Handler;
};

struct GuardedFrame {
  ExceptionRegistration Registration;  // first: its address is the frame's
  PVOID Resume[5];                     // __builtin_setjmp buffer
  volatile NTSTATUS Code;
};
static_assert(offsetof(GuardedFrame, Registration) == 0,
              "the dispatcher hands the registration's address to the handler");

ExceptionRegistration *ExceptionList() {
  ExceptionRegistration *head;
  __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head) : : "memory");
  return head;
}

void SetExceptionList(ExceptionRegistration *head) {
  __asm__ __volatile__("movl %0, %%fs:0" : : "r"(head) : "memory");
}

// Calls every handler registered above Frame for unwinding and unlinks those
// frames, leaving Frame at the head of the list. RtlUnwind returns through
// the context it captured on entry, which need not carry ebx, esi, edi and
// ebp, so they are kept on the stack across the call.
void UnwindTo(GuardedFrame *frame, PEXCEPTION_RECORD record) {
  __asm__ __volatile__(
      "pushl %%ebp\n\t"
      "pushl %%ebx\n\t"
      "pushl %%esi\n\t"
      "pushl %%edi\n\t"
      "pushl $0\n\t"  // ReturnValue
      "pushl %1\n\t"  // ExceptionRecord
      "pushl $0\n\t"  // TargetIp: come back here
      "pushl %0\n\t"  // TargetFrame
      "call *%2\n\t"
      "popl %%edi\n\t"
      "popl %%esi\n\t"
      "popl %%ebx\n\t"
      "popl %%ebp"
      :
      : "r"(frame), "r"(record), "r"(&RtlUnwind)
      : "eax", "ecx", "edx", "memory", "cc");
}

// The filter accepts every exception: keep its code, unwind to this frame and
// resume in the guarded call. The dispatcher's own stack is abandoned there.
EXCEPTION_DISPOSITION __cdecl AcceptEveryException(PEXCEPTION_RECORD Record,
                                                   PVOID EstablisherFrame, PCONTEXT Context,
                                                   PVOID DispatcherContext) {
  if ((Record->ExceptionFlags & kUnwindFlags) != 0) return ExceptionContinueSearch;
  GuardedFrame *frame = static_cast<GuardedFrame *>(EstablisherFrame);
  frame->Code = Record->ExceptionCode;
  UnwindTo(frame, Record);
  __builtin_longjmp(frame->Resume, 1);
}

}  // namespace

NTSTATUS FwCallGuarded(PFW_GUARDED_ROUTINE Routine, PVOID Context) {
  GuardedFrame frame;
  frame.Registration.Handler = AcceptEveryException;
  frame.Registration.Next = ExceptionList();
  frame.Code = STATUS_SUCCESS;
  if (__builtin_setjmp(frame.Resume) != 0) {
    // Resumed by the handler: the frames above ours are gone; drop ours too.
    SetExceptionList(frame.Registration.Next);
    return frame.Code;
  }
  SetExceptionList(&frame.Registration);
  Routine(Context);
  SetExceptionList(frame.Registration.Next);
  return STATUS_SUCCESS;
}

#endif  // DORVIK_TARGET
