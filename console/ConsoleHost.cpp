#include "ConsoleHost.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "DialogView.h"
#include "MessageBox.h"
#include "Terminal.h"

namespace kestrin::console {

namespace {

// The host the service entries reach: the one whose record the module holds.
ConsoleHost* gHost = nullptr;

extern "C" {
const char* KESTRIN_HOST_CALL HostGetMsg(int module, int msg) {
  return gHost ? gHost->GetMsg(module, msg) : "";
}
int KESTRIN_HOST_CALL HostMessage(int, unsigned flags, const char* help, const char* const* items,
                                  int count, int buttons) {
  return gHost ? gHost->Message(flags, help, items, count, buttons) : -1;
}
int KESTRIN_HOST_CALL HostDialog(int, int x1, int y1, int x2, int y2, const char* help,
                                 FarDialogItem* items, int count) {
  return gHost ? gHost->Dialog(x1, y1, x2, y2, help, items, count) : -1;
}
HostHandle KESTRIN_HOST_CALL HostSaveScreen(int x1, int y1, int x2, int y2) {
  return gHost ? gHost->SaveScreen(x1, y1, x2, y2) : nullptr;
}
void KESTRIN_HOST_CALL HostRestoreScreen(HostHandle screen) {
  if (gHost)
    gHost->RestoreScreen(screen);
}
int KESTRIN_HOST_CALL HostViewer(const char* file, const char* title, int, int, int, int,
                                 unsigned flags) {
  return gHost ? gHost->Viewer(file, title, flags) : 0;
}
int KESTRIN_HOST_CALL HostEditorControl(int command, void* param) {
  return gHost ? gHost->EditorControl(command, param) : 0;
}
}  // extern "C"

std::string ItemText(const FarDialogItem& item) {
  return std::string(item.Data, strnlen(item.Data, kDialogItemTextSize - 1));
}

void SetItemText(FarDialogItem& item, const std::string& text) {
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(kDialogItemTextSize - 1));
  std::memcpy(item.Data, text.data(), n);
  item.Data[n] = '\0';
}

// The edit line that a label names: on the label's row, the nearest one to
// its left. -1 when there is none.
int FieldOfLabel(const FarDialogItem* items, int count, const std::string& label) {
  for (int l = 0; l < count; ++l) {
    if (items[l].Type != kDiText || ItemText(items[l]) != label)
      continue;
    int best = -1;
    for (int f = 0; f < count; ++f) {
      const bool isEdit = items[f].Type == kDiEdit || items[f].Type == kDiPasswordEdit;
      if (isEdit && items[f].Y1 == items[l].Y1 && items[f].X1 < items[l].X1 &&
          (best < 0 || items[f].X1 > items[best].X1))
        best = f;
    }
    if (best >= 0)
      return best;
  }
  return -1;
}

int CheckBoxOf(const FarDialogItem* items, int count, const std::string& label) {
  for (int i = 0; i < count; ++i)
    if (items[i].Type == kDiCheckBox && ItemText(items[i]) == label)
      return i;
  return -1;
}

std::string Shown(const std::string& label) {
  return SplitHotkey(label).shown;
}

}  // namespace

ConsoleHost::ConsoleHost(std::vector<std::string> messages, const EditorText& editor,
                         std::string fileName, DialogInput input, Terminal* terminal,
                         std::ostream& transcript, bool utf8)
    : messages_(std::move(messages)),
      editor_(editor),
      fileName_(std::move(fileName)),
      input_(std::move(input)),
      terminal_(terminal),
      transcript_(transcript),
      utf8_(utf8),
      screen_(terminal ? terminal->Width() : 80, terminal ? terminal->Height() : 25) {}

ConsoleHost::~ConsoleHost() {
  if (gHost == this)
    gHost = nullptr;
}

void ConsoleHost::FillStartupInfo(PluginStartupInfo& record, const std::string& modulePath) {
  std::memset(&record, 0, sizeof record);
  record.StructSize = sizeof record;
  const std::size_t n = std::min(modulePath.size(), sizeof record.ModuleName - 1);
  std::memcpy(record.ModuleName, modulePath.data(), n);
  record.ModuleNumber = moduleNumber_;
  record.RootKey = kRootKey;
  record.Dialog = HostDialog;
  record.Message = HostMessage;
  record.GetMsg = HostGetMsg;
  record.SaveScreen = HostSaveScreen;
  record.RestoreScreen = HostRestoreScreen;
  record.Viewer = HostViewer;
  record.EditorControl = HostEditorControl;
  gHost = this;
}

