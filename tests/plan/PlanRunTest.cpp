#include "plan/PlanRun.h"

#include <gtest/gtest.h>

#include "plan/PlanFixture.h"

namespace kestrin::test {
namespace {

const std::string kId = "FARKESTRIN19990704090503007";
const std::string kCreatePrefix = "CREATE TABLE plan_table(";
const std::string kDelete = "delete from plan_table where statement_id = '" + kId + "'";
const std::string kExplain =
    "explain plan set statement_id='" + kId + "' into plan_table for select * from emp";
const std::string kDrop = "drop table plan_table";

class PlanRunTest : public PlanFixture {
 protected:
  // The SQL parsed, with the create shortened to its first words.
  Texts Statements() const {
    Texts out;
    for (const std::string& sql : oci.Parsed())
      out.push_back(sql.rfind(kCreatePrefix, 0) == 0 ? "CREATE" : sql);
    return out;
  }
};

struct TimeCase {
  LocalTime time;
  const char* id;
};

class StatementIdTest : public PlanRunTest, public ::testing::WithParamInterface<TimeCase> {};

TEST_P(StatementIdTest, IsFormedFromTheLocalTimeDownToTheMillisecond) {
  t.platform.now = GetParam().time;
  t.State().BuildIfNotExist = 0;
  PlanRun(*t.module, flags);
  EXPECT_EQ(View(t.State().StatementId), GetParam().id);
  EXPECT_EQ(View(t.State().StatementId).size(), 27u);
  EXPECT_EQ(oci.Parsed().at(0),
            std::string("delete from plan_table where statement_id = '") + GetParam().id + "'");
}

INSTANTIATE_TEST_SUITE_P(
    Times, StatementIdTest,
    ::testing::Values(TimeCase{{1999, 7, 4, 9, 5, 3, 7}, "FARKESTRIN19990704090503007"},
                      TimeCase{{2024, 12, 31, 23, 59, 59, 999}, "FARKESTRIN20241231235959999"},
                      TimeCase{{2000, 1, 1, 0, 0, 0, 0}, "FARKESTRIN20000101000000000"}));

TEST_F(PlanRunTest, ANewTableIsCreatedCommittedAndOwnedAndNeedsNoDelete) {
  EXPECT_EQ(PlanRun(*t.module, flags), PlanOutcome::Report);
  EXPECT_EQ(oci.Names(), (Texts{"oparse", "oexec", "ocom", "oparse", "oexec"}));
  EXPECT_EQ(Statements(), (Texts{"CREATE", kExplain}));
  EXPECT_EQ(flags, std::uint32_t{PlanTableOwned});

  // The connecting note is taken off before the explaining note is drawn.
  using K = HostCall::Kind;
  EXPECT_EQ(Kinds(), (std::vector<K>{K::RestoreScreen, K::SaveScreen, K::Message}));
  const auto boxes = t.host.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].items, (Texts{"", "", t.host.Msg(20), ""}));
  EXPECT_EQ(boxes[0].flags, 0u);
  EXPECT_EQ(boxes[0].buttons, 0);
}

TEST_F(PlanRunTest, AnExistingTableIsAcceptedStillCommittedAndNotOwned) {
  oci.Fail("oexec", 1, 955);
  EXPECT_EQ(PlanRun(*t.module, flags), PlanOutcome::Report);
  EXPECT_EQ(oci.Names(),
            (Texts{"oparse", "oexec", "ocom", "oparse", "oexec", "ocom", "oparse", "oexec"}));
  EXPECT_EQ(Statements(), (Texts{"CREATE", kDelete, kExplain}));
  EXPECT_EQ(flags, 0u);
  EXPECT_TRUE(Questions().empty());
}

TEST_F(PlanRunTest, WithoutBuildIfNotExistTheOldRowsAreDeletedFirst) {
  t.State().BuildIfNotExist = 0;
  EXPECT_EQ(PlanRun(*t.module, flags), PlanOutcome::Report);
  EXPECT_EQ(Statements(), (Texts{kDelete, kExplain}));
  EXPECT_EQ(flags, 0u);
}

TEST_F(PlanRunTest, FlagsOfAnEarlierCommandAreCleared) {
  flags = PlanWritten | PlanTableDropped | IndexReportFailed;
  t.State().BuildIfNotExist = 0;
  PlanRun(*t.module, flags);
  EXPECT_EQ(flags, 0u);
}

