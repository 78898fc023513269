#include "dialog/ConnectionDialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fakes/FakeOci.h"
#include "kestrin/Version.h"
#include "plugin/TestModule.h"
#include "settings/Settings.h"

namespace kestrin::test {
namespace {

namespace item = dialog_item;

constexpr int kEsc = -1;

std::string Text(const FarDialogItem& item) {
  return {item.Data, BoundedLength(item.Data, sizeof item.Data)};
}

// One showing of the dialog as the user works it: types texts into edit
// lines, sets check boxes, and closes it with `result`.
FakeHost::DialogAnswer Answer(int result, std::map<int, std::string> texts = {},
                              std::map<int, int> checks = {}) {
  return [=](FarDialogItem* items, int count) {
    EXPECT_EQ(count, kDialogItemCount);
    for (const auto& [index, text] : texts)
      CopyText(items[index].Data, sizeof items[index].Data, text);
    for (const auto& [index, state] : checks)
      items[index].Selected = state;
    return result;
  };
}

// True when some registry value holds `text` anywhere in its data.
bool RegistryHolds(const FakePlatform& platform, const std::string& text) {
  for (const auto& [key, values] : platform.registry) {
    for (const auto& [name, value] : values) {
      if (value.data.find(text) != std::string::npos)
        return true;
    }
  }
  return false;
}

// True when anything was created or stored in the registry.
bool RegistryWritten(const FakePlatform& platform) {
  for (const auto& entry : platform.registryLog) {
    if (entry.rfind("set ", 0) == 0 || entry.rfind("create", 0) == 0)
      return true;
  }
  return false;
}

std::vector<std::string> NoticeItems(const FakeHost& host, int msg) {
  return {host.Msg(33), "", host.Msg(msg), "", "\x01", host.Msg(0)};
}

// The module after the first command's settings load, with no key in the
// registry: the values of a fresh installation.
struct DialogTest : ::testing::Test {
  FakeOci oci;
  TestModule t{&oci.Calls()};

  void SetUp() override {
    LoadSettings(*t.module);
    State().SettingsLoaded = 1;
  }

  RunState& State() { return t.State(); }
  DialogOutcome Show() { return ConnectionDialog(*t.module); }
  std::vector<HostCall> Dialogs() const { return t.host.Of(HostCall::Dialog); }

