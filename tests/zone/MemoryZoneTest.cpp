// The fixed-block zone: block sizes, segment size, hand-out order, exhaustion,
// and the unusable zone when pool runs out.
#include <KernelTest.h>
#include <MemoryZone.h>

#include <set>
#include <thread>

namespace {
const ULONG kTag = 0x624D7644;

// Exposes the zone's fields to the tests.
class ZoneProbe : public CMemoryZone {
 public:
  using CMemoryZone::CMemoryZone;
  ULONG BlockSize() const { return ZoneHeader.BlockSize; }
  NTSTATUS Status() const { return InitStatus; }
  PVOID SegmentAddress() const { return Segment; }
};

SIZE_T SegmentBytes() {
  for (const ntmodel::PoolBlock &b : ntmodel::OutstandingPool()) {
    if (b.tag == kTag) return b.size;
  }
  return 0;
}
}  // namespace

class MemoryZoneTest : public KernelTest {};

struct SizeCase {
  ULONG block_size;
  USHORT count;
  ULONG rounded;
};

class MemoryZoneSizeTest : public KernelTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(MemoryZoneSizeTest, RoundsBlocksAndSizesTheSegment) {
  const SizeCase c = GetParam();
  ZoneProbe zone(c.block_size, c.count, kTag);
  EXPECT_EQ(c.rounded, zone.BlockSize());
  EXPECT_EQ(SIZE_T(c.count) * c.rounded + 8, SegmentBytes());
  // Exactly count distinct blocks, inside the segment behind its 8-byte header.
  std::set<char *> blocks;
  char *segment = static_cast<char *>(zone.SegmentAddress());
  for (USHORT i = 0; i < c.count; ++i) {
    char *block = static_cast<char *>(zone.Allocate());
    ASSERT_NE(nullptr, block);
    EXPECT_GE(block, segment + 8);
    EXPECT_LE(block + c.rounded, segment + SegmentBytes());
    EXPECT_EQ(0, (block - segment - 8) % c.rounded);
    blocks.insert(block);
  }
  EXPECT_EQ(c.count, blocks.size());
  EXPECT_EQ(nullptr, zone.Allocate());
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, MemoryZoneSizeTest,
                         ::testing::Values(SizeCase{1, 3, 8}, SizeCase{8, 3, 8}, SizeCase{9, 3, 16},
                                           SizeCase{200, 1, 200}, SizeCase{200, 4, 200}));

TEST_F(MemoryZoneTest, MessageBufferZoneHandsOutItsOneBlockAgainAfterFree) {
  ZoneProbe zone(200, 1, kTag);
  EXPECT_EQ(208u, SegmentBytes());
  PVOID block = zone.Allocate();
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(nullptr, zone.Allocate());
  zone.Free(block);
  EXPECT_EQ(block, zone.Allocate());
}

TEST_F(MemoryZoneTest, BlocksGivenBackAreHandedOutLastInFirstOut) {
  ZoneProbe zone(16, 2, kTag);
  PVOID a = zone.Allocate();
  PVOID b = zone.Allocate();
  zone.Free(a);
  zone.Free(b);
  EXPECT_EQ(b, zone.Allocate());
  EXPECT_EQ(a, zone.Allocate());
}

TEST_F(MemoryZoneTest, ZeroBlocksNeverAllocates) {
  ZoneProbe zone(200, 0, kTag);
  EXPECT_EQ(nullptr, zone.Allocate());
}

TEST_F(MemoryZoneTest, SegmentAllocationFailureLeavesAnUnusableZone) {
  ntmodel::FailAllocationsWithTag(kTag);
  ZoneProbe zone(200, 1, kTag);
  EXPECT_LT(zone.Status(), 0);
  EXPECT_EQ(nullptr, zone.SegmentAddress());
  EXPECT_EQ(nullptr, zone.Allocate());
  int stray = 0;
  zone.Free(&stray);  // ignored: the zone has no free list to push on
  EXPECT_EQ(nullptr, zone.Allocate());
}

TEST_F(MemoryZoneTest, ObjectsComeFromNonPagedPoolTaggedFwkP) {
  ntmodel::FailAllocationNumber(1);
  EXPECT_EQ(nullptr, new ZoneProbe(8, 1, kTag));  // exhausted: null, no constructor
  ZoneProbe *zone = new ZoneProbe(8, 1, kTag);
  ASSERT_NE(nullptr, zone);
  bool found = false;
  for (const ntmodel::PoolBlock &b : ntmodel::OutstandingPool()) {
    if (b.address == zone) {
      found = true;
      EXPECT_EQ(NonPagedPool, b.type);
      EXPECT_EQ("FwkP", ntmodel::TagText(b.tag));
    }
  }
  EXPECT_TRUE(found);
  delete zone;  // frees the segment and the object
}

TEST_F(MemoryZoneTest, ConcurrentTakersNeverShareABlock) {
  ZoneProbe zone(8, 64, kTag);
  std::vector<PVOID> taken[2];
  auto take = [&](int who) {
    for (int round = 0; round < 500; ++round) {
      PVOID block = zone.Allocate();
      if (block != nullptr) {
        taken[who].push_back(block);
        if (taken[who].size() > 8) {
          zone.Free(taken[who].front());
          taken[who].erase(taken[who].begin());
        }
      }
    }
  };
  std::thread a(take, 0), b(take, 1);
  a.join();
  b.join();
  std::set<PVOID> all(taken[0].begin(), taken[0].end());
  for (PVOID p : taken[1]) EXPECT_TRUE(all.insert(p).second) << "block handed out twice";
}