const std::string& ConsoleHost::Text(int msg) const {
  static const std::string kNone;
  return msg >= 0 && msg < static_cast<int>(messages_.size())
             ? messages_[static_cast<std::size_t>(msg)]
             : kNone;
}

const char* ConsoleHost::GetMsg(int, int msg) const {
  return Text(msg).c_str();
}

void ConsoleHost::Show() {
  if (terminal_)
    terminal_->Show(screen_);
}

void ConsoleHost::DrawEditor() {
  const int width = screen_.Width();
  const int height = screen_.Height();
  screen_.Fill(Rect{0, 0, width, height}, Style::Editor);
  screen_.Fill(Rect{0, 0, width, 1}, Style::EditorBar);
  screen_.PutText(1, 0, fileName_, Style::EditorBar, std::max(width - 2, 0));
  // The block's first line stands a few lines from the top, as after a search.
  const int top = std::max(editor_.BlockStartLine() - 3, 0);
  for (int row = 1; row < height - 1; ++row) {
    const int index = top + row - 1;
    if (index >= editor_.LineCount())
      break;
    const std::string& line = editor_.Line(index);
    int start = -1;
    int end = -1;
    editor_.Selection(index, start, end);
    if (start >= 0 && end < 0)
      end = std::max(static_cast<int>(line.size()), start + 1);  // the block runs to the line's end
    for (int x = 0; x < width; ++x) {
      const bool selected = start >= 0 && x >= start && x < end;
      const char ch = x < static_cast<int>(line.size()) ? line[static_cast<std::size_t>(x)] : ' ';
      screen_.Put(x, row, ch == '\t' ? ' ' : ch, selected ? Style::EditorBlock : Style::Editor);
    }
  }
  screen_.Fill(Rect{0, height - 1, width, 1}, Style::EditorBar);
  const std::string bar = commandDone_ ? "Enter " + Shown(menuText_) + " again   Esc Quit"
                                       : "Plugin: " + Shown(menuText_);
  screen_.PutText(1, height - 1, bar, Style::EditorBar, std::max(width - 2, 0));
  screen_.HideCursor();
  Show();
}

int ConsoleHost::Message(unsigned flags, const char*, const char* const* items, int count,
                         int buttons) {
  const MessageBoxSpec request = MakeMessageBox(flags, items, count, buttons);
  const bool dropQuestion = request.buttons.size() == 2 &&
                            request.buttons[0] == Text(kMsgKeepButton) &&
                            request.buttons[1] == Text(kMsgDropButton);
  std::optional<int> preset;
  if (dropQuestion && input_.dropAnswer)
    preset = *input_.dropAnswer ? 1 : 0;

  if (!terminal_) {
    for (const std::string& row : RenderMessageBox(request, utf8_))
      transcript_ << row << '\n';
    if (request.buttons.empty()) {
      transcript_.flush();
      return -1;
    }
    const int answer = preset.value_or(0);
    transcript_ << "-> " << Shown(request.buttons[static_cast<std::size_t>(answer)]) << '\n';
    transcript_.flush();
    return answer;
  }

  MessageBoxView box(request, screen_.Width(), screen_.Height());
  if (request.buttons.empty()) {
    // A note stays until the module restores the screen under it.
    box.Draw(screen_);
    Show();
    return -1;
  }
  if (preset)
    return *preset;
  const Screen under = screen_;
  Key key;
  for (;;) {
    box.Draw(screen_);
    Show();
    if (!terminal_->ReadKey(key)) {
      key = Key{KeyCode::Escape};
    }
    if (box.HandleKey(key))
      break;
  }
  screen_ = under;
  Show();
  return box.Result();
}

