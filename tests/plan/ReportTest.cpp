#include "plan/Report.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "plan/PlanFixture.h"

namespace kestrin::test {
namespace {

namespace fs = std::filesystem;

const std::string kId = "FARKESTRIN19990704090503007";

// The rows of the plan query and of the index query.
const char* const kPlanQuery = "CONNECT BY prior id = parent_id";
const char* const kIndexQuery = "from dba_ind_columns";

const std::vector<FakeRow> kEmpPlan = {
    {"SELECT STATEMENT   Cost=1 Optimizer=CHOOSE"},
    {"  TABLE ACCESS BY INDEX ROWID EMP "},
    {"    INDEX UNIQUE SCAN PK_EMP "},
};
const std::string kEmpPlanLines =
    "SELECT STATEMENT   Cost=1 Optimizer=CHOOSE\r\n"
    "  TABLE ACCESS BY INDEX ROWID EMP \r\n"
    "    INDEX UNIQUE SCAN PK_EMP \r\n";
const std::string kHead = "select *\r\nfrom emp\r\n\r\n";

// The table word as a translation may give it; null: the language file's.
FarGetMsgFn hostGetMsg = nullptr;
const char* tableWord = nullptr;
const char* KESTRIN_HOST_CALL GetMsgWithWord(int module, int msg) {
  return msg == 32 && tableWord ? tableWord : hostGetMsg(module, msg);
}

class ReportTest : public PlanFixture {
 protected:
  void SetUp() override {
    PlanFixture::SetUp();
    SetText(t.State().StatementId, kId);
  }
  void TearDown() override { tableWord = nullptr; }

  void UseTableWord(const char* word) {
    PluginStartupInfo record = t.host.Record();
    hostGetMsg = record.GetMsg;
    record.GetMsg = GetMsgWithWord;
    tableWord = word;
    t.module->SetStartupInfo(&record);
  }