struct RunFailure {
  const char* name;
  int build;
  const char* call;
  int occurrence;
  int code;
  PlanOutcome outcome;
  Texts calls;  // the Oracle calls made, the error text's included
};

void PrintTo(const RunFailure& c, std::ostream* os) {
  *os << c.name;
}

class PlanRunFailureTest : public PlanRunTest, public ::testing::WithParamInterface<RunFailure> {};

TEST_P(PlanRunFailureTest, ShowsOneErrorBoxAndGoesOnWhereItMust) {
  const RunFailure& c = GetParam();
  t.State().BuildIfNotExist = c.build;
  if (c.build)
    oci.Fail("oexec", 1, 955);  // the table exists, so a delete follows the create
  oci.Fail(c.call, c.occurrence, c.code);

  EXPECT_EQ(PlanRun(*t.module, flags), c.outcome);
  EXPECT_EQ(oci.Names(), c.calls);
  EXPECT_EQ(oci.log.back().type, c.code);
  const auto questions = Questions();
  ASSERT_EQ(questions.size(), 1u);
  char line[64];
  std::snprintf(line, sizeof line, "ORA-%05d: fake error", c.code);
  EXPECT_EQ(questions[0].items, OracleErrorBox(line));
  EXPECT_EQ(questions[0].flags, 0x11u);
  // The box stands on a fresh snapshot: the explaining note was taken off.
  using K = HostCall::Kind;
  EXPECT_EQ(Kinds(), (std::vector<K>{K::RestoreScreen, K::SaveScreen, K::Message, K::RestoreScreen,
                                     K::SaveScreen, K::Message}));
  EXPECT_EQ(flags, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, PlanRunFailureTest,
    ::testing::Values(
        RunFailure{"CreateParse", 1, "oparse", 1, 922, PlanOutcome::Restore, {"oparse", "oerhms"}},
        RunFailure{"CreateExecute",
                   1,
                   "oexec",
                   1,
                   1031,
                   PlanOutcome::Restore,
                   {"oparse", "oexec", "oerhms"}},
        RunFailure{"CreateCommit",
                   1,
                   "ocom",
                   1,
                   3114,
                   PlanOutcome::Restore,
                   {"oparse", "oexec", "ocom", "oerhms"}},
        RunFailure{"DeleteParseMissingTable",
                   0,
                   "oparse",
                   1,
                   942,
                   PlanOutcome::Restore,
                   {"oparse", "oerhms"}},
        RunFailure{"DeleteExecute",
                   1,
                   "oexec",
                   2,
                   1031,
                   PlanOutcome::Restore,
                   {"oparse", "oexec", "ocom", "oparse", "oexec", "oerhms"}},
        RunFailure{"DeleteCommit",
                   0,
                   "ocom",
                   1,
                   3114,
                   PlanOutcome::Restore,
                   {"oparse", "oexec", "ocom", "oerhms"}},
        RunFailure{"ExplainParse",
                   0,
                   "oparse",
                   2,
                   904,
                   PlanOutcome::CleanUp,
                   {"oparse", "oexec", "ocom", "oparse", "oerhms"}},
        RunFailure{"ExplainExecute",
                   0,
                   "oexec",
                   2,
                   1039,
                   PlanOutcome::CleanUp,
                   {"oparse", "oexec", "ocom", "oparse", "oexec", "oerhms"}}),
    [](const auto& info) { return std::string(info.param.name); });

// One row of the clean-up's table: what the settings and the earlier stages
// left, and what the clean-up then does.
struct CleanUpCase {
  const char* name;
  int dropAfterUse;
  bool owned;    // the table was created by this command
  int answer;    // to the drop question, when asked
  bool written;  // the plan reached the report
  bool asked;    // the drop question is shown
  Texts sql;     // what is run
  std::uint32_t flagsAfter;
};

void PrintTo(const CleanUpCase& c, std::ostream* os) {
  *os << c.name;
}

class CleanUpTest : public PlanRunTest, public ::testing::WithParamInterface<CleanUpCase> {};

TEST_P(CleanUpTest, DropsOrDeletesAsTheSettingsAndTheCommandSay) {
  const CleanUpCase& c = GetParam();
  t.State().DropAfterUse = c.dropAfterUse;
  SetText(t.State().StatementId, kId);
  flags = (c.owned ? PlanTableOwned : 0u) | (c.written ? PlanWritten : 0u);
  t.host.boxAnswers.push_back(c.answer);

  CleanUpPlanTable(*t.module, flags);

  EXPECT_EQ(oci.Parsed(), c.sql);
  EXPECT_EQ(oci.Count("ocom"), static_cast<int>(c.sql.size()));
  EXPECT_EQ(flags, c.flagsAfter);
  const auto questions = Questions();
  if (!c.asked) {
    EXPECT_TRUE(questions.empty());
    return;
  }
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].items, (Texts{t.host.Msg(33), "", t.host.Msg(21), t.host.Msg(22), "",
                                       "\x01", t.host.Msg(24), t.host.Msg(23)}));
  EXPECT_EQ(questions[0].flags, 1u);
  EXPECT_EQ(questions[0].buttons, 2);
  // The explaining note is taken off before the question.
  using K = HostCall::Kind;
  const auto kinds = Kinds();
  ASSERT_GE(kinds.size(), 3u);
  EXPECT_EQ(std::vector<K>(kinds.begin(), kinds.begin() + 3),
            (std::vector<K>{K::RestoreScreen, K::SaveScreen, K::Message}));
}