  std::vector<std::string> NoticeItems(int msg) const { return test::NoticeItems(t.host, msg); }
  bool RegistryWritten() const { return test::RegistryWritten(t.platform); }
};

struct ExpectedItem {
  int type, x1, y1, x2, y2, focus, selected;
  std::uint32_t flags;
  int defaultButton;
  std::string text;
};

TEST(DialogCommandsTest, FirstDialogOfAFreshInstallation) {
  TestModule fresh;
  fresh.host.dialogAnswers.push_back(Answer(kEsc));
  fresh.Run();

  const auto dialogs = fresh.host.Of(HostCall::Dialog);
  ASSERT_EQ(dialogs.size(), 1u);
  const HostCall& d = dialogs[0];
  EXPECT_EQ(d.moduleNumber, 7);
  EXPECT_EQ(std::vector<int>({d.x1, d.y1, d.x2, d.y2}), std::vector<int>({-1, -1, 75, 19}));
  EXPECT_TRUE(d.helpIsNull);
  ASSERT_EQ(d.dialogItems.size(), 21u);

  const auto& m = fresh.host;
  const std::uint32_t separator = 0x10200;
  const std::uint32_t centred = 0x4000;
  const std::vector<ExpectedItem> expected = {
      {3, 3, 1, 71, 16, 0, 0, 0, 0, m.Msg(33)},
      {4, 5, 3, 22, 4, 1, 0, 0, 0, ""},
      {0, 24, 3, 0, 0, 0, 0, 0, 0, m.Msg(3)},
      {4, 5, 4, 22, 5, 0, 0, 0, 0, "scott"},
      {0, 24, 4, 0, 0, 0, 0, 0, 0, m.Msg(4)},
      {5, 5, 5, 22, 6, 0, 0, 0, 0, ""},
      {0, 24, 5, 0, 0, 0, 0, 0, 0, m.Msg(5)},
      {8, 5, 6, 0, 0, 0, 1, 0, 0, m.Msg(9)},
      {4, 5, 8, 22, 9, 0, 0, 0, 0, "plan_table"},
      {0, 24, 8, 0, 0, 0, 0, 0, 0, m.Msg(6)},
      {8, 5, 9, 0, 0, 0, 1, 0, 0, m.Msg(10)},
      {8, 5, 10, 0, 0, 0, 0, 0, 0, m.Msg(11)},
      {4, 5, 12, 22, 13, 0, 0, 0, 0, "\"\\;"},
      {0, 24, 12, 0, 0, 0, 0, 0, 0, m.Msg(7)},
      {4, 5, 13, 22, 14, 0, 0, 0, 0, "//,--"},
      {0, 24, 13, 0, 0, 0, 0, 0, 0, m.Msg(8)},
      {0, 0, 14, 0, 0, 0, 0, separator, 0, ""},
      {7, 0, 15, 0, 0, 0, 0, centred, 1, m.Msg(1)},
      {0, 0, 15, 0, 0, 0, 0, centred, 0, "  " + m.Msg(2) + "    "},
      {7, 0, 15, 0, 0, 0, 0, centred, 0, m.Msg(0)},
      {0, 5, 17, 0, 0, 0, 0, centred, 0, KESTRIN_NAME " " KESTRIN_VERSION},
  };
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const FarDialogItem& got = d.dialogItems[i];
    const ExpectedItem& e = expected[i];
    EXPECT_EQ(got.Type, e.type) << "item " << i;
    EXPECT_EQ(std::vector<int>({got.X1, got.Y1, got.X2, got.Y2}),
              std::vector<int>({e.x1, e.y1, e.x2, e.y2}))
        << "item " << i;
    EXPECT_EQ(got.Focus, e.focus) << "item " << i;
    EXPECT_EQ(got.Selected, e.selected) << "item " << i;
    EXPECT_EQ(got.Flags, e.flags) << "item " << i;
    EXPECT_EQ(got.DefaultButton, e.defaultButton) << "item " << i;
    EXPECT_EQ(Text(got), e.text) << "item " << i;
  }
  for (const HostCall& c : fresh.host.Of(HostCall::GetMsg))
    EXPECT_NE(c.number, 18);

