#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Options.h"

namespace kestrin::console {
namespace {

bool Parse(const std::vector<std::string>& args, Options& options, std::string& error) {
  std::vector<const char*> argv;
  for (const std::string& arg : args)
    argv.push_back(arg.c_str());
  return ParseOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(OptionsTest, ReadsTheFileTheBlockAndEveryDialogValue) {
  Options o;
  std::string error;
  ASSERT_TRUE(Parse(
      {"--alias=demo", "--user", "scott", "--plan-table=pt", "--skip-symbols=\"", "--comments=#",
       "--auto-disconnect=0", "--build", "1", "--drop=1", "--yes", "--drop-answer=keep", "--column",
       "q.c", "3:5-9:40", "--module=m.so", "--oci-library", "oci.so", "--lang=x.lng"},
      o, error))
      << error;
  EXPECT_EQ(o.file, "q.c");
  EXPECT_EQ(o.block, "3:5-9:40");
  EXPECT_TRUE(o.column);
  EXPECT_EQ(o.alias, "demo");
  EXPECT_EQ(o.user, "scott");
  EXPECT_EQ(o.planTable, "pt");
  EXPECT_EQ(o.skipSymbols, "\"");
  EXPECT_EQ(o.comments, "#");
  EXPECT_EQ(o.autoDisconnect, false);
  EXPECT_EQ(o.build, true);
  EXPECT_EQ(o.drop, true);
  EXPECT_TRUE(o.yes);
  EXPECT_EQ(o.dropAnswer, false);
  EXPECT_EQ(o.modulePath, "m.so");
  EXPECT_EQ(o.ociLibrary, "oci.so");
  EXPECT_EQ(o.langFile, "x.lng");
}

TEST(OptionsTest, LeavesUntypedFieldsAloneAndTakesEmptyValuesAsTyped) {
  Options o;
  std::string error;
  ASSERT_TRUE(Parse({"--alias=", "-"}, o, error)) << error;
  EXPECT_EQ(o.file, "-");
  EXPECT_FALSE(o.block);
  EXPECT_EQ(o.alias, "");
  EXPECT_FALSE(o.user);
  EXPECT_FALSE(o.autoDisconnect);
  EXPECT_FALSE(o.dropAnswer);
  EXPECT_FALSE(o.yes);

  ASSERT_TRUE(Parse({"--", "--odd-name.sql"}, o, error)) << error;
  EXPECT_EQ(o.file, "--odd-name.sql");
  ASSERT_TRUE(Parse({"--help"}, o, error)) << error;
  EXPECT_TRUE(o.help);
}

TEST(OptionsTest, RefusesWhatItCannotUse) {
  const struct {
    std::vector<std::string> args;
    std::string reason;
  } cases[] = {
      {{}, "no file named"},
      {{"a", "1-2", "b"}, "too many arguments"},
      {{"--password=tiger", "a"}, "never taken from the command line"},
      {{"--password", "tiger", "a"}, "never taken from the command line"},
      {{"--frobnicate", "a"}, "unknown option --frobnicate"},
      {{"--build=yes", "a"}, "--build takes 0 or 1"},
      {{"--drop-answer=maybe", "a"}, "--drop-answer takes drop or keep"},
      {{"--yes=1", "a"}, "--yes takes no value"},
      {{"a", "--user"}, "--user needs a value"},
      {{"--column", "a"}, "--column needs a block"},
  };
  for (const auto& c : cases) {
    Options o;
    std::string error;
    EXPECT_FALSE(Parse(c.args, o, error)) << c.reason;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace kestrin::console
