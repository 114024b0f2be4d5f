// Assignment, appending, joining and comparing strings.
#include "StringTestSupport.h"

class StringAssignmentTest : public KernelTest {};

struct AssignCase {
  const char16_t *initial;  // null: a string without buffer
  const char16_t *source;   // null: a string without buffer
  std::u16string text;
  USHORT maximumLength;
  bool bufferKept;
};

TEST_F(StringAssignmentTest, AssignmentReusesTheBufferUnlessItMustGrow) {
  const AssignCase cases[] = {
      {u"ab", u"abc", u"abc", 8, true},          // 8 bytes hold 'abc' and its terminator
      {u"ab", u"abcdef", u"abcdef", 14, false},  // grown to exactly the needed size
      {u"abcdef", u"x", u"x", 16, true},         // shrinking text keeps the capacity
      {u"abc", u"", u"", 10, true},
      {u"abc", nullptr, u"", 10, true},
      {nullptr, u"abc", u"abc", 8, false},
      {u"abc", u"abc", u"abc", 10, true},  // equal text: nothing happens at all
      {u"", nullptr, u"", 4, true},
  };
  for (const AssignCase &c : cases) {
    SCOPED_TRACE(::testing::Message() << "initial " << (c.initial ? "text" : "none") << ", expect "
                                      << ::testing::PrintToString(c.text));
    CString target = Make(c.initial);
    CString source = Make(c.source);
    const PWSTR before = target.UnicodeString.Buffer;

    CString &result = (target = source);
    EXPECT_EQ(&target, &result);
    EXPECT_EQ(c.text, TextOf(target));
    EXPECT_EQ(c.maximumLength, target.UnicodeString.MaximumLength);
    EXPECT_EQ(c.bufferKept, target.UnicodeString.Buffer == before);
    EXPECT_TRUE(IsWellFormed(target));
    EXPECT_EQ(c.text, TextOf(source)) << "source changed";
  }
}

TEST_F(StringAssignmentTest, AssigningEqualTextOrItselfAllocatesNothing) {
  CString s(u"abc");
  CString same(u"abc");
  const unsigned long long before = ntmodel::AllocationCount();
  const PWSTR buffer = s.UnicodeString.Buffer;
  s = s;
  s = same;
  EXPECT_EQ(before, ntmodel::AllocationCount());
  EXPECT_EQ(buffer, s.UnicodeString.Buffer);
  EXPECT_EQ(10, s.UnicodeString.MaximumLength);
}

TEST_F(StringAssignmentTest, AssigningAnEmptyStringToOneWithoutBufferLeavesItWithout) {
  CString none;
  CString empty(u"");
  none = empty;
  EXPECT_TRUE(HasNoBuffer(none));
}

struct AppendCase {
  const char16_t *initial;  // null: without buffer
  const char16_t *tail;     // null: without buffer
  std::u16string text;
  USHORT maximumLength;
  bool bufferKept;
};

TEST_F(StringAssignmentTest, AppendGrowsToExactlyTheNeededSizeOnlyWhenNeeded) {
  const AppendCase cases[] = {
      {u"ab", u"cd", u"abcd", 10, false},
      {nullptr, u"", u"", 2, false},  // gets a buffer holding only the terminator
      {nullptr, nullptr, u"", 2, false},
      {nullptr, u"cd", u"cd", 6, false},
      {u"ab", u"", u"ab", 8, true},
      {u"abcdef", u"", u"abcdef", 16, true},
  };
  for (const AppendCase &c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    CString s = Make(c.initial);
    CString tail = Make(c.tail);
    const PWSTR before = s.UnicodeString.Buffer;
    s += tail;
    EXPECT_EQ(c.text, TextOf(s));
    EXPECT_EQ(c.maximumLength, s.UnicodeString.MaximumLength);
    EXPECT_EQ(c.bufferKept, s.UnicodeString.Buffer == before);
    EXPECT_TRUE(IsWellFormed(s));
  }
}