  // Esc on the first showing: nothing said, nothing taken, nothing stored.
  EXPECT_TRUE(fresh.host.Boxes().empty());
  EXPECT_TRUE(fresh.platform.registry.empty());
  EXPECT_EQ(View(fresh.State().User), "scott");
  EXPECT_TRUE(IsEmpty(fresh.State().ConnectString));
}

struct FocusCase {
  bool connected;
  const char* alias;
  const char* user;
  const char* password;
  std::set<int> focused;
};

TEST_F(DialogTest, FocusRulesAndTheDisconnectItem) {
  const std::vector<FocusCase> cases = {
      {false, "", "scott", "", {item::Alias}},
      {false, "", "", "", {item::Alias}},
      {false, "orcl", "", "", {item::User}},
      {false, "orcl", "scott", "", {item::Password}},
      {false, "orcl", "scott", "tiger", {item::Run}},
      {true, "", "", "", {item::Run}},
      {true, "orcl", "scott", "tiger", {item::Run}},
      // A password kept from an earlier command: two items ask for the cursor.
      {false, "", "scott", "tiger", {item::Alias, item::Run}},
      {false, "orcl", "", "tiger", {item::User, item::Run}},
  };
  for (const FocusCase& c : cases) {
    SetText(State().CurrentConnection, c.connected ? "scott/tiger@orcl" : "");
    SetText(State().Alias, c.alias);
    SetText(State().User, c.user);
    SetText(State().Password, c.password);
    t.host.ClearCalls();
    t.host.dialogAnswers.push_back(Answer(kEsc));
    EXPECT_EQ(Show(), DialogOutcome::Cancelled);

    const auto dialogs = Dialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    const auto& items = dialogs[0].dialogItems;
    std::set<int> focused;
    for (int i = 0; i < kDialogItemCount; ++i) {
      if (items[static_cast<std::size_t>(i)].Focus != 0)
        focused.insert(i);
    }
    const std::string where = std::string(c.connected ? "connected" : "not connected") +
                              " alias=" + c.alias + " user=" + c.user + " password=" + c.password;
    EXPECT_EQ(focused, c.focused) << where;

    const FarDialogItem& disconnect = items[item::Disconnect];
    EXPECT_EQ(disconnect.Type, c.connected ? 7 : 0) << where;
    EXPECT_EQ(Text(disconnect), c.connected ? t.host.Msg(2) : "  " + t.host.Msg(2) + "    ")
        << where;
    EXPECT_EQ(disconnect.Flags, 0x4000u);
    // Esc logs nobody off.
    EXPECT_EQ(IsEmpty(State().CurrentConnection), !c.connected) << where;
  }
  EXPECT_EQ(oci.Count("ologof"), 0);
}

TEST_F(DialogTest, ExpandCopiesEveryFieldAndTakesMessagesOrTexts) {
  // A text that fills the whole item and is not terminated where the item
  // ends: no more of it than fits may be read.
  auto unterminated = std::make_unique<char[]>(511);
  std::memset(unterminated.get(), 'x', 511);
  const std::string longText(600, 'y');

  DialogItemSpec records[5]{};
  records[0] = {7, 200, 1, 255, 254, 1, -5, 0x80004000u, 1, MessageData(Msg::Ok)};
  records[1] = {8, 5, 6, 0, 0, 0, 1, 0, 0, MessageData(Msg::Title)};
  records[2] = {0, 1, 2, 0, 0, 0, 0, 0x10200, 0, TextData("plain text")};
  records[3] = {4, 5, 3, 22, 4, 0, 0, 0, 0, TextData(longText.c_str())};
  records[4] = {4, 5, 4, 22, 5, 0, 0, 0, 0, TextData(unterminated.get())};
  FarDialogItem items[6];
  std::memset(items, 0xAB, sizeof items);
  ExpandDialogItems(t.module->Host(), records, items, 5);

  EXPECT_EQ(items[0].Type, 7);
  EXPECT_EQ(std::vector<int>({items[0].X1, items[0].Y1, items[0].X2, items[0].Y2}),
            std::vector<int>({200, 1, 255, 254}));
  EXPECT_EQ(items[0].Focus, 1);
  EXPECT_EQ(items[0].Selected, -5);
  EXPECT_EQ(items[0].Flags, 0x80004000u);
  EXPECT_EQ(items[0].DefaultButton, 1);
  EXPECT_EQ(Text(items[0]), t.host.Msg(0));
  EXPECT_EQ(items[1].Selected, 1);
  EXPECT_EQ(Text(items[1]), t.host.Msg(33));
  EXPECT_EQ(Text(items[2]), "plain text");
  EXPECT_EQ(items[2].Flags, 0x10200u);
  EXPECT_EQ(Text(items[3]), std::string(511, 'y'));
  EXPECT_EQ(Text(items[4]), std::string(511, 'x'));
  // The item after the last one is not touched.
  EXPECT_EQ(static_cast<unsigned char>(items[5].Data[0]), 0xABu);
  EXPECT_EQ(items[5].Type, static_cast<std::int32_t>(0xABABABABu));

  std::vector<int> asked;
  for (const HostCall& c : t.host.Of(HostCall::GetMsg)) {
    asked.push_back(c.number);
    EXPECT_EQ(c.moduleNumber, 7);
  }
  EXPECT_EQ(asked, (std::vector<int>{0, 33}));
}

struct RefusalCase {
  const char* what;
  std::map<int, std::string> typed;
  int message;
};

TEST_F(DialogTest, RefusedInputIsSaidAndShownAgainAsTyped) {
  const std::string longUser(300, 'u');
  const std::string longPassword(300, 'p');
  const std::vector<RefusalCase> cases = {
      {"blank inside the alias", {{item::Alias, "my alias"}}, 16},
      {"apostrophe in the alias", {{item::Alias, "o'rcl"}}, 16},
      {"empty user", {{item::User, ""}}, 17},
      {"blank inside the user", {{item::User, "sc ott"}}, 17},
      {"tab inside the user", {{item::User, "sc\tott"}}, 17},
      {"empty plan table", {{item::PlanTable, ""}}, 19},
      {"apostrophe in the plan table", {{item::PlanTable, "plan'table"}}, 19},
      {"alias checked before user", {{item::Alias, "a b"}, {item::User, ""}}, 16},
      {"user checked before plan table", {{item::User, "x'y"}, {item::PlanTable, ""}}, 17},
      {"connect string over 511", {{item::User, longUser}, {item::Password, longPassword}}, 17},
  };
  for (const RefusalCase& c : cases) {
    LoadSettings(*t.module);
    SetText(State().Password, "");
    SetText(State().ConnectString, "earlier");
    t.host.ClearCalls();
    t.host.dialogAnswers.push_back(
        Answer(item::Run, c.typed, {{item::AutoDisconnect, 0}, {item::DropAfterUse, 1}}));
    t.host.dialogAnswers.push_back(Answer(kEsc));
    EXPECT_EQ(Show(), DialogOutcome::Cancelled) << c.what;

    const auto boxes = t.host.Boxes();
    ASSERT_EQ(boxes.size(), 1u) << c.what;
    EXPECT_EQ(boxes[0].flags, 1u) << c.what;
    EXPECT_EQ(boxes[0].buttons, 1) << c.what;
    EXPECT_EQ(boxes[0].items, NoticeItems(c.message)) << c.what;

    // The dialog comes back with everything as the user left it.
    const auto dialogs = Dialogs();
    ASSERT_EQ(dialogs.size(), 2u) << c.what;
    const auto& first = dialogs[0].dialogItems;
    const auto& again = dialogs[1].dialogItems;
    for (std::size_t i = 0; i < first.size(); ++i) {
      const int index = static_cast<int>(i);
      const auto typed = c.typed.find(index);
      EXPECT_EQ(Text(again[i]), typed != c.typed.end() ? typed->second : Text(first[i]))
          << c.what << ", item " << i;
      EXPECT_EQ(again[i].Focus, first[i].Focus) << c.what << ", item " << i;
      EXPECT_EQ(again[i].Type, first[i].Type) << c.what << ", item " << i;
    }
    EXPECT_EQ(again[item::AutoDisconnect].Selected, 0) << c.what;
    EXPECT_EQ(again[item::BuildIfNotExist].Selected, 1) << c.what;
    EXPECT_EQ(again[item::DropAfterUse].Selected, 1) << c.what;

    // The refused values are taken, not saved, and no connect string is made.
    const auto typedUser = c.typed.find(item::User);
    EXPECT_EQ(View(State().User), typedUser != c.typed.end() ? typedUser->second : "scott");
    EXPECT_EQ(State().AutoDisconnect, 0) << c.what;
    EXPECT_EQ(State().DropAfterUse, 1) << c.what;
    EXPECT_EQ(View(State().ConnectString), "earlier") << c.what;
    EXPECT_FALSE(RegistryWritten()) << c.what;
  }
}

TEST_F(DialogTest, FieldsAreTrimmedAndTidiedAndShownSoWhenTheDialogComesBack) {
  t.host.dialogAnswers.push_back(Answer(item::Run, {{item::Alias, "  orcl \t"},
                                                    {item::User, "\n scott\r\v"},
                                                    {item::Password, "  ti g'er  "},
                                                    {item::PlanTable, " bad'table "},
                                                    {item::SkipSymbols, "  ;\"  "},
                                                    {item::EndLineComments, " // , -- ,"}}));
  t.host.dialogAnswers.push_back(Answer(item::Run, {{item::PlanTable, " my_plan "}}));
  EXPECT_EQ(Show(), DialogOutcome::Run);

  const auto boxes = t.host.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].items, NoticeItems(19));
  const auto dialogs = Dialogs();
  ASSERT_EQ(dialogs.size(), 2u);
  const auto& again = dialogs[1].dialogItems;
  EXPECT_EQ(Text(again[item::Alias]), "orcl");
  EXPECT_EQ(Text(again[item::User]), "scott");
  EXPECT_EQ(Text(again[item::Password]), "ti g'er");
  EXPECT_EQ(Text(again[item::PlanTable]), "bad'table");
  EXPECT_EQ(Text(again[item::SkipSymbols]), "  ;\"  ");
  EXPECT_EQ(Text(again[item::EndLineComments]), "//,--");

  EXPECT_EQ(View(State().Alias), "orcl");
  EXPECT_EQ(View(State().User), "scott");
  EXPECT_EQ(View(State().Password), "ti g'er");
  EXPECT_EQ(View(State().PlanTable), "my_plan");
  EXPECT_EQ(View(State().SkipSymbols), "  ;\"  ");
  EXPECT_EQ(View(State().EndLineComments), "//,--");
  EXPECT_EQ(View(State().ConnectString), "scott/ti g'er@orcl");
}

