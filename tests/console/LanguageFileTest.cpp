#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LanguageFile.h"

namespace kestrin::console {
namespace {

TEST(LanguageFileTest, TakesTheQuotedTextOfEveryMessageLineInOrder) {
  const std::string content =
      "\xEF\xBB\xBF.Language=English,English\r\n"
      "// a comment \"with quotes\"\r\n"
      "\r\n"
      "\"OK\"\r\n"
      "  \"&Explain\"\n"
      "\"He said \"hi\"\"\n"
      "\"\"\n"
      "\"unterminated\n";
  EXPECT_EQ(ParseLanguageFile(content),
            (std::vector<std::string>{"OK", "&Explain", "He said \"hi\"", "", "unterminated"}));
}

TEST(LanguageFileTest, TheEnglishFileHoldsEveryMessage) {
  std::vector<std::string> messages;
  std::string error;
  ASSERT_TRUE(ReadLanguageFile(KESTRIN_SOURCE_DIR "/lang/kestrin_eng.lng", 34, messages, error))
      << error;
  EXPECT_EQ(messages[0], "OK");
  EXPECT_EQ(messages[33], "Kestrin");

  EXPECT_FALSE(ReadLanguageFile(KESTRIN_SOURCE_DIR "/lang/kestrin_eng.lng", 35, messages, error));
  EXPECT_NE(error.find("holds 34 messages; 35 are needed"), std::string::npos) << error;
  EXPECT_FALSE(ReadLanguageFile("/nonexistent/kestrin.lng", 1, messages, error));
  EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
}

}  // namespace
}  // namespace kestrin::console
