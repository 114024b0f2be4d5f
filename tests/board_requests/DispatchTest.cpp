// The dispatch routine: the seven codes with their exact lengths, every other
// code and length refused without touching anything.
#include "BoardRequestFixture.h"

namespace {
struct DispatchCase {
  const char *what;
  ULONG code;
  ULONG input_length;
  ULONG output_length;
  NTSTATUS status;
  ULONG information;
};

std::ostream &operator<<(std::ostream &out, const DispatchCase &c) { return out << c.what; }

const DispatchCase kCases[] = {
    {"Create", 0x80002000, 4, 4, STATUS_SUCCESS, 4},
    {"Create input 2", 0x80002000, 2, 4, STATUS_INVALID_PARAMETER, 0},
    {"Create input 8", 0x80002000, 8, 4, STATUS_INVALID_PARAMETER, 0},
    {"Create output 8", 0x80002000, 4, 8, STATUS_INVALID_PARAMETER, 0},
    {"Create output 0", 0x80002000, 4, 0, STATUS_INVALID_PARAMETER, 0},
    {"Close", 0x80002004, 2, 2, STATUS_SUCCESS, 2},
    {"Close input 4", 0x80002004, 4, 2, STATUS_INVALID_PARAMETER, 0},
    {"Close output 4", 0x80002004, 2, 4, STATUS_INVALID_PARAMETER, 0},
    {"GetVersion", 0x80002008, 0, 8, STATUS_SUCCESS, 8},
    {"GetVersion any input", 0x80002008, 13, 8, STATUS_SUCCESS, 8},
    {"GetVersion output 7", 0x80002008, 0, 7, STATUS_INVALID_PARAMETER, 0},
    {"GetVersion output 9", 0x80002008, 0, 9, STATUS_INVALID_PARAMETER, 0},
    {"GetResource", 0x8000200C, 2, 4, STATUS_SUCCESS, 4},
    {"GetResource input 0", 0x8000200C, 0, 4, STATUS_INVALID_PARAMETER, 0},
    {"GetResource output 2", 0x8000200C, 2, 2, STATUS_INVALID_PARAMETER, 0},
    {"DataSet", 0x80002010, 4, 2, STATUS_SUCCESS, 2},
    {"DataSet input 2", 0x80002010, 2, 2, STATUS_INVALID_PARAMETER, 0},
    {"DataSet output 4", 0x80002010, 4, 4, STATUS_INVALID_PARAMETER, 0},
    {"GetLastError", 0x80002014, 0, 0, STATUS_SUCCESS, 0},
    {"GetLastError any lengths", 0x80002014, 7, 300, STATUS_SUCCESS, 0},
    {"GetCH", 0x80002018, 2, 4, STATUS_SUCCESS, 4},
    {"GetCH input 4", 0x80002018, 4, 4, STATUS_INVALID_PARAMETER, 0},
    {"GetCH output 2", 0x80002018, 2, 2, STATUS_INVALID_PARAMETER, 0},
    {"function 0x807", 0x8000201C, 2, 4, STATUS_INVALID_DEVICE_REQUEST, 0},
    {"function 0x7FF", 0x80001FFC, 4, 4, STATUS_INVALID_DEVICE_REQUEST, 0},
    {"Create with METHOD_IN_DIRECT", 0x80002001, 4, 4, STATUS_INVALID_DEVICE_REQUEST, 0},
    {"Create with METHOD_NEITHER", 0x80002003, 4, 4, STATUS_INVALID_DEVICE_REQUEST, 0},
    {"GetCH with FILE_READ_ACCESS", 0x80006018, 2, 4, STATUS_INVALID_DEVICE_REQUEST, 0},
    {"Create on device type 0x22", 0x00222000, 4, 4, STATUS_INVALID_DEVICE_REQUEST, 0},
    {"code 0", 0x00000000, 0, 0, STATUS_INVALID_DEVICE_REQUEST, 0},
};

class DispatchTableTest : public BoardRequestTest,
                          public ::testing::WithParamInterface<DispatchCase> {};
}  // namespace

TEST_P(DispatchTableTest, StatusAndByteCountFollowTheTable) {
  const DispatchCase &c = GetParam();
  std::vector<UCHAR> input(c.input_length);
  for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<UCHAR>(0xA0 + i);
  ntmodel::DeviceControlRequest request(c.code, input, c.output_length);
  EXPECT_EQ(c.status, Send(request));
  EXPECT_EQ(c.information, request.Irp()->IoStatus.Information);
  if (c.status < 0) {
    // A refused request touches neither the system buffer nor the board.
    std::vector<UCHAR> expected(std::max<size_t>(c.input_length, c.output_length));
    std::copy(input.begin(), input.end(), expected.begin());
    EXPECT_EQ(expected, request.SystemBuffer());
    EXPECT_EQ(0u, board_->StatusReads());
    EXPECT_TRUE(board_->Writes().empty());
    EXPECT_EQ(0u, MessageBuffers());
  }
}

INSTANTIATE_TEST_SUITE_P(Codes, DispatchTableTest, ::testing::ValuesIn(kCases));

TEST_F(BoardRequestTest, RefusedCloseKeepsTheMessageBuffer) {
  ntmodel::DeviceControlRequest create(IOCTL_DORVIK_CREATE, Words({1, 0}), 4);
  ASSERT_EQ(STATUS_SUCCESS, Send(create));
  ASSERT_EQ(1u, MessageBuffers());
  ntmodel::DeviceControlRequest close(IOCTL_DORVIK_CLOSE, Words({0}), 4);
  EXPECT_EQ(STATUS_INVALID_PARAMETER, Send(close));
  EXPECT_EQ(1u, MessageBuffers());
}

TEST_F(BoardRequestTest, InformationIsZeroedBeforeTheHandlerRuns) {
  ntmodel::DeviceControlRequest request(IOCTL_DORVIK_GET_LAST_ERROR, {}, 0);
  request.Irp()->IoStatus.Information = 1234;
  EXPECT_EQ(STATUS_SUCCESS, Send(request));
  EXPECT_EQ(0u, request.Irp()->IoStatus.Information);
}