TEST_F(DialogTest, AUserOfBlanksOnlyIsRefusedAndShownEmpty) {
  t.host.dialogAnswers.push_back(Answer(item::Run, {{item::User, "  \t "}}));
  t.host.dialogAnswers.push_back(Answer(kEsc));
  EXPECT_EQ(Show(), DialogOutcome::Cancelled);
  ASSERT_EQ(t.host.Boxes().size(), 1u);
  EXPECT_EQ(t.host.Boxes()[0].items, NoticeItems(17));
  ASSERT_EQ(Dialogs().size(), 2u);
  EXPECT_EQ(Text(Dialogs()[1].dialogItems[item::User]), "");
  EXPECT_TRUE(IsEmpty(State().User));
}

struct ConnectCase {
  std::string user, password, alias, expected;
};

TEST_F(DialogTest, ConnectStringForms) {
  const std::string u200(200, 'u'), p200(200, 'p');
  const std::vector<ConnectCase> cases = {
      {"scott", "", "", "scott"},
      {"scott", "tiger", "", "scott/tiger"},
      {"scott", "", "orcl", "scott@orcl"},
      {"scott", "tiger", "orcl", "scott/tiger@orcl"},
      {"SCOTT", "a@b/c", "orcl.world", "SCOTT/a@b/c@orcl.world"},
      // The longest connect strings that fit.
      {std::string(511, 'u'), "", "", std::string(511, 'u')},
      {u200, p200, std::string(109, 'a'), u200 + "/" + p200 + "@" + std::string(109, 'a')},
  };
  for (const ConnectCase& c : cases) {
    t.host.ClearCalls();
    t.host.dialogAnswers.push_back(Answer(
        item::Run, {{item::User, c.user}, {item::Password, c.password}, {item::Alias, c.alias}}));
    EXPECT_EQ(Show(), DialogOutcome::Run) << c.expected;
    EXPECT_TRUE(t.host.Boxes().empty()) << c.expected;
    EXPECT_EQ(View(State().ConnectString), c.expected);
  }

  // One character more is refused rather than cut.
  SetText(State().ConnectString, "earlier");
  t.host.ClearCalls();
  t.host.dialogAnswers.push_back(
      Answer(item::Run,
             {{item::User, u200}, {item::Password, p200}, {item::Alias, std::string(110, 'a')}}));
  t.host.dialogAnswers.push_back(Answer(kEsc));
  EXPECT_EQ(Show(), DialogOutcome::Cancelled);
  ASSERT_EQ(t.host.Boxes().size(), 1u);
  EXPECT_EQ(t.host.Boxes()[0].items, NoticeItems(17));
  EXPECT_EQ(View(State().ConnectString), "earlier");
}

