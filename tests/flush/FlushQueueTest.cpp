// Flushing a closing file's pending requests: the ones waiting in the device's
// own queue and the device's current request, with the cancel spin lock
// always taken before the device queue lock.
#include <FlushQueue.h>
#include <KernelTest.h>
#include <TestDevice.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using ntmodel::FileRequest;

const ULONG_PTR kStaleInformation = 0x5A5A;

PIRP IrpOfEntry(LIST_ENTRY *link) {
  PKDEVICE_QUEUE_ENTRY entry = CONTAINING_RECORD(link, KDEVICE_QUEUE_ENTRY, DeviceListEntry);
  return CONTAINING_RECORD(entry, IRP, Tail.Overlay.DeviceQueueEntry);
}

class FlushQueueTest : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    CreatedDevice created = CreateTestDevice(&driver_, u"Flush0");
    ASSERT_EQ(STATUS_SUCCESS, created.status);
    device_ = created.device;
    deviceObject_ = created.device_object;
    queue_ = &deviceObject_->DeviceQueue;
  }

  void TearDown() override {
    delete device_;  // in place, ending with IoDeleteDevice
    requests_.clear();
    KernelTest::TearDown();
  }

  // As the system's start-packet path does: on an idle device the request
  // becomes the current one, on a busy device it waits in the queue.
  PIRP StartPacket(PFILE_OBJECT file) {
    requests_.push_back(std::make_unique<FileRequest>(IRP_MJ_READ, file));
    PIRP irp = requests_.back()->Irp();
    irp->IoStatus.Information = kStaleInformation;
    KIRQL irql;
    IoAcquireCancelSpinLock(&irql);
    if (!KeInsertDeviceQueue(queue_, &irp->Tail.Overlay.DeviceQueueEntry)) {
      deviceObject_->CurrentIrp = irp;
    }
    IoReleaseCancelSpinLock(irql);
    return irp;
  }

  // The queue's requests in order; the backward links must agree.
  std::vector<PIRP> Queued() const {
    std::vector<PIRP> forward, backward;
    LIST_ENTRY *head = &queue_->DeviceListHead;
    for (LIST_ENTRY *link = head->Flink; link != head; link = link->Flink) {
      forward.push_back(IrpOfEntry(link));
    }
    for (LIST_ENTRY *link = head->Blink; link != head; link = link->Blink) {
      backward.insert(backward.begin(), IrpOfEntry(link));
    }
    EXPECT_EQ(forward, backward) << "queue links broken";
    return forward;
  }

  // The traced steps on the cancel spin lock and this device's queue lock.
  std::vector<std::string> LockSteps() const {
    std::vector<std::string> steps;
    for (const ntmodel::LockEvent &event : ntmodel::LockTrace()) {
      std::string name;
      if (event.lock == ntmodel::CancelSpinLockAddress()) {
        name = "cancel";
      } else if (event.lock == &queue_->Lock) {
        name = "queue";
      } else {
        continue;
      }
      steps.push_back(name + (event.acquired ? "+" : "-"));
    }
    return steps;
  }

  static void ExpectCancelledOnce(PIRP irp) {
    const ntmodel::CompletionRecord &completion = ntmodel::CompletionOf(irp);
    EXPECT_EQ(1u, completion.count);
    EXPECT_EQ(STATUS_CANCELLED, completion.status);
    EXPECT_EQ(0u, irp->IoStatus.Information);
    EXPECT_FALSE(irp->Tail.Overlay.DeviceQueueEntry.Inserted);
  }

  static void ExpectLeftAlone(PIRP irp) {
    EXPECT_EQ(0u, ntmodel::CompletionOf(irp).count);
    EXPECT_FALSE(irp->Cancel);
    EXPECT_EQ(kStaleInformation, irp->IoStatus.Information);
  }

  void ExpectBackAtPassiveWithNoLock() {
    EXPECT_EQ(PASSIVE_LEVEL, KeGetCurrentIrql());
    EXPECT_EQ(0u, ntmodel::SpinLocksHeldByThisThread());
  }

  DRIVER_OBJECT driver_ = {};
  TestDevice *device_ = nullptr;
  PDEVICE_OBJECT deviceObject_ = nullptr;
  PKDEVICE_QUEUE queue_ = nullptr;
  FILE_OBJECT fileA_ = {};
  FILE_OBJECT fileB_ = {};
  FILE_OBJECT fileC_ = {};
  std::vector<std::unique_ptr<FileRequest>> requests_;
};

