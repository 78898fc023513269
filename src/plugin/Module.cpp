#include "plugin/Module.h"

#include <cstring>

#include "plugin/ExplainCommand.h"

namespace kestrin {

namespace {

constexpr std::string_view kSettingsKeyName = "\\Kestrin";

}  // namespace

Module::Module(Platform& platform, const OciCalls* calls)
    : platform_(platform), oracle_(platform, calls) {}

Module::~Module() = default;

void Module::SetStartupInfo(const PluginStartupInfo* info) {
  // The record's own size, whatever the host says StructSize is: the fields the
  // module reads all lie within it.
  std::memcpy(&state_.HostRecord, info, sizeof(PluginStartupInfo));

  // A root key so long that the path does not fit would name another key if
  // it were cut; the path is left empty instead, which the settings store
  // treats as having no key at all.
  TextWriter path(state_.SettingsKeyPath.data(), state_.SettingsKeyPath.size());
  const char* root = state_.HostRecord.RootKey ? state_.HostRecord.RootKey : "";
  path.Append(std::string_view(root, BoundedLength(root, kSettingsKeyPathSize)));
  path.Append(kSettingsKeyName);
  path.AppendNul();
  if (path.Overflowed())
    state_.SettingsKeyPath[0] = '\0';
}

void Module::GetPluginInfo(PluginInfo* info) {
  state_.MenuText = host_.GetMsg(Msg::Title);
  info->StructSize = sizeof(PluginInfo);
  info->Flags = kPluginFlagEditor | kPluginFlagDisabled;
  info->DiskMenuStringsNumber = 0;
  info->PluginMenuStrings = &state_.MenuText;
  info->PluginMenuStringsNumber = 1;
  info->PluginConfigStringsNumber = 0;
}

HostHandle Module::OpenPlugin(int /*openFrom*/, int /*item*/) {
  ExplainCommand(*this);
  return InvalidHostHandle();
}

void Module::ExitFAR() {
  if (!IsEmpty(state_.CurrentConnection)) {
    state_.CurrentConnection[0] = '\0';
    oracle_.CloseCursor(state_.Session);
    oracle_.Logoff(state_.Session);
  }
  state_.MarkerProgress.reset();
  state_.MarkerStart.reset();
}

void Module::RefreshSavedScreen() {
  host_.RestoreScreen(state_.SavedScreen);
  state_.SavedScreen = host_.SaveScreen();
}

}  // namespace kestrin
