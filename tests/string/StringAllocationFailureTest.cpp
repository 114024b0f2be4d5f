// The fixed outcome of every operation when the pool cannot supply its buffer.
#include <functional>

#include "StringTestSupport.h"

class StringAllocationFailureTest : public KernelTest {};

TEST_F(StringAllocationFailureTest, ConstructorsLeaveTheStringWithoutBuffer) {
  const char16_t storage[] = u"abc";
  UNICODE_STRING counted = Counted(storage, 6, 8);
  CString original(u"abc");
  const std::function<CString()> builders[] = {
      [&] { return CString(&counted); },
      [] { return CString(u"abc"); },
      [] { return CString(static_cast<PCWSTR>(nullptr)); },
      [&] { return CString(original); },
      [] { return CString(7, 10); },
  };
  ntmodel::FailAllocationsWithTag(kFrameworkTag);
  for (const auto &build : builders) {
    CString s = build();
    EXPECT_TRUE(HasNoBuffer(s));
  }
}

TEST_F(StringAllocationFailureTest, AssignmentThatMustGrowKeepsTheOldTextAndBuffer) {
  CString s(u"ab");
  CString longer(u"abcdef");
  const PWSTR before = s.UnicodeString.Buffer;
  ntmodel::FailAllocationNumber(1);
  s = longer;
  EXPECT_EQ(u"ab", TextOf(s));
  EXPECT_EQ(before, s.UnicodeString.Buffer);
  EXPECT_EQ(8, s.UnicodeString.MaximumLength);
  EXPECT_TRUE(IsWellFormed(s));

  CString none;
  ntmodel::FailAllocationNumber(1);
  none = longer;
  EXPECT_TRUE(HasNoBuffer(none));
}

TEST_F(StringAllocationFailureTest, AppendThatMustGrowLeavesTheStringUnchanged) {
  CString s(u"ab");
  CString tail(u"cd");
  const PWSTR before = s.UnicodeString.Buffer;
  ntmodel::FailAllocationsWithTag(kFrameworkTag);
  s += tail;
  s += s;
  EXPECT_EQ(u"ab", TextOf(s));
  EXPECT_EQ(before, s.UnicodeString.Buffer);
  EXPECT_EQ(8, s.UnicodeString.MaximumLength);
  EXPECT_TRUE(IsWellFormed(s));

  CString none;
  none += tail;
  EXPECT_TRUE(HasNoBuffer(none));
}

TEST_F(StringAllocationFailureTest, ConcatenateGivesAStringWithoutBufferWhicheverAllocationFails) {
  CString head(u"ab");
  CString tail(u"cd");
  for (unsigned long long k : {1ull, 2ull}) {  // the joined text, then its copy
    SCOPED_TRACE(k);
    ntmodel::FailAllocationNumber(k);
    CString joined = Concatenate(head, tail);
    EXPECT_TRUE(HasNoBuffer(joined));
    EXPECT_EQ(2u, ntmodel::OutstandingBlocks(kFrameworkTag)) << "only head and tail remain";
    ntmodel::ClearPoolFaults();
  }
}

TEST_F(StringAllocationFailureTest, ExtractionLosesTheTargetsOldText) {
  CString source(u"abcdef");
  const std::function<UCHAR(CString &)> extractions[] = {
      [&](CString &t) { return source.Mid(t, 1, 3); },
      [&](CString &t) { return source.Left(t, 2); },
      [&](CString &t) { return source.Right(t, 2); },
  };
  for (const auto &extract : extractions) {
    CString target(u"keep");
    ntmodel::FailAllocationNumber(1);
    EXPECT_EQ(0, extract(target));
    EXPECT_TRUE(HasNoBuffer(target));
    EXPECT_EQ(u"abcdef", TextOf(source));
    ntmodel::ClearPoolFaults();
  }
}

TEST_F(StringAllocationFailureTest, FindReportsNotFoundWhenAPlaceCannotBeExtracted) {
  CString text(u"ABAB");
  CString pattern(u"B");
  ntmodel::FailAllocationNumber(1);  // the very place that matches
  EXPECT_EQ(-1, text.Find(pattern, 1, 0));
  ntmodel::FailAllocationNumber(2);  // 'A' is tried, then 'B' cannot be extracted
  EXPECT_EQ(-1, text.Find(pattern, 0, 0));
  ntmodel::FailAllocationNumber(2);
  EXPECT_EQ(-1, text.Find(pattern, -2, 1));
  // With the pool back the same searches succeed.
  EXPECT_EQ(1, text.Find(pattern, 1, 0));
  EXPECT_EQ(1, text.Find(pattern, 0, 0));
  EXPECT_EQ(2, text.Find(pattern, -2, 1));
}

TEST_F(StringAllocationFailureTest, FindTakesOneAllocationPerPlaceAndKeepsNone) {
  CString text(u"ABCD");
  CString pattern(u"D");
  const unsigned long long before = ntmodel::AllocationCount();
  EXPECT_EQ(3, text.Find(pattern, 0, 0));
  EXPECT_EQ(before + 4, ntmodel::AllocationCount());
  EXPECT_EQ(2u, ntmodel::OutstandingBlocks(kFrameworkTag));
}