TEST_F(FlushQueueTest, IdleDeviceTakesAndReleasesEachLockOnce) {
  ntmodel::StartLockTrace();
  device_->FlushQueue(&fileA_);
  EXPECT_EQ((std::vector<std::string>{"cancel+", "queue+", "queue-", "cancel-"}), LockSteps());
  EXPECT_EQ(4u, ntmodel::LockTrace().size());
  EXPECT_FALSE(queue_->Busy);
  EXPECT_EQ(nullptr, deviceObject_->CurrentIrp);
  ExpectBackAtPassiveWithNoLock();
}

TEST_F(FlushQueueTest, GetIrpFromHeadUnlinksInOrderWithoutLocking) {
  StartPacket(&fileC_);
  PIRP a1 = StartPacket(&fileA_);
  PIRP b1 = StartPacket(&fileB_);

  KIRQL irql;
  IoAcquireCancelSpinLock(&irql);
  KefAcquireSpinLockAtDpcLevel(&queue_->Lock);
  ntmodel::StartLockTrace();
  EXPECT_EQ(a1, GetIrpFromHead(queue_));
  EXPECT_FALSE(a1->Tail.Overlay.DeviceQueueEntry.Inserted);
  EXPECT_TRUE(b1->Tail.Overlay.DeviceQueueEntry.Inserted);
  EXPECT_EQ(b1, GetIrpFromHead(queue_));
  EXPECT_EQ(nullptr, GetIrpFromHead(queue_));
  EXPECT_TRUE(ntmodel::LockTrace().empty());
  EXPECT_TRUE(queue_->Busy);
  KefReleaseSpinLockFromDpcLevel(&queue_->Lock);
  IoReleaseCancelSpinLock(irql);
}

struct QueuedCase {
  const char *name;
  bool flushAllFiles;
  bool withCancelRoutines;
};

void PrintTo(const QueuedCase &c, std::ostream *out) { *out << c.name; }

class FlushQueuedRequestsTest : public FlushQueueTest,
                                public ::testing::WithParamInterface<QueuedCase> {};

// Queue A1 B1 A2 B2 behind a current request of a third file.
TEST_P(FlushQueuedRequestsTest, CancelsTheFilesRequestsOldestFirstAndKeepsTheRest) {
  const QueuedCase &c = GetParam();
  PIRP current = StartPacket(&fileC_);
  PIRP a1 = StartPacket(&fileA_);
  PIRP b1 = StartPacket(&fileB_);
  PIRP a2 = StartPacket(&fileA_);
  PIRP b2 = StartPacket(&fileB_);
  if (c.withCancelRoutines) {
    for (PIRP irp : {a1, b1, a2, b2}) ntmodel::SetVerifiedCancelRoutine(irp);
  }

  device_->FlushQueue(c.flushAllFiles ? nullptr : &fileA_);

  const std::vector<PIRP> cancelled =
      c.flushAllFiles ? std::vector<PIRP>{a1, b1, a2, b2} : std::vector<PIRP>{a1, a2};
  const std::vector<PIRP> kept = c.flushAllFiles ? std::vector<PIRP>{} : std::vector<PIRP>{b1, b2};

  EXPECT_EQ(kept, Queued());
  EXPECT_TRUE(queue_->Busy);
  for (PIRP irp : kept) {
    ExpectLeftAlone(irp);
    EXPECT_TRUE(irp->Tail.Overlay.DeviceQueueEntry.Inserted);
    EXPECT_EQ(c.withCancelRoutines, irp->CancelRoutine != nullptr);
  }
  for (PIRP irp : cancelled) ExpectCancelledOnce(irp);

  std::vector<ntmodel::CancelCall> calls = ntmodel::CancelCalls();
  if (c.withCancelRoutines) {
    ASSERT_EQ(cancelled.size(), calls.size());
    for (size_t i = 0; i < calls.size(); ++i) {
      EXPECT_EQ(cancelled[i], calls[i].irp) << "call " << i;
      EXPECT_EQ(deviceObject_, calls[i].device);
      EXPECT_EQ(PASSIVE_LEVEL, calls[i].cancel_irql);
    }
  } else {
    EXPECT_TRUE(calls.empty());
  }

  // Without a file every request belongs, the current one too; having no
  // cancel routine, it is only marked.
  EXPECT_EQ(current, deviceObject_->CurrentIrp);
  EXPECT_EQ(c.flushAllFiles, current->Cancel != FALSE);
  EXPECT_EQ(0u, ntmodel::CompletionOf(current).count);
  ExpectBackAtPassiveWithNoLock();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FlushQueuedRequestsTest,
    ::testing::Values(QueuedCase{"OneFileCompleted", false, false},
                      QueuedCase{"OneFileToCancelRoutines", false, true},
                      QueuedCase{"AllFilesCompleted", true, false},
                      QueuedCase{"AllFilesToCancelRoutines", true, true}),
    [](const ::testing::TestParamInfo<QueuedCase> &info) { return std::string(info.param.name); });

