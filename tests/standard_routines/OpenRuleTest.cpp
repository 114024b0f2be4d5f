// Open, close and cleanup requests as the driver object routes them: the
// open rule is exclusive-or-shared, decided only by whether the opener allows
// any sharing, and every request is completed at once with no bytes returned.
#include <Driver.h>
#include <KernelTest.h>
#include <TestDevice.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using ntmodel::FileRequest;

class OpenRuleTest : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    // Routed through the driver object after the CDriver is gone, as the
    // entry point leaves it.
    delete new CDriver(&driver_);
    CreatedDevice created = CreateTestDevice(&driver_, u"Open0");
    ASSERT_EQ(STATUS_SUCCESS, created.status);
    device_ = created.device;
    deviceObject_ = created.device_object;
  }

  void TearDown() override {
    delete device_;
    KernelTest::TearDown();
  }

  // Sends one request and checks what every one of these routines owes it:
  // completed once, with the status returned, and no bytes.
  NTSTATUS Send(UCHAR major, USHORT share = 0, PFILE_OBJECT file = nullptr) {
    FileRequest request(major, file != nullptr ? file : &file_, share);
    request.Irp()->IoStatus.Information = 0x5A5A;
    const NTSTATUS status = driver_.MajorFunction[major](deviceObject_, request.Irp());
    EXPECT_EQ(1u, request.Completions());
    EXPECT_EQ(status, ntmodel::CompletionOf(request.Irp()).status);
    EXPECT_EQ(0u, request.Irp()->IoStatus.Information);
    return status;
  }

  DRIVER_OBJECT driver_ = {};
  TestDevice *device_ = nullptr;
  PDEVICE_OBJECT deviceObject_ = nullptr;
  FILE_OBJECT file_ = {};
};

struct Step {
  bool open;     // else close
  USHORT share;  // for an open
  NTSTATUS status;
  ULONG openCount;
  BOOLEAN exclusive;
};

struct OpenCase {
  const char *name;
  std::vector<Step> steps;
};

const USHORT kRead = FILE_SHARE_READ;
const USHORT kReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
const NTSTATUS kOk = STATUS_SUCCESS;
const NTSTATUS kRefused = STATUS_SHARING_VIOLATION;

Step Open(USHORT share, NTSTATUS status, ULONG count, BOOLEAN exclusive) {
  return Step{true, share, status, count, exclusive};
}
Step Close(ULONG count) { return Step{false, 0, kOk, count, FALSE}; }

void PrintTo(const OpenCase &c, std::ostream *out) { *out << c.name; }

