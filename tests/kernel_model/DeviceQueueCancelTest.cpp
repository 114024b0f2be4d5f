// Device queues, the cancel spin lock and the cancel routine contract: the
// flush of a closing file's requests is checked against these rules, so each
// rule must be able to fire.
#include <KernelTest.h>

#include <atomic>
#include <memory>
#include <thread>

using ntmodel::ViolationCapture;

namespace {

class DeviceQueueTest : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    KeInitializeDeviceQueue(&queue_);
  }
  KDEVICE_QUEUE queue_;
  KDEVICE_QUEUE_ENTRY entries_[3] = {};
};

TEST_F(DeviceQueueTest, IdleQueueTurnsBusyFirstThenQueuesInOrder) {
  ntmodel::SetCurrentIrql(DISPATCH_LEVEL);
  EXPECT_FALSE(KeInsertDeviceQueue(&queue_, &entries_[0]));
  EXPECT_TRUE(queue_.Busy);
  EXPECT_FALSE(entries_[0].Inserted);
  EXPECT_EQ(&queue_.DeviceListHead, queue_.DeviceListHead.Flink);

  EXPECT_TRUE(KeInsertDeviceQueue(&queue_, &entries_[1]));
  EXPECT_TRUE(KeInsertDeviceQueue(&queue_, &entries_[2]));
  EXPECT_TRUE(entries_[1].Inserted);
  EXPECT_TRUE(entries_[2].Inserted);

  EXPECT_EQ(&entries_[1], KeRemoveDeviceQueue(&queue_));
  EXPECT_FALSE(entries_[1].Inserted);
  EXPECT_EQ(&entries_[2], KeRemoveDeviceQueue(&queue_));
  EXPECT_TRUE(queue_.Busy);
  EXPECT_EQ(nullptr, KeRemoveDeviceQueue(&queue_));
  EXPECT_FALSE(queue_.Busy);
  EXPECT_EQ(DISPATCH_LEVEL, KeGetCurrentIrql());
  EXPECT_EQ(0u, ntmodel::SpinLocksHeldByThisThread());
  ntmodel::SetCurrentIrql(PASSIVE_LEVEL);
}

TEST_F(DeviceQueueTest, MisuseIsReported) {
  ViolationCapture capture;
  KeInsertDeviceQueue(&queue_, &entries_[0]);
  EXPECT_TRUE(capture.Contains("KeInsertDeviceQueue called at an IRQL other than DISPATCH_LEVEL"));
  EXPECT_EQ(PASSIVE_LEVEL, KeGetCurrentIrql());

  ntmodel::SetCurrentIrql(DISPATCH_LEVEL);
  KeInsertDeviceQueue(&queue_, &entries_[1]);
  KeInsertDeviceQueue(&queue_, &entries_[1]);
  EXPECT_TRUE(capture.Contains("inserted while already in a queue"));

  KDEVICE_QUEUE idle;
  KeInitializeDeviceQueue(&idle);
  KeRemoveDeviceQueue(&idle);
  EXPECT_TRUE(capture.Contains("KeRemoveDeviceQueue on a queue that is not busy"));
  ntmodel::SetCurrentIrql(PASSIVE_LEVEL);
}

class CancelSpinLockTest : public KernelTest {};

TEST_F(CancelSpinLockTest, RaisesToDispatchAndRestoresTheSavedIrql) {
  ntmodel::SetCurrentIrql(APC_LEVEL);
  KIRQL saved = HIGH_LEVEL;
  IoAcquireCancelSpinLock(&saved);
  EXPECT_EQ(APC_LEVEL, saved);
  EXPECT_EQ(DISPATCH_LEVEL, KeGetCurrentIrql());
  EXPECT_EQ(1u, ntmodel::SpinLocksHeldByThisThread());
  IoReleaseCancelSpinLock(saved);
  EXPECT_EQ(APC_LEVEL, KeGetCurrentIrql());
  EXPECT_EQ(0u, ntmodel::SpinLocksHeldByThisThread());
  ntmodel::SetCurrentIrql(PASSIVE_LEVEL);
}

