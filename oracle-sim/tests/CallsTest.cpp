// The ten calls as a client sees them: logons, cursors, parses, defines,
// fetches, messages, injected failures and the call log.
#include <gtest/gtest.h>

#include <cstring>

#include "SimSession.h"

namespace kestrin::sim::testing {
namespace {

using CallsTest = SimTest;

std::uint16_t LogonCode(const LogonArea& lda) {
  return static_cast<std::uint16_t>(lda.bytes[kCursorReturnCodeOffset] |
                                    (lda.bytes[kCursorReturnCodeOffset + 1] << 8));
}

struct LogonCase {
  const char* connect;
  int expected;
};

TEST_F(CallsTest, LogonFormsAndTheirErrors) {
  const LogonCase cases[] = {
      {"scott/tiger", 0},
      {"SCOTT/TIGER", 0},
      {"Scott/Tiger@demo", 0},
      {"scott/tiger@ORCL", 0},
      {"scott/tiger@demo.world", 0},
      {"scott/tiger@", 0},
      {"shop/shop@orcl", 0},
      {"nodict/nodict", 0},
      {"system/manager", 0},
      {"scott/lion", 1017},
      {"nobody/tiger", 1017},
      {"nobody", 1017},
      {"", 1017},
      {"scott", 1005},
      {"scott/", 1005},
      {"scott/@demo", 1005},
      {"/", 1004},
      {"scott/tiger@nowhere", 12154},
      {"nobody/x@nowhere", 12154},
  };
  for (const LogonCase& c : cases) {
    LogonArea lda{};
    HostDataArea hda{};
    const int rc = Oci().olog(&lda, &hda, c.connect, -1, nullptr, -1, nullptr, -1, 0);
    EXPECT_EQ(rc, c.expected) << c.connect;
    EXPECT_EQ(LogonCode(lda), c.expected) << c.connect;
    if (rc == 0) {
      EXPECT_EQ(Oci().ologof(&lda), 0) << c.connect;
    }
  }
}

TEST_F(CallsTest, LogonTakesCountedLengthsAndSeparateArguments) {
  LogonArea lda{};
  HostDataArea hda{};
  EXPECT_EQ(Oci().olog(&lda, &hda, "scott/tigerXYZ", 11, nullptr, -1, nullptr, -1, 0), 0);
  EXPECT_EQ(Oci().ologof(&lda), 0);
  EXPECT_EQ(Oci().olog(&lda, &hda, "scott", -1, "tiger", -1, "demo", -1, 0), 0);
  EXPECT_EQ(Oci().ologof(&lda), 0);
  EXPECT_EQ(Oci().olog(&lda, &hda, "scott", -1, "tiger", -1, "elsewhere", -1, 0), 12154);
}

TEST_F(CallsTest, CursorsNeedALiveSession) {
  LogonArea lda{};
  CursorArea cda{};
  EXPECT_EQ(Oci().oopen(&cda, &lda, nullptr, -1, -1, nullptr, -1), 1012);
  EXPECT_EQ(CursorReturnCode(cda), 1012);
  EXPECT_EQ(Oci().ocom(&lda), 1012);
  EXPECT_EQ(Oci().ologof(&lda), 1012);

  SimSession session;
  ASSERT_EQ(session.logon, 0);
  ASSERT_EQ(Oci().oopen(&cda, &session.lda, nullptr, -1, -1, nullptr, -1), 0);
  EXPECT_EQ(Oci().ocom(&session.lda), 0);
  ASSERT_EQ(Oci().ologof(&session.lda), 0);
  session.logon = -1;
  EXPECT_EQ(Oci().oparse(&cda, "select * from dual", -1, 1, 1), 1001);
  EXPECT_EQ(Oci().oopen(&cda, &session.lda, nullptr, -1, -1, nullptr, -1), 1012);

  CursorArea never{};
  EXPECT_EQ(Oci().oexec(&never), 1001);
  EXPECT_EQ(Oci().oclose(&never), 1001);
  EXPECT_EQ(CursorReturnCode(never), 1001);
}

TEST_F(CallsTest, AreasFromBeforeAResetNameNothing) {
  SimSession session;
  CursorArea cda{};
  ASSERT_EQ(Oci().oopen(&cda, &session.lda, nullptr, -1, -1, nullptr, -1), 0);
  Reset();
  EXPECT_EQ(Oci().oparse(&cda, "select * from dual", -1, 1, 1), 1001);
  EXPECT_EQ(Oci().ocom(&session.lda), 1012);
  session.logon = -1;
}

TEST_F(CallsTest, DeferredParseReportsEveryErrorAtExecute) {
  struct Case {
    const char* sql;
    int error;
  };
  const Case cases[] = {
      {"selec * from dual", 900},       {"select * from nosuch", 942},
      {"select nosuch from dual", 904}, {"select * from dual;", 911},
      {"select 'open from dual", 1756}, {"select * from dual where", 936},
  };
  SimSession session;
  for (const Case& c : cases) {
    CursorArea cda{};
    ASSERT_EQ(Oci().oopen(&cda, &session.lda, nullptr, -1, -1, nullptr, -1), 0);
    EXPECT_EQ(Oci().oparse(&cda, c.sql, -1, 1, 1), 0) << c.sql;
    EXPECT_EQ(Oci().oexec(&cda), c.error) << c.sql;
    EXPECT_EQ(CursorReturnCode(cda), c.error) << c.sql;
    // Without the deferred flag the same error comes from the parse.
    EXPECT_EQ(Oci().oparse(&cda, c.sql, -1, 0, 1), c.error) << c.sql;
    EXPECT_EQ(CursorReturnCode(cda), c.error) << c.sql;
    Oci().oclose(&cda);
  }
}

TEST_F(CallsTest, ExecuteWithoutAStatementFails) {
  SimSession session;
  CursorArea cda{};
  ASSERT_EQ(Oci().oopen(&cda, &session.lda, nullptr, -1, -1, nullptr, -1), 0);
  EXPECT_EQ(Oci().oexec(&cda), 1003);
  EXPECT_EQ(Oci().ofetch(&cda), 1002);
}

class FetchTest : public SimTest {
 protected:
  void Open(const char* sql) {
    ASSERT_EQ(session_.logon, 0);
    ASSERT_EQ(Oci().oopen(&cda_, &session_.lda, nullptr, -1, -1, nullptr, -1), 0);
    ASSERT_EQ(Oci().oparse(&cda_, sql, -1, 1, 1), 0);
    ASSERT_EQ(Oci().odefin(&cda_, 1, buf_, sizeof buf_, kExtTypeString, -1, nullptr, nullptr, -1,
                           -1, nullptr, nullptr),
              0);
    ASSERT_EQ(Oci().oexec(&cda_), 0);
  }
  void TearDown() override {
    Oci().oclose(&cda_);
    SimTest::TearDown();
  }