TEST_F(FlushQueueTest, QueuedRequestWithoutFileIsKeptWhenOneFileIsFlushed) {
  StartPacket(&fileC_);
  PIRP noFile = StartPacket(nullptr);
  PIRP a1 = StartPacket(&fileA_);
  device_->FlushQueue(&fileA_);
  EXPECT_EQ(std::vector<PIRP>{noFile}, Queued());
  ExpectLeftAlone(noFile);
  ExpectCancelledOnce(a1);
}

TEST_F(FlushQueueTest, CurrentRequestOfTheFileGoesToItsCancelRoutineOutsideTheQueueLock) {
  PIRP current = StartPacket(&fileA_);
  ntmodel::SetVerifiedCancelRoutine(current);
  PIRP b1 = StartPacket(&fileB_);
  PIRP a2 = StartPacket(&fileA_);

  // Above PASSIVE_LEVEL the saved IRQL is told apart from a zeroed field.
  ntmodel::SetCurrentIrql(APC_LEVEL);
  ntmodel::StartLockTrace();
  device_->FlushQueue(&fileA_);
  EXPECT_EQ(APC_LEVEL, KeGetCurrentIrql());
  ntmodel::SetCurrentIrql(PASSIVE_LEVEL);

  EXPECT_TRUE(current->Cancel);
  EXPECT_EQ(nullptr, current->CancelRoutine);
  EXPECT_EQ(APC_LEVEL, current->CancelIrql);
  std::vector<ntmodel::CancelCall> calls = ntmodel::CancelCalls();
  ASSERT_EQ(1u, calls.size());
  EXPECT_EQ(deviceObject_, calls[0].device);
  EXPECT_EQ(current, calls[0].irp);
  EXPECT_EQ(APC_LEVEL, calls[0].cancel_irql);
  EXPECT_EQ(current, deviceObject_->CurrentIrp);

  EXPECT_EQ(std::vector<PIRP>{b1}, Queued());
  ExpectCancelledOnce(a2);

  // The routine releases the cancel spin lock; the flush takes both locks
  // again in order, then completes A2 only after releasing everything.
  EXPECT_EQ((std::vector<std::string>{"cancel+", "queue+", "queue-", "cancel-",  // routine
                                      "cancel+", "queue+", "queue-", "cancel-",  // A2
                                      "cancel+", "cancel-"}),
            LockSteps());
  EXPECT_EQ(0u, ntmodel::SpinLocksHeldByThisThread());
}

TEST_F(FlushQueueTest, CurrentRequestOfTheFileWithoutCancelRoutineIsOnlyMarked) {
  PIRP current = StartPacket(&fileA_);
  const KIRQL untouched = 0x1F;
  current->CancelIrql = untouched;
  device_->FlushQueue(&fileA_);
  EXPECT_TRUE(current->Cancel);
  EXPECT_EQ(untouched, current->CancelIrql);
  EXPECT_EQ(0u, ntmodel::CompletionOf(current).count);
  EXPECT_EQ(current, deviceObject_->CurrentIrp);
  ExpectBackAtPassiveWithNoLock();
}

TEST_F(FlushQueueTest, CurrentRequestOfAnotherFileIsUntouched) {
  PIRP current = StartPacket(&fileB_);
  ntmodel::SetVerifiedCancelRoutine(current);
  device_->FlushQueue(&fileA_);
  ExpectLeftAlone(current);
  EXPECT_NE(nullptr, current->CancelRoutine);
  EXPECT_TRUE(ntmodel::CancelCalls().empty());
}

}  // namespace
