// The settings read from the environment: the failure list's syntax and
// what ConfigureFromEnvironment makes of each variable.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "SimSession.h"

namespace kestrin::sim::testing {
namespace {

struct ParseCase {
  const char* text;
  std::optional<std::vector<FailureEntry>> expected;
};

TEST(FailureListTest, Parses) {
  using List = std::vector<FailureEntry>;
  const ParseCase cases[] = {
      {"oopen#1=1017,ofetch#3=2", List{{"oopen", 1, 1017}, {"ofetch", 3, 2}}},
      {" OPARSE # 2 = 942 ,  oerhms#1=1 ", List{{"oparse", 2, 942}, {"oerhms", 1, 1}}},
      {"olog#10=12154", List{{"olog", 10, 12154}}},
      {"", List{}},
      {"   ", List{}},
      {"oopen#1", std::nullopt},
      {"oopen=1017", std::nullopt},
      {"oopen1=1017", std::nullopt},
      {"nosuch#1=1", std::nullopt},
      {"oopen#0=1", std::nullopt},
      {"oopen#x=1", std::nullopt},
      {"oopen#1=", std::nullopt},
      {"oopen#1=0", std::nullopt},
      {"oopen#1=-5", std::nullopt},
      {"oopen#1=1017,", std::nullopt},
      {",oopen#1=1017", std::nullopt},
      {"oopen#1=1017;ofetch#2=2", std::nullopt},
      {"oopen=1#1", std::nullopt},
  };
  for (const ParseCase& c : cases) {
    EXPECT_EQ(ParseFailureList(c.text), c.expected) << "'" << c.text << "'";
  }
}

class EnvironmentTest : public SimTest {
 protected:
  ~EnvironmentTest() override {
    unsetenv("KESTRIN_SIM_FAIL");
    unsetenv("KESTRIN_SIM_OERHMS_FAILS");
    unsetenv("KESTRIN_SIM_LOG");
  }
};

TEST_F(EnvironmentTest, InjectsTheListedFailures) {
  setenv("KESTRIN_SIM_FAIL", "olog#2=1017, oopen#1=1000", 1);
  ConfigureFromEnvironment();
  SimSession first;
  EXPECT_EQ(first.logon, 0);
  EXPECT_EQ(first.Run("select * from dual"), 1000);
  EXPECT_EQ(first.Run("select * from dual"), 0);
  SimSession second;
  EXPECT_EQ(second.logon, 1017);
}

TEST_F(EnvironmentTest, IgnoresAMalformedListAsAWhole) {
  setenv("KESTRIN_SIM_FAIL", "oopen#1=1000,ofetch", 1);
  ConfigureFromEnvironment();
  SimSession session;
  EXPECT_EQ(session.Run("select * from dual"), 0);
}

TEST_F(EnvironmentTest, MakesOerhmsFail) {
  struct Case {
    const char* value;
    bool fails;
  };
  const Case cases[] = {{"1", true}, {"yes", true}, {"TRUE", true}, {"0", false}, {"", false}};
  for (const Case& c : cases) {
    Reset();
    setenv("KESTRIN_SIM_OERHMS_FAILS", c.value, 1);
    ConfigureFromEnvironment();
    LogonArea lda{};
    char buf[80];
    EXPECT_EQ(Oci().oerhms(&lda, 1017, buf, sizeof buf) == 0, c.fails) << c.value;
  }
}

TEST_F(EnvironmentTest, WritesTheCallLogToAFile) {
  const std::string path = ::testing::TempDir() + "kestrin-sim-config-log.txt";
  std::remove(path.c_str());
  setenv("KESTRIN_SIM_LOG", path.c_str(), 1);
  ConfigureFromEnvironment();
  {
    SimSession session;
    session.Run("select\t'a'\nfrom dual");
  }
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "olog\tscott/tiger\t0",
                       "oopen\t\t0",
                       "oparse\tselect\\t'a'\\nfrom dual\t0",
                       "oexec\t\t0",
                       "oclose\t\t0",
                       "ologof\t\t0",
                   }));
  std::remove(path.c_str());
}

}  // namespace
}  // namespace kestrin::sim::testing
