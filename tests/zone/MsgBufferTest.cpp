// The message buffer: one block of 2 x count bytes from a "DvMb" zone.
#include <KernelTest.h>
#include <MsgBuffer.h>

class MsgBufferTest : public KernelTest {};

TEST_F(MsgBufferTest, HundredEntriesHoldOne200ByteBlockInA208ByteSegment) {
  CMsgBuffer *buffer = new CMsgBuffer(100);
  ASSERT_NE(nullptr, buffer);
  EXPECT_EQ(1, buffer->result());
  std::vector<ntmodel::PoolBlock> blocks = ntmodel::OutstandingPool();
  ASSERT_EQ(2u, blocks.size());
  SIZE_T segment = 0;
  for (const ntmodel::PoolBlock &b : blocks) {
    if (ntmodel::TagText(b.tag) == "DvMb") {
      segment = b.size;
      EXPECT_EQ(NonPagedPool, b.type);
    } else {
      EXPECT_EQ("FwkP", ntmodel::TagText(b.tag));
      EXPECT_EQ(NonPagedPool, b.type);
    }
  }
  EXPECT_EQ(208u, segment);
  delete buffer;
}

TEST_F(MsgBufferTest, NoBlockWhenTheSegmentCannotBeAllocated) {
  ntmodel::FailAllocationsWithTag(0x624D7644);
  CMsgBuffer *buffer = new CMsgBuffer(100);
  ASSERT_NE(nullptr, buffer);
  EXPECT_EQ(0, buffer->result());
  delete buffer;
}

TEST_F(MsgBufferTest, CountAboveSignedRangeTakesNoBlock) {
  CMsgBuffer *buffer = new CMsgBuffer(0x80000000u);
  ASSERT_NE(nullptr, buffer);
  EXPECT_EQ(0, buffer->result());
  delete buffer;
}

TEST_F(MsgBufferTest, DestroyingReleasesSegmentAndObject) {
  for (int i = 0; i < 3; ++i) {
    CMsgBuffer *buffer = new CMsgBuffer(100);
    ASSERT_NE(nullptr, buffer);
    delete buffer;
    EXPECT_TRUE(ntmodel::OutstandingPool().empty());
  }
}
