// The kernel model's runtime string routines, which the string class is
// built on: their documented results, including the failure statuses.
#include <KernelTest.h>

#include <algorithm>
#include <iterator>
#include <string>

class RtlStringTest : public KernelTest {};

namespace {
UNICODE_STRING Over(char16_t *storage, USHORT length, USHORT maximumLength) {
  UNICODE_STRING u;
  u.Length = length;
  u.MaximumLength = maximumLength;
  u.Buffer = storage;
  return u;
}

std::u16string Text(const UNICODE_STRING &u) { return std::u16string(u.Buffer, u.Length / 2); }
}  // namespace

TEST_F(RtlStringTest, InitCountsTheTextAndNullGivesAnEmptyRecord) {
  UNICODE_STRING u;
  RtlInitUnicodeString(&u, u"abc");
  EXPECT_EQ(6, u.Length);
  EXPECT_EQ(8, u.MaximumLength);
  RtlInitUnicodeString(&u, nullptr);
  EXPECT_EQ(0, u.Length);
  EXPECT_EQ(0, u.MaximumLength);
  EXPECT_EQ(nullptr, u.Buffer);
}

TEST_F(RtlStringTest, CopyTruncatesToTheDestinationCapacity) {
  char16_t source[] = u"abcdef";
  char16_t storage[8];
  std::fill(std::begin(storage), std::end(storage), u'#');
  UNICODE_STRING from = Over(source, 12, 14);

  UNICODE_STRING small = Over(storage, 0, 6);
  RtlCopyUnicodeString(&small, &from);
  EXPECT_EQ(6, small.Length);
  EXPECT_EQ(u"abc", Text(small));
  EXPECT_EQ(u'#', storage[3]) << "wrote past MaximumLength";

  UNICODE_STRING roomy = Over(storage, 0, 16);
  RtlCopyUnicodeString(&roomy, &from);
  EXPECT_EQ(u"abcdef", Text(roomy));
  EXPECT_EQ(u'\0', storage[6]) << "terminated when there is room";
  EXPECT_EQ(16, roomy.MaximumLength);

  RtlCopyUnicodeString(&roomy, nullptr);
  EXPECT_EQ(0, roomy.Length);
}

TEST_F(RtlStringTest, AppendThatDoesNotFitAppendsNothing) {
  char16_t storage[8] = {u'a', u'b'};
  UNICODE_STRING dest = Over(storage, 4, 10);
  char16_t tail[] = u"cdef";
  UNICODE_STRING three = Over(tail, 6, 8);
  EXPECT_EQ(STATUS_SUCCESS, RtlAppendUnicodeStringToString(&dest, &three));
  EXPECT_EQ(u"abcde", Text(dest));
  UNICODE_STRING one = Over(tail, 2, 2);
  EXPECT_EQ(STATUS_BUFFER_TOO_SMALL, RtlAppendUnicodeStringToString(&dest, &one));
  EXPECT_EQ(u"abcde", Text(dest));
  UNICODE_STRING none = Over(nullptr, 0, 0);
  EXPECT_EQ(STATUS_SUCCESS, RtlAppendUnicodeStringToString(&dest, &none));
  EXPECT_EQ(10, dest.Length);
}

struct IntegerCase {
  ULONG value;
  ULONG base;
  USHORT capacity;
  NTSTATUS status;
  std::u16string text;
};

TEST_F(RtlStringTest, IntegerConversionTable) {
  const IntegerCase cases[] = {
      {0, 10, 22, STATUS_SUCCESS, u"0"},
      {4294967295u, 0, 22, STATUS_SUCCESS, u"4294967295"},
      {0xBEEF, 16, 22, STATUS_SUCCESS, u"BEEF"},
      {64, 8, 22, STATUS_SUCCESS, u"100"},
      {6, 2, 22, STATUS_SUCCESS, u"110"},
      {0x80000000u, 2, 66, STATUS_SUCCESS, u"10000000000000000000000000000000"},
      {123, 10, 8, STATUS_SUCCESS, u"123"},
      {1234, 10, 8, STATUS_BUFFER_OVERFLOW, u"old"},  // no room for the terminator
      {12, 3, 22, STATUS_INVALID_PARAMETER, u"old"},
      {12, 1, 22, STATUS_INVALID_PARAMETER, u"old"},
  };
  for (const IntegerCase &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.value << " base " << c.base);
    char16_t storage[40] = u"old";
    UNICODE_STRING u = Over(storage, 6, c.capacity);
    EXPECT_EQ(c.status, RtlIntegerToUnicodeString(c.value, c.base, &u));
    EXPECT_EQ(c.text, Text(u));
    if (c.status == STATUS_SUCCESS) {
      EXPECT_EQ(u'\0', storage[c.text.size()]);
    }
  }
}

struct CompareCase {
  const char16_t *a;
  const char16_t *b;
  bool caseInsensitive;
  int sign;
};

TEST_F(RtlStringTest, CompareAndEqualTable) {
  const CompareCase cases[] = {
      {u"abc", u"abc", false, 0}, {u"abc", u"abd", false, -1}, {u"abd", u"abc", false, 1},
      {u"ab", u"abc", false, -1}, {u"abc", u"ab", false, 1},   {u"abc", u"ABC", false, 1},
      {u"abc", u"ABC", true, 0},  {u"a[", u"A{", true, -1},    {u"", u"", false, 0},
  };
  for (const CompareCase &c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::u16string(c.a)) + " vs " +
                 ::testing::PrintToString(std::u16string(c.b)));
    UNICODE_STRING a;
    UNICODE_STRING b;
    RtlInitUnicodeString(&a, c.a);
    RtlInitUnicodeString(&b, c.b);
    const LONG result = RtlCompareUnicodeString(&a, &b, c.caseInsensitive);
    EXPECT_EQ(c.sign, (result > 0) - (result < 0));
    EXPECT_EQ(c.sign == 0 ? TRUE : FALSE, RtlEqualUnicodeString(&a, &b, c.caseInsensitive));
  }
}
