// Clients through the user-mode side: the open rule, and a whole session.
#include <DorvikIoctl.h>

#include "DriverMachine.h"

class UserSessionTest : public DriverMachineTest {
 protected:
  void SetUp() override {
    DriverMachineTest::SetUp();
    WriteServiceKey();
    ConfigureBoards({{0, 0x368}, {1, 0x3E8}});
    board0_ = &AttachBoard(0x368);
    ASSERT_EQ(ntmodel::LoadOutcome::kLoaded, Boot().outcome);
  }
  boardmodel::DorvikBoardModel *board0_ = nullptr;
};

struct OpenCase {
  const char *what;
  ULONG first;
  ULONG second;
  NTSTATUS second_status;
};

class OpenRuleTest : public UserSessionTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenRuleTest, SecondOpenFollowsTheRule) {
  const OpenCase c = GetParam();
  ntmodel::OpenResult first = ntmodel::CreateFile("\\\\.\\Dorvik0", c.first);
  ASSERT_EQ(STATUS_SUCCESS, first.status);
  ntmodel::OpenResult second = ntmodel::CreateFile("\\\\.\\Dorvik0", c.second);
  EXPECT_EQ(c.second_status, second.status);
  // The other board is not affected by board 0's opens.
  ntmodel::OpenResult other = ntmodel::CreateFile("\\\\.\\Dorvik1", 0);
  EXPECT_EQ(STATUS_SUCCESS, other.status);
  ntmodel::CloseHandle(other.handle);
  if (second.handle != 0) ntmodel::CloseHandle(second.handle);
  ntmodel::CloseHandle(first.handle);
  // Once all are closed an exclusive open succeeds again.
  ntmodel::OpenResult again = ntmodel::CreateFile("\\\\.\\Dorvik0", 0);
  EXPECT_EQ(STATUS_SUCCESS, again.status);
  ntmodel::CloseHandle(again.handle);
}

const ULONG kRead = FILE_SHARE_READ, kWrite = FILE_SHARE_WRITE, kBoth = FILE_SHARE_READ | FILE_SHARE_WRITE;

INSTANTIATE_TEST_SUITE_P(
    Shares, OpenRuleTest,
    ::testing::Values(OpenCase{"exclusive_then_exclusive", 0, 0, STATUS_SHARING_VIOLATION},
                      OpenCase{"exclusive_then_shared", 0, kBoth, STATUS_SHARING_VIOLATION},
                      OpenCase{"shared_then_shared", kBoth, kBoth, STATUS_SUCCESS},
                      OpenCase{"read_then_write", kRead, kWrite, STATUS_SUCCESS},
                      OpenCase{"shared_then_exclusive", kBoth, 0, STATUS_SHARING_VIOLATION},
                      OpenCase{"delete_share_counts_as_shared", FILE_SHARE_DELETE, kRead,
                               STATUS_SUCCESS}),
    [](const auto &info) { return std::string(info.param.what); });

TEST_F(UserSessionTest, OpeningAMissingBoardFails) {
  EXPECT_EQ(STATUS_OBJECT_NAME_NOT_FOUND, ntmodel::CreateFile("\\\\.\\Dorvik2", kBoth).status);
}

TEST_F(UserSessionTest, WholeSession) {
  ntmodel::OpenResult open = ntmodel::CreateFile("\\\\.\\Dorvik0", 0);
  ASSERT_EQ(STATUS_SUCCESS, open.status);

  ntmodel::IoctlResult version = ntmodel::DeviceIoControl(open.handle, IOCTL_DORVIK_GET_VERSION, {}, 8);
  EXPECT_EQ(STATUS_SUCCESS, version.status);
  EXPECT_EQ(8u, version.bytes_returned);
  EXPECT_EQ((std::vector<UCHAR>{0, 0, 0, 0, 0, 0, 0, 1}), version.output);

  ntmodel::IoctlResult create = ntmodel::DeviceIoControl(open.handle, IOCTL_DORVIK_CREATE, Words({0x1234, 0}), 4);
  EXPECT_EQ(Words({0, 0x1234}), create.output);

  ntmodel::IoctlResult resource = ntmodel::DeviceIoControl(open.handle, IOCTL_DORVIK_GET_RESOURCE, Words({0}), 4);
  EXPECT_EQ(Words({0, 0x368}), resource.output);

  board0_->SetBusyReads(10);
  ntmodel::IoctlResult data = ntmodel::DeviceIoControl(open.handle, IOCTL_DORVIK_DATA_SET, Words({0, 0xBEEF}), 2);
  EXPECT_EQ(Words({0}), data.output);
  EXPECT_EQ(std::vector<USHORT>{0xBEEF}, board0_->DataWords());
  EXPECT_EQ(11u, board0_->StatusReads());

  board0_->SetStatusBits(0x08);
  ntmodel::IoctlResult ch = ntmodel::DeviceIoControl(open.handle, IOCTL_DORVIK_GET_CH, Words({0}), 4);
  EXPECT_EQ((std::vector<UCHAR>{0, 0, 0, 1}), ch.output);

  ntmodel::IoctlResult wrong = ntmodel::DeviceIoControl(open.handle, IOCTL_DORVIK_GET_CH, Words({0}), 8);
  EXPECT_EQ(STATUS_INVALID_PARAMETER, wrong.status);
  EXPECT_TRUE(wrong.output.empty());

  ntmodel::IoctlResult close = ntmodel::DeviceIoControl(open.handle, IOCTL_DORVIK_CLOSE, Words({0}), 2);
  EXPECT_EQ(Words({0}), close.output);

  EXPECT_TRUE(ntmodel::CloseHandle(open.handle));
  EXPECT_FALSE(ntmodel::CloseHandle(open.handle));
  EXPECT_TRUE(Unload());
  ExpectNothingLeftBehind();
}

TEST_F(UserSessionTest, MessageBufferOutlivesTheHandleThatMadeIt) {
  ntmodel::OpenResult a = ntmodel::CreateFile("\\\\.\\Dorvik0", kBoth);
  ntmodel::OpenResult b = ntmodel::CreateFile("\\\\.\\Dorvik0", kBoth);
  ntmodel::DeviceIoControl(a.handle, IOCTL_DORVIK_CREATE, Words({1, 0}), 4);
  ntmodel::CloseHandle(a.handle);
  EXPECT_EQ(1u, ntmodel::OutstandingBlocks(0x624D7644));
  ntmodel::DeviceIoControl(b.handle, IOCTL_DORVIK_CLOSE, Words({0}), 2);
  EXPECT_EQ(0u, ntmodel::OutstandingBlocks(0x624D7644));
  ntmodel::CloseHandle(b.handle);
}
