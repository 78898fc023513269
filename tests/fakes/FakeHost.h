// A host for tests: fills a real PluginStartupInfo with its own services,
// records every call the module makes with its arguments, and answers from a
// script (the editor's block, the dialog's and the boxes' answers). Its
// message texts are the English language file's.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "host/FarAbi.h"

namespace kestrin::test {

struct FakeEditorLine {
  std::string text;
  int selStart = 0;
  int selEnd = -1;
};

struct HostCall {
  enum Kind { GetMsg, Message, Dialog, SaveScreen, RestoreScreen, Viewer, EditorInfo, EditorLine };
  explicit HostCall(Kind k) : kind(k) {}
  Kind kind;
  int number = 0;  // GetMsg: the message; EditorLine: the line; Dialog: its result
  unsigned flags = 0;
  bool helpIsNull = true;
  int buttons = 0;
  std::vector<std::string> items;          // Message: the item texts
  std::vector<FarDialogItem> dialogItems;  // Dialog: the items as the host received them
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;      // Dialog, SaveScreen, Viewer
  HostHandle handle = nullptr;             // SaveScreen result, RestoreScreen argument
  std::string path, title, fileContent;    // Viewer (the file as it was handed over)
  int moduleNumber = 0;
};

class FakeHost {
 public:
  // The answer to one showing of the dialog: may edit the items; returns the
  // number of the item that closed it.
  using DialogAnswer = std::function<int(FarDialogItem* items, int count)>;

  FakeHost();
  ~FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  // The services record to hand to SetStartupInfo.
  PluginStartupInfo& Record() { return record_; }

  // The English text of message `n`.
  const std::string& Msg(int n) const;

  // --- Script ---------------------------------------------------------------
  int blockType = 1;
  int blockStartLine = 0;
  std::vector<FakeEditorLine> lines;
  // Makes `text` the editor's lines, wholly selected from line 0.
  void SelectLines(const std::vector<std::string>& text);
  std::deque<int> boxAnswers;              // results of boxes with buttons; default 0
  std::deque<DialogAnswer> dialogAnswers;  // default: press the default button (17)
  bool deleteOnView = true;                // act on the viewer's delete-on-close flag

  // --- Record ---------------------------------------------------------------
  std::vector<HostCall> calls;
  std::vector<HostCall> Of(HostCall::Kind kind) const;
  // The boxes shown (Message calls), in order.
  std::vector<HostCall> Boxes() const { return Of(HostCall::Message); }
  // Snapshots taken and not yet restored.
  int OutstandingSnapshots() const;
  void ClearCalls() { calls.clear(); }

  // The services, reached through the record's function pointers.
  const char* OnGetMsg(int module, int msg);
  int OnMessage(int module, unsigned flags, const char* help, const char* const* items, int count,
                int buttons);
  int OnDialog(int module, int x1, int y1, int x2, int y2, const char* help, FarDialogItem* items,
               int count);
  HostHandle OnSaveScreen(int x1, int y1, int x2, int y2);
  void OnRestoreScreen(HostHandle screen);
  int OnViewer(const char* file, const char* title, int x1, int y1, int x2, int y2, unsigned flags);
  int OnEditorControl(int command, void* param);

  static FakeHost* Current();

 private:
  PluginStartupInfo record_{};
  std::vector<std::string> messages_;
  std::string rootKey_ = "Software\\Far\\Plugins";
  std::uintptr_t nextSnapshot_ = 0x1000;
  std::vector<HostHandle> liveSnapshots_;
};

// Reads a language file in the host's format: the texts between each message
// line's first and last double quote, in order.
std::vector<std::string> ReadLanguageFile(const std::string& path);

// The path of the English language file in the source tree.
std::string EnglishLanguageFile();

}  // namespace kestrin::test