TEST_F(DialogTest, ConnectStringOutlivesTheScratchBuffer) {
  t.host.dialogAnswers.push_back(Answer(item::Run, {{item::Password, "tiger"}}));
  EXPECT_EQ(Show(), DialogOutcome::Run);
  State().Scratch.Reset();
  State().Scratch.Append("the capture's skip set");
  State().Scratch.AppendNul();
  EXPECT_EQ(View(State().ConnectString), "scott/tiger");
}

TEST_F(DialogTest, AnyOtherResultEndsSilentlyTakingNothing) {
  for (int result : {item::Cancel, kEsc, item::Frame, item::Alias, item::Credits, 21}) {
    LoadSettings(*t.module);
    t.host.ClearCalls();
    t.host.dialogAnswers.push_back(Answer(result,
                                          {{item::Alias, "orcl"},
                                           {item::User, "someone"},
                                           {item::Password, "tiger"},
                                           {item::EndLineComments, " # "}},
                                          {{item::AutoDisconnect, 0}}));
    EXPECT_EQ(Show(), DialogOutcome::Cancelled) << result;
    EXPECT_EQ(Dialogs().size(), 1u) << result;
    EXPECT_TRUE(t.host.Boxes().empty()) << result;
    EXPECT_TRUE(IsEmpty(State().Alias)) << result;
    EXPECT_EQ(View(State().User), "scott") << result;
    EXPECT_TRUE(IsEmpty(State().Password)) << result;
    EXPECT_EQ(View(State().EndLineComments), "//,--") << result;
    EXPECT_EQ(State().AutoDisconnect, 1) << result;
    EXPECT_TRUE(IsEmpty(State().ConnectString)) << result;
  }
  EXPECT_FALSE(RegistryWritten());
  EXPECT_TRUE(oci.log.empty());
}

