#include "text/TextWriter.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace kestrin {
namespace {

TEST(TextWriterTest, NeverWritesPastItsBufferAndKeepsRoomForTheTerminator) {
  std::array<char, 8> guarded{};
  guarded.fill('#');
  TextWriter w(guarded.data(), 5);
  EXPECT_TRUE(w.Append("ab"));
  EXPECT_FALSE(w.Append("cdef"));
  w.AppendNul();
  EXPECT_STREQ(guarded.data(), "abcd");
  EXPECT_TRUE(w.Overflowed());
  EXPECT_EQ(guarded[5], '#');
  w.Reset();
  EXPECT_FALSE(w.Overflowed());
  EXPECT_EQ(w.Position(), 0u);
}

struct FormatCase {
  const char* format;
  std::int64_t value;
  const char* expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
  *os << '"' << c.format << '"';
}

class FormattedIntegerTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormattedIntegerTest, FillsOnlyOneIntegerConversion) {
  std::array<char, 128> buffer{};
  TextWriter w(buffer.data(), buffer.size());
  w.AppendFormattedInteger(GetParam().format, GetParam().value);
  w.AppendNul();
  EXPECT_STREQ(buffer.data(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FormattedIntegerTest,
                         ::testing::Values(FormatCase{"Oracle error %d", 1017, "Oracle error 1017"},
                                           FormatCase{"code %u", -1, "code 4294967295"},
                                           FormatCase{"%05d|%x|%X", 42, "00042|%x|%X"},
                                           FormatCase{"100%% sure: %ld", 7, "100% sure: 7"},
                                           // Anything that is not an integer conversion stays text.
                                           FormatCase{"%s and %n then %d", 3, "%s and %n then 3"},
                                           FormatCase{"trailing %", 3, "trailing %"},
                                           FormatCase{"%99999d", 3, "%99999d"},
                                           FormatCase{"no placeholder", 3, "no placeholder"}));

TEST(TextWriterTest, PatternFillsEachPercentSInOrder) {
  std::array<char, 64> buffer{};
  TextWriter w(buffer.data(), buffer.size());
  w.AppendPattern("delete from %s where id = '%s' %s", {"t", "x"});
  w.AppendNul();
  EXPECT_STREQ(buffer.data(), "delete from t where id = 'x' %s");
}

}  // namespace
}  // namespace kestrin
