#include "host/HostServices.h"

#include <cstring>

namespace kestrin {

const char* HostServices::GetMsg(Msg msg) const {
  const char* text = record_.GetMsg(record_.ModuleNumber, static_cast<int>(msg));
  return text ? text : "";
}

int HostServices::Message(unsigned flags, const char* const* items, int count, int buttons) const {
  return record_.Message(record_.ModuleNumber, flags, nullptr, items, count, buttons);
}

int HostServices::Dialog(FarDialogItem* items, int count) const {
  return record_.Dialog(record_.ModuleNumber, -1, -1, 75, 19, nullptr, items, count);
}

HostHandle HostServices::SaveScreen() const {
  return record_.SaveScreen(0, 0, -1, -1);
}

void HostServices::RestoreScreen(HostHandle screen) const {
  record_.RestoreScreen(screen);
}

int HostServices::Viewer(const char* path, unsigned flags) const {
  return record_.Viewer(path, path, 0, 0, -1, -1, flags);
}

EditorInfo HostServices::GetEditorInfo() const {
  EditorInfo info;
  std::memset(&info, 0, sizeof info);
  record_.EditorControl(kEditorGetInfo, &info);
  return info;
}

bool HostServices::GetEditorLine(int number, EditorGetString& line) const {
  std::memset(&line, 0, sizeof line);
  line.StringNumber = number;
  return record_.EditorControl(kEditorGetString, &line) != 0;
}

}  // namespace kestrin
