// The guarded block's real mechanism, run as a 32-bit Windows console program:
// statuses raised through ntdll and processor exceptions taken inside a
// guarded call must arrive as its result, with the exception list (fs:[0]),
// the stack and the caller's registers as they were before the call.
#include "GuardedBlock.h"

#include <stddef.h>
#include <stdio.h>

// Raises a non-continuable exception with the status as its code.
extern "C" [[noreturn]] __declspec(dllimport) VOID NTAPI RtlRaiseStatus(NTSTATUS Status);

namespace {

int g_failures = 0;

void Check(bool ok, const char *what, ULONG detail = 0) {
  if (!ok) ++g_failures;
  printf("%s: %s (0x%08lX)\n", ok ? "ok  " : "FAIL", what, static_cast<unsigned long>(detail));
}

PVOID ExceptionListHead() {
  PVOID head;
  __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head) : : "memory");
  return head;
}

// ---- What the caller of a guarded call sees ------------------------------------

// Registers and stack pointer around one guarded call, taken in assembly so
// that nothing the compiler does in between hides a fault.
struct CallerState {
  NTSTATUS Result;
  ULONG EspBefore, EspAfter;
  ULONG EbpBefore, EbpAfter;
  ULONG Ebx, Esi, Edi;
};

static_assert(offsetof(CallerState, EspBefore) == 4 && offsetof(CallerState, EbpBefore) == 12 &&
                  offsetof(CallerState, Ebx) == 20 && offsetof(CallerState, Edi) == 28,
              "ProbeGuardedCall writes these offsets");

const ULONG kEbxMark = 0x1BADB002, kEsiMark = 0x5EED5EED, kEdiMark = 0xD15EA5E5;

typedef NTSTATUS (*GUARDED_CALL)(PFW_GUARDED_ROUTINE, PVOID);

// cdecl: (call, routine, context, state). Sets ebx, esi and edi to marks,
// makes the call and records what the caller finds afterwards.
extern "C" void ProbeGuardedCall(GUARDED_CALL call, PFW_GUARDED_ROUTINE routine, PVOID context,
                                 CallerState *state);
__asm__(
    ".text\n"
    ".globl _ProbeGuardedCall\n"
    "_ProbeGuardedCall:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %ebx\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  movl 20(%ebp), %eax\n"  // state
    "  movl %esp, 4(%eax)\n"   // EspBefore
    "  movl %ebp, 12(%eax)\n"  // EbpBefore
    "  movl $0x1BADB002, %ebx\n"
    "  movl $0x5EED5EED, %esi\n"
    "  movl $0xD15EA5E5, %edi\n"
    "  pushl 16(%ebp)\n"
    "  pushl 12(%ebp)\n"
    "  call *8(%ebp)\n"
    "  addl $8, %esp\n"
    // Reach the state through esp, not ebp: both are being checked.
    "  movl 32(%esp), %ecx\n"
    "  movl %eax, 0(%ecx)\n"   // Result
    "  movl %esp, 8(%ecx)\n"   // EspAfter
    "  movl %ebp, 16(%ecx)\n"  // EbpAfter
    "  movl %ebx, 20(%ecx)\n"
    "  movl %esi, 24(%ecx)\n"
    "  movl %edi, 28(%ecx)\n"
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebx\n"
    "  popl %ebp\n"
    "  ret\n");

// Runs one guarded call under the probe and checks everything the caller
// relies on; returns the call's result.
NTSTATUS CheckedCall(const char *what, PFW_GUARDED_ROUTINE routine, PVOID context) {
  PVOID listBefore = ExceptionListHead();
  CallerState state = {};
  ProbeGuardedCall(FwCallGuarded, routine, context, &state);
  bool intact = ExceptionListHead() == listBefore && state.EspAfter == state.EspBefore &&
                state.EbpAfter == state.EbpBefore && state.Ebx == kEbxMark &&
                state.Esi == kEsiMark && state.Edi == kEdiMark;
  if (!intact) {
    printf("  %s: list %p -> %p, esp %08lX -> %08lX, ebp %08lX -> %08lX, ebx %08lX esi %08lX edi %08lX\n",
           what, listBefore, ExceptionListHead(), static_cast<unsigned long>(state.EspBefore),
           static_cast<unsigned long>(state.EspAfter), static_cast<unsigned long>(state.EbpBefore),
           static_cast<unsigned long>(state.EbpAfter), static_cast<unsigned long>(state.Ebx),
           static_cast<unsigned long>(state.Esi), static_cast<unsigned long>(state.Edi));
  }
  Check(intact, what, static_cast<ULONG>(state.Result));
  return state.Result;
}