class OpenRuleTableTest : public OpenRuleTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenRuleTableTest, CountsFollowEachRequest) {
  const std::vector<Step> &steps = GetParam().steps;
  for (size_t i = 0; i < steps.size(); ++i) {
    const Step &step = steps[i];
    SCOPED_TRACE("step " + std::to_string(i));
    EXPECT_EQ(step.status, Send(step.open ? IRP_MJ_CREATE : IRP_MJ_CLOSE, step.share));
    EXPECT_EQ(step.openCount, device_->OpenCount);
    EXPECT_EQ(step.exclusive, device_->ExclusiveOpen);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenRuleTableTest,
    ::testing::Values(
        OpenCase{"ExclusiveRefusesEveryOtherOpenUntilClosed",
                 {Open(0, kOk, 1, TRUE), Open(0, kRefused, 1, TRUE),
                  Open(kReadWrite, kRefused, 1, TRUE), Open(kRead, kRefused, 1, TRUE), Close(0),
                  Open(0, kOk, 1, TRUE), Close(0)}},
        OpenCase{"SharedOpensCountAndRefuseExclusive",
                 {Open(kReadWrite, kOk, 1, FALSE), Open(kReadWrite, kOk, 2, FALSE),
                  Open(0, kRefused, 2, FALSE), Close(1), Open(0, kRefused, 1, FALSE), Close(0),
                  Open(0, kOk, 1, TRUE), Close(0)}},
        OpenCase{"ReadSharingAloneCountsAsShared",
                 {Open(kRead, kOk, 1, FALSE), Open(kRead, kOk, 2, FALSE),
                  Open(FILE_SHARE_WRITE, kOk, 3, FALSE), Open(0, kRefused, 3, FALSE), Close(2),
                  Close(1), Close(0)}}),
    [](const ::testing::TestParamInfo<OpenCase> &info) { return std::string(info.param.name); });

TEST_F(OpenRuleTest, CleanupCompletesWithSuccessAndLeavesTheCounts) {
  EXPECT_EQ(kOk, Send(IRP_MJ_CREATE, kRead));
  EXPECT_EQ(kOk, Send(IRP_MJ_CLEANUP));
  EXPECT_EQ(1u, device_->OpenCount);
  EXPECT_EQ(kOk, Send(IRP_MJ_CLOSE));
  EXPECT_EQ(0u, device_->OpenCount);
}

TEST_F(OpenRuleTest, CleanupCancelsOnlyTheClosingFilesQueuedRequests) {
  FILE_OBJECT other = {};
  FileRequest current(IRP_MJ_READ, &other);
  FileRequest mine(IRP_MJ_READ, &file_);
  FileRequest theirs(IRP_MJ_READ, &other);
  KIRQL irql;
  IoAcquireCancelSpinLock(&irql);
  for (FileRequest *request : {&current, &mine, &theirs}) {
    if (!KeInsertDeviceQueue(&deviceObject_->DeviceQueue,
                             &request->Irp()->Tail.Overlay.DeviceQueueEntry)) {
      deviceObject_->CurrentIrp = request->Irp();
    }
  }
  IoReleaseCancelSpinLock(irql);

  EXPECT_EQ(kOk, Send(IRP_MJ_CLEANUP, 0, &file_));

  EXPECT_EQ(1u, mine.Completions());
  EXPECT_EQ(STATUS_CANCELLED, ntmodel::CompletionOf(mine.Irp()).status);
  EXPECT_EQ(0u, theirs.Completions());
  EXPECT_TRUE(theirs.Irp()->Tail.Overlay.DeviceQueueEntry.Inserted);
  EXPECT_EQ(0u, current.Completions());
}

// Several threads open and close at once; whenever an open succeeds the rule
// must hold among the handles the threads believe open.
TEST_F(OpenRuleTest, ConcurrentOpensAndClosesKeepTheRuleAndTheCounts) {
  std::atomic<int> sharedHolders{0};
  std::atomic<int> exclusiveHolders{0};
  std::atomic<int> exclusiveSuccesses{0};
  std::atomic<int> broken{0};
  const int kSharedRounds = 300;
  const int kExclusiveWins = 50;
  // Shared clients make a fixed number of attempts; exclusive ones keep
  // trying until they won a fixed number of times, at the latest once the
  // shared ones are done.
  auto client = [&](bool exclusive) {
    for (int wins = 0, round = 0; exclusive ? wins < kExclusiveWins : round < kSharedRounds;
         ++round) {
      FileRequest open(IRP_MJ_CREATE, &file_, exclusive ? 0 : kReadWrite);
      if (driver_.MajorFunction[IRP_MJ_CREATE](deviceObject_, open.Irp()) != kOk) continue;
      if (exclusive) {
        ++wins;
        ++exclusiveSuccesses;
        if (++exclusiveHolders != 1 || sharedHolders != 0) ++broken;
        --exclusiveHolders;
      } else {
        if (++sharedHolders < 1 || exclusiveHolders != 0) ++broken;
        std::this_thread::yield();
        --sharedHolders;
      }
      FileRequest close(IRP_MJ_CLOSE, &file_);
      driver_.MajorFunction[IRP_MJ_CLOSE](deviceObject_, close.Irp());
    }
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) threads.emplace_back(client, i % 2 == 0);
  for (std::thread &thread : threads) thread.join();

  EXPECT_EQ(0, broken.load());
  EXPECT_EQ(2 * kExclusiveWins, exclusiveSuccesses.load());
  EXPECT_EQ(0u, device_->OpenCount);
  EXPECT_FALSE(device_->ExclusiveOpen);
}

TEST_F(OpenRuleTest, ConcurrentSharedOpensAreAllCounted) {
  const int kThreads = 4;
  const int kOpensEach = 250;
  auto opener = [&] {
    for (int i = 0; i < kOpensEach; ++i) {
      FileRequest open(IRP_MJ_CREATE, &file_, kRead);
      EXPECT_EQ(kOk, driver_.MajorFunction[IRP_MJ_CREATE](deviceObject_, open.Irp()));
    }
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) threads.emplace_back(opener);
  for (std::thread &thread : threads) thread.join();
  EXPECT_EQ(ULONG(kThreads * kOpensEach), device_->OpenCount);

  auto closer = [&] {
    for (int i = 0; i < kOpensEach; ++i) {
      FileRequest close(IRP_MJ_CLOSE, &file_);
      driver_.MajorFunction[IRP_MJ_CLOSE](deviceObject_, close.Irp());
    }
  };
  threads.clear();
  for (int i = 0; i < kThreads; ++i) threads.emplace_back(closer);
  for (std::thread &thread : threads) thread.join();
  EXPECT_EQ(0u, device_->OpenCount);
}

}  // namespace