  std::string ReportDirectory() const { return t.platform.tempDir + "VerUdor"; }
  std::string Report() { return ReadFile(std::string(View(t.State().ReportPath))); }
  std::string IndexQuery() const {
    for (const std::string& sql : oci.Parsed()) {
      if (sql.find(kIndexQuery) != std::string::npos)
        return sql;
    }
    return {};
  }
};

TEST_F(ReportTest, WritesTheHeadThePlanAndTheIndexReportWithCrLfLineEnds) {
  oci.RowsFor(kPlanQuery, kEmpPlan);
  oci.RowsFor(kIndexQuery, {
                               {"SCOTT.EMP: ", 30001},  // the query gives "Table SCOTT.EMP: "
                               {"PK_EMP: EMPNO", 1},
                               {" (NORMAL,UNIQUE,VALID)", 30000},
                           });
  WriteReport(*t.module, flags);

  EXPECT_EQ(Report(), kHead + kEmpPlanLines +
                          "\r\n"
                          "SCOTT.EMP: \r\n"
                          "PK_EMP: EMPNO (NORMAL,UNIQUE,VALID)\r\n");
  EXPECT_EQ(flags, std::uint32_t{PlanWritten | IndexReportDone});
  // The file is a new one in the report directory, named by the platform.
  const std::string path(View(t.State().ReportPath));
  EXPECT_EQ(path.rfind(ReportDirectory() + "/KST", 0), 0u) << path;
  EXPECT_EQ(t.platform.ReportFiles(), (Texts{path}));
  EXPECT_TRUE(Questions().empty());
  EXPECT_TRUE(t.host.Of(HostCall::Viewer).empty());
}

TEST_F(ReportTest, MakesTheExactOracleCallsOfBothQueries) {
  WriteReport(*t.module, flags);
  EXPECT_EQ(oci.Names(), (Texts{"oparse", "oexec", "odefin", "ofetch", "oparse", "oexec", "odefin",
                                "odefin", "ofetch"}));
  const auto& planDefine = oci.log[2];
  EXPECT_EQ(planDefine.position, 1);
  EXPECT_EQ(planDefine.length, 32000);
  EXPECT_EQ(planDefine.type, 5);
  EXPECT_EQ(oci.log[6].position, 2);
  EXPECT_EQ(oci.log[6].length, 4);
  EXPECT_EQ(oci.log[6].type, 3);
  EXPECT_EQ(oci.log[7].position, 3);
  EXPECT_EQ(oci.log[7].length, 32000);
  EXPECT_EQ(oci.log[7].type, 5);
}

TEST_F(ReportTest, JoinsEachIndexsPiecesIntoOneLineAndGivesEveryHeadingAnEmptyLine) {
  oci.RowsFor(kIndexQuery,
              {
                  {"Table SCOTT.EMP: ", 30001},
                  {"Table SCOTT.EMP2: ", 30001},
                  {"EMP2_IX: A", 1},
                  {",B", 2},
                  {",C", 3},
                  {" (NORMAL,NONUNIQUE,VALID,LAST ANALYZED 04/07/1999 09:05:03)", 30000},
                  {"PK_EMP: EMPNO", 1},
                  {" (NORMAL,UNIQUE,VALID)", 30000},
                  {"Table SCOTT.DEPT: ", 30001},
              });
  WriteReport(*t.module, flags);
  EXPECT_EQ(Report(), kHead +
                          "\r\nTable SCOTT.EMP: \r\n"
                          "\r\nTable SCOTT.EMP2: \r\n"
                          "EMP2_IX: A,B,C (NORMAL,NONUNIQUE,VALID,LAST ANALYZED 04/07/1999 "
                          "09:05:03)\r\n"
                          "PK_EMP: EMPNO (NORMAL,UNIQUE,VALID)\r\n"
                          "\r\nTable SCOTT.DEPT: \r\n");
}

TEST_F(ReportTest, RowsThatTheFetchPassesOverLeaveNoTrace) {
  oci.RowsFor(kPlanQuery, {{"SELECT STATEMENT  "}, {"lost", 0, 2}, {"  TABLE ACCESS FULL EMP "}});
  oci.RowsFor(kIndexQuery, {{"Table SCOTT.EMP: ", 30001},
                            {"PK_EMP: EMPNO", 1},
                            {",lost", 2, 2},
                            {" (NORMAL,UNIQUE,VALID)", 30000}});
  WriteReport(*t.module, flags);
  EXPECT_EQ(Report(), kHead +
                          "SELECT STATEMENT  \r\n  TABLE ACCESS FULL EMP \r\n"
                          "\r\nTable SCOTT.EMP: \r\nPK_EMP: EMPNO (NORMAL,UNIQUE,VALID)\r\n");
  EXPECT_EQ(flags, std::uint32_t{PlanWritten | IndexReportDone});
}

TEST_F(ReportTest, AnEmptyPlanAndNoTablesStillCountAsWritten) {
  WriteReport(*t.module, flags);
  EXPECT_EQ(Report(), kHead);
  EXPECT_EQ(flags, std::uint32_t{PlanWritten | IndexReportDone});
}

TEST_F(ReportTest, APlanFetchFailingHalfWayIsShownAndTheIndexReportStillWritten) {
  oci.RowsFor(kPlanQuery, {{"SELECT STATEMENT  "}, {"", 0, 1013}, {"never"}});
  oci.RowsFor(kIndexQuery, {{"Table SCOTT.EMP: ", 30001}});
  WriteReport(*t.module, flags);

  EXPECT_EQ(Report(), kHead + "SELECT STATEMENT  \r\n\r\nTable SCOTT.EMP: \r\n");
  EXPECT_EQ(flags, std::uint32_t{IndexReportDone});
  const auto boxes = Questions();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].items, OracleErrorBox("ORA-01013: fake error"));
  EXPECT_EQ(t.platform.ReportFiles().size(), 1u);
}

struct IndexFailure {
  const char* name;
  const char* call;
  int occurrence;  // of that call within the whole report
  bool oerhmsFails;
  std::string lines;  // what the index report wrote before the failure
  std::string error;
};

void PrintTo(const IndexFailure& c, std::ostream* os) {
  *os << c.name;
}

class IndexFailureTest : public ReportTest, public ::testing::WithParamInterface<IndexFailure> {};