TEST_F(DialogTest, DisconnectButtonLogsOffAndSaysSoTakingNothingTyped) {
  // A held session, as an earlier command with AutoDisconnect off leaves it.
  SetText(State().CurrentConnection, "scott/tiger@orcl");
  SetText(State().ConnectString, "scott/tiger@orcl");
  SetText(State().Password, "tiger");
  State().MarkerProgress = std::make_unique<std::int32_t[]>(2);
  t.host.dialogAnswers.push_back(
      Answer(item::Disconnect, {{item::User, "someone"}, {item::Password, "other"}}));

  t.Run();

  const auto dialogs = Dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].dialogItems[item::Disconnect].Type, 7);
  EXPECT_EQ(oci.Names(), (std::vector<std::string>{"oclose", "ologof"}));
  EXPECT_TRUE(IsEmpty(State().CurrentConnection));
  EXPECT_EQ(State().MarkerProgress, nullptr);

  const auto boxes = t.host.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].flags, 0u);
  EXPECT_EQ(boxes[0].items, NoticeItems(31));
  // The command ends here: nothing captured, no snapshot, nothing taken.
  EXPECT_TRUE(t.host.Of(HostCall::EditorLine).empty());
  EXPECT_TRUE(t.host.Of(HostCall::SaveScreen).empty());
  EXPECT_EQ(View(State().User), "scott");
  EXPECT_EQ(View(State().Password), "tiger");
  EXPECT_FALSE(RegistryWritten());
}