TEST_F(CancelSpinLockTest, ExcludesOtherThreads) {
  KIRQL saved;
  IoAcquireCancelSpinLock(&saved);
  std::atomic<bool> taken{false};
  std::thread other([&] {
    KIRQL inner;
    IoAcquireCancelSpinLock(&inner);
    taken = true;
    IoReleaseCancelSpinLock(inner);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(taken);
  IoReleaseCancelSpinLock(saved);
  other.join();
  EXPECT_TRUE(taken);
}

TEST_F(CancelSpinLockTest, TakenAfterADeviceQueueLockIsReported) {
  KDEVICE_QUEUE queue;
  KeInitializeDeviceQueue(&queue);
  ViolationCapture capture;
  KIRQL old = KfAcquireSpinLock(&queue.Lock);
  KIRQL saved;
  IoAcquireCancelSpinLock(&saved);
  IoReleaseCancelSpinLock(saved);
  KfReleaseSpinLock(&queue.Lock, old);
  EXPECT_TRUE(capture.Contains("cancel spin lock acquired while holding a device queue lock"));
}

TEST_F(CancelSpinLockTest, TakenAfterADeviceObjectsQueueLockIsReported) {
  DRIVER_OBJECT driver = {};
  PDEVICE_OBJECT device = nullptr;
  ASSERT_EQ(STATUS_SUCCESS,
            IoCreateDevice(&driver, 0, nullptr, FILE_DEVICE_UNKNOWN, 0, FALSE, &device));
  ViolationCapture capture;
  KIRQL old = KfAcquireSpinLock(&device->DeviceQueue.Lock);
  KIRQL saved;
  IoAcquireCancelSpinLock(&saved);
  IoReleaseCancelSpinLock(saved);
  KfReleaseSpinLock(&device->DeviceQueue.Lock, old);
  EXPECT_TRUE(capture.Contains("cancel spin lock acquired while holding a device queue lock"));
  IoDeleteDevice(device);
}

TEST_F(CancelSpinLockTest, DeviceQueueLockTakenAfterItIsTheRightOrder) {
  KDEVICE_QUEUE queue;
  KeInitializeDeviceQueue(&queue);
  KIRQL saved;
  IoAcquireCancelSpinLock(&saved);
  KefAcquireSpinLockAtDpcLevel(&queue.Lock);
  KefReleaseSpinLockFromDpcLevel(&queue.Lock);
  IoReleaseCancelSpinLock(saved);
  // KernelTest fails the test on any report.
  EXPECT_EQ(PASSIVE_LEVEL, KeGetCurrentIrql());
}

TEST_F(CancelSpinLockTest, CompletingARequestWhileHoldingItIsReported) {
  ntmodel::FileRequest request(IRP_MJ_READ, nullptr);
  request.Irp()->IoStatus.Status = STATUS_CANCELLED;
  ViolationCapture capture;
  KIRQL saved;
  IoAcquireCancelSpinLock(&saved);
  IofCompleteRequest(request.Irp(), IO_NO_INCREMENT);
  IoReleaseCancelSpinLock(saved);
  EXPECT_TRUE(capture.Contains("completed while a spin lock is held"));
}

TEST_F(CancelSpinLockTest, TraceShowsTheOrderOfLocking) {
  KSPIN_LOCK lock;
  KeInitializeSpinLock(&lock);
  ntmodel::StartLockTrace();
  KIRQL saved;
  IoAcquireCancelSpinLock(&saved);
  KefAcquireSpinLockAtDpcLevel(&lock);
  KefReleaseSpinLockFromDpcLevel(&lock);
  IoReleaseCancelSpinLock(saved);
  const KSPIN_LOCK *cancel = ntmodel::CancelSpinLockAddress();
  std::vector<ntmodel::LockEvent> trace = ntmodel::LockTrace();
  ASSERT_EQ(4u, trace.size());
  EXPECT_TRUE(trace[0].lock == cancel && trace[0].acquired);
  EXPECT_TRUE(trace[1].lock == &lock && trace[1].acquired);
  EXPECT_TRUE(trace[2].lock == &lock && !trace[2].acquired);
  EXPECT_TRUE(trace[3].lock == cancel && !trace[3].acquired);
}

// The driver's side of calling a cancel routine, done by hand.
class CancelRoutineContractTest : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    // After the machine reset, which forgets every request issued before it.
    request_ = std::make_unique<ntmodel::FileRequest>(IRP_MJ_READ, nullptr);
    ntmodel::SetVerifiedCancelRoutine(request_->Irp());
  }
  // Calls the routine as the system's contract demands, unless told otherwise.
  void CallRoutine(bool holdCancelLock = true, PKSPIN_LOCK alsoHeld = nullptr) {
    PIRP irp = request_->Irp();
    irp->Cancel = TRUE;
    PDRIVER_CANCEL routine = irp->CancelRoutine;
    irp->CancelRoutine = nullptr;
    KIRQL saved = PASSIVE_LEVEL;
    if (holdCancelLock) IoAcquireCancelSpinLock(&saved);
    irp->CancelIrql = saved;
    if (alsoHeld != nullptr) KefAcquireSpinLockAtDpcLevel(alsoHeld);
    routine(&device_, irp);
    if (alsoHeld != nullptr) KefReleaseSpinLockFromDpcLevel(alsoHeld);
  }
  DEVICE_OBJECT device_ = {};
  std::unique_ptr<ntmodel::FileRequest> request_;
};