constexpr std::uint32_t kOwned = PlanTableOwned;
constexpr std::uint32_t kWritten = PlanWritten;
constexpr std::uint32_t kDropped = PlanTableDropped;

INSTANTIATE_TEST_SUITE_P(
    Table, CleanUpTest,
    ::testing::Values(
        CleanUpCase{"KeepWrittenDeletesRows", 0, false, 0, true, false, {kDelete}, kWritten},
        CleanUpCase{
            "KeepOwnedWrittenDeletesRows", 0, true, 0, true, false, {kDelete}, kOwned | kWritten},
        CleanUpCase{"KeepNotWrittenKeepsRows", 0, false, 0, false, false, {}, 0},
        CleanUpCase{
            "DropOwnedWithoutQuestion", 1, true, 0, false, false, {kDrop}, kOwned | kDropped},
        CleanUpCase{"DropOwnedWrittenNeedsNoDelete",
                    1,
                    true,
                    0,
                    true,
                    false,
                    {kDrop},
                    kOwned | kDropped | kWritten},
        CleanUpCase{
            "SecondButtonDrops", 1, false, 1, true, true, {kDrop}, kOwned | kDropped | kWritten},
        CleanUpCase{"FirstButtonKeepsAndDeletesRows", 1, false, 0, true, true, {kDelete}, kWritten},
        CleanUpCase{"DismissedKeepsAndDeletesRows", 1, false, -1, true, true, {kDelete}, kWritten},
        CleanUpCase{"FirstButtonNotWrittenKeepsRows", 1, false, 0, false, true, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlanRunTest, AFailedDropIsShownAndSkipsTheFinalDelete) {
  t.State().DropAfterUse = 1;
  SetText(t.State().StatementId, kId);
  flags = PlanTableOwned | PlanWritten;
  oci.Fail("oexec", 1, 1031);
  CleanUpPlanTable(*t.module, flags);
  EXPECT_EQ(oci.Parsed(), (Texts{kDrop}));
  EXPECT_EQ(flags, std::uint32_t{PlanTableOwned | PlanWritten});
  ASSERT_EQ(Questions().size(), 1u);
  EXPECT_EQ(Questions()[0].items, OracleErrorBox("ORA-01031: fake error"));
}

TEST_F(PlanRunTest, AFailedFinalDeleteIsShown) {
  SetText(t.State().StatementId, kId);
  flags = PlanWritten;
  oci.Fail("ocom", 1, 3114);
  CleanUpPlanTable(*t.module, flags);
  EXPECT_EQ(oci.Names(), (Texts{"oparse", "oexec", "ocom", "oerhms"}));
  ASSERT_EQ(Questions().size(), 1u);
  EXPECT_EQ(Questions()[0].items, OracleErrorBox("ORA-03114: fake error"));
  EXPECT_EQ(flags, std::uint32_t{PlanWritten});
}

}  // namespace
}  // namespace kestrin::test
