// What each handler writes, returns and does to the board and the message buffer.
#include <thread>

#include "BoardRequestFixture.h"

namespace {
std::vector<UCHAR> Bytes(std::initializer_list<int> values) {
  std::vector<UCHAR> bytes;
  for (int v : values) bytes.push_back(static_cast<UCHAR>(v));
  return bytes;
}
}  // namespace

TEST_F(BoardRequestTest, CreateReturnsTheClientValueAndHoldsABuffer) {
  ntmodel::DeviceControlRequest create(IOCTL_DORVIK_CREATE, Bytes({0x34, 0x12, 0xAA, 0xBB}), 4);
  EXPECT_EQ(STATUS_SUCCESS, Send(create));
  EXPECT_EQ(Bytes({0, 0, 0x34, 0x12}), create.Output());
  EXPECT_EQ(1u, MessageBuffers());

  ntmodel::DeviceControlRequest close(IOCTL_DORVIK_CLOSE, Bytes({0x55, 0x66}), 2);
  EXPECT_EQ(STATUS_SUCCESS, Send(close));
  EXPECT_EQ(Bytes({0, 0}), close.Output());
  EXPECT_EQ(0u, MessageBuffers());
  EXPECT_TRUE(board_->Writes().empty());
  EXPECT_EQ(0u, board_->StatusReads());
}

TEST_F(BoardRequestTest, CloseWithoutBufferStillAnswersDone) {
  ntmodel::DeviceControlRequest close(IOCTL_DORVIK_CLOSE, Bytes({0x55, 0x66}), 2);
  EXPECT_EQ(STATUS_SUCCESS, Send(close));
  EXPECT_EQ(Bytes({0, 0}), close.Output());
  EXPECT_EQ(2u, close.Irp()->IoStatus.Information);
}

TEST_F(BoardRequestTest, SecondCreateReleasesTheEarlierBuffer) {
  for (USHORT value : {1, 2, 3}) {
    ntmodel::DeviceControlRequest create(IOCTL_DORVIK_CREATE, Words({value, 0}), 4);
    EXPECT_EQ(STATUS_SUCCESS, Send(create));
    EXPECT_EQ(Words({0, value}), create.Output());
    EXPECT_EQ(1u, MessageBuffers());
  }
}

struct PoolFault {
  const char *what;
  bool fail_zone_segment;  // else the buffer object itself
};

class CreateWithoutPoolTest : public BoardRequestTest,
                              public ::testing::WithParamInterface<PoolFault> {};

TEST_P(CreateWithoutPoolTest, AnswersNoBufferAndKeepsTheClientBytes) {
  const size_t blocks_before = ntmodel::OutstandingPool().size();
  if (GetParam().fail_zone_segment) {
    ntmodel::FailAllocationsWithTag(kDvMb);
  } else {
    ntmodel::FailAllocationNumber(1);
  }
  ntmodel::DeviceControlRequest create(IOCTL_DORVIK_CREATE, Bytes({0x34, 0x12, 0xAA, 0xBB}), 4);
  EXPECT_EQ(STATUS_SUCCESS, Send(create));
  EXPECT_EQ(4u, create.Irp()->IoStatus.Information);
  EXPECT_EQ(Bytes({9, 0, 0xAA, 0xBB}), create.Output());
  ntmodel::ClearPoolFaults();
  // Whatever is held (a buffer object without a block, or nothing) Close releases.
  ntmodel::DeviceControlRequest close(IOCTL_DORVIK_CLOSE, Words({0}), 2);
  EXPECT_EQ(STATUS_SUCCESS, Send(close));
  EXPECT_EQ(blocks_before, ntmodel::OutstandingPool().size());
}

INSTANTIATE_TEST_SUITE_P(Faults, CreateWithoutPoolTest,
                         ::testing::Values(PoolFault{"zone segment", true},
                                           PoolFault{"buffer object", false}),
                         [](const auto &info) { return info.param.fail_zone_segment ? "Segment" : "Object"; });

TEST_F(BoardRequestTest, GetVersionWritesResultAndVersionOnly) {
  ntmodel::DeviceControlRequest request(IOCTL_DORVIK_GET_VERSION,
                                        Bytes({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}), 8);
  EXPECT_EQ(STATUS_SUCCESS, Send(request));
  EXPECT_EQ(Bytes({0, 0, 0x33, 0x44, 0, 0, 0, 1}), request.Output());
}

TEST_F(BoardRequestTest, GetResourceReportsTheConfiguredPort) {
  ntmodel::DeviceControlRequest request(IOCTL_DORVIK_GET_RESOURCE, Bytes({0xEE, 0xEE}), 4);
  EXPECT_EQ(STATUS_SUCCESS, Send(request));
  EXPECT_EQ(Bytes({0, 0, 0x68, 0x03}), request.Output());
  EXPECT_EQ(0u, board_->StatusReads());
}

