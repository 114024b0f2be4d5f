// Construction of strings from each kind of source, and the class's own
// operator new and delete.
#include "StringTestSupport.h"

class StringConstructionTest : public KernelTest {};

struct ZeroTerminatedCase {
  const char16_t *source;
  std::u16string text;
  USHORT maximumLength;
};

TEST_F(StringConstructionTest, FromZeroTerminatedTextAddsTwoCharactersOfRoom) {
  const ZeroTerminatedCase cases[] = {
      {u"abc", u"abc", 10},
      {u"", u"", 4},
      {nullptr, u"", 2},  // a buffer holding only the terminator
      {u"\\Device\\Dorvik15", u"\\Device\\Dorvik15", 36},
  };
  for (const ZeroTerminatedCase &c : cases) {
    CString s(c.source);
    SCOPED_TRACE(::testing::PrintToString(c.text));
    ASSERT_NE(nullptr, s.UnicodeString.Buffer);
    EXPECT_EQ(c.text, TextOf(s));
    EXPECT_EQ(c.text.size() * 2, s.UnicodeString.Length);
    EXPECT_EQ(c.maximumLength, s.UnicodeString.MaximumLength);
    EXPECT_TRUE(IsWellFormed(s));
  }
}

TEST_F(StringConstructionTest, FromCountedStringTakesTheSourceCapacityPlusOneCharacter) {
  // The source need not be terminated: only Length bytes are text.
  const char16_t storage[20] = {u'a', u'b', u'c', u'X', u'X'};
  UNICODE_STRING wide = Counted(storage, 6, 40);
  CString s(&wide);
  EXPECT_EQ(u"abc", TextOf(s));
  EXPECT_EQ(6, s.UnicodeString.Length);
  EXPECT_EQ(42, s.UnicodeString.MaximumLength);
  EXPECT_TRUE(IsWellFormed(s));

  UNICODE_STRING tight = Counted(storage, 6, 6);
  CString t(&tight);
  EXPECT_EQ(u"abc", TextOf(t));
  EXPECT_EQ(8, t.UnicodeString.MaximumLength);
  EXPECT_TRUE(IsWellFormed(t));

  UNICODE_STRING empty = Counted(nullptr, 0, 0);
  CString e(&empty);
  EXPECT_EQ(u"", TextOf(e));
  EXPECT_EQ(2, e.UnicodeString.MaximumLength);
  EXPECT_TRUE(IsWellFormed(e));
}

TEST_F(StringConstructionTest, CopyKeepsTextAndCapacityInItsOwnBuffer) {
  const char16_t storage[] = u"abc";
  UNICODE_STRING wide = Counted(storage, 6, 40);
  CString original(&wide);
  CString copy(original);
  EXPECT_EQ(u"abc", TextOf(copy));
  EXPECT_EQ(42, copy.UnicodeString.MaximumLength);
  EXPECT_NE(original.UnicodeString.Buffer, copy.UnicodeString.Buffer);
  EXPECT_TRUE(IsWellFormed(copy));
}

TEST_F(StringConstructionTest, CopyOfAStringWithoutBufferHasNoneAndAllocatesNothing) {
  CString none;
  const unsigned long long before = ntmodel::AllocationCount();
  CString copy(none);
  EXPECT_TRUE(HasNoBuffer(copy));
  EXPECT_EQ(before, ntmodel::AllocationCount());
}

struct NumberCase {
  ULONG value;
  ULONG radix;
  std::u16string text;
};

TEST_F(StringConstructionTest, FromNumberWritesItsDigitsIntoTwentyTwoBytes) {
  const NumberCase cases[] = {
      {4294967295u, 10, u"4294967295"}, {7, 10, u"7"},   {0, 10, u"0"},       {15, 0, u"15"},
      {255, 16, u"FF"},                 {8, 8, u"10"},   {5, 2, u"101"},      {0xFFFFFFFFu, 16, u"FFFFFFFF"},
      // Conversions that cannot succeed leave an empty string in the buffer.
      {10, 3, u""},                     {0xFFFFFFFFu, 2, u""},  // 32 digits
      {0xFFFFFFFFu, 8, u""},            // 11 digits and no room for the terminator
  };
  for (const NumberCase &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.value << " radix " << c.radix);
    CString s(c.value, c.radix);
    EXPECT_EQ(c.text, TextOf(s));
    EXPECT_EQ(22, s.UnicodeString.MaximumLength);
    EXPECT_TRUE(IsWellFormed(s));
  }
}

TEST_F(StringConstructionTest, DefaultHasNoBuffer) {
  CString s;
  EXPECT_TRUE(HasNoBuffer(s));
}

TEST_F(StringConstructionTest, DestructorReleasesTheBuffer) {
  {
    CString s(u"abc");
    EXPECT_EQ(1u, ntmodel::OutstandingBlocks(kFrameworkTag));
  }
  EXPECT_EQ(0u, ntmodel::OutstandingBlocks(kFrameworkTag));
}

TEST_F(StringConstructionTest, OperatorNewTakesUnzeroedPagedPoolWithTheFrameworkTag) {
  CString *s = new CString(u"ab");
  ASSERT_NE(nullptr, s);
  bool objectFound = false;
  for (const ntmodel::PoolBlock &block : ntmodel::OutstandingPool()) {
    EXPECT_EQ(kFrameworkTag, block.tag);
    EXPECT_EQ(PagedPool, block.type);
    if (block.address == s) {
      objectFound = true;
      EXPECT_EQ(sizeof(CString), block.size);
    }
  }
  EXPECT_TRUE(objectFound);
  EXPECT_EQ(2u, ntmodel::OutstandingBlocks(kFrameworkTag));  // object and buffer
  delete s;
  EXPECT_EQ(0u, ntmodel::OutstandingBlocks(kFrameworkTag));
}

TEST_F(StringConstructionTest, OperatorNewYieldsNullWithoutRunningTheConstructor) {
  ntmodel::FailAllocationNumber(1);
  const unsigned long long before = ntmodel::AllocationCount();
  CString *s = new CString(u"ab");
  EXPECT_EQ(nullptr, s);
  // The constructor would have asked for its buffer.
  EXPECT_EQ(before + 1, ntmodel::AllocationCount());
}

TEST_F(StringConstructionTest, SharedDeleteIgnoresNull) {
  const unsigned long long before = ntmodel::AllocationCount();
  CString *none = nullptr;
  delete none;
  FwPoolDelete(nullptr);
  EXPECT_EQ(before, ntmodel::AllocationCount());
  EXPECT_TRUE(ntmodel::OutstandingPool().empty());
}