// Two commands of one process: what the first leaves in RunState is where the
// second starts from.
TEST(DialogCommandsTest, PasswordRefusedValuesAndAHeldSessionLiveOnIntoTheNextCommand) {
  FakeOci oci;
  TestModule t{&oci.Calls()};

  // First command: typed, refused (a blank in the plan table), then Esc.
  t.host.dialogAnswers.push_back(
      Answer(item::Run,
             {{item::Alias, "orcl"},
              {item::Password, "tiger"},
              {item::PlanTable, "my plan"},
              {item::EndLineComments, "#, --"}},
             {{item::AutoDisconnect, 0}, {item::BuildIfNotExist, 0}, {item::DropAfterUse, 1}}));
  t.host.dialogAnswers.push_back(Answer(kEsc));
  t.Run();
  ASSERT_FALSE(t.host.Boxes().empty());
  EXPECT_EQ(t.host.Boxes()[0].items[2], t.host.Msg(19));
  EXPECT_EQ(View(t.State().Alias), "orcl");
  EXPECT_EQ(View(t.State().Password), "tiger");
  EXPECT_EQ(View(t.State().PlanTable), "my plan");
  EXPECT_EQ(View(t.State().EndLineComments), "#,--");
  EXPECT_EQ(t.State().AutoDisconnect, 0);
  EXPECT_EQ(t.State().BuildIfNotExist, 0);
  EXPECT_EQ(t.State().DropAfterUse, 1);
  EXPECT_TRUE(IsEmpty(t.State().ConnectString));
  EXPECT_TRUE(t.platform.registry.empty());

  // A session held from earlier, as the session stage leaves it.
  SetText(t.State().CurrentConnection, "scott/tiger@orcl");

  // Second command: the dialog starts from the refused values and the
  // password; being connected, the run button has the cursor.
  t.host.ClearCalls();
  t.host.dialogAnswers.push_back(Answer(item::Run, {{item::PlanTable, "my_plan"}}));
  t.Run();
  const auto dialogs = t.host.Of(HostCall::Dialog);
  ASSERT_EQ(dialogs.size(), 1u);
  const auto& items = dialogs[0].dialogItems;
  EXPECT_EQ(Text(items[item::Alias]), "orcl");
  EXPECT_EQ(Text(items[item::User]), "scott");
  EXPECT_EQ(Text(items[item::Password]), "tiger");
  EXPECT_EQ(Text(items[item::PlanTable]), "my plan");
  EXPECT_EQ(Text(items[item::EndLineComments]), "#,--");
  EXPECT_EQ(items[item::AutoDisconnect].Selected, 0);
  EXPECT_EQ(items[item::BuildIfNotExist].Selected, 0);
  EXPECT_EQ(items[item::DropAfterUse].Selected, 1);
  EXPECT_EQ(items[item::Run].Focus, 1);
  EXPECT_EQ(items[item::Alias].Focus + items[item::User].Focus + items[item::Password].Focus, 0);
  EXPECT_EQ(items[item::Disconnect].Type, 7);
  EXPECT_EQ(Text(items[item::Disconnect]), t.host.Msg(2));

  EXPECT_EQ(View(t.State().ConnectString), "scott/tiger@orcl");
  EXPECT_EQ(View(t.State().PlanTable), "my_plan");
  // The same connect string: the held session is still there to be used.
  EXPECT_EQ(View(t.State().CurrentConnection), "scott/tiger@orcl");
  EXPECT_EQ(oci.Count("ologof"), 0);
  EXPECT_FALSE(RegistryHolds(t.platform, "tiger"));
}

TEST(DialogCommandsTest, NoTypedPasswordReachesTheRegistry) {
  TestModule t;
  t.host.dialogAnswers.push_back(Answer(item::Run, {{item::Password, "s3cret-pw"}}));
  t.Run();
  EXPECT_EQ(View(t.State().ConnectString), "scott/s3cret-pw");
  EXPECT_FALSE(RegistryHolds(t.platform, "s3cret-pw"));
  // Nor on a later confirmation with the password kept.
  t.host.dialogAnswers.push_back(Answer(item::Run, {{item::Alias, "orcl"}}));
  t.Run();
  EXPECT_EQ(View(t.State().ConnectString), "scott/s3cret-pw@orcl");
  EXPECT_FALSE(RegistryHolds(t.platform, "s3cret-pw"));
}

}  // namespace
}  // namespace kestrin::test