TEST_P(IndexFailureTest, EndsTheReportWithTheErrorSectionAndShowsNothing) {
  const IndexFailure& c = GetParam();
  oci.RowsFor(kPlanQuery, kEmpPlan);
  oci.RowsFor(kIndexQuery, {{"Table SCOTT.EMP: ", 30001}, {"PK_EMP: EMPNO", 1}, {"x", 0, 942}});
  oci.oerhmsFails = c.oerhmsFails;
  if (c.call[0] != '\0')
    oci.Fail(c.call, c.occurrence, 942);

  WriteReport(*t.module, flags);

  EXPECT_EQ(Report(), kHead + kEmpPlanLines + c.lines + "\r\n" + t.host.Msg(30) + "\r\n\r\n" +
                          c.error + "\r\n");
  EXPECT_EQ(flags, std::uint32_t{PlanWritten | IndexReportFailed});
  EXPECT_TRUE(Questions().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Calls, IndexFailureTest,
    ::testing::Values(IndexFailure{"Parse", "oparse", 2, false, "", "ORA-00942: fake error"},
                      IndexFailure{"Execute", "oexec", 2, false, "", "ORA-00942: fake error"},
                      IndexFailure{"DefinePosition", "odefin", 2, false, "",
                                   "ORA-00942: fake error"},
                      IndexFailure{"DefineText", "odefin", 3, false, "", "ORA-00942: fake error"},
                      IndexFailure{"FetchHalfWay", "", 0, false, "\r\nTable SCOTT.EMP: \r\n",
                                   "ORA-00942: fake error"},
                      IndexFailure{"NoOracleText", "oparse", 2, true, "",
                                   "Oracle error 942 (no message text available)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReportTest, TheErrorSectionShowsOracleTextUpToItsFirstLineFeed) {
  oci.errorTexts[942] = "ORA-00942: table or view does not exist\nsecond line";
  oci.Fail("oparse", 2, 942);
  WriteReport(*t.module, flags);
  EXPECT_EQ(Report(), kHead + "\r\n" + t.host.Msg(30) +
                          "\r\n\r\nORA-00942: table or view does not exist\r\n");
}

TEST_F(ReportTest, TheTableWordGoesIntoTheIndexQueryWithItsApostrophesDoubled) {
  struct Case {
    const char* word;
    const char* quoted;
  };
  for (const Case c :
       {Case{"Table", "'Table '"}, Case{"L'table", "'L''table '"}, Case{"''", "''''' '"}}) {
    UseTableWord(c.word);
    oci.log.clear();
    WriteReport(*t.module, flags);
    const std::string sql = IndexQuery();
    const std::string heading1 = std::string(",30001,") + c.quoted + "||object_owner";
    const std::string heading2 = std::string(",30001,") + c.quoted + "||table_owner";
    EXPECT_NE(sql.find(heading1), std::string::npos) << c.word << ": " << sql;
    EXPECT_NE(sql.find(heading2), std::string::npos) << c.word << ": " << sql;
  }
}

TEST_F(ReportTest, AnOverlongTableWordIsCutAndTheQueryStillEnds) {
  const std::string word(5000, '\'');
  UseTableWord(word.c_str());
  WriteReport(*t.module, flags);
  const std::string sql = IndexQuery();
  EXPECT_NE(sql.find(",30001,'" + std::string(2 * 511, '\'') + " '||object_owner"),
            std::string::npos);
  EXPECT_EQ(sql.substr(sql.size() - 12), "order by 1,2");
}

TEST_F(ReportTest, AnIndexLineTooLongForTheScratchBufferIsCutAndTheNextLineIsWhole) {
  std::vector<FakeRow> rows;
  std::string pieces;
  for (int i = 0; i < 20; ++i) {
    const std::string piece(2000, static_cast<char>('a' + i));
    rows.push_back({piece, i + 1});
    pieces += piece;
  }
  rows.push_back({" (NORMAL,NONUNIQUE,VALID)", 30000});
  rows.push_back({"SMALL_IX: A", 1});
  rows.push_back({" (NORMAL,NONUNIQUE,VALID)", 30000});
  oci.RowsFor(kIndexQuery, rows);

  WriteReport(*t.module, flags);

  EXPECT_EQ(Report(), kHead + pieces.substr(0, 32767) +
                          "\r\n"
                          "SMALL_IX: A (NORMAL,NONUNIQUE,VALID)\r\n");
  EXPECT_EQ(flags, std::uint32_t{PlanWritten | IndexReportDone});
}

struct PlanQueryFailure {
  const char* call;   // fails on its first use
  std::size_t calls;  // the Oracle calls up to the failing one
};

class PlanQueryFailureTest : public ReportTest,
                             public ::testing::WithParamInterface<PlanQueryFailure> {};

TEST_P(PlanQueryFailureTest, IsShownAndLeavesNoFile) {
  oci.Fail(GetParam().call, 1, 942);
  WriteReport(*t.module, flags);
  ASSERT_EQ(oci.log.size(), GetParam().calls + 1);
  EXPECT_EQ(oci.log.back().name, "oerhms");
  ASSERT_EQ(Questions().size(), 1u);
  EXPECT_EQ(Questions()[0].items, OracleErrorBox("ORA-00942: fake error"));
  EXPECT_FALSE(fs::exists(ReportDirectory()));
  EXPECT_EQ(flags, 0u);
}

INSTANTIATE_TEST_SUITE_P(Calls, PlanQueryFailureTest,
                         ::testing::Values(PlanQueryFailure{"oparse", 1},
                                           PlanQueryFailure{"oexec", 2},
                                           PlanQueryFailure{"odefin", 3}),
                         [](const auto& info) { return std::string(info.param.call); });

TEST_F(ReportTest, NoReportFileNameIsShownWithTheSystemsErrorCode) {
  struct Case {
    bool failPath;
    bool failName;
  };
  for (const Case c : {Case{true, false}, Case{false, true}}) {
    t.host.ClearCalls();
    oci.log.clear();
    t.platform.failTempPath = c.failPath;
    t.platform.failTempFileName = c.failName;
    t.platform.injectedError = 5;
    WriteReport(*t.module, flags);

    const auto boxes = Questions();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].items,
              (Texts{t.host.Msg(33), "", "Cannot make a report file name (system error 5)", "",
                     "\x01", t.host.Msg(0)}));
    EXPECT_EQ(boxes[0].flags, 1u);
    EXPECT_TRUE(t.platform.ReportFiles().empty());
    EXPECT_EQ(oci.Count("ofetch"), 0);
    EXPECT_EQ(flags, 0u);
  }
}

TEST_F(ReportTest, ATemporaryDirectoryTooLongForTheReportDirectoryIsRefused) {
  // With "VerUdor/" it would not fit ReportPath; it must not be cut to
  // another directory's name.
  t.platform.tempDir = "/" + std::string(503, 'd') + "/";
  WriteReport(*t.module, flags);
  const auto boxes = Questions();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].items[2], "Cannot make a report file name (system error 36)");
}