  SimSession session_;
  CursorArea cda_{};
  char buf_[32] = {};
};

TEST_F(FetchTest, RowsThenNoMoreWith1403) {
  Open("select dname from dept order by deptno");
  std::vector<std::string> names;
  int rc = 0;
  while ((rc = Oci().ofetch(&cda_)) == 0) {
    EXPECT_EQ(CursorReturnCode(cda_), 0);
    names.emplace_back(buf_);
  }
  EXPECT_EQ(rc, kFetchNoMore);
  EXPECT_EQ(CursorReturnCode(cda_), 1403);
  EXPECT_EQ(names, (std::vector<std::string>{"ACCOUNTING", "RESEARCH", "SALES", "OPERATIONS"}));
  EXPECT_EQ(Oci().ofetch(&cda_), 1002);
}

TEST_F(FetchTest, InjectedSkipConsumesTheRow) {
  InjectFetchSkip(2);
  Open("select dname from dept order by deptno");
  EXPECT_EQ(Oci().ofetch(&cda_), 0);
  EXPECT_STREQ(buf_, "ACCOUNTING");
  EXPECT_EQ(Oci().ofetch(&cda_), kFetchSkipRow);
  EXPECT_EQ(Oci().ofetch(&cda_), 0);
  EXPECT_STREQ(buf_, "SALES");
}

TEST_F(FetchTest, InjectedEndReportsNoMoreRows) {
  InjectFailure("ofetch", 1, 4);
  Open("select dname from dept order by deptno");
  EXPECT_EQ(Oci().ofetch(&cda_), kFetchNoMore);
  EXPECT_EQ(CursorReturnCode(cda_), 1403);
}

TEST_F(FetchTest, InjectedErrorOnAFetch) {
  InjectFailure("ofetch", 2, 1001);
  Open("select dname from dept");
  EXPECT_EQ(Oci().ofetch(&cda_), 0);
  EXPECT_EQ(Oci().ofetch(&cda_), 1001);
  EXPECT_EQ(CursorReturnCode(cda_), 1001);
}

TEST_F(CallsTest, StringDefinesAreCutToTheBuffer) {
  struct Case {
    int bufl;
    const char* expected;
    short indicator;
    unsigned short columnCode;
  };
  const Case cases[] = {
      {1, "", 10, 1406},           {2, "A", 10, 1406},       {5, "ACCO", 10, 1406},
      {10, "ACCOUNTIN", 10, 1406}, {11, "ACCOUNTING", 0, 0}, {40, "ACCOUNTING", 0, 0},
  };
  SimSession session;
  for (const Case& c : cases) {
    char buf[64];
    std::memset(buf, 0x7F, sizeof buf);
    short indicator = 99;
    unsigned short length = 99;
    unsigned short columnCode = 99;
    CursorArea cda{};
    ASSERT_EQ(Oci().oopen(&cda, &session.lda, nullptr, -1, -1, nullptr, -1), 0);
    ASSERT_EQ(Oci().oparse(&cda, "select dname from dept where deptno = 10", -1, 1, 1), 0);
    ASSERT_EQ(Oci().odefin(&cda, 1, buf, c.bufl, kExtTypeString, -1, &indicator, nullptr, -1, -1,
                           &length, &columnCode),
              0);
    ASSERT_EQ(Oci().oexec(&cda), 0);
    EXPECT_EQ(Oci().ofetch(&cda), 0) << c.bufl;
    EXPECT_STREQ(buf, c.expected) << c.bufl;
    EXPECT_EQ(indicator, c.indicator) << c.bufl;
    EXPECT_EQ(length, std::strlen(c.expected)) << c.bufl;
    EXPECT_EQ(columnCode, c.columnCode) << c.bufl;
    for (std::size_t i = static_cast<std::size_t>(c.bufl); i < sizeof buf; ++i) {
      ASSERT_EQ(buf[i], 0x7F) << "written past the buffer at " << i;
    }
    Oci().oclose(&cda);
  }
}

TEST_F(CallsTest, IntegerAndNullDefines) {
  SimSession session;
  CursorArea cda{};
  std::int32_t number = -1;
  char comm[8] = "x";
  short indicator = 0;
  ASSERT_EQ(Oci().oopen(&cda, &session.lda, nullptr, -1, -1, nullptr, -1), 0);
  ASSERT_EQ(Oci().oparse(&cda, "select empno, comm from emp where ename = 'KING'", -1, 1, 1), 0);
  ASSERT_EQ(Oci().odefin(&cda, 1, &number, 4, kExtTypeInteger, -1, nullptr, nullptr, -1, -1,
                         nullptr, nullptr),
            0);
  ASSERT_EQ(Oci().odefin(&cda, 2, comm, sizeof comm, kExtTypeString, -1, &indicator, nullptr, -1,
                         -1, nullptr, nullptr),
            0);
  ASSERT_EQ(Oci().oexec(&cda), 0);
  ASSERT_EQ(Oci().ofetch(&cda), 0);
  EXPECT_EQ(number, 7839);
  EXPECT_STREQ(comm, "");
  EXPECT_EQ(indicator, -1);
  // Positions past the select list, and types the server does not convert to.
  EXPECT_EQ(Oci().odefin(&cda, 3, comm, 8, kExtTypeString, -1, nullptr, nullptr, -1, -1, nullptr,
                         nullptr),
            1007);
  EXPECT_EQ(Oci().odefin(&cda, 1, comm, 8, 99, -1, nullptr, nullptr, -1, -1, nullptr, nullptr),
            1460);
  EXPECT_EQ(Oci().odefin(&cda, 1, &number, 3, kExtTypeInteger, -1, nullptr, nullptr, -1, -1,
                         nullptr, nullptr),
            1460);
}

TEST_F(CallsTest, DefineBeyondTheSelectListFailsTheDeferredExecute) {
  SimSession session;
  CursorArea cda{};
  char buf[8];
  ASSERT_EQ(Oci().oopen(&cda, &session.lda, nullptr, -1, -1, nullptr, -1), 0);
  ASSERT_EQ(Oci().oparse(&cda, "select dummy from dual", -1, 1, 1), 0);
  ASSERT_EQ(Oci().odefin(&cda, 2, buf, sizeof buf, kExtTypeString, -1, nullptr, nullptr, -1, -1,
                         nullptr, nullptr),
            0);
  EXPECT_EQ(Oci().oexec(&cda), 1007);
}

TEST_F(CallsTest, MessageTexts) {
  struct Case {
    short code;
    const char* text;
  };
  const Case cases[] = {
      {1017, "ORA-01017: invalid username/password; logon denied\n"},
      {942, "ORA-00942: table or view does not exist\n"},
      {955, "ORA-00955: name is already used by an existing object\n"},
      {12154, "ORA-12154: TNS:could not resolve service name\n"},
      {1005, "ORA-01005: null password given; logon denied\n"},
      {1012, "ORA-01012: not logged on\n"},
      {1403, "ORA-01403: no data found\n"},
      {9999, "ORA-09999: Message 9999 not found;  product=RDBMS; facility=ORA\n"},
  };
  LogonArea lda{};
  for (const Case& c : cases) {
    char buf[200];
    const int n = Oci().oerhms(&lda, c.code, buf, sizeof buf);
    EXPECT_STREQ(buf, c.text);
    EXPECT_EQ(n, static_cast<int>(std::strlen(c.text)));
  }
}

TEST_F(CallsTest, MessagesAreCutToTheBuffer) {
  LogonArea lda{};
  char buf[16];
  std::memset(buf, 0x7F, sizeof buf);
  EXPECT_EQ(Oci().oerhms(&lda, 942, buf, 10), 9);
  EXPECT_STREQ(buf, "ORA-00942");
  for (std::size_t i = 10; i < sizeof buf; ++i) {
    ASSERT_EQ(buf[i], 0x7F);
  }
  EXPECT_EQ(Oci().oerhms(&lda, 942, buf, 0), 0);
  EXPECT_EQ(buf[0], 'O');
}

TEST_F(CallsTest, MessageOverridesAndFailures) {
  LogonArea lda{};
  char buf[64] = {};
  SetOerhmsText(942, "ORA-00942: table or view does not exist (custom)");
  EXPECT_EQ(Oci().oerhms(&lda, 942, buf, sizeof buf), 48);
  EXPECT_STREQ(buf, "ORA-00942: table or view does not exist (custom)");
  SetOerhmsFails(true);
  buf[0] = '\0';
  EXPECT_EQ(Oci().oerhms(&lda, 942, buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "");
  SetOerhmsFails(false);
  InjectFailure("oerhms", 3, 1);
  EXPECT_EQ(Oci().oerhms(&lda, 942, buf, sizeof buf), 0);
  EXPECT_GT(Oci().oerhms(&lda, 942, buf, sizeof buf), 0);
}

// Runs the module's sequence of calls once; gives each call's result in order.
std::vector<std::pair<std::string, int>> RunEveryCall() {
  std::vector<std::pair<std::string, int>> results;
  LogonArea lda{};
  HostDataArea hda{};
  CursorArea cda{};
  char buf[32];
  results.emplace_back("olog",
                       Oci().olog(&lda, &hda, "scott/tiger", -1, nullptr, -1, nullptr, -1, 0));
  results.emplace_back("oopen", Oci().oopen(&cda, &lda, nullptr, -1, -1, nullptr, -1));
  results.emplace_back("oparse", Oci().oparse(&cda, "select dummy from dual", -1, 1, 1));
  results.emplace_back("odefin", Oci().odefin(&cda, 1, buf, sizeof buf, kExtTypeString, -1, nullptr,
                                              nullptr, -1, -1, nullptr, nullptr));
  results.emplace_back("oexec", Oci().oexec(&cda));
  results.emplace_back("ofetch", Oci().ofetch(&cda));
  results.emplace_back("ocom", Oci().ocom(&lda));
  results.emplace_back("oclose", Oci().oclose(&cda));
  results.emplace_back("ologof", Oci().ologof(&lda));
  return results;
}

int ResultOf(const std::vector<std::pair<std::string, int>>& results, const std::string& name) {
  for (const auto& [call, result] : results) {
    if (call == name) {
      return result;
    }
  }
  return -1;
}

TEST_F(CallsTest, EachCallFailsAtTheInjectedOccurrence) {
  const char* names[] = {"olog",   "oopen", "oparse", "odefin", "oexec",
                         "ofetch", "ocom",  "oclose", "ologof"};
  for (const char* name : names) {
    Reset();
    InjectFailure(name, 2, 3113);
    for (const auto& [call, result] : RunEveryCall()) {
      EXPECT_EQ(result, 0) << "first round, " << call;
    }
    const auto results = RunEveryCall();
    for (const auto& [call, result] : results) {
      if (call == name) {
        EXPECT_EQ(result, 3113) << name;
        break;
      }
      EXPECT_EQ(result, 0) << call << " before " << name;
    }
    for (const auto& [call, result] : RunEveryCall()) {
      EXPECT_EQ(result, 0) << "third round, " << call << " with " << name << " injected";
    }
  }
}

TEST_F(CallsTest, InjectedCodesStandInTheAreas) {
  InjectFailure("olog", 1, 1017);
  InjectFailure("oopen", 1, 1000);
  LogonArea lda{};
  HostDataArea hda{};
  EXPECT_EQ(Oci().olog(&lda, &hda, "scott/tiger", -1, nullptr, -1, nullptr, -1, 0), 1017);
  EXPECT_EQ(LogonCode(lda), 1017);
  ASSERT_EQ(Oci().olog(&lda, &hda, "scott/tiger", -1, nullptr, -1, nullptr, -1, 0), 0);
  CursorArea cda{};
  EXPECT_EQ(Oci().oopen(&cda, &lda, nullptr, -1, -1, nullptr, -1), 1000);
  EXPECT_EQ(CursorReturnCode(cda), 1000);
  EXPECT_EQ(Oci().oopen(&cda, &lda, nullptr, -1, -1, nullptr, -1), 0);
  EXPECT_EQ(CursorReturnCode(cda), 0);
  EXPECT_EQ(Oci().ologof(&lda), 0);
}

TEST_F(CallsTest, CallLogRecordsArguments) {
  SimSession session("scott/tiger@demo");
  char buf[16];
  CursorArea cda{};
  ASSERT_EQ(Oci().oopen(&cda, &session.lda, nullptr, -1, -1, nullptr, -1), 0);
  ASSERT_EQ(Oci().oparse(&cda, "select dummy from dual", -1, 1, 1), 0);
  ASSERT_EQ(Oci().odefin(&cda, 1, buf, 16, kExtTypeString, -1, nullptr, nullptr, -1, -1, nullptr,
                         nullptr),
            0);
  const std::vector<CallRecord> log = CallLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].name, "olog");
  EXPECT_EQ(log[0].user, "scott/tiger@demo");
  EXPECT_EQ(log[1].name, "oopen");
  EXPECT_EQ(log[2].name, "oparse");
  EXPECT_EQ(log[2].sql, "select dummy from dual");
  EXPECT_EQ(log[3].name, "odefin");
  EXPECT_EQ(log[3].position, 1);
  EXPECT_EQ(log[3].bufferLength, 16);
  EXPECT_EQ(log[3].type, kExtTypeString);
  ClearCallLog();
  EXPECT_TRUE(CallLog().empty());
  Oci().oclose(&cda);
  ASSERT_EQ(CallLog().size(), 1u);
  EXPECT_EQ(CallLog()[0].name, "oclose");
}

TEST_F(CallsTest, CountsRestartAtReset) {
  RunEveryCall();
  Reset();
  InjectFailure("oopen", 1, 1000);
  EXPECT_EQ(ResultOf(RunEveryCall(), "oopen"), 1000);
}

TEST_F(CallsTest, CreateDropAndTheirErrors) {
  SimSession session;
  const std::string create = Format(kCreatePlanTable, {"plan_table"});
  EXPECT_EQ(session.Run(create), 0);
  EXPECT_EQ(session.Run(create), 955);
  EXPECT_EQ(session.Run("create table PLAN_TABLE (a number)"), 955);
  EXPECT_EQ(session.Run("create table pk_emp (a number)"), 955);
  EXPECT_EQ(session.Run(Format(kDropTable, {"plan_table"})), 0);
  EXPECT_EQ(session.Run(Format(kDropTable, {"plan_table"})), 942);
  EXPECT_EQ(session.Run("select * from plan_table"), 942);
  EXPECT_EQ(session.Run(create), 0);
  // Plan tables belong to their schema.
  SimSession shop("shop/shop");
  EXPECT_EQ(shop.Run("select * from plan_table"), 942);
  EXPECT_EQ(shop.Run("select * from scott.plan_table"), 0);
}

}  // namespace
}  // namespace kestrin::sim::testing