void ConsoleHost::FillDialog(FarDialogItem* items, int count) {
  struct FieldValue {
    int label;
    const std::optional<std::string>* value;
  } fields[] = {
      {kMsgAliasLabel, &input_.alias},         {kMsgUserLabel, &input_.user},
      {kMsgPlanTableLabel, &input_.planTable}, {kMsgSkipSymbolsLabel, &input_.skipSymbols},
      {kMsgCommentsLabel, &input_.comments},   {kMsgPasswordLabel, &input_.password}};
  for (const FieldValue& field : fields) {
    if (!*field.value)
      continue;
    const int item = FieldOfLabel(items, count, Text(field.label));
    if (item < 0) {
      // On a terminal the user sees the dialog; the error stream would
      // write over it.
      if (!terminal_)
        transcript_ << "kestrin: the dialog has no field \"" << Shown(Text(field.label)) << "\"\n";
      continue;
    }
    SetItemText(items[item], **field.value);
  }
  struct CheckValue {
    int label;
    const std::optional<bool>* value;
  } checks[] = {{kMsgAutoDisconnectCheck, &input_.autoDisconnect},
                {kMsgBuildCheck, &input_.build},
                {kMsgDropCheck, &input_.drop}};
  for (const CheckValue& check : checks) {
    if (!*check.value)
      continue;
    const int item = CheckBoxOf(items, count, Text(check.label));
    if (item < 0) {
      if (!terminal_)
        transcript_ << "kestrin: the dialog has no check box \"" << Shown(Text(check.label))
                    << "\"\n";
      continue;
    }
    items[item].Selected = **check.value ? 1 : 0;
  }
}

int ConsoleHost::Dialog(int x1, int y1, int x2, int y2, const char*, FarDialogItem* items,
                        int count) {
  if (items == nullptr || count <= 0)
    return -1;
  const bool first = dialogShowings_++ == 0;
  if (first) {
    if (!terminal_ && !input_.password && prompt_) {
      const int user = FieldOfLabel(items, count, Text(kMsgUserLabel));
      const std::string name = input_.user.value_or(user >= 0 ? ItemText(items[user]) : "");
      input_.password = prompt_("Password for " + (name.empty() ? "the user" : name) + ": ");
    }
    FillDialog(items, count);
  }

  if (!terminal_) {
    if (!first) {
      // The same input would be refused again: nothing else can be typed.
      transcript_ << "kestrin: the dialog came back after its input was refused; it is "
                     "cancelled\n";
      transcript_.flush();
      return -1;
    }
    for (int i = 0; i < count; ++i)
      if (items[i].DefaultButton != 0)
        return i;
    return -1;
  }

  DialogView view(items, count, x1, y1, x2, y2, screen_.Width(), screen_.Height());
  const Screen under = screen_;
  Key key;
  for (;;) {
    view.Draw(screen_);
    Show();
    if (!terminal_->ReadKey(key))
      key = Key{KeyCode::Escape};
    if (view.HandleKey(key))
      break;
  }
  screen_ = under;
  Show();
  return view.Result();
}

HostHandle ConsoleHost::SaveScreen(int, int, int, int) {
  // Every snapshot is of the whole screen: that is all the module asks for.
  auto snapshot = std::make_unique<Screen>(screen_);
  HostHandle handle = snapshot.get();
  snapshots_.emplace(handle, std::move(snapshot));
  return handle;
}

void ConsoleHost::RestoreScreen(HostHandle handle) {
  const auto found = snapshots_.find(handle);
  if (found == snapshots_.end())
    return;  // not a snapshot of this host, or one restored already
  screen_ = *found->second;
  snapshots_.erase(found);
  Show();
}

int ConsoleHost::Viewer(const char* file, const char* title, unsigned flags) {
  if (file == nullptr || ::access(file, R_OK) != 0)
    return 0;
  views_.push_back(ViewRequest{file, title ? title : file, flags});
  return 1;
}

int ConsoleHost::EditorControl(int command, void* param) {
  return editor_.Control(command, param);
}

bool ConsoleHost::WaitForNextCommand() {
  if (!terminal_)
    return false;
  commandDone_ = true;
  DrawEditor();
  Key key;
  while (terminal_->ReadKey(key)) {
    switch (key.code) {
      case KeyCode::Enter:
      case KeyCode::F11:
        commandDone_ = false;
        DrawEditor();
        return true;
      case KeyCode::Escape:
      case KeyCode::Interrupt:
      case KeyCode::F10:
        return false;
      case KeyCode::Char:
        if (key.ch == 'q' || key.ch == 'Q')
          return false;
        break;
      default:
        break;
    }
  }
  return false;
}

std::vector<ViewRequest> ConsoleHost::TakeViewRequests() {
  std::vector<ViewRequest> views;
  views.swap(views_);
  return views;
}

}  // namespace kestrin::console