TEST_F(ReportTest, AReportFileThatCannotBeOpenedIsNamedAndLeftEmpty) {
  t.platform.failReportOpen = true;
  WriteReport(*t.module, flags);
  const std::string path(View(t.State().ReportPath));
  const auto boxes = Questions();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].items,
            (Texts{t.host.Msg(33), "", t.host.Msg(28), path, "", "\x01", t.host.Msg(0)}));
  EXPECT_EQ(boxes[0].flags, 0x11u);
  EXPECT_EQ(t.platform.ReportFiles(), (Texts{path}));
  EXPECT_EQ(ReadFile(path), "");
  EXPECT_EQ(oci.Count("ofetch"), 0);
  EXPECT_EQ(flags, 0u);
}

TEST_F(ReportTest, TheReportDirectoryAndFileAreTheUsersAlone) {
  WriteReport(*t.module, flags);
  struct stat info {};
  ASSERT_EQ(::lstat(ReportDirectory().c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(::lstat(std::string(View(t.State().ReportPath)).c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(ReportTest, AReportDirectoryThatIsNoPrivateDirectoryIsNotUsed) {
  const std::string dir = ReportDirectory();
  const std::string elsewhere = t.platform.tempDir + "elsewhere";
  ASSERT_EQ(::mkdir(elsewhere.c_str(), 0700), 0);
  struct Case {
    const char* name;
    std::function<void()> make;
  };
  const Case cases[] = {
      {"a link to a directory of the user's", [&] { ::symlink(elsewhere.c_str(), dir.c_str()); }},
      {"open to the group and others",
       [&] { ::mkdir(dir.c_str(), 0700), ::chmod(dir.c_str(), 0755); }},
      {"a file", [&] { std::ofstream(dir).put('x'); }},
  };
  for (const Case& c : cases) {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    c.make();
    t.host.ClearCalls();
    WriteReport(*t.module, flags);
    const auto boxes = Questions();
    ASSERT_EQ(boxes.size(), 1u) << c.name;
    EXPECT_EQ(boxes[0].items[2].rfind("Cannot make a report file name (system error ", 0), 0u)
        << c.name;
    // No report file was made, neither through the link nor in the open directory.
    EXPECT_TRUE(fs::is_empty(elsewhere)) << c.name;
    if (fs::is_directory(fs::symlink_status(dir))) {
      EXPECT_TRUE(fs::is_empty(dir)) << c.name;
    }
  }
}

TEST_F(ReportTest, TheViewerGetsTheReportAsFileAndTitleNonModalAndDeletingIt) {
  SetText(t.State().ReportPath, "/tmp/VerUdor/KST1234.tmp");
  t.host.deleteOnView = false;
  ViewReport(*t.module);
  const auto viewers = t.host.Of(HostCall::Viewer);
  ASSERT_EQ(viewers.size(), 1u);
  EXPECT_EQ(viewers[0].path, "/tmp/VerUdor/KST1234.tmp");
  EXPECT_EQ(viewers[0].title, "/tmp/VerUdor/KST1234.tmp");
  EXPECT_EQ(std::vector<int>({viewers[0].x1, viewers[0].y1, viewers[0].x2, viewers[0].y2}),
            std::vector<int>({0, 0, -1, -1}));
  EXPECT_EQ(viewers[0].flags, 3u);
}

}  // namespace
}  // namespace kestrin::test
