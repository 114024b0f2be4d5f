// The model's verifier must be able to fail a test: each rule is broken here
// on purpose and the report is captured.
#include <KernelTest.h>

#include <thread>

using ntmodel::ViolationCapture;

class VerifierTest : public KernelTest {};

TEST_F(VerifierTest, RequestCompletedTwiceIsReported) {
  ntmodel::DeviceControlRequest request(0x80002000, {0, 0, 0, 0}, 4);
  request.Irp()->IoStatus.Status = STATUS_SUCCESS;
  ViolationCapture capture;
  IoCompleteRequest(request.Irp(), IO_NO_INCREMENT);
  EXPECT_TRUE(capture.Messages().empty());
  IoCompleteRequest(request.Irp(), IO_NO_INCREMENT);
  EXPECT_TRUE(capture.Contains("completed twice"));
  EXPECT_EQ(2u, request.Completions());
}

TEST_F(VerifierTest, RequestCompletedWithoutStatusIsReported) {
  ntmodel::DeviceControlRequest request(0x80002000, {}, 0);
  ViolationCapture capture;
  IoCompleteRequest(request.Irp(), IO_NO_INCREMENT);
  EXPECT_TRUE(capture.Contains("without a status"));
}

TEST_F(VerifierTest, RequestCompletedUnderASpinLockIsReported) {
  ntmodel::DeviceControlRequest request(0x80002000, {}, 0);
  request.Irp()->IoStatus.Status = STATUS_SUCCESS;
  KSPIN_LOCK lock;
  KeInitializeSpinLock(&lock);
  ViolationCapture capture;
  KIRQL old = KfAcquireSpinLock(&lock);
  IoCompleteRequest(request.Irp(), IO_NO_INCREMENT);
  KfReleaseSpinLock(&lock, old);
  EXPECT_TRUE(capture.Contains("while a spin lock is held"));
}

TEST_F(VerifierTest, LeakedBlockIsNamedByTagAndSize) {
  void *block = ExAllocatePoolWithTag(NonPagedPool, 208, 0x624D7644);
  ASSERT_NE(nullptr, block);
  std::vector<std::string> left = ntmodel::LeftBehind();
  ASSERT_EQ(1u, left.size());
  EXPECT_NE(std::string::npos, left[0].find("\"DvMb\""));
  EXPECT_NE(std::string::npos, left[0].find("208 bytes"));
  ExFreePool(block);
  EXPECT_TRUE(ntmodel::LeftBehind().empty());
}

TEST_F(VerifierTest, PagedPoolAtDispatchLevelIsReported) {
  ntmodel::SetCurrentIrql(DISPATCH_LEVEL);
  ViolationCapture capture;
  void *block = ExAllocatePoolWithTag(PagedPool, 16, 0x506B7746);
  ntmodel::SetCurrentIrql(PASSIVE_LEVEL);
  EXPECT_TRUE(capture.Contains("paged pool allocated at DISPATCH_LEVEL"));
  ExFreePool(block);
}

TEST_F(VerifierTest, NonPagedPoolAtDispatchLevelIsAllowed) {
  ntmodel::SetCurrentIrql(DISPATCH_LEVEL);
  ViolationCapture capture;
  void *block = ExAllocatePoolWithTag(NonPagedPool, 16, 0x506B7746);
  ExFreePool(block);
  ntmodel::SetCurrentIrql(PASSIVE_LEVEL);
  EXPECT_TRUE(capture.Messages().empty());
}

TEST_F(VerifierTest, ReleasingASpinLockNotHeldIsReported) {
  KSPIN_LOCK lock;
  KeInitializeSpinLock(&lock);
  ViolationCapture capture;
  KfReleaseSpinLock(&lock, PASSIVE_LEVEL);
  EXPECT_TRUE(capture.Contains("released but not held"));
}

TEST_F(VerifierTest, FreeingUnknownOrFreedBlockIsReported) {
  void *block = ExAllocatePoolWithTag(NonPagedPool, 8, 0x506B7746);
  ExFreePool(block);
  ViolationCapture capture;
  ExFreePool(block);
  EXPECT_TRUE(capture.Contains("not an allocated pool block"));
}

TEST_F(VerifierTest, SpinLockRaisesIrqlAndRestoresIt) {
  KSPIN_LOCK lock;
  KeInitializeSpinLock(&lock);
  KIRQL old = KfAcquireSpinLock(&lock);
  EXPECT_EQ(PASSIVE_LEVEL, old);
  EXPECT_EQ(DISPATCH_LEVEL, KeGetCurrentIrql());
  KfReleaseSpinLock(&lock, old);
  EXPECT_EQ(PASSIVE_LEVEL, KeGetCurrentIrql());
}

TEST_F(VerifierTest, SpinLockExcludesOtherThreads) {
  KSPIN_LOCK lock;
  KeInitializeSpinLock(&lock);
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 20000; ++i) {
      KIRQL old = KfAcquireSpinLock(&lock);
      long seen = counter;
      std::this_thread::yield();
      counter = seen + 1;
      KfReleaseSpinLock(&lock, old);
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(40000, counter);
}
