// Substring search and extraction of character ranges.
#include "StringTestSupport.h"

class StringSearchTest : public KernelTest {};

struct FindCase {
  const char16_t *text;
  const char16_t *pattern;  // null: a pattern without buffer
  LONG start;
  UCHAR fromEnd;
  LONG expected;
};

TEST_F(StringSearchTest, FindTable) {
  const FindCase cases[] = {
      // Forward: the index of the match's first character.
      {u"ABAB", u"B", 2, 0, 3},
      {u"ABAB", u"B", 0, 0, 1},
      {u"ABAB", u"AB", 0, 0, 0},
      {u"ABAB", u"AB", 1, 0, 2},
      {u"ABAB", u"AB", 2, 0, 2},  // the last place a two-character pattern fits
      {u"ABAB", u"AB", 0, 1, 3},  // counted from the end
      {u"ABAB", u"BA", 0, 0, 1},
      {u"ABAB", u"ABAB", 0, 0, 0},
      {u"ABAB", u"C", 0, 0, -1},
      {u"ABAB", u"ab", 0, 0, -1},  // case matters
      // Backward: the index of the match's last character.
      {u"ABAB", u"AB", -1, 0, 3},
      {u"ABAB", u"AB", -1, 1, 0},
      {u"ABAB", u"AB", -2, 0, 1},
      {u"ABAB", u"AB", -3, 0, 1},
      {u"ABAB", u"A", -1, 0, 2},
      {u"ABAB", u"A", -4, 0, 0},
      {u"ABAB", u"C", -1, 1, -1},
      // Starts outside the places the pattern can occupy.
      {u"ABAB", u"AB", 3, 0, -1},
      {u"ABAB", u"AB", -4, 0, -1},
      {u"ABAB", u"B", 4, 0, -1},
      {u"ABAB", u"B", -5, 0, -1},
      // Patterns that can never match.
      {u"AB", u"ABC", 0, 0, -1},
      {u"AB", u"", 0, 0, -1},
      {u"AB", u"", -1, 0, -1},
      {u"", u"", 0, 0, -1},
      {u"AB", nullptr, 0, 0, -1},
      // The registry path splitting relies on these.
      {u"A\\B\\", u"\\", -1, 1, 0},
      {u"A\\B", u"\\", -1, 1, 1},
      {u"AB", u"\\", -1, 1, -1},
      {u"A\\B\\", u"\\", -2, 0, 1},
      {u"A\\B\\C\\", u"\\", -2, 0, 3},
      {u"A\\", u"\\", -2, 0, -1},
  };
  for (const FindCase &c : cases) {
    CString text(c.text);
    CString pattern = Make(c.pattern);
    SCOPED_TRACE(::testing::Message() << ::testing::PrintToString(TextOf(text)) << " find "
                                      << ::testing::PrintToString(TextOf(pattern)) << " from "
                                      << c.start << (c.fromEnd ? " (from end)" : ""));
    EXPECT_EQ(c.expected, text.Find(pattern, c.start, c.fromEnd));
    EXPECT_EQ(std::u16string(c.text), TextOf(text));
  }
}

TEST_F(StringSearchTest, AnyNonZeroFlagCountsFromTheEnd) {
  CString text(u"ABAB");
  EXPECT_EQ(2, text.Find(CString(u"B"), 0, 0xFF));
}

TEST_F(StringSearchTest, FindOfAStringWithoutBufferFindsNothing) {
  CString none;
  EXPECT_EQ(-1, none.Find(CString(u"A"), 0, 0));
  EXPECT_EQ(-1, none.Find(CString(u"A"), -1, 1));
}

enum class Extract { Mid, Left, Right };

struct ExtractCase {
  const char16_t *source;
  Extract op;
  USHORT a;  // first, or count
  USHORT b;  // last (Mid only)
  bool ok;
  std::u16string text;
};

TEST_F(StringSearchTest, ExtractionTable) {
  const ExtractCase cases[] = {
      {u"abcdef", Extract::Mid, 1, 3, true, u"bcd"},
      {u"abcdef", Extract::Mid, 0, 0, true, u"a"},
      {u"abcdef", Extract::Mid, 5, 5, true, u"f"},
      {u"abcdef", Extract::Mid, 0, 5, true, u"abcdef"},
      {u"abcdef", Extract::Mid, 3, 1, false, u""},
      {u"abcdef", Extract::Mid, 0, 6, false, u""},
      {u"abcdef", Extract::Mid, 6, 6, false, u""},
      {u"abcdef", Extract::Mid, 0xFFFF, 2, false, u""},
      {u"", Extract::Mid, 0, 0, false, u""},
      {u"abcdef", Extract::Left, 2, 0, true, u"ab"},
      {u"abcdef", Extract::Left, 6, 0, true, u"abcdef"},
      {u"abcdef", Extract::Left, 0, 0, false, u""},
      {u"abcdef", Extract::Left, 7, 0, false, u""},
      {u"abcdef", Extract::Right, 2, 0, true, u"ef"},
      {u"abcdef", Extract::Right, 6, 0, true, u"abcdef"},
      {u"abcdef", Extract::Right, 1, 0, true, u"f"},
      {u"abcdef", Extract::Right, 0, 0, false, u""},
      {u"abcdef", Extract::Right, 7, 0, false, u""},
      {u"", Extract::Left, 1, 0, false, u""},
      {u"", Extract::Right, 1, 0, false, u""},
  };
  for (const ExtractCase &c : cases) {
    SCOPED_TRACE(::testing::Message() << ::testing::PrintToString(std::u16string(c.source)) << " op "
                                      << static_cast<int>(c.op) << " " << c.a << "," << c.b);
    CString source(c.source);
    CString target(u"keep");
    const PWSTR before = target.UnicodeString.Buffer;
    UCHAR ok = 0;
    switch (c.op) {
      case Extract::Mid: ok = source.Mid(target, c.a, c.b); break;
      case Extract::Left: ok = source.Left(target, c.a); break;
      case Extract::Right: ok = source.Right(target, c.a); break;
    }
    EXPECT_EQ(c.ok ? 1 : 0, ok);
    EXPECT_EQ(std::u16string(c.source), TextOf(source)) << "source changed";
    if (c.ok) {
      EXPECT_EQ(c.text, TextOf(target));
      // Always a new buffer of exactly the text and its terminator.
      EXPECT_EQ(c.text.size() * 2 + 2, target.UnicodeString.MaximumLength);
      EXPECT_TRUE(IsWellFormed(target));
    } else {
      EXPECT_EQ(u"keep", TextOf(target));
      EXPECT_EQ(before, target.UnicodeString.Buffer);
      EXPECT_EQ(12, target.UnicodeString.MaximumLength);
    }
  }
}

TEST_F(StringSearchTest, ExtractionIntoAStringWithoutBufferGivesItOne) {
  CString source(u"abcdef");
  CString target;
  EXPECT_EQ(1, source.Mid(target, 2, 4));
  EXPECT_EQ(u"cde", TextOf(target));
  EXPECT_TRUE(IsWellFormed(target));
}

TEST_F(StringSearchTest, ExtractionIntoItselfIsRefused) {
  CString s(u"abcdef");
  const PWSTR before = s.UnicodeString.Buffer;
  EXPECT_EQ(0, s.Mid(s, 1, 3));
  EXPECT_EQ(0, s.Left(s, 2));
  EXPECT_EQ(0, s.Right(s, 2));
  EXPECT_EQ(u"abcdef", TextOf(s));
  EXPECT_EQ(before, s.UnicodeString.Buffer);
}
