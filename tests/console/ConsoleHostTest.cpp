#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ConsoleHost.h"
#include "LanguageFile.h"
#include "ModuleLoader.h"
#include "ReportViewer.h"

namespace kestrin::console {
namespace {

std::vector<std::string> English() {
  std::vector<std::string> messages;
  std::string error;
  EXPECT_TRUE(ReadLanguageFile(KESTRIN_SOURCE_DIR "/lang/kestrin_eng.lng", kMessagesNeeded,
                               messages, error))
      << error;
  return messages;
}

// A scripted host over a two-line file, as a run with --yes has it.
struct ScriptedHost {
  explicit ScriptedHost(DialogInput in = {}) : input(std::move(in)) {
    host.FillStartupInfo(record, "/plugins/kestrin.so");
  }
  std::string Msg(int n) const { return record.GetMsg(record.ModuleNumber, n); }

  EditorText editor{"select *\nfrom emp\n"};
  DialogInput input;
  std::ostringstream transcript;
  ConsoleHost host{English(), editor, "q.sql", input, nullptr, transcript, false};
  PluginStartupInfo record;
};

FarDialogItem Item(int type, int x1, int y1, const std::string& text) {
  FarDialogItem item;
  std::memset(&item, 0, sizeof item);
  item.Type = type;
  item.X1 = x1;
  item.Y1 = y1;
  item.X2 = type == kDiEdit || type == kDiPasswordEdit ? x1 + 17 : 0;
  item.Y2 = y1;
  std::strncpy(item.Data, text.c_str(), sizeof item.Data - 1);
  return item;
}

// A dialog of the test's own whose labels are the module's messages, in an
// order of its own, so that fields are found by their labels and not by
// their numbers.
std::vector<FarDialogItem> LabelledDialog(const ScriptedHost& t) {
  std::vector<FarDialogItem> items = {
      Item(kDiDoubleBox, 3, 1, t.Msg(33)),
      Item(kDiText, 24, 3, t.Msg(4)),  // the user's label before its field
      Item(kDiEdit, 5, 3, "scott"),
      Item(kDiEdit, 5, 4, ""),
      Item(kDiText, 24, 4, t.Msg(3)),
      Item(kDiPasswordEdit, 5, 5, "old"),
      Item(kDiText, 24, 5, t.Msg(5)),
      Item(kDiCheckBox, 5, 6, t.Msg(11)),
      Item(kDiCheckBox, 5, 7, t.Msg(9)),
      Item(kDiEdit, 5, 8, "plan_table"),
      Item(kDiText, 24, 8, t.Msg(6)),
      Item(kDiButton, 0, 10, t.Msg(0)),
      Item(kDiButton, 0, 10, t.Msg(1)),
  };
  items[8].Selected = 1;
  items[12].DefaultButton = 1;
  return items;
}

TEST(ConsoleHostTest, FillsTheServicesRecordWithItsOwnServices) {
  ScriptedHost t;
  EXPECT_EQ(t.record.StructSize, static_cast<int>(sizeof(PluginStartupInfo)));
  EXPECT_STREQ(t.record.RootKey, "Software\\Far\\Plugins");
  EXPECT_STREQ(t.record.ModuleName, "/plugins/kestrin.so");
  for (const void* service : {reinterpret_cast<const void*>(t.record.Dialog),
                              reinterpret_cast<const void*>(t.record.Message),
                              reinterpret_cast<const void*>(t.record.GetMsg),
                              reinterpret_cast<const void*>(t.record.SaveScreen),
                              reinterpret_cast<const void*>(t.record.RestoreScreen),
                              reinterpret_cast<const void*>(t.record.Viewer),
                              reinterpret_cast<const void*>(t.record.EditorControl)})
    EXPECT_NE(service, nullptr);
  EXPECT_EQ(t.Msg(0), "OK");
  EXPECT_EQ(t.Msg(33), "Kestrin");
  EXPECT_EQ(t.Msg(34), "");
  EXPECT_EQ(t.Msg(-1), "");

  EditorInfo info{};
  t.record.EditorControl(kEditorGetInfo, &info);
  EXPECT_EQ(info.BlockType, kBlockStream);
}

TEST(ConsoleHostTest, WritesBoxesToTheTranscriptAndAnswersWithTheFirstButton) {
  ScriptedHost t;
  const char* notice[] = {"Kestrin", "", "The statement is empty", "", "\x01", "OK"};
  EXPECT_EQ(t.record.Message(1, 0x1, nullptr, notice, 6, 1), 0);
  const char* note[] = {"", "", "Connecting to Oracle...", ""};
  EXPECT_EQ(t.record.Message(1, 0, nullptr, note, 4, 0), -1);
  EXPECT_EQ(t.transcript.str(),
            "+======= Kestrin ========+\n"
            "|                        |\n"
            "| The statement is empty |\n"
            "|                        |\n"
            "+------------------------+\n"
            "|         [ OK ]         |\n"
            "+========================+\n"
            "-> OK\n"
            "+=========================+\n"
            "|                         |\n"
            "| Connecting to Oracle... |\n"
            "|                         |\n"
            "+=========================+\n");
}

TEST(ConsoleHostTest, AnswersTheDropQuestionAsAskedAndNoOtherBox) {
  const struct {
    std::optional<bool> dropAnswer;
    int drop;   // the drop question's answer
    int other;  // another two-button box's answer
  } cases[] = {{std::nullopt, 0, 0}, {true, 1, 0}, {false, 0, 0}};
  for (const auto& c : cases) {
    DialogInput input;
    input.dropAnswer = c.dropAnswer;
    ScriptedHost t(input);
    const std::string keep = t.Msg(24), drop = t.Msg(23);
    const char* question[] = {"Kestrin", "", "q1", "q2", "", "\x01", keep.c_str(), drop.c_str()};
    EXPECT_EQ(t.record.Message(1, 1, nullptr, question, 8, 2), c.drop);
    const char* other[] = {"Kestrin", "?", drop.c_str(), keep.c_str()};
    EXPECT_EQ(t.record.Message(1, 1, nullptr, other, 4, 2), c.other);
    EXPECT_NE(t.transcript.str().find(c.drop ? "-> Drop\n" : "-> Keep\n"), std::string::npos);
  }
}

TEST(ConsoleHostTest, TypesTheOptionsIntoTheFieldsTheirLabelsNameAndPressesTheDefault) {
  DialogInput input;
  input.alias = "demo";
  input.user = "adams";
  input.password = "secret";
  input.planTable = "my_plan";
  input.drop = true;
  input.autoDisconnect = false;
  input.build = true;  // the dialog has no such check box
  ScriptedHost t(input);
  std::vector<FarDialogItem> items = LabelledDialog(t);
  EXPECT_EQ(
      t.record.Dialog(1, -1, -1, 75, 19, nullptr, items.data(), static_cast<int>(items.size())),
      12);
  EXPECT_STREQ(items[2].Data, "adams");
  EXPECT_STREQ(items[3].Data, "demo");
  EXPECT_STREQ(items[5].Data, "secret");
  EXPECT_STREQ(items[9].Data, "my_plan");
  EXPECT_EQ(items[7].Selected, 1);
  EXPECT_EQ(items[8].Selected, 0);
  EXPECT_EQ(t.transcript.str(),
            "kestrin: the dialog has no check box \"Build plan table if it does not exist\"\n");

  // Shown again after a refusal, the same input would be refused again.
  EXPECT_EQ(
      t.record.Dialog(1, -1, -1, 75, 19, nullptr, items.data(), static_cast<int>(items.size())),
      -1);
  EXPECT_NE(t.transcript.str().find("the dialog came back"), std::string::npos);
}

TEST(ConsoleHostTest, AsksForThePasswordOnlyWhenNoneWasGiven) {
  for (const bool given : {false, true}) {
    DialogInput input;
    if (given)
      input.password = "env";
    ScriptedHost t(input);
    std::vector<std::string> prompts;
    t.host.SetPasswordPrompt([&](const std::string& prompt) {
      prompts.push_back(prompt);
      return std::optional<std::string>("typed");
    });
    std::vector<FarDialogItem> items = LabelledDialog(t);
    t.record.Dialog(1, -1, -1, 75, 19, nullptr, items.data(), static_cast<int>(items.size()));
    EXPECT_STREQ(items[5].Data, given ? "env" : "typed");
    EXPECT_EQ(prompts, given ? std::vector<std::string>{}
                             : std::vector<std::string>{"Password for scott: "});
  }
}

TEST(ConsoleHostTest, RestoresEachSnapshotOnceAndIgnoresStrangeHandles) {
  ScriptedHost t;
  const Screen blank = t.host.CurrentScreen();
  HostHandle first = t.record.SaveScreen(0, 0, -1, -1);
  t.host.DrawEditor();
  EXPECT_FALSE(t.host.CurrentScreen() == blank);
  HostHandle second = t.record.SaveScreen(0, 0, -1, -1);
  EXPECT_EQ(t.host.OpenSnapshots(), 2);
  t.record.RestoreScreen(first);
  EXPECT_TRUE(t.host.CurrentScreen() == blank);
  t.record.RestoreScreen(first);  // restored already
  t.record.RestoreScreen(nullptr);
  int notAHandle = 0;
  t.record.RestoreScreen(&notAHandle);
  EXPECT_TRUE(t.host.CurrentScreen() == blank);
  EXPECT_EQ(t.host.OpenSnapshots(), 1);
  t.record.RestoreScreen(second);
  EXPECT_FALSE(t.host.CurrentScreen() == blank);
  EXPECT_EQ(t.host.OpenSnapshots(), 0);
}

std::string TempFile(const std::string& name, const std::string& content) {
  const std::string path =
      ::testing::TempDir() + "kestrin-console-" + std::to_string(::getpid()) + "-" + name;
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

TEST(ConsoleHostTest, TheViewerTakesReadableFilesForAfterTheCommand) {
  ScriptedHost t;
  const std::string report = TempFile("view.txt", "x\r\n");
  EXPECT_EQ(t.record.Viewer(report.c_str(), report.c_str(), 0, 0, -1, -1, 3), 1);
  EXPECT_EQ(t.record.Viewer("/nonexistent/report", "t", 0, 0, -1, -1, 3), 0);
  const std::vector<ViewRequest> views = t.host.TakeViewRequests();
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0].path, report);
  EXPECT_EQ(views[0].flags, 3u);
  EXPECT_TRUE(t.host.TakeViewRequests().empty());
  ::unlink(report.c_str());
}

TEST(ConsoleHostTest, PrintsTheReportWithUnixLineEndsAndDeletesItWhenAsked) {
  for (const unsigned flags : {1u, 3u}) {
    const std::string report =
        TempFile("report.txt", "select 1\r\nfrom dual \n\r\nSELECT STATEMENT\r\nx\ry\r\n");
    std::ostringstream out;
    EXPECT_TRUE(ShowReport(ViewRequest{report, report, flags}, false, out));
    EXPECT_EQ(out.str(), "select 1\nfrom dual \n\nSELECT STATEMENT\nx\ry\n");
    EXPECT_EQ(::access(report.c_str(), F_OK) == 0, flags == 1u);
    ::unlink(report.c_str());
  }
  std::ostringstream out;
  EXPECT_FALSE(ShowReport(ViewRequest{"/nonexistent/report", "", 3}, false, out));
}

TEST(ConsoleHostTest, LoadsTheModuleByItsFourEntryPoints) {
  LoadedModule module;
  std::string error;
  ASSERT_TRUE(LoadModule(KESTRIN_MODULE_PATH, module, error)) << error;
  EXPECT_NE(module.setStartupInfo, nullptr);
  EXPECT_NE(module.getPluginInfo, nullptr);
  EXPECT_NE(module.openPlugin, nullptr);
  EXPECT_NE(module.exitFar, nullptr);
  UnloadModule(module);
  EXPECT_EQ(module.library, nullptr);

  EXPECT_FALSE(LoadModule("/nonexistent/kestrin.so", module, error));
  EXPECT_NE(error.find("cannot load the plugin module /nonexistent/kestrin.so"), std::string::npos)
      << error;
}

}  // namespace
}  // namespace kestrin::console