// ---- Routines run in guarded blocks ---------------------------------------------

struct Raise {
  NTSTATUS Status;
  bool Returned;
};

VOID RaiseThroughNtdll(PVOID context) {
  Raise *raise = static_cast<Raise *>(context);
  if (raise->Status != STATUS_SUCCESS) RtlRaiseStatus(raise->Status);
  raise->Returned = true;
}

VOID WriteToAddressZero(PVOID) { *static_cast<volatile ULONG *>(nullptr) = 0x1234; }

VOID ExecuteUndefinedInstruction(PVOID) { __asm__ __volatile__("ud2"); }

// Raises from the bottom of a chain of frames, each with a canary of its own.
ULONG RaiseFromDepth(ULONG depth, NTSTATUS status) {
  volatile ULONG canary[8];
  for (ULONG i = 0; i < 8; ++i) canary[i] = depth * 8 + i;
  if (depth > 0) return RaiseFromDepth(depth - 1, status) + canary[depth % 8];
  if (status != STATUS_SUCCESS) RtlRaiseStatus(status);
  return canary[0];
}

VOID RaiseDeep(PVOID context) { RaiseFromDepth(30, *static_cast<NTSTATUS *>(context)); }

// A frame of someone else's inside the guarded routine: the guarded block
// must offer it the exception first and then tell it that it is unwound.
struct ForeignCalls {
  ULONG Dispatches;
  ULONG Unwinds;
};

typedef EXCEPTION_DISPOSITION(__cdecl *FRAME_HANDLER)(PEXCEPTION_RECORD, PVOID, PCONTEXT, PVOID);

struct ForeignFrame {
  ForeignFrame *Next;
  FRAME_HANDLER Handler;
  ForeignCalls *Calls;
};

EXCEPTION_DISPOSITION __cdecl CountCalls(PEXCEPTION_RECORD record, PVOID frame, PCONTEXT,
                                         PVOID) {
  ForeignCalls *calls = static_cast<ForeignFrame *>(frame)->Calls;
  if ((record->ExceptionFlags & 0x6) != 0) {  // EXCEPTION_UNWINDING, EXCEPTION_EXIT_UNWIND
    ++calls->Unwinds;
  } else {
    ++calls->Dispatches;
  }
  return ExceptionContinueSearch;
}

VOID RaiseUnderForeignFrame(PVOID context) {
  // The frame lives in this routine's own stack frame, below the guarded
  // block's, as the list's order requires.
  ForeignFrame frame = {static_cast<ForeignFrame *>(ExceptionListHead()), CountCalls,
                        static_cast<ForeignCalls *>(context)};
  __asm__ __volatile__("movl %0, %%fs:0" : : "r"(&frame) : "memory");
  RtlRaiseStatus(STATUS_INVALID_PARAMETER);
}

// An outer block whose routine opens inner ones, checked like any caller's.
struct Nesting {
  NTSTATUS InnerRaise;
  NTSTATUS InnerResult;
  NTSTATUS InnerReturnResult;
  NTSTATUS OuterRaise;
  PVOID OuterFrame;     // fs:[0] inside the outer block
  bool InnerListKept;  // fs:[0] after each inner call equals OuterFrame
};

VOID OpenInnerBlocks(PVOID context) {
  Nesting *nesting = static_cast<Nesting *>(context);
  nesting->OuterFrame = ExceptionListHead();
  Raise inner = {nesting->InnerRaise, false};
  nesting->InnerResult = CheckedCall("inner block left by a raise", RaiseThroughNtdll, &inner);
  bool kept = ExceptionListHead() == nesting->OuterFrame;
  Raise quiet = {STATUS_SUCCESS, false};
  nesting->InnerReturnResult = CheckedCall("inner block left by a return", RaiseThroughNtdll, &quiet);
  nesting->InnerListKept = kept && ExceptionListHead() == nesting->OuterFrame;
  if (nesting->OuterRaise != STATUS_SUCCESS) RtlRaiseStatus(nesting->OuterRaise);
}

// ---- The checks -------------------------------------------------------------------

void NormalReturn() {
  Raise raise = {STATUS_SUCCESS, false};
  NTSTATUS result = CheckedCall("normal return: caller's state", RaiseThroughNtdll, &raise);
  Check(result == STATUS_SUCCESS && raise.Returned, "normal return gives STATUS_SUCCESS", result);
}

