// Whole explain commands through OpenPlugin, over the scripted client library:
// the exact Oracle calls, the boxes, the screen and where the command goes on
// after each failure of the plan stages.
#include <gtest/gtest.h>

#include "plan/PlanFixture.h"

namespace kestrin::test {
namespace {

const char* const kPlanQuery = "CONNECT BY prior id = parent_id";
const char* const kIndexQuery = "from dba_ind_columns";
const std::string kPath = "<report>";  // stands for the report file's name

Texts operator+(Texts a, const Texts& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Texts kLogon = {"olog", "oopen"};
const Texts kStep = {"oparse", "oexec", "ocom"};  // create, delete, drop
const Texts kExplain = {"oparse", "oexec"};
const Texts kPlan = {"oparse", "oexec", "odefin", "ofetch", "ofetch", "ofetch"};
const Texts kIndex = {"oparse", "oexec",  "odefin", "odefin",
                      "ofetch", "ofetch", "ofetch", "ofetch"};
const Texts kLogoff = {"oclose", "ologof"};
const Texts kError = {"oerhms"};

class PlanCommandTest : public PlanFixture {
 protected:
  void SetUp() override {
    PlanFixture::SetUp();
    RunState& s = t.State();
    // As the first command of the process left them: the defaults.
    s.SettingsLoaded = 1;
    s.AutoDisconnect = 1;
    s.CurrentConnection[0] = '\0';
    t.host.Record().RestoreScreen(s.SavedScreen);
    s.SavedScreen = nullptr;
    t.host.SelectLines({"select *", "from emp"});
    t.host.ClearCalls();
  }

  // The rows of both queries: a two-line plan over EMP and its one index.
  void ScriptRows(std::vector<FakeRow> plan = {}) {
    if (plan.empty())
      plan = {{"SELECT STATEMENT  "}, {"  TABLE ACCESS FULL EMP "}};
    oci.RowsFor(kPlanQuery, plan);
    oci.RowsFor(
        kIndexQuery,
        {{"Table SCOTT.EMP: ", 30001}, {"PK_EMP: EMPNO", 1}, {" (NORMAL,UNIQUE,VALID)", 30000}});
  }

  // The host calls by kind, without message lookups and editor lines.
  std::vector<HostCall::Kind> Kinds() const {
    auto kinds = PlanFixture::Kinds();
    std::erase(kinds, HostCall::EditorLine);
    return kinds;
  }

  // A box by its tag: ERR<code>, QUESTION, NAME (no report file name) or
  // OPEN (the report file not opened).
  Texts Box(const std::string& tag) const {
    if (tag.rfind("ERR", 0) == 0)
      return ErrorBox(std::stoi(tag.substr(3)));
    if (tag == "QUESTION")
      return DropQuestion();
    if (tag == "NAME")
      return {t.host.Msg(33), "",           "Cannot make a report file name (system error 5)", "",
              "\x01",         t.host.Msg(0)};
    return {t.host.Msg(33), "", t.host.Msg(28), kPath, "", "\x01", t.host.Msg(0)};
  }

  Texts ErrorBox(int code) const {
    char line[64];
    std::snprintf(line, sizeof line, "ORA-%05d: fake error", code);
    return OracleErrorBox(line);
  }
  Texts DropQuestion() const {
    return {t.host.Msg(33), "", t.host.Msg(21), t.host.Msg(22), "", "\x01", t.host.Msg(24),
            t.host.Msg(23)};
  }
};

// What follows the echoed statement and its empty line.
const std::string kReportBody =
    "SELECT STATEMENT  \r\n  TABLE ACCESS FULL EMP \r\n"
    "\r\nTable SCOTT.EMP: \r\nPK_EMP: EMPNO (NORMAL,UNIQUE,VALID)\r\n";

TEST_F(PlanCommandTest, ADefaultCommandMakesExactlyTheseOracleCalls) {
  ScriptRows();
  EXPECT_EQ(t.Run(), InvalidHostHandle());

  EXPECT_EQ(oci.Names(), kLogon + kStep + kExplain + kPlan + kIndex + kStep + kLogoff);
  const Texts sql = oci.Parsed();
  ASSERT_EQ(sql.size(), 5u);
  EXPECT_EQ(sql[0].rfind("CREATE TABLE plan_table(statement_id ", 0), 0u);
  EXPECT_EQ(sql[1],
            "explain plan set statement_id='FARKESTRIN19990704090503007' into plan_table "
            "for select * from emp");
  EXPECT_EQ(sql[2].rfind("SELECT lpad(", 0), 0u);
  EXPECT_EQ(sql[3].rfind("select table_name||index_name,column_position", 0), 0u);
  EXPECT_EQ(sql[4], "delete from plan_table where statement_id = 'FARKESTRIN19990704090503007'");
  EXPECT_EQ(oci.log[0].text, "scott");

  // The notes, each taken off before the next; the report in the viewer last.
  using K = HostCall::Kind;
  EXPECT_EQ(Kinds(),
            (std::vector<K>{K::EditorInfo, K::Dialog, K::SaveScreen, K::Message, K::RestoreScreen,
                            K::SaveScreen, K::Message, K::RestoreScreen, K::Viewer}));
  const auto viewers = t.host.Of(HostCall::Viewer);
  ASSERT_EQ(viewers.size(), 1u);
  EXPECT_EQ(viewers[0].path, std::string(View(t.State().ReportPath)));
  EXPECT_EQ(viewers[0].flags, 3u);
  // The head is the capture's echo, each of its line feeds stored as CR LF.
  std::string head;
  for (const char c : View(t.State().EchoBuffer))
    head += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(head.rfind("select *", 0), 0u);
  EXPECT_EQ(viewers[0].fileContent, head + "\r\n\r\n" + kReportBody);
  EXPECT_EQ(t.host.OutstandingSnapshots(), 0);
  EXPECT_TRUE(t.platform.ReportFiles().empty());  // the viewer deleted it
  EXPECT_TRUE(IsEmpty(t.State().CurrentConnection));
}

struct CommandFailure {
  const char* name = "";
  int buildIfNotExist = 1;
  int dropAfterUse = 0;
  std::vector<std::tuple<const char*, int, int>> failures = {};  // call, occurrence, code
  std::vector<FakeRow> planRows = {};                            // empty: the usual plan
  int dropAnswer = 0;
  bool failName = false;
  bool failOpen = false;
  Texts calls = {};
  Texts boxes = {};  // the boxes with buttons, in order, by their tags
  bool viewer = false;
  std::size_t filesLeft = 0;
};

void PrintTo(const CommandFailure& c, std::ostream* os) {
  *os << c.name;
}

class CommandFailureTest : public PlanCommandTest,
                           public ::testing::WithParamInterface<CommandFailure> {};

TEST_P(CommandFailureTest, ShowsItsBoxesAndGoesOnWhereItMust) {
  const CommandFailure& c = GetParam();
  t.State().BuildIfNotExist = c.buildIfNotExist;
  t.State().DropAfterUse = c.dropAfterUse;
  for (const auto& [call, occurrence, code] : c.failures)
    oci.Fail(call, occurrence, code);
  ScriptRows(c.planRows);
  t.host.boxAnswers.push_back(c.dropAnswer);
  t.platform.failTempFileName = c.failName;
  t.platform.injectedError = 5;
  t.platform.failReportOpen = c.failOpen;

  EXPECT_EQ(t.Run(), InvalidHostHandle());

  EXPECT_EQ(oci.Names(), c.calls);
  std::vector<Texts> boxes;
  for (const HostCall& box : Questions()) {
    Texts items = box.items;
    for (std::string& item : items) {
      if (item == std::string(View(t.State().ReportPath)) && !item.empty())
        item = kPath;
    }
    boxes.push_back(items);
  }
  std::vector<Texts> expected;
  for (const std::string& tag : c.boxes)
    expected.push_back(Box(tag));
  EXPECT_EQ(boxes, expected);
  EXPECT_EQ(t.host.Of(HostCall::Viewer).size(), c.viewer ? 1u : 0u);
  EXPECT_EQ(t.platform.ReportFiles().size(), c.filesLeft);
  // Every path restores the screen once after its last box and leaves no
  // snapshot behind, and the session is logged off.
  using K = HostCall::Kind;
  auto kinds = Kinds();
  if (c.viewer)
    kinds.pop_back();
  ASSERT_FALSE(kinds.empty());
  EXPECT_EQ(kinds.back(), K::RestoreScreen);
  EXPECT_EQ(t.host.OutstandingSnapshots(), 0);
  EXPECT_TRUE(IsEmpty(t.State().CurrentConnection));
}

// A plan whose second fetch fails.
std::vector<FakeRow> HalfAPlan() {
  return {{"SELECT STATEMENT  "}, {"", 0, 1013}};
}

const Texts kPlanStop = {"oparse", "oexec", "odefin"};

INSTANTIATE_TEST_SUITE_P(
    Steps, CommandFailureTest,
    ::testing::Values(
        CommandFailure{.name = "CreateFails",
                       .failures = {{"oparse", 1, 922}},
                       .calls = kLogon + Texts{"oparse", "oerhms"} + kLogoff,
                       .boxes = {"ERR922"}},
        CommandFailure{.name = "MissingTableWithoutBuildAsksNothing",
                       .buildIfNotExist = 0,
                       .dropAfterUse = 1,
                       .failures = {{"oparse", 1, 942}},
                       .calls = kLogon + Texts{"oparse", "oerhms"} + kLogoff,
                       .boxes = {"ERR942"}},
        CommandFailure{.name = "DeleteBeforeExplainingFails",
                       .failures = {{"oexec", 1, 955}, {"ocom", 2, 3114}},
                       .calls = kLogon + kStep + kStep + kError + kLogoff,
                       .boxes = {"ERR3114"}},
        CommandFailure{.name = "ExplainFails",
                       .failures = {{"oexec", 2, 1039}},
                       .calls = kLogon + kStep + kExplain + kError + kLogoff,
                       .boxes = {"ERR1039"}},
        CommandFailure{.name = "ExplainFailsTheOwnTableIsStillDropped",
                       .dropAfterUse = 1,
                       .failures = {{"oexec", 2, 1039}},
                       .calls = kLogon + kStep + kExplain + kError + kStep + kLogoff,
                       .boxes = {"ERR1039"}},
        CommandFailure{.name = "ExplainFailsAnExistingTableIsAskedFor",
                       .dropAfterUse = 1,
                       .failures = {{"oexec", 1, 955}, {"oexec", 3, 1039}},
                       .dropAnswer = 0,
                       .calls = kLogon + kStep + kStep + kExplain + kError + kLogoff,
                       .boxes = {"ERR1039", "QUESTION"}},
        CommandFailure{.name = "PlanQueryFails",
                       .failures = {{"odefin", 1, 1007}},
                       .calls = kLogon + kStep + kExplain + kPlanStop + kError + kLogoff,
                       .boxes = {"ERR1007"}},
        CommandFailure{.name = "NoReportFileName",
                       .failName = true,
                       .calls = kLogon + kStep + kExplain + kPlanStop + kLogoff,
                       .boxes = {"NAME"}},
        CommandFailure{.name = "ReportFileNotOpened",
                       .failOpen = true,
                       .calls = kLogon + kStep + kExplain + kPlanStop + kLogoff,
                       .boxes = {"OPEN"},
                       .filesLeft = 1},
        CommandFailure{.name = "PlanFetchFailsHalfWay",
                       .planRows = HalfAPlan(),
                       .calls = kLogon + kStep + kExplain + kPlanStop +
                                Texts{"ofetch", "ofetch", "oerhms"} + kIndex + kLogoff,
                       .boxes = {"ERR1013"},
                       .filesLeft = 1},
        CommandFailure{.name = "IndexReportFailsWithoutABox",
                       .failures = {{"oparse", 4, 942}},
                       .calls = kLogon + kStep + kExplain + kPlan + Texts{"oparse", "oerhms"} +
                                kStep + kLogoff,
                       .viewer = true},
        CommandFailure{.name = "DropFails",
                       .dropAfterUse = 1,
                       .failures = {{"oexec", 5, 1031}},
                       .calls = kLogon + kStep + kExplain + kPlan + kIndex +
                                Texts{"oparse", "oexec", "oerhms"} + kLogoff,
                       .boxes = {"ERR1031"},
                       .viewer = true},
        CommandFailure{
            .name = "FinalDeleteFails",
            .failures = {{"ocom", 2, 3114}},
            .calls = kLogon + kStep + kExplain + kPlan + kIndex + kStep + kError + kLogoff,
            .boxes = {"ERR3114"},
            .viewer = true},
        CommandFailure{
            .name = "AnExistingTableDroppedOnTheUsersWord",
            .dropAfterUse = 1,
            .failures = {{"oexec", 1, 955}},
            .dropAnswer = 1,
            .calls = kLogon + kStep + kStep + kExplain + kPlan + kIndex + kStep + kLogoff,
            .boxes = {"QUESTION"},
            .viewer = true},
        CommandFailure{
            .name = "AnExistingTableKeptLosesOnlyTheRows",
            .dropAfterUse = 1,
            .failures = {{"oexec", 1, 955}},
            .dropAnswer = 0,
            .calls = kLogon + kStep + kStep + kExplain + kPlan + kIndex + kStep + kLogoff,
            .boxes = {"QUESTION"},
            .viewer = true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestrin::test
