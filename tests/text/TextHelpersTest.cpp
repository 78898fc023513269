#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/TextHelpers.h"

namespace kestrin::test {
namespace {

struct EditCase {
  std::string input;
  std::string after;
  int result;
};

// Runs `edit` on `input` in a buffer of exactly its own size, so that any
// write past the terminator is caught.
template <typename Edit>
std::string Edited(const std::string& input, int& result, Edit edit) {
  std::vector<char> buffer(input.begin(), input.end());
  buffer.push_back('\0');
  result = edit(buffer.data());
  return std::string(buffer.data());
}

TEST(TextHelpersTest, BlankSetIsExactlyTheFiveBlanks) {
  EXPECT_EQ(std::string(BlankSet), std::string(" \t\n\r\v"));
  for (int c = 0; c < 256; ++c) {
    const char ch = static_cast<char>(c);
    const bool inSet = c != 0 && std::string(BlankSet).find(ch) != std::string::npos;
    EXPECT_EQ(IsBlank(ch), inSet) << c;
  }
  EXPECT_FALSE(IsBlank('\f'));
}

TEST(TextHelpersTest, TrimBlanksRemovesBlanksAtBothEndsOnly) {
  const std::vector<EditCase> cases = {
      {"", "", 0},
      {"   ", "", 1},
      {"a", "a", 0},
      {" a", "a", 1},
      {"a ", "a", 1},
      {" a b ", "a b", 1},
      {"a  b", "a  b", 0},
      {"\t\na\r\v", "a", 1},
      {"\fa\f", "\fa\f", 0},
      {"\xE9 \xA0", "\xE9 \xA0", 0},  // bytes above 127 are ordinary characters
  };
  for (const auto& c : cases) {
    int result = -1;
    EXPECT_EQ(Edited(c.input, result, [](char* t) { return TrimBlanks(t); }), c.after)
        << '"' << c.input << '"';
    EXPECT_EQ(result, c.result) << '"' << c.input << '"';
  }
}

TEST(TextHelpersTest, NormalizeListTidiesACommaList) {
  const std::vector<EditCase> cases = {
      {"", "", 0},
      {"x", "x", 0},
      {"//,--", "//,--", 0},
      {",a", "a", 1},
      {"a,", "a", 1},
      {"a,,b", "a,b", 1},
      {"a,,,", "a", 1},
      {",,,", "", 1},
      {",", "", 1},
      {"   ", "", 1},
      {"a , b", "a,b", 1},
      {"a, ,b", "a,b", 1},
      {"a,, ,,b,", "a,b", 1},
      {" // , -- ,", "//,--", 1},
      {"a b, c d", "a b,c d", 1},
      {"\ta\n,\rb\v", "a,b", 1},
      {"\fa,b\f", "\fa,b\f", 0},
  };
  for (const auto& c : cases) {
    int result = -1;
    EXPECT_EQ(Edited(c.input, result, [](char* t) { return NormalizeList(t, ','); }), c.after)
        << '"' << c.input << '"';
    EXPECT_EQ(result, c.result) << '"' << c.input << '"';
  }
}

// The list as a plain model: split, trim, drop the empty, join.
std::string ModelList(const std::string& text, char separator) {
  const auto trim = [](const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
      ++b;
    while (e > b && IsBlank(s[e - 1]))
      --e;
    return s.substr(b, e - b);
  };
  std::string out;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(separator, from);
    const std::string element =
        trim(text.substr(from, at == std::string::npos ? std::string::npos : at - from));
    if (!element.empty())
      out += (out.empty() ? "" : std::string(1, separator)) + element;
    if (at == std::string::npos)
      return out;
    from = at + 1;
  }
}

TEST(TextHelpersTest, NormalizeListAgreesWithAPlainModelOnEveryShortList) {
  // Every text of up to six characters over an alphabet with the separator,
  // two blanks, a form feed and a letter.
  const std::string alphabet = ", \tfa";
  const std::size_t letters = alphabet.size();
  std::vector<std::size_t> digits;
  for (std::size_t length = 0; length <= 6; ++length) {
    digits.assign(length, 0);
    for (;;) {
      std::string input;
      for (const std::size_t d : digits)
        input += alphabet[d] == 'f' ? '\f' : alphabet[d];
      const std::string expected = ModelList(input, ',');
      int result = -1;
      ASSERT_EQ(Edited(input, result, [](char* t) { return NormalizeList(t, ','); }), expected)
          << '"' << input << '"';
      ASSERT_EQ(result, expected != input ? 1 : 0) << '"' << input << '"';
      std::size_t i = 0;
      while (i < length && ++digits[i] == letters)
        digits[i++] = 0;
      if (i == length)
        break;
    }
  }
}

TEST(TextHelpersTest, HasForbiddenCharFindsApostrophesAndBlanks) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"", 0},     {"scott", 0}, {"plan_table", 0}, {"a;b\"c/d@e", 0}, {"x'y", 1},  {"a b", 1},
      {"\tab", 1}, {"a\nb", 1},  {"ab\r", 1},       {"a\vb", 1},       {"a\fb", 0}, {"'", 1},
  };
  for (const auto& [input, result] : cases) {
    EXPECT_EQ(HasForbiddenChar(input.c_str()), result) << '"' << input << '"';
  }
}

}  // namespace
}  // namespace kestrin::test
