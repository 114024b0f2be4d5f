// wsprintfA: the user interface's formatter, with 32-bit "l" and its
// 1024-byte limit.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

namespace {

TEST(WsprintfTest, FormatsLikeThePlatform) {
  struct Case {
    std::function<int(char *)> format;
    const char *expected;
  };
  const Case cases[] = {
      {[](char *o) { return wsprintfA(o, "%03x", 5u); }, "005"},
      {[](char *o) { return wsprintfA(o, "%03x", 0x368u); }, "368"},
      {[](char *o) { return wsprintfA(o, "%03x", 0x12345u); }, "12345"},
      {[](char *o) { return wsprintfA(o, "%s%s", "SYSTEM\\Dorvik0", "\\Parameters"); },
       "SYSTEM\\Dorvik0\\Parameters"},
      {[](char *o) {
         return wsprintfA(o, "%lu|%ld", static_cast<DWORD>(4294967295u), static_cast<LONG>(-5));
       },
       "4294967295|-5"},
      {[](char *o) { return wsprintfA(o, "%d %i %u", -12, 7, 3u); }, "-12 7 3"},
      {[](char *o) { return wsprintfA(o, "[%-4d][%4d][%05d]", 7, 7, -42); }, "[7   ][   7][-0042]"},
      {[](char *o) { return wsprintfA(o, "%#x %X %#X", 255u, 0xabcu, 0u); }, "0xff ABC 0"},
      {[](char *o) { return wsprintfA(o, "[%5s][%.2s][%c]", "ab", "abcd", 'x'); },
       "[   ab][ab][x]"},
      {[](char *o) { return wsprintfA(o, "100%%"); }, "100%"},
  };
  for (const Case &c : cases) {
    char out[64];
    int written = c.format(out);
    EXPECT_STREQ(c.expected, out);
    EXPECT_EQ(static_cast<int>(std::string(c.expected).size()), written) << c.expected;
  }
}

TEST(WsprintfTest, WritesAtMost1024BytesWithTheNul) {
  std::string big(2000, 'a');
  char out[2100];
  EXPECT_EQ(1023, wsprintfA(out, "%s", big.c_str()));
  EXPECT_EQ(1023u, std::string(out).size());
}

}  // namespace