TEST_F(StringAssignmentTest, AppendIntoSpareRoomKeepsTheBuffer) {
  CString s(u"abcdef");  // 16 bytes
  s = CString(u"x");
  const PWSTR buffer = s.UnicodeString.Buffer;
  s += CString(u"yz");
  EXPECT_EQ(u"xyz", TextOf(s));
  EXPECT_EQ(buffer, s.UnicodeString.Buffer);
  EXPECT_EQ(16, s.UnicodeString.MaximumLength);
  EXPECT_TRUE(IsWellFormed(s));
}

TEST_F(StringAssignmentTest, AppendingAStringToItselfDoublesIt) {
  CString grown(u"ab");  // 8 bytes: must grow to 10
  grown += grown;
  EXPECT_EQ(u"abab", TextOf(grown));
  EXPECT_TRUE(IsWellFormed(grown));

  CString roomy(u"abcdef");
  roomy = CString(u"ab");  // 16 bytes: fits in place
  roomy += roomy;
  EXPECT_EQ(u"abab", TextOf(roomy));
  EXPECT_TRUE(IsWellFormed(roomy));
}

TEST_F(StringAssignmentTest, RepeatedAppendsBuildAPath) {
  CString path(u"\\Registry\\Machine");
  path += CString(u"\\");
  path += CString(u"Dorvik");
  path += CString(3, 10);
  EXPECT_EQ(u"\\Registry\\Machine\\Dorvik3", TextOf(path));
  EXPECT_TRUE(IsWellFormed(path));
}

struct ConcatenateCase {
  const char16_t *head;  // null: without buffer
  const char16_t *tail;
  std::u16string text;
  USHORT maximumLength;
};

TEST_F(StringAssignmentTest, ConcatenateHasExactlyTheJoinedCapacity) {
  const ConcatenateCase cases[] = {
      {u"ab", u"cd", u"abcd", 10},
      {u"\\DosDevices\\", u"Dorvik0", u"\\DosDevices\\Dorvik0", 40},
      {nullptr, nullptr, u"", 2},
      {u"ab", nullptr, u"ab", 6},
      {nullptr, u"cd", u"cd", 6},
  };
  for (const ConcatenateCase &c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    CString head = Make(c.head);
    CString tail = Make(c.tail);
    CString joined = Concatenate(head, tail);
    EXPECT_EQ(c.text, TextOf(joined));
    EXPECT_EQ(c.maximumLength, joined.UnicodeString.MaximumLength);
    EXPECT_TRUE(IsWellFormed(joined));
    EXPECT_EQ(std::u16string(c.head ? c.head : u""), TextOf(head));
  }
}

TEST_F(StringAssignmentTest, ConcatenateLeavesOnlyTheResultAllocated) {
  CString head(u"ab");
  CString tail(u"cd");
  CString joined = Concatenate(head, tail);
  EXPECT_EQ(3u, ntmodel::OutstandingBlocks(kFrameworkTag));  // head, tail, result
}

struct EqualityCase {
  const char16_t *a;  // null: without buffer
  const char16_t *b;
  bool equal;
};

TEST_F(StringAssignmentTest, EqualityIsByLengthAndExactCharacters) {
  const EqualityCase cases[] = {
      {u"abc", u"abc", true}, {u"abc", u"ABC", false}, {u"abc", u"ab", false},
      {u"ab", u"ba", false},  {nullptr, u"", true},    {nullptr, nullptr, true},
      {u"", u"", true},       {nullptr, u"a", false},
  };
  for (const EqualityCase &c : cases) {
    CString a = Make(c.a);
    CString b = Make(c.b);
    SCOPED_TRACE(::testing::PrintToString(TextOf(a)) + " vs " + ::testing::PrintToString(TextOf(b)));
    EXPECT_EQ(c.equal ? 1 : 0, a == b);
    EXPECT_EQ(c.equal ? 1 : 0, b == a);
  }
}

TEST_F(StringAssignmentTest, EqualityIgnoresWhatFollowsTheText) {
  const char16_t longer[] = u"abcdef";
  UNICODE_STRING prefix = Counted(longer, 6, 14);
  CString a(&prefix);
  CString b(u"abc");
  EXPECT_EQ(1, a == b);
}