TEST_F(CancelRoutineContractTest, KeptContractReleasesCompletesAndRecords) {
  CallRoutine();
  EXPECT_EQ(0u, ntmodel::SpinLocksHeldByThisThread());
  EXPECT_EQ(PASSIVE_LEVEL, KeGetCurrentIrql());
  EXPECT_EQ(1u, request_->Completions());
  EXPECT_EQ(STATUS_CANCELLED, ntmodel::CompletionOf(request_->Irp()).status);
  std::vector<ntmodel::CancelCall> calls = ntmodel::CancelCalls();
  ASSERT_EQ(1u, calls.size());
  EXPECT_EQ(&device_, calls[0].device);
  EXPECT_EQ(request_->Irp(), calls[0].irp);
}

TEST_F(CancelRoutineContractTest, EnteredWithoutTheCancelSpinLockIsReported) {
  ViolationCapture capture;
  CallRoutine(false);
  EXPECT_TRUE(capture.Contains("cancel routine entered without the cancel spin lock"));
}

TEST_F(CancelRoutineContractTest, EnteredHoldingADeviceQueueLockIsReported) {
  KDEVICE_QUEUE queue;
  KeInitializeDeviceQueue(&queue);
  ViolationCapture capture;
  // The routine releases the cancel spin lock first, so the queue lock is
  // released last, out of order but legal.
  CallRoutine(true, &queue.Lock);
  EXPECT_TRUE(capture.Contains("cancel routine entered holding a device queue lock"));
}

TEST_F(CancelRoutineContractTest, RoutineThatKeepsTheCancelSpinLockIsReported) {
  ntmodel::SetVerifiedCancelRoutine(request_->Irp(), [](PDEVICE_OBJECT, PIRP irp) {
    irp->IoStatus.Status = STATUS_CANCELLED;
  });
  ViolationCapture capture;
  CallRoutine();
  EXPECT_TRUE(capture.Contains("cancel routine returned still holding the cancel spin lock"));
  EXPECT_EQ(0u, ntmodel::SpinLocksHeldByThisThread());
}

}  // namespace
