// The model's ISA bus and the board model on it.
#include <DorvikBoardModel.h>
#include <KernelTest.h>

class PortBusTest : public KernelTest {};

TEST_F(PortBusTest, UnattachedPortReadsFF) {
  EXPECT_EQ(0xFF, READ_PORT_UCHAR(reinterpret_cast<PUCHAR>(0x300)));
  WRITE_PORT_USHORT(reinterpret_cast<PUSHORT>(0x300), 0x1234);  // goes nowhere
}

TEST_F(PortBusTest, BoardAnswersAtItsBaseOnly) {
  boardmodel::DorvikBoardModel board(0x368);
  board.SetStatusBits(0x0C);
  EXPECT_EQ(0x0C, READ_PORT_UCHAR(reinterpret_cast<PUCHAR>(0x368)));
  EXPECT_EQ(0xFF, READ_PORT_UCHAR(reinterpret_cast<PUCHAR>(0x36A)));
  WRITE_PORT_USHORT(reinterpret_cast<PUSHORT>(0x368), 0xBEEF);
  EXPECT_EQ(std::vector<USHORT>{0xBEEF}, board.DataWords());
  EXPECT_EQ(1u, board.StatusReads());
}

TEST_F(PortBusTest, BusyBitStaysSetForTheChosenReads) {
  boardmodel::DorvikBoardModel board(0x3E8);
  board.SetBusyReads(2);
  PUCHAR port = reinterpret_cast<PUCHAR>(0x3E8);
  EXPECT_EQ(1, READ_PORT_UCHAR(port) & 1);
  EXPECT_EQ(1, READ_PORT_UCHAR(port) & 1);
  EXPECT_EQ(0, READ_PORT_UCHAR(port) & 1);
  EXPECT_EQ(3u, board.StatusReads());
}

TEST_F(PortBusTest, DetachedBoardNoLongerAnswers) {
  {
    boardmodel::DorvikBoardModel board(0x368);
    board.SetStatusBits(0);
    EXPECT_EQ(0, READ_PORT_UCHAR(reinterpret_cast<PUCHAR>(0x368)));
  }
  EXPECT_EQ(0xFF, READ_PORT_UCHAR(reinterpret_cast<PUCHAR>(0x368)));
}
