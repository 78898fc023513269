// The console host's services: what the file manager gives a plugin, given
// here by a terminal program. One ConsoleHost fills the PluginStartupInfo the
// module receives; its service entries reach the host through plain
// functions, as the module calls them.
//
// The host runs either on a terminal (dialogs and boxes drawn on the screen
// model and answered by keys) or scripted (no terminal, or --yes): then the
// dialog's default button is pressed once, every box is written to the
// transcript and answered with its first button (the drop question as asked
// for), and progress notes are written as they come.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "EditorText.h"
#include "Screen.h"
#include "host/FarAbi.h"

namespace kestrin::console {

class Terminal;

// The registry root key the host gives its plugins.
inline constexpr char kRootKey[] = "Software\\Far\\Plugins";

// Where the host was when the user chose the plugin's item: in the editor.
inline constexpr int kOpenFromEditor = 5;

// The module's message numbers the host looks for on screen, to find the
// fields it fills and the one question it can answer from the command line.
inline constexpr int kMsgAliasLabel = 3;
inline constexpr int kMsgUserLabel = 4;
inline constexpr int kMsgPasswordLabel = 5;
inline constexpr int kMsgPlanTableLabel = 6;
inline constexpr int kMsgSkipSymbolsLabel = 7;
inline constexpr int kMsgCommentsLabel = 8;
inline constexpr int kMsgAutoDisconnectCheck = 9;
inline constexpr int kMsgBuildCheck = 10;
inline constexpr int kMsgDropCheck = 11;
inline constexpr int kMsgDropButton = 23;
inline constexpr int kMsgKeepButton = 24;
inline constexpr int kMessagesNeeded = 34;

// What the user asked for before the dialog was shown: values typed into its
// fields, check boxes set, and how to answer.
struct DialogInput {
  std::optional<std::string> alias, user, password, planTable, skipSymbols, comments;
  std::optional<bool> autoDisconnect, build, drop;
  std::optional<bool> dropAnswer;  // true: drop the plan table
};

// A report the module asked the viewer to show.
struct ViewRequest {
  std::string path;
  std::string title;
  unsigned flags = 0;
};

class ConsoleHost {
 public:
  // Asks for the password on the terminal, with the prompt; empty when there
  // is no terminal to ask on.
  using PasswordPrompt = std::function<std::optional<std::string>(const std::string& prompt)>;

  // `messages`: the language file's texts; `editor`: the edited file, which
  // must outlive the host; `terminal`: null for a scripted run; boxes and
  // notes of a scripted run go to `transcript`, glyphs in UTF-8 when `utf8`.
  ConsoleHost(std::vector<std::string> messages, const EditorText& editor, std::string fileName,
              DialogInput input, Terminal* terminal, std::ostream& transcript, bool utf8);
  ~ConsoleHost();
  ConsoleHost(const ConsoleHost&) = delete;
  ConsoleHost& operator=(const ConsoleHost&) = delete;

  void SetPasswordPrompt(PasswordPrompt prompt) { prompt_ = std::move(prompt); }

  // Fills `record` with the host's services, its root key, the module's
  // number and file name. The host becomes the one the service entries reach.
  void FillStartupInfo(PluginStartupInfo& record, const std::string& modulePath);

  // The plugin's menu item, shown in the editor's key bar.
  void SetMenuText(std::string text) { menuText_ = std::move(text); }

  // Draws the editor with its block as the screen behind everything, and
  // shows it on the terminal.
  void DrawEditor();

  // Back in the editor after a command: waits for the user to pick the
  // plugin again (Enter or F11: true) or to leave (Esc, F10 or q: false).
  // A scripted run has one command only.
  bool WaitForNextCommand();

  // The reports the viewer was asked to show, in order, taken out of the host.
  std::vector<ViewRequest> TakeViewRequests();

  const Screen& CurrentScreen() const { return screen_; }
  int OpenSnapshots() const { return static_cast<int>(snapshots_.size()); }

  // --- The services ---------------------------------------------------------
  const char* GetMsg(int module, int msg) const;
  int Message(unsigned flags, const char* help, const char* const* items, int count, int buttons);
  int Dialog(int x1, int y1, int x2, int y2, const char* help, FarDialogItem* items, int count);
  HostHandle SaveScreen(int x1, int y1, int x2, int y2);
  void RestoreScreen(HostHandle screen);
  int Viewer(const char* file, const char* title, unsigned flags);
  int EditorControl(int command, void* param);

 private:
  const std::string& Text(int msg) const;
  void FillDialog(FarDialogItem* items, int count);
  void Show();

  std::vector<std::string> messages_;
  const EditorText& editor_;
  std::string fileName_;
  DialogInput input_;
  Terminal* terminal_;
  std::ostream& transcript_;
  bool utf8_;
  PasswordPrompt prompt_;
  std::string menuText_;
  bool commandDone_ = false;  // the key bar offers the next command
  Screen screen_;
  std::map<HostHandle, std::unique_ptr<Screen>> snapshots_;
  std::vector<ViewRequest> views_;
  int dialogShowings_ = 0;
  int moduleNumber_ = 1;
};

}  // namespace kestrin::console
