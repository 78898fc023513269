// The report's content against the simulated server: the plan stages and the
// report run over a real logon, the plan rows stated by each test, and the
// index report is what the server's dictionary gives for them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "OracleSim.h"
#include "oracle/Session.h"
#include "plan/PlanRun.h"
#include "plan/Report.h"
#include "plugin/TestModule.h"

namespace kestrin::test {
namespace {

using Row = sim::PlanRow;

// A translation's table word, handed out in place of the language file's.
FarGetMsgFn hostGetMsg = nullptr;
const char* KESTRIN_HOST_CALL GetMsgWithApostrophe(int module, int msg) {
  return msg == 32 ? "Table d'index" : hostGetMsg(module, msg);
}

class ReportContentTest : public ::testing::Test {
 protected:
  TestModule t{&sim::SimCalls()};
  std::uint32_t flags = 0;

  void SetUp() override {
    sim::Reset();
    RunState& s = t.State();
    SetText(s.PlanTable, "plan_table");
    s.BuildIfNotExist = 1;
    s.DropAfterUse = 0;
    s.AutoDisconnect = 1;
    SetText(s.EchoBuffer, "select ...");
  }
  void TearDown() override { sim::Reset(); }

  // Logs on as `connect`, then runs the plan stages over `plan` and gives the
  // report as the viewer would get it ("" when none was written).
  std::string Explain(const char* connect, std::vector<Row> plan,
                      const char* statement = "select * from emp") {
    RunState& s = t.State();
    SetText(s.ConnectString, connect);
    SetText(s.StatementBuffer, statement);
    EXPECT_TRUE(EnsureSession(*t.module));
    sim::SetPlanOverride(std::move(plan));
    EXPECT_EQ(PlanRun(*t.module, flags), PlanOutcome::Report);
    WriteReport(*t.module, flags);
    CleanUpPlanTable(*t.module, flags);
    const auto files = t.platform.ReportFiles();
    if (files.size() != 1)
      return {};
    std::ifstream in(files[0], std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    std::filesystem::remove(files[0]);
    return content.str();
  }

  static Row Step(long id, std::optional<long> parent, const char* operation, const char* options,
                  const char* name) {
    Row r;
    r.id = id;
    r.parentId = parent;
    r.operation = operation;
    r.options = options;
    r.objectOwner = name[0] ? "SCOTT" : "";
    r.objectName = name;
    return r;
  }
  static Row Root(long cost) {
    Row r = Step(0, std::nullopt, "SELECT STATEMENT", "", "");
    r.position = cost;
    r.optimizer = "CHOOSE";
    return r;
  }

  // The boxes with buttons the stages showed.
  int ErrorBoxes() const {
    int n = 0;
    for (const HostCall& box : t.host.Boxes())
      n += box.buttons > 0;
    return n;
  }
};

const std::string kHead = "select ...\r\n\r\n";

TEST_F(ReportContentTest, AnotherTableWhoseNameBeginsWithTheFirstSortsBetweenItsHeadingAndIndexes) {
  ASSERT_EQ(sim::AddTable("SCOTT", "EMP2", {{"EMPNO", "NUMBER(4)"}, {"ENAME", "VARCHAR2(10)"}}), 0);
  ASSERT_EQ(sim::AddIndex("SCOTT", "EMP2_NAME", "EMP2", {"ENAME"}, false), 0);
  const std::string report =
      Explain("scott/tiger", {Root(4), Step(1, 0, "NESTED LOOPS", "", ""),
                              Step(2, 1, "TABLE ACCESS", "FULL", "EMP2"),
                              Step(3, 1, "TABLE ACCESS", "BY INDEX ROWID", "EMP"),
                              Step(4, 3, "INDEX", "UNIQUE SCAN", "PK_EMP")});
  EXPECT_EQ(report, kHead +
                        "SELECT STATEMENT    Cost=4 Optimizer=CHOOSE\r\n"
                        "  NESTED LOOPS   \r\n"
                        "    TABLE ACCESS FULL EMP2 \r\n"
                        "    TABLE ACCESS BY INDEX ROWID EMP \r\n"
                        "      INDEX UNIQUE SCAN PK_EMP \r\n"
                        "\r\nTable SCOTT.EMP: \r\n"
                        "\r\nTable SCOTT.EMP2: \r\n"
                        "EMP2_NAME: ENAME (NORMAL,NONUNIQUE,VALID)\r\n"
                        "PK_EMP: EMPNO (NORMAL,UNIQUE,VALID)\r\n");
  EXPECT_EQ(flags, std::uint32_t{PlanTableOwned | PlanWritten | IndexReportDone});
  EXPECT_EQ(ErrorBoxes(), 0);
}

TEST_F(ReportContentTest, AnIndexOnThreeColumnsAndAnAnalyzedIndexEachGiveOneLine) {
  ASSERT_EQ(
      sim::AddIndex("SCOTT", "EMP_DEPT_NAME_HIRED", "EMP", {"DEPTNO", "ENAME", "HIREDATE"}, false),
      0);
  ASSERT_EQ(sim::MarkIndexAnalyzed("SCOTT", "PK_EMP", sim::SimDate{1999, 7, 4, 9, 5, 3}), 0);
  const std::string report =
      Explain("scott/tiger", {Root(2), Step(1, 0, "TABLE ACCESS", "FULL", "EMP")});
  EXPECT_EQ(report,
            kHead +
                "SELECT STATEMENT    Cost=2 Optimizer=CHOOSE\r\n"
                "  TABLE ACCESS FULL EMP \r\n"
                "\r\nTable SCOTT.EMP: \r\n"
                "EMP_DEPT_NAME_HIRED: DEPTNO,ENAME,HIREDATE (NORMAL,NONUNIQUE,VALID)\r\n"
                "PK_EMP: EMPNO (NORMAL,UNIQUE,VALID,LAST ANALYZED 04/07/1999 09:05:03)\r\n");
}

TEST_F(ReportContentTest, ATableWithoutIndexesGivesItsHeadingAlone) {
  const std::string report = Explain(
      "scott/tiger", {Root(1), Step(1, 0, "TABLE ACCESS", "FULL", "BONUS")}, "select * from bonus");
  EXPECT_EQ(report, kHead +
                        "SELECT STATEMENT    Cost=1 Optimizer=CHOOSE\r\n"
                        "  TABLE ACCESS FULL BONUS \r\n"
                        "\r\nTable SCOTT.BONUS: \r\n");
}

TEST_F(ReportContentTest, AnIndexReadAloneBringsInItsTableWithAllItsIndexes) {
  const std::string report =
      Explain("scott/tiger", {Root(1), Step(1, 0, "INDEX", "FULL SCAN", "PK_DEPT")},
              "select deptno from dept");
  EXPECT_EQ(report, kHead +
                        "SELECT STATEMENT    Cost=1 Optimizer=CHOOSE\r\n"
                        "  INDEX FULL SCAN PK_DEPT \r\n"
                        "\r\nTable SCOTT.DEPT: \r\n"
                        "PK_DEPT: DEPTNO (NORMAL,UNIQUE,VALID)\r\n");
}

TEST_F(ReportContentTest, APlanThatTouchesNoTableEndsWithItsLines) {
  Row root = Root(1);
  root.optimizer.clear();
  const std::string report =
      Explain("scott/tiger", {root, Step(1, 0, "SEQUENCE", "", "")}, "select 1 from dual");
  EXPECT_EQ(report, kHead + "SELECT STATEMENT    Cost=1\r\n  SEQUENCE   \r\n");
  EXPECT_EQ(flags, std::uint32_t{PlanTableOwned | PlanWritten | IndexReportDone});
}

TEST_F(ReportContentTest, AUserWithoutDictionaryAccessGetsThePlanAndTheErrorSection) {
  Row items = Step(1, 0, "TABLE ACCESS", "FULL", "ITEMS");
  items.objectOwner = "NODICT";
  const std::string report = Explain("nodict/nodict", {Root(3), items}, "select * from items");
  EXPECT_EQ(report, kHead +
                        "SELECT STATEMENT    Cost=3 Optimizer=CHOOSE\r\n"
                        "  TABLE ACCESS FULL ITEMS \r\n"
                        "\r\n" +
                        t.host.Msg(30) + "\r\n\r\nORA-00942: table or view does not exist\r\n");
  EXPECT_EQ(flags, std::uint32_t{PlanTableOwned | PlanWritten | IndexReportFailed});
  EXPECT_EQ(ErrorBoxes(), 0);
}

TEST_F(ReportContentTest, ATableWordWithAnApostropheStillGivesTheIndexReport) {
  PluginStartupInfo record = t.host.Record();
  hostGetMsg = record.GetMsg;
  record.GetMsg = GetMsgWithApostrophe;
  t.module->SetStartupInfo(&record);
  const std::string report =
      Explain("scott/tiger", {Root(2), Step(1, 0, "TABLE ACCESS", "FULL", "EMP")});
  EXPECT_EQ(report, kHead +
                        "SELECT STATEMENT    Cost=2 Optimizer=CHOOSE\r\n"
                        "  TABLE ACCESS FULL EMP \r\n"
                        "\r\nTable d'index SCOTT.EMP: \r\n"
                        "PK_EMP: EMPNO (NORMAL,UNIQUE,VALID)\r\n");
  EXPECT_EQ(flags, std::uint32_t{PlanTableOwned | PlanWritten | IndexReportDone});
}

TEST_F(ReportContentTest, ALaterCommandReusesTheTableAndEachLeavesItEmpty) {
  const std::vector<Row> plan = {Root(2), Step(1, 0, "TABLE ACCESS", "FULL", "EMP")};
  const std::string first = Explain("scott/tiger", plan);
  EXPECT_EQ(flags, std::uint32_t{PlanTableOwned | PlanWritten | IndexReportDone});
  t.platform.now.Milliseconds += 1;
  const std::string second = Explain("scott/tiger", plan);
  // The second create met ORA-00955, silently; the table is not the
  // command's own, and the rows were deleted after both reports.
  EXPECT_EQ(flags, std::uint32_t{PlanWritten | IndexReportDone});
  EXPECT_EQ(second, first);
  EXPECT_EQ(ErrorBoxes(), 0);
  int error = -1;
  EXPECT_TRUE(sim::QueryRows("SCOTT", "select id from plan_table", &error).empty());
  EXPECT_EQ(error, 0);
}

}  // namespace
}  // namespace kestrin::test