struct BusyCase {
  unsigned busy_reads;
  unsigned expected_reads;
  bool written;
};

class DataSetTest : public BoardRequestTest, public ::testing::WithParamInterface<BusyCase> {};

TEST_P(DataSetTest, PollsAtMost5000TimesThenWritesOrGivesUp) {
  const BusyCase c = GetParam();
  board_->SetBusyReads(c.busy_reads);
  ntmodel::DeviceControlRequest request(IOCTL_DORVIK_DATA_SET, Bytes({0xFF, 0xFF, 0xCD, 0xAB}), 2);
  EXPECT_EQ(STATUS_SUCCESS, Send(request));
  EXPECT_EQ(2u, request.Irp()->IoStatus.Information);
  EXPECT_EQ(c.expected_reads, board_->StatusReads());
  if (c.written) {
    EXPECT_EQ(Bytes({0, 0}), request.Output());
    EXPECT_EQ(std::vector<USHORT>{0xABCD}, board_->DataWords());
    ASSERT_EQ(1u, board_->Writes().size());
    EXPECT_EQ(0u, board_->Writes()[0].offset);
  } else {
    EXPECT_EQ(Bytes({8, 0}), request.Output());
    EXPECT_TRUE(board_->Writes().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Busy, DataSetTest,
                         ::testing::Values(BusyCase{0, 1, true}, BusyCase{1, 2, true},
                                           BusyCase{4999, 5000, true}, BusyCase{5000, 5000, false},
                                           BusyCase{6000, 5000, false}));

struct ChCase {
  UCHAR status;
  UCHAR ch2;
  UCHAR ch3;
};

class GetChTest : public BoardRequestTest, public ::testing::WithParamInterface<ChCase> {};

TEST_P(GetChTest, ReportsBits2And3FromOneRead) {
  board_->SetStatusBits(GetParam().status);
  ntmodel::DeviceControlRequest request(IOCTL_DORVIK_GET_CH, Bytes({0x77, 0x77}), 4);
  EXPECT_EQ(STATUS_SUCCESS, Send(request));
  EXPECT_EQ(Bytes({0, 0, GetParam().ch2, GetParam().ch3}), request.Output());
  EXPECT_EQ(1u, board_->StatusReads());
}

INSTANTIATE_TEST_SUITE_P(Bits, GetChTest,
                         ::testing::Values(ChCase{0x0C, 1, 1}, ChCase{0x04, 1, 0}, ChCase{0x08, 0, 1},
                                           ChCase{0xF3, 0, 0}, ChCase{0x00, 0, 0}, ChCase{0xFE, 1, 1}));

TEST_F(BoardRequestTest, GetChIgnoresTheBusyBit) {
  board_->SetAlwaysBusy();
  board_->SetStatusBits(0x08);
  ntmodel::DeviceControlRequest request(IOCTL_DORVIK_GET_CH, Bytes({0, 0}), 4);
  EXPECT_EQ(STATUS_SUCCESS, Send(request));
  EXPECT_EQ(Bytes({0, 0, 0, 1}), request.Output());
}

TEST_F(BoardRequestTest, GetLastErrorTouchesNothing) {
  ntmodel::DeviceControlRequest request(IOCTL_DORVIK_GET_LAST_ERROR, Bytes({1, 2, 3}), 5);
  EXPECT_EQ(STATUS_SUCCESS, Send(request));
  EXPECT_EQ(Bytes({1, 2, 3, 0, 0}), request.SystemBuffer());
  EXPECT_TRUE(request.Output().empty());
}

TEST_F(BoardRequestTest, UnloadReleasesABufferStillHeld) {
  ntmodel::DeviceControlRequest create(IOCTL_DORVIK_CREATE, Words({1, 0}), 4);
  ASSERT_EQ(STATUS_SUCCESS, Send(create));
  EXPECT_TRUE(Unload());
  EXPECT_EQ(0u, MessageBuffers());
}

TEST_F(BoardRequestTest, ConcurrentCreateAndCloseNeitherLeakNorDoubleFree) {
  auto worker = [this](ULONG code, ULONG in, ULONG out) {
    for (int i = 0; i < 300; ++i) {
      ntmodel::DeviceControlRequest request(code, std::vector<UCHAR>(in), out);
      DorvikIoctlDispatch(device_, request.Irp());
    }
  };
  std::thread a(worker, IOCTL_DORVIK_CREATE, 4, 4);
  std::thread b(worker, IOCTL_DORVIK_CLOSE, 2, 2);
  std::thread c(worker, IOCTL_DORVIK_CREATE, 4, 4);
  a.join();
  b.join();
  c.join();
  EXPECT_LE(MessageBuffers(), 1u);
  ntmodel::DeviceControlRequest close(IOCTL_DORVIK_CLOSE, Words({0}), 2);
  Send(close);
  EXPECT_EQ(0u, MessageBuffers());
}
