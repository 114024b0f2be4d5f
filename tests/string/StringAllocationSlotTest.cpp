// Which allocation a string uses: assignment, appending and extraction go
// through the virtual slot of the string that will own the buffer, so a
// derived string can supply its own; constructors and joining use the base.
#include "StringTestSupport.h"

namespace {
const ULONG kTestTag = 0x74537354;  // "TsSt"

class RecordingString : public CString {
 public:
  using CString::CString;
  using CString::operator=;

  int calls = 0;
  ULONG lastSize = 0;
  bool refuse = false;

 protected:
  PWSTR AllocateBuffer(ULONG size) override {
    ++calls;
    lastSize = size;
    if (refuse) return nullptr;
    return static_cast<PWSTR>(ExAllocatePoolWithTag(PagedPool, size, kTestTag));
  }
};
}  // namespace

class StringAllocationSlotTest : public KernelTest {};

TEST_F(StringAllocationSlotTest, ConstructorsUseTheBaseAllocation) {
  RecordingString s(u"abc");
  RecordingString n(7, 10);
  EXPECT_EQ(0, s.calls + n.calls);
  EXPECT_EQ(0u, ntmodel::OutstandingBlocks(kTestTag));
}

TEST_F(StringAllocationSlotTest, AssignmentGrowsThroughTheOwnersSlot) {
  RecordingString s(u"ab");
  s = CString(u"abcdef");
  EXPECT_EQ(1, s.calls);
  EXPECT_EQ(14u, s.lastSize);
  EXPECT_EQ(1u, ntmodel::OutstandingBlocks(kTestTag));
  EXPECT_EQ(u"abcdef", TextOf(s));

  s = CString(u"x");  // fits: no allocation
  EXPECT_EQ(1, s.calls);
}

TEST_F(StringAllocationSlotTest, AppendGrowsThroughTheOwnersSlot) {
  RecordingString s(u"ab");
  s += CString(u"cd");
  EXPECT_EQ(1, s.calls);
  EXPECT_EQ(10u, s.lastSize);
  EXPECT_EQ(1u, ntmodel::OutstandingBlocks(kTestTag));
  EXPECT_EQ(u"abcd", TextOf(s));
}

TEST_F(StringAllocationSlotTest, ExtractionAllocatesThroughTheTargetsSlot) {
  RecordingString source(u"abcdef");
  RecordingString target(u"keep");
  EXPECT_EQ(1, source.Mid(target, 1, 3));
  EXPECT_EQ(0, source.calls);
  EXPECT_EQ(1, target.calls);
  EXPECT_EQ(8u, target.lastSize);
  EXPECT_EQ(u"bcd", TextOf(target));
  EXPECT_EQ(1u, ntmodel::OutstandingBlocks(kTestTag));
}

TEST_F(StringAllocationSlotTest, ARefusingSlotGivesTheFailureOutcomes) {
  RecordingString s(u"ab");
  s.refuse = true;
  s = CString(u"abcdef");
  EXPECT_EQ(u"ab", TextOf(s));
  s += CString(u"cd");
  EXPECT_EQ(u"ab", TextOf(s));
  EXPECT_EQ(2, s.calls);

  CString source(u"abcdef");
  EXPECT_EQ(0, source.Left(s, 2));
  EXPECT_TRUE(HasNoBuffer(s));
}

TEST_F(StringAllocationSlotTest, BuffersFromTheSlotAreReleasedByTheBase) {
  {
    RecordingString s(u"ab");
    s += CString(u"cdef");
    s += CString(u"ghijkl");  // frees the slot's first buffer
    EXPECT_EQ(1u, ntmodel::OutstandingBlocks(kTestTag));
  }
  EXPECT_EQ(0u, ntmodel::OutstandingBlocks(kTestTag));
}