void RaisedStatuses() {
  const NTSTATUS statuses[] = {STATUS_NO_MEMORY, static_cast<NTSTATUS>(0xC0000035),
                               STATUS_INSUFFICIENT_RESOURCES, static_cast<NTSTATUS>(0x80000005)};
  for (NTSTATUS status : statuses) {
    Raise raise = {status, false};
    NTSTATUS result = CheckedCall("RtlRaiseStatus: caller's state", RaiseThroughNtdll, &raise);
    Check(result == status && !raise.Returned, "RtlRaiseStatus: the status arrives", result);
  }
  NTSTATUS deep = static_cast<NTSTATUS>(0xC0000182);
  NTSTATUS result = CheckedCall("raise from depth: caller's state", RaiseDeep, &deep);
  Check(result == deep, "raise from depth: the status arrives", result);
}

void ProcessorExceptions() {
  // Under an emulator the code need not be the one real hardware gives.
  NTSTATUS result = CheckedCall("write to address 0: caller's state", WriteToAddressZero, nullptr);
  Check(result != STATUS_SUCCESS, "write to address 0 arrives as an exception", result);
  result = CheckedCall("undefined instruction: caller's state", ExecuteUndefinedInstruction, nullptr);
  Check(result != STATUS_SUCCESS, "undefined instruction arrives as an exception", result);
}

void ForeignFrameIsUnwound() {
  ForeignCalls calls = {0, 0};
  NTSTATUS result = CheckedCall("foreign frame: caller's state", RaiseUnderForeignFrame, &calls);
  Check(result == STATUS_INVALID_PARAMETER, "foreign frame: the status arrives", result);
  Check(calls.Dispatches == 1, "foreign frame is offered the exception once", calls.Dispatches);
  Check(calls.Unwinds == 1, "foreign frame is unwound once", calls.Unwinds);
}

void NestedBlocks() {
  Nesting nesting = {STATUS_NO_MEMORY, STATUS_PENDING, STATUS_PENDING, STATUS_SUCCESS, nullptr, false};
  NTSTATUS result = CheckedCall("outer block returning: caller's state", OpenInnerBlocks, &nesting);
  Check(result == STATUS_SUCCESS, "outer block returning: success", result);
  Check(nesting.InnerResult == STATUS_NO_MEMORY, "innermost block receives the raise",
        nesting.InnerResult);
  Check(nesting.InnerReturnResult == STATUS_SUCCESS, "inner block after it returns normally",
        nesting.InnerReturnResult);
  Check(nesting.InnerListKept, "inner blocks leave the outer frame at fs:[0]",
        reinterpret_cast<ULONG>(nesting.OuterFrame));

  Nesting raising = {STATUS_NO_MEMORY, STATUS_PENDING, STATUS_PENDING,
                     static_cast<NTSTATUS>(0xC0000120), nullptr, false};
  result = CheckedCall("outer block raising: caller's state", OpenInnerBlocks, &raising);
  Check(result == static_cast<NTSTATUS>(0xC0000120), "raise after inner blocks reaches the outer block",
        result);
}

void LongSequence() {
  // Blocks left behind would show as a moved fs:[0] or stack.
  PVOID listBefore = ExceptionListHead();
  int wrong = 0;
  for (ULONG i = 0; i < 200; ++i) {
    Raise raise = {(i % 2) ? static_cast<NTSTATUS>(0xC0000300 + i) : STATUS_SUCCESS, false};
    PVOID head = ExceptionListHead();
    CallerState state = {};
    ProbeGuardedCall(FwCallGuarded, RaiseThroughNtdll, &raise, &state);
    if (state.Result != raise.Status || ExceptionListHead() != head ||
        state.EspAfter != state.EspBefore || state.Ebx != kEbxMark) {
      ++wrong;
    }
  }
  Check(wrong == 0, "200 guarded calls in a row", static_cast<ULONG>(wrong));
  Check(ExceptionListHead() == listBefore, "fs:[0] after the sequence",
        reinterpret_cast<ULONG>(ExceptionListHead()));
}

}  // namespace

int main() {
  volatile ULONG canary[16];
  for (ULONG i = 0; i < 16; ++i) canary[i] = 0xC0DE0000 + i;
  PVOID listAtStart = ExceptionListHead();

  NormalReturn();
  RaisedStatuses();
  ProcessorExceptions();
  ForeignFrameIsUnwound();
  NestedBlocks();
  LongSequence();

  bool canaryIntact = true;
  for (ULONG i = 0; i < 16; ++i) canaryIntact = canaryIntact && canary[i] == 0xC0DE0000 + i;
  Check(canaryIntact, "main's stack canary intact");
  Check(ExceptionListHead() == listAtStart, "fs:[0] as at start",
        reinterpret_cast<ULONG>(ExceptionListHead()));

  printf("%d failure(s)\n", g_failures);
  fflush(stdout);
  return g_failures == 0 ? 0 : 1;
}
