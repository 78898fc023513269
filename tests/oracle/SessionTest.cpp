#include "oracle/Session.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "fakes/FakeOci.h"
#include "plugin/TestModule.h"

namespace kestrin::test {
namespace {

using Names = std::vector<std::string>;

class SessionTest : public ::testing::Test {
 protected:
  FakeOci oci;
  TestModule t{&oci.Calls()};

  void Connect(const std::string& connect) {
    SetText(t.State().ConnectString, connect);
    ASSERT_TRUE(EnsureSession(*t.module));
    oci.log.clear();
    t.host.ClearCalls();
  }
  bool Ensure(const std::string& connect) {
    SetText(t.State().ConnectString, connect);
    return EnsureSession(*t.module);
  }
  std::vector<std::string> LastBoxItems() const { return t.host.Boxes().back().items; }
};

TEST_F(SessionTest, ClosedToOpenLogsOnWithTheWholeConnectStringAndOpensTheCursor) {
  EXPECT_TRUE(Ensure("scott/tiger@demo"));
  EXPECT_EQ(oci.Names(), (Names{"olog", "oopen"}));
  EXPECT_EQ(oci.log[0].text, "scott/tiger@demo");
  EXPECT_EQ(View(t.State().CurrentConnection), "scott/tiger@demo");
  // The snapshot first, then the connecting note, and nothing else.
  ASSERT_EQ(t.host.calls.size(), 3u);
  EXPECT_EQ(t.host.calls[0].kind, HostCall::SaveScreen);
  const auto note = t.host.Boxes().at(0);
  EXPECT_EQ(note.items, (Names{"", "", t.host.Msg(13), ""}));
  EXPECT_EQ(note.flags, 0u);
  EXPECT_EQ(note.buttons, 0);
}

TEST_F(SessionTest, TheSameConnectStringReusesTheSessionWithoutAnyOracleCall) {
  Connect("scott/tiger");
  EXPECT_TRUE(Ensure("scott/tiger"));
  EXPECT_TRUE(oci.log.empty());
  // The connecting note is still shown.
  ASSERT_EQ(t.host.Boxes().size(), 1u);
  EXPECT_EQ(t.host.Boxes()[0].items[2], t.host.Msg(13));
}

TEST_F(SessionTest, AnotherConnectStringLogsTheOldSessionOffFirst) {
  Connect("scott/tiger");
  // A change of letter case, or of the password alone, is another connect string.
  for (const char* next : {"SCOTT/tiger", "SCOTT/lion"}) {
    EXPECT_TRUE(Ensure(next));
    EXPECT_EQ(oci.Names(), (Names{"oclose", "ologof", "olog", "oopen"})) << next;
    EXPECT_EQ(View(t.State().CurrentConnection), next);
    oci.log.clear();
  }
}

TEST_F(SessionTest, AFailedLogonLeavesNoSessionEvenWhenOneWasHeld) {
  Connect("scott/tiger");
  oci.Fail("olog", 2, 1017);
  EXPECT_FALSE(Ensure("scott/wrong"));
  EXPECT_EQ(oci.Names(), (Names{"oclose", "ologof", "olog", "oerhms"}));
  EXPECT_EQ(oci.log.back().type, 1017);
  EXPECT_TRUE(IsEmpty(t.State().CurrentConnection));

  // Closed, and the logon fails again: still closed, no log-off.
  oci.log.clear();
  oci.Fail("olog", 3, 1017);
  EXPECT_FALSE(Ensure("scott/wrong"));
  EXPECT_EQ(oci.Names(), (Names{"olog", "oerhms"}));
}

TEST_F(SessionTest, ACursorThatCannotBeOpenedLogsTheNewLogonOff) {
  oci.Fail("oopen", 1, 1000);
  SetText(t.State().User, "scott");
  EXPECT_FALSE(Ensure("scott/tiger"));
  EXPECT_EQ(oci.Names(), (Names{"olog", "oopen", "oerhms", "ologof"}));
  EXPECT_EQ(oci.log[2].type, 1000);
  EXPECT_TRUE(IsEmpty(t.State().CurrentConnection));
  EXPECT_EQ(LastBoxItems()[2], t.host.Msg(12) + "scott");
}

TEST_F(SessionTest, ExitFarLogsOffAHeldSessionOnce) {
  Connect("scott");
  t.module->ExitFAR();
  EXPECT_EQ(oci.Names(), (Names{"oclose", "ologof"}));
  EXPECT_TRUE(IsEmpty(t.State().CurrentConnection));
  t.module->ExitFAR();
  EXPECT_EQ(oci.log.size(), 2u);
}

struct ErrorBoxCase {
  const char* name;
  bool withLogonDetails;
  const char* alias;
  const char* oracleText;  // null: oerhms returns 0
  std::string header;      // after the message text
  std::string line;        // null message: message 14 with the code
  int headerMessage;
};

void PrintTo(const ErrorBoxCase& c, std::ostream* os) {
  *os << c.name;
}

class ErrorBoxTest : public SessionTest, public ::testing::WithParamInterface<ErrorBoxCase> {};

TEST_P(ErrorBoxTest, ShowsTitleHeaderErrorLineAndOneButtonFlushLeft) {
  const ErrorBoxCase& c = GetParam();
  SetText(t.State().User, "scott");
  SetText(t.State().Password, "tiger");
  SetText(t.State().Alias, c.alias);
  if (c.oracleText) {
    oci.errorTexts[1017] = c.oracleText;
  } else {
    oci.oerhmsFails = true;
  }
  t.State().SavedScreen = t.host.Record().SaveScreen(0, 0, -1, -1);
  const HostHandle before = t.State().SavedScreen;
  t.host.ClearCalls();

  ShowOracleError(*t.module, 1017, c.withLogonDetails);

  const std::string line = c.oracleText ? c.line : "Oracle error 1017 (no message text available)";
  // The screen is refreshed before the box, so no progress note stays under it.
  std::vector<HostCall::Kind> screenAndBox;
  for (const auto& call : t.host.calls) {
    if (call.kind != HostCall::GetMsg)
      screenAndBox.push_back(call.kind);
  }
  EXPECT_EQ(screenAndBox, (std::vector<HostCall::Kind>{HostCall::RestoreScreen,
                                                       HostCall::SaveScreen, HostCall::Message}));
  const auto restores = t.host.Of(HostCall::RestoreScreen);
  ASSERT_EQ(restores.size(), 1u);
  EXPECT_EQ(restores[0].handle, before);
  EXPECT_NE(t.State().SavedScreen, before);
  const auto box = t.host.Boxes().at(0);
  EXPECT_EQ(box.flags, 0x11u);
  EXPECT_EQ(box.buttons, 1);
  EXPECT_EQ(box.items, (Names{t.host.Msg(33), "", t.host.Msg(c.headerMessage) + c.header, line, "",
                              "\x01", t.host.Msg(0)}));
  EXPECT_EQ(oci.log.back().name, "oerhms");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ErrorBoxTest,
    ::testing::Values(ErrorBoxCase{"LogonWithoutAlias", true, "", "ORA-01017: invalid\n", "scott",
                                   "ORA-01017: invalid", 12},
                      ErrorBoxCase{"LogonWithAlias", true, "demo", "ORA-01017: invalid",
                                   "scott@demo", "ORA-01017: invalid", 12},
                      ErrorBoxCase{"OtherFailure", false, "demo", "first\nsecond\n", "", "first",
                                   15},
                      ErrorBoxCase{"TextStartingWithLineFeed", false, "", "\nrest", "", "", 15},
                      ErrorBoxCase{"NoText", true, "", nullptr, "scott", "", 12}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SessionTest, AnEmptyOracleTextFallsBackToTheCodeMessage) {
  oci.errorTexts[1017] = "";
  SetText(t.State().User, "scott");
  ShowOracleError(*t.module, 1017, true);
  EXPECT_EQ(LastBoxItems()[3], "Oracle error 1017 (no message text available)");
}

TEST_F(SessionTest, TheCursorsReturnCodeIsShownWithoutSign) {
  oci.oerhmsFails = true;
  ShowOracleError(*t.module, 0xFFFF, false);
  EXPECT_EQ(LastBoxItems()[3], "Oracle error 65535 (no message text available)");
}

// Without a client library the logon fails with the binding's own code, and
// the ordinary logon box names the library and the reason.
TEST(ClientLibraryTest, AMissingLibraryIsReportedInTheLogonBox) {
  TestModule t;  // binds through the platform
  t.platform.bindFailure = "Cannot load the Oracle client library OCIW32.dll: not found";
  SetText(t.State().User, "scott");
  SetText(t.State().ConnectString, "scott/tiger");
  EXPECT_FALSE(EnsureSession(*t.module));
  const auto box = t.host.Boxes().back();
  EXPECT_EQ(box.items[2], t.host.Msg(12) + "scott");
  EXPECT_EQ(box.items[3], t.platform.bindFailure);
  // The next logon tries the library again.
  EXPECT_FALSE(EnsureSession(*t.module));
  EXPECT_EQ(t.platform.bindAttempts, 2);
}

class PosixBindingTest : public ::testing::Test {
 protected:
  void TearDown() override { ::unsetenv("KESTRIN_OCI_LIBRARY"); }
  std::string Reason(const char* library) {
    ::setenv("KESTRIN_OCI_LIBRARY", library, 1);
    PosixPlatform platform;
    OciCalls calls{};
    char reason[512] = {};
    EXPECT_FALSE(platform.BindClientLibrary(calls, reason, sizeof reason));
    return reason;
  }
};

TEST_F(PosixBindingTest, NamesTheLibraryAndTheSystemsReason) {
  const std::string reason = Reason("/nonexistent/libclntsh.so");
  EXPECT_NE(reason.find("/nonexistent/libclntsh.so"), std::string::npos) << reason;
  EXPECT_NE(reason.find("No such file"), std::string::npos) << reason;
  EXPECT_EQ(reason.find('\n'), std::string::npos);
}

TEST_F(PosixBindingTest, NamesTheFirstMissingCall) {
  // The module itself is a loadable library without any of the ten calls.
  const std::string reason = Reason(KESTRIN_MODULE_PATH);
  EXPECT_NE(reason.find("has no call olog"), std::string::npos) << reason;
}

}  // namespace
}  // namespace kestrin::test
