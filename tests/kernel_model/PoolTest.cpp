// Pool accounting and fault injection.
#include <KernelTest.h>

class PoolTest : public KernelTest {};

TEST_F(PoolTest, CountsOutstandingBlocksPerTag) {
  void *a = ExAllocatePoolWithTag(PagedPool, 10, 0x506B7746);
  void *b = ExAllocatePoolWithTag(NonPagedPool, 20, 0x506B7746);
  void *c = ExAllocatePoolWithTag(NonPagedPool, 30, 0x624D7644);
  EXPECT_EQ(2u, ntmodel::OutstandingBlocks(0x506B7746));
  EXPECT_EQ(1u, ntmodel::OutstandingBlocks(0x624D7644));
  ExFreePool(a);
  ExFreePool(b);
  ExFreePool(c);
  EXPECT_EQ(0u, ntmodel::OutstandingBlocks(0x506B7746));
}

TEST_F(PoolTest, FailsTheKthAllocationOnly) {
  ntmodel::FailAllocationNumber(2);
  void *first = ExAllocatePoolWithTag(PagedPool, 4, 0x506B7746);
  void *second = ExAllocatePoolWithTag(PagedPool, 4, 0x506B7746);
  void *third = ExAllocatePoolWithTag(PagedPool, 4, 0x506B7746);
  EXPECT_NE(nullptr, first);
  EXPECT_EQ(nullptr, second);
  EXPECT_NE(nullptr, third);
  ExFreePool(first);
  ExFreePool(third);
}

TEST_F(PoolTest, FailsEveryAllocationWithATag) {
  ntmodel::FailAllocationsWithTag(0x624D7644);
  EXPECT_EQ(nullptr, ExAllocatePoolWithTag(NonPagedPool, 4, 0x624D7644));
  EXPECT_EQ(nullptr, ExAllocatePoolWithTag(NonPagedPool, 4, 0x624D7644));
  void *other = ExAllocatePoolWithTag(NonPagedPool, 4, 0x506B7746);
  EXPECT_NE(nullptr, other);
  ExFreePool(other);
  ntmodel::ClearPoolFaults();
  void *again = ExAllocatePoolWithTag(NonPagedPool, 4, 0x624D7644);
  EXPECT_NE(nullptr, again);
  ExFreePool(again);
}

TEST_F(PoolTest, TagTextIsMemoryOrder) {
  EXPECT_EQ("FwkP", ntmodel::TagText(0x506B7746));
  EXPECT_EQ("DvMb", ntmodel::TagText(0x624D7644));
}
