#include "fakes/FakeHost.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kestrin::test {

namespace {

FakeHost* current = nullptr;

extern "C" {
const char* KESTRIN_HOST_CALL GetMsgThunk(int module, int msg) {
  return FakeHost::Current()->OnGetMsg(module, msg);
}
int KESTRIN_HOST_CALL MessageThunk(int module, unsigned flags, const char* help,
                                   const char* const* items, int count, int buttons) {
  return FakeHost::Current()->OnMessage(module, flags, help, items, count, buttons);
}
int KESTRIN_HOST_CALL DialogThunk(int module, int x1, int y1, int x2, int y2, const char* help,
                                  FarDialogItem* items, int count) {
  return FakeHost::Current()->OnDialog(module, x1, y1, x2, y2, help, items, count);
}
HostHandle KESTRIN_HOST_CALL SaveScreenThunk(int x1, int y1, int x2, int y2) {
  return FakeHost::Current()->OnSaveScreen(x1, y1, x2, y2);
}
void KESTRIN_HOST_CALL RestoreScreenThunk(HostHandle screen) {
  FakeHost::Current()->OnRestoreScreen(screen);
}
int KESTRIN_HOST_CALL ViewerThunk(const char* file, const char* title, int x1, int y1, int x2,
                                  int y2, unsigned flags) {
  return FakeHost::Current()->OnViewer(file, title, x1, y1, x2, y2, flags);
}
int KESTRIN_HOST_CALL EditorControlThunk(int command, void* param) {
  return FakeHost::Current()->OnEditorControl(command, param);
}
}

}  // namespace

std::vector<std::string> ReadLanguageFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot read " + path);
  std::vector<std::string> texts;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.empty() || line[0] != '"')
      continue;
    const auto last = line.rfind('"');
    texts.push_back(last > 0 ? line.substr(1, last - 1) : std::string());
  }
  return texts;
}

std::string EnglishLanguageFile() {
  return std::string(KESTRIN_SOURCE_DIR) + "/lang/kestrin_eng.lng";
}

FakeHost* FakeHost::Current() {
  return current;
}

FakeHost::FakeHost() : messages_(ReadLanguageFile(EnglishLanguageFile())) {
  current = this;
  record_.StructSize = sizeof(PluginStartupInfo);
  std::strcpy(record_.ModuleName, "kestrin");
  record_.ModuleNumber = 7;
  record_.RootKey = rootKey_.c_str();
  record_.Dialog = DialogThunk;
  record_.Message = MessageThunk;
  record_.GetMsg = GetMsgThunk;
  record_.SaveScreen = SaveScreenThunk;
  record_.RestoreScreen = RestoreScreenThunk;
  record_.Viewer = ViewerThunk;
  record_.EditorControl = EditorControlThunk;
}

FakeHost::~FakeHost() {
  if (current == this)
    current = nullptr;
}

const std::string& FakeHost::Msg(int n) const {
  return messages_.at(static_cast<std::size_t>(n));
}

void FakeHost::SelectLines(const std::vector<std::string>& text) {
  lines.clear();
  for (const auto& t : text)
    lines.push_back({t, 0, -1});
  blockType = 1;
  blockStartLine = 0;
}

std::vector<HostCall> FakeHost::Of(HostCall::Kind kind) const {
  std::vector<HostCall> out;
  std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
               [kind](const HostCall& c) { return c.kind == kind; });
  return out;
}

int FakeHost::OutstandingSnapshots() const {
  return static_cast<int>(liveSnapshots_.size());
}

const char* FakeHost::OnGetMsg(int module, int msg) {
  HostCall c{HostCall::GetMsg};
  c.moduleNumber = module;
  c.number = msg;
  calls.push_back(c);
  if (msg < 0 || msg >= static_cast<int>(messages_.size()))
    return "";
  return messages_[static_cast<std::size_t>(msg)].c_str();
}

int FakeHost::OnMessage(int module, unsigned flags, const char* help, const char* const* items,
                        int count, int buttons) {
  HostCall c{HostCall::Message};
  c.moduleNumber = module;
  c.flags = flags;
  c.helpIsNull = help == nullptr;
  c.buttons = buttons;
  for (int i = 0; i < count; ++i)
    c.items.emplace_back(items[i] ? items[i] : "(null)");
  calls.push_back(c);
  if (buttons == 0)
    return -1;
  if (boxAnswers.empty())
    return 0;
  const int answer = boxAnswers.front();
  boxAnswers.pop_front();
  return answer;
}

int FakeHost::OnDialog(int module, int x1, int y1, int x2, int y2, const char* help,
                       FarDialogItem* items, int count) {
  HostCall c{HostCall::Dialog};
  c.moduleNumber = module;
  c.x1 = x1;
  c.y1 = y1;
  c.x2 = x2;
  c.y2 = y2;
  c.helpIsNull = help == nullptr;
  c.dialogItems.assign(items, items + count);
  int result = 17;
  if (!dialogAnswers.empty()) {
    result = dialogAnswers.front()(items, count);
    dialogAnswers.pop_front();
  } else if (Of(HostCall::Dialog).size() > 50) {
    result = -1;  // a script that never ends the dialog: cancel rather than loop
  }
  c.number = result;
  calls.push_back(std::move(c));
  return result;
}

HostHandle FakeHost::OnSaveScreen(int x1, int y1, int x2, int y2) {
  HostCall c{HostCall::SaveScreen};
  c.x1 = x1;
  c.y1 = y1;
  c.x2 = x2;
  c.y2 = y2;
  c.handle = reinterpret_cast<HostHandle>(nextSnapshot_++);
  liveSnapshots_.push_back(c.handle);
  calls.push_back(c);
  return c.handle;
}

void FakeHost::OnRestoreScreen(HostHandle screen) {
  HostCall c{HostCall::RestoreScreen};
  c.handle = screen;
  calls.push_back(c);
  liveSnapshots_.erase(std::remove(liveSnapshots_.begin(), liveSnapshots_.end(), screen),
                       liveSnapshots_.end());
}

int FakeHost::OnViewer(const char* file, const char* title, int x1, int y1, int x2, int y2,
                       unsigned flags) {
  HostCall c{HostCall::Viewer};
  c.path = file ? file : "";
  c.title = title ? title : "";
  c.x1 = x1;
  c.y1 = y1;
  c.x2 = x2;
  c.y2 = y2;
  c.flags = flags;
  std::ifstream in(c.path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  c.fileContent = content.str();
  calls.push_back(c);
  if (deleteOnView && (flags & kViewerDeleteOnClose))
    std::remove(c.path.c_str());
  return 1;
}

int FakeHost::OnEditorControl(int command, void* param) {
  if (command == kEditorGetInfo) {
    calls.push_back(HostCall{HostCall::EditorInfo});
    auto* info = static_cast<EditorInfo*>(param);
    info->BlockType = blockType;
    info->BlockStartLine = blockStartLine;
    return 1;
  }
  if (command == kEditorGetString) {
    auto* line = static_cast<EditorGetString*>(param);
    HostCall c{HostCall::EditorLine};
    c.number = line->StringNumber;
    calls.push_back(c);
    if (line->StringNumber < 0 || line->StringNumber >= static_cast<int>(lines.size()))
      return 0;
    const FakeEditorLine& l = lines[static_cast<std::size_t>(line->StringNumber)];
    line->StringText = l.text.data();
    line->StringEOL = "";
    line->StringLength = static_cast<int>(l.text.size());
    line->SelStart = l.selStart;
    line->SelEnd = l.selEnd;
    return 1;
  }
  return 0;
}

}  // namespace kestrin::test
