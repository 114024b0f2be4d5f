// A status raised inside a guarded block reaches the innermost open block of
// the raising thread with its code, and leaves the thread able to raise to
// the blocks that are open afterwards.
#include <GuardedBlock.h>
#include <KernelTest.h>

#include <cstdio>
#include <cstring>
#include <thread>

namespace {

// What a routine did, for routines that may or may not be left by a raise.
struct Trace {
  NTSTATUS raise = STATUS_SUCCESS;  // raised when not STATUS_SUCCESS
  int entered = 0;
  int returned = 0;
};

VOID RaiseOrReturn(PVOID context) {
  Trace *trace = static_cast<Trace *>(context);
  ++trace->entered;
  if (trace->raise != STATUS_SUCCESS) ExRaiseStatus(trace->raise);
  ++trace->returned;
}

// Raises from the bottom of a chain of calls, each with live locals.
int RaiseFromDepth(int depth, NTSTATUS status) {
  volatile int local[4] = {depth, depth, depth, depth};
  if (depth > 0) return RaiseFromDepth(depth - 1, status) + local[0];
  if (status != STATUS_SUCCESS) ExRaiseStatus(status);
  return local[0];
}

VOID RaiseDeep(PVOID context) { RaiseFromDepth(40, *static_cast<NTSTATUS *>(context)); }

// An outer routine that opens inner blocks, then returns or raises itself.
struct Nesting {
  Trace inner_raising;
  Trace inner_returning;
  NTSTATUS inner_raising_result = STATUS_PENDING;
  NTSTATUS inner_returning_result = STATUS_PENDING;
  NTSTATUS outer_raise = STATUS_SUCCESS;
  bool outer_resumed = false;
};

VOID OpenInnerBlocks(PVOID context) {
  Nesting *nesting = static_cast<Nesting *>(context);
  nesting->inner_raising_result = FwCallGuarded(RaiseOrReturn, &nesting->inner_raising);
  nesting->inner_returning_result = FwCallGuarded(RaiseOrReturn, &nesting->inner_returning);
  nesting->outer_resumed = true;
  if (nesting->outer_raise != STATUS_SUCCESS) ExRaiseStatus(nesting->outer_raise);
}

class GuardedBlockTest : public KernelTest {};

TEST_F(GuardedBlockTest, NormalReturnGivesSuccess) {
  Trace trace;
  EXPECT_EQ(STATUS_SUCCESS, FwCallGuarded(RaiseOrReturn, &trace));
  EXPECT_EQ(1, trace.entered);
  EXPECT_EQ(1, trace.returned);
}

TEST_F(GuardedBlockTest, RaisedStatusIsTheResultAndTheRoutineStops) {
  const NTSTATUS statuses[] = {STATUS_NO_MEMORY, STATUS_OBJECT_NAME_COLLISION,
                               STATUS_INSUFFICIENT_RESOURCES, STATUS_UNSUCCESSFUL,
                               STATUS_BUFFER_OVERFLOW};
  for (NTSTATUS status : statuses) {
    SCOPED_TRACE(testing::Message() << std::hex << status);
    Trace trace;
    trace.raise = status;
    EXPECT_EQ(status, FwCallGuarded(RaiseOrReturn, &trace));
    EXPECT_EQ(1, trace.entered);
    EXPECT_EQ(0, trace.returned);
  }
}

TEST_F(GuardedBlockTest, RaiseFromDeepInsideReachesTheBlock) {
  NTSTATUS status = STATUS_DEVICE_CONFIGURATION_ERROR;
  EXPECT_EQ(STATUS_DEVICE_CONFIGURATION_ERROR, FwCallGuarded(RaiseDeep, &status));
}

TEST_F(GuardedBlockTest, InnermostBlockReceivesTheRaise) {
  Nesting nesting;
  nesting.inner_raising.raise = STATUS_NO_MEMORY;
  EXPECT_EQ(STATUS_SUCCESS, FwCallGuarded(OpenInnerBlocks, &nesting));
  EXPECT_EQ(STATUS_NO_MEMORY, nesting.inner_raising_result);
  EXPECT_EQ(STATUS_SUCCESS, nesting.inner_returning_result);
  EXPECT_EQ(1, nesting.inner_returning.returned);
  EXPECT_TRUE(nesting.outer_resumed);
}

TEST_F(GuardedBlockTest, RaiseAfterClosedInnerBlocksReachesTheOuterBlock) {
  // Both inner blocks are gone by the time the outer routine raises, the one
  // left by a raise and the one left by a return.
  Nesting nesting;
  nesting.inner_raising.raise = STATUS_NO_MEMORY;
  nesting.outer_raise = STATUS_OBJECT_NAME_COLLISION;
  EXPECT_EQ(STATUS_OBJECT_NAME_COLLISION, FwCallGuarded(OpenInnerBlocks, &nesting));
  EXPECT_EQ(STATUS_NO_MEMORY, nesting.inner_raising_result);
  EXPECT_TRUE(nesting.outer_resumed);
}

TEST_F(GuardedBlockTest, SequenceOfBlocksKeepsTheCallersState) {
  volatile unsigned char canary[64];
  std::memset(const_cast<unsigned char *>(canary), 0xA5, sizeof canary);
  for (int i = 0; i < 300; ++i) {
    Trace trace;
    trace.raise = (i % 3 == 0) ? STATUS_SUCCESS : static_cast<NTSTATUS>(0xC0000100 + i);
    Nesting nesting;
    nesting.inner_raising.raise = static_cast<NTSTATUS>(0xC0000200 + i);
    nesting.outer_raise = (i % 2 == 0) ? STATUS_SUCCESS : STATUS_CANCELLED;
    ASSERT_EQ(trace.raise, FwCallGuarded(RaiseOrReturn, &trace)) << "call " << i;
    ASSERT_EQ(nesting.outer_raise, FwCallGuarded(OpenInnerBlocks, &nesting)) << "call " << i;
    ASSERT_EQ(nesting.inner_raising.raise, nesting.inner_raising_result) << "call " << i;
  }
  for (unsigned char byte : canary) ASSERT_EQ(0xA5, byte);
  EXPECT_EQ(PASSIVE_LEVEL, KeGetCurrentIrql());
}

struct ThreadRaise {
  NTSTATUS other_thread_result = STATUS_PENDING;
};

VOID RaiseOnAnotherThreadMeanwhile(PVOID context) {
  ThreadRaise *work = static_cast<ThreadRaise *>(context);
  std::thread other([work] {
    Trace trace;
    trace.raise = STATUS_CANCELLED;
    work->other_thread_result = FwCallGuarded(RaiseOrReturn, &trace);
  });
  other.join();
}

TEST_F(GuardedBlockTest, EachThreadRaisesToItsOwnBlocks) {
  ThreadRaise work;
  EXPECT_EQ(STATUS_SUCCESS, FwCallGuarded(RaiseOnAnotherThreadMeanwhile, &work));
  EXPECT_EQ(STATUS_CANCELLED, work.other_thread_result);
}

struct LockedRaise {
  KSPIN_LOCK lock;
  KIRQL old_irql;
};

VOID RaiseHoldingLock(PVOID context) {
  LockedRaise *work = static_cast<LockedRaise *>(context);
  work->old_irql = KfAcquireSpinLock(&work->lock);
  ExRaiseStatus(STATUS_UNSUCCESSFUL);
}

VOID RaiseOnly(PVOID context) { ExRaiseStatus(STATUS_UNSUCCESSFUL); }

TEST_F(GuardedBlockTest, RaiseLeavingASpinLockTakenInsideIsReported) {
  LockedRaise work;
  KeInitializeSpinLock(&work.lock);
  {
    ntmodel::ViolationCapture capture;
    EXPECT_EQ(STATUS_UNSUCCESSFUL, FwCallGuarded(RaiseHoldingLock, &work));
    EXPECT_TRUE(capture.Contains("while holding a spin lock")) << testing::PrintToString(capture.Messages());
  }
  KfReleaseSpinLock(&work.lock, work.old_irql);

  // A lock the caller held before the block is the caller's to release.
  KIRQL old = KfAcquireSpinLock(&work.lock);
  {
    ntmodel::ViolationCapture capture;
    EXPECT_EQ(STATUS_UNSUCCESSFUL, FwCallGuarded(RaiseOnly, nullptr));
    EXPECT_TRUE(capture.Messages().empty()) << testing::PrintToString(capture.Messages());
  }
  KfReleaseSpinLock(&work.lock, old);
}

// A raise that no block catches stops the system; the verifier names it.
class GuardedBlockDeathTest : public KernelTest {
 protected:
  static void ReportToStderr() {
    ntmodel::SetViolationHook(
        [](const std::string &message) { std::fprintf(stderr, "verifier: %s\n", message.c_str()); });
  }
};

TEST_F(GuardedBlockDeathTest, RaiseWithoutABlockIsAnUnhandledException) {
  EXPECT_DEATH(
      {
        ReportToStderr();
        ExRaiseStatus(STATUS_NO_MEMORY);
      },
      "verifier: ExRaiseStatus\\(0xC0000017\\) outside any guarded block");
}

TEST_F(GuardedBlockDeathTest, RaiseAfterAllBlocksClosedIsUnhandled) {
  // Blocks left by raises and by returns must not stay on the chain.
  EXPECT_DEATH(
      {
        ReportToStderr();
        Nesting nesting;
        nesting.inner_raising.raise = STATUS_NO_MEMORY;
        nesting.outer_raise = STATUS_CANCELLED;
        FwCallGuarded(OpenInnerBlocks, &nesting);
        Trace trace;
        FwCallGuarded(RaiseOrReturn, &trace);
        ExRaiseStatus(STATUS_INSUFFICIENT_RESOURCES);
      },
      "verifier: ExRaiseStatus\\(0xC000009A\\) outside any guarded block");
}

}  // namespace
