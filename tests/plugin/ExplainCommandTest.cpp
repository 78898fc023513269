// Whole explain commands through OpenPlugin: the held session, the
// auto-disconnect step and the screen across commands.
#include <gtest/gtest.h>

#include "fakes/FakeOci.h"
#include "plugin/TestModule.h"

namespace kestrin::test {
namespace {

// Presses the default button with the given password and auto-disconnect.
FakeHost::DialogAnswer Confirm(const std::string& password, int autoDisconnect,
                               const std::string& user = "scott") {
  return [=](FarDialogItem* items, int) {
    CopyText(items[3].Data, sizeof items[3].Data, user);
    CopyText(items[5].Data, sizeof items[5].Data, password);
    items[7].Selected = autoDisconnect;
    return 17;
  };
}

struct ExplainCommandTest : ::testing::Test {
  FakeOci oci;
  TestModule t{&oci.Calls()};

  void SetUp() override { t.host.SelectLines({"select * from dual"}); }

  void Run(FakeHost::DialogAnswer answer) {
    t.host.dialogAnswers.push_back(std::move(answer));
    EXPECT_EQ(t.Run(), InvalidHostHandle());
  }
  int ConnectingNotes() const {
    int n = 0;
    for (const auto& box : t.host.Boxes())
      n += box.items.size() == 4 && box.items[2] == t.host.Msg(13);
    return n;
  }
};

TEST_F(ExplainCommandTest, TheSameInputReusesTheHeldSessionAndStillShowsTheNote) {
  Run(Confirm("tiger", 0));
  Run(Confirm("tiger", 0));
  EXPECT_EQ(oci.Count("olog"), 1);
  EXPECT_EQ(oci.Count("oopen"), 1);
  EXPECT_EQ(ConnectingNotes(), 2);
  EXPECT_EQ(View(t.State().CurrentConnection), "scott/tiger");
  // Every snapshot a command took has been given back.
  EXPECT_EQ(t.host.OutstandingSnapshots(), 0);
}

TEST_F(ExplainCommandTest, AChangedPasswordOrLetterCaseLogsOnAgain) {
  Run(Confirm("tiger", 0));
  Run(Confirm("lion", 0));
  Run(Confirm("lion", 0, "SCOTT"));
  EXPECT_EQ(oci.Count("olog"), 3);
  EXPECT_EQ(oci.Count("ologof"), 2);
  EXPECT_EQ(View(t.State().CurrentConnection), "SCOTT/lion");
}

TEST_F(ExplainCommandTest, AutoDisconnectEndsEveryCommandThatReachedTheSessionLoggedOff) {
  Run(Confirm("tiger", 1));
  EXPECT_TRUE(IsEmpty(t.State().CurrentConnection));
  EXPECT_EQ(oci.Count("ologof"), 1);

  // Also when the logon failed: nothing is held, so nothing more is called.
  oci.Fail("olog", 2, 1017);
  Run(Confirm("wrong", 1));
  EXPECT_TRUE(IsEmpty(t.State().CurrentConnection));
  EXPECT_EQ(oci.Count("ologof"), 1);
  EXPECT_EQ(t.host.OutstandingSnapshots(), 0);
}

TEST_F(ExplainCommandTest, ACommandEndingBeforeTheSessionLeavesAHeldSessionAlone) {
  Run(Confirm("tiger", 0));
  // Auto-disconnect switched on, but the statement is empty: the command ends
  // at the capture, before the session stage and its auto-disconnect.
  t.host.SelectLines({"-- only a comment"});
  Run(Confirm("tiger", 1));
  EXPECT_EQ(View(t.State().CurrentConnection), "scott/tiger");
  EXPECT_EQ(t.host.Boxes().back().items[2], t.host.Msg(27));

  // No block at all, or a cancelled dialog: the same.
  t.host.blockType = 0;
  EXPECT_EQ(t.Run(), InvalidHostHandle());
  t.host.blockType = 1;
  Run([](FarDialogItem*, int) { return 19; });
  EXPECT_EQ(View(t.State().CurrentConnection), "scott/tiger");
  EXPECT_EQ(oci.Count("ologof"), 0);
}

TEST_F(ExplainCommandTest, AFailedLogonSkipsThePlanAndRestoresTheCleanSnapshot) {
  oci.Fail("olog", 1, 1017);
  Run(Confirm("wrong", 0));
  EXPECT_EQ(oci.Names(), (std::vector<std::string>{"olog", "oerhms"}));
  // The error box is the last box; the note before it was cleared by a
  // restore, and the snapshot taken for the box was given back afterwards.
  const auto boxes = t.host.Boxes();
  EXPECT_EQ(boxes.back().items[2], t.host.Msg(12) + "scott");
  EXPECT_TRUE(t.host.Of(HostCall::Viewer).empty());
  EXPECT_EQ(t.host.OutstandingSnapshots(), 0);
}

}  // namespace
}  // namespace kestrin::test
