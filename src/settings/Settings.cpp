#include "settings/Settings.h"

#include <array>

#include "plugin/Module.h"

namespace kestrin {

namespace {

using WorkingPath = FixedText<kWorkingPathSize>;

constexpr std::int32_t kDefaultBuildIfNotExist = 1;
constexpr std::int32_t kDefaultDropAfterUse = 0;
constexpr std::int32_t kDefaultAutoDisconnect = 1;
constexpr std::string_view kDefaultAlias = "";
constexpr std::string_view kDefaultUser = "scott";
constexpr std::string_view kDefaultPlanTable = "plan_table";
constexpr std::string_view kDefaultSkipSymbols = "\"\\;";
constexpr std::string_view kDefaultEndLineComments = "//,--";

// Forms the key path of one operation. Returns false when there is no key:
// the settings key path is empty (the host's root key was too long for it)
// or the path does not fit, since a cut path would name another key.
bool FormWorkingPath(const RunState& state, std::string_view subKey, WorkingPath& path) {
  if (IsEmpty(state.SettingsKeyPath))
    return false;
  TextWriter writer(path.data(), path.size());
  writer.Append(View(state.SettingsKeyPath));
  if (!subKey.empty()) {
    writer.AppendChar('\\');
    writer.Append(subKey);
  }
  writer.AppendNul();
  return !writer.Overflowed();
}

}  // namespace

RegistryKey OpenSettingsKey(Module& module, RegistryRoot /*root*/, std::string_view subKey) {
  WorkingPath path{};
  if (!FormWorkingPath(module.State(), subKey, path))
    return nullptr;
  return module.System().OpenKey(path.data());
}

RegistryKey CreateSettingsKey(Module& module, RegistryRoot /*root*/, std::string_view subKey) {
  WorkingPath path{};
  if (!FormWorkingPath(module.State(), subKey, path))
    return nullptr;
  return module.System().CreateKey(path.data());
}

int ReadSettingText(Module& module, RegistryRoot root, std::string_view subKey, const char* name,
                    char* dest, std::string_view defaultText, std::size_t capacity) {
  if (capacity == 0)
    return 0;
  // Capacities beyond what the registry can count are never needed.
  const std::uint32_t limit =
      capacity > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(capacity);
  bool read = false;
  std::uint32_t size = limit;
  if (RegistryKey key = OpenSettingsKey(module, root, subKey)) {
    std::uint32_t type = 0;
    read = module.System().QueryValue(key, name, &type, dest, &size);
    module.System().CloseKey(key);
  }
  if (!read || size > limit) {
    CopyText(dest, capacity, defaultText);
    return 0;
  }
  // The stored bytes need not end in a terminator: the text ends after them,
  // or at the last byte of the field when they fill it.
  dest[size < limit ? size : limit - 1] = '\0';
  return 1;
}

int ReadSettingNumber(Module& module, RegistryRoot root, std::string_view subKey, const char* name,
                      std::int32_t* dest, std::int32_t defaultValue) {
  // Read into bytes of our own, so that data shorter than 4 bytes leaves the
  // high bytes zero whatever the destination held.
  std::array<unsigned char, 4> bytes{};
  bool read = false;
  std::uint32_t size = static_cast<std::uint32_t>(bytes.size());
  if (RegistryKey key = OpenSettingsKey(module, root, subKey)) {
    std::uint32_t type = 0;
    read = module.System().QueryValue(key, name, &type, bytes.data(), &size);
    module.System().CloseKey(key);
  }
  if (!read || size > bytes.size()) {
    *dest = defaultValue;
    return 0;
  }
  std::uint32_t value = 0;
  for (std::uint32_t i = 0; i < size; ++i)
    value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
  *dest = static_cast<std::int32_t>(value);
  return 1;
}

std::int32_t GetSettingNumber(Module& module, RegistryRoot root, std::string_view subKey,
                              const char* name, std::int32_t defaultValue) {
  std::int32_t value = 0;
  ReadSettingNumber(module, root, subKey, name, &value, defaultValue);
  return value;
}

void WriteSettingText(Module& module, RegistryRoot root, std::string_view subKey, const char* name,
                      std::string_view text) {
  // The stored bytes are the text and its terminator, taken from a copy so
  // that a view without a terminator behind it is never read past its end.
  SettingText data{};
  CopyText(data.data(), data.size(), text);
  const std::size_t length = BoundedLength(data.data(), data.size());
  if (RegistryKey key = CreateSettingsKey(module, root, subKey)) {
    module.System().SetValue(key, name, kRegSz, data.data(),
                             static_cast<std::uint32_t>(length + 1));
    module.System().CloseKey(key);
  }
}

void WriteSettingNumber(Module& module, RegistryRoot root, std::string_view subKey,
                        const char* name, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  const std::array<unsigned char, 4> data = {
      static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
      static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
  if (RegistryKey key = CreateSettingsKey(module, root, subKey)) {
    module.System().SetValue(key, name, kRegDword, data.data(),
                             static_cast<std::uint32_t>(data.size()));
    module.System().CloseKey(key);
  }
}

void LoadSettings(Module& module) {
  RunState& s = module.State();
  constexpr RegistryRoot root = RegistryRoot::CurrentUser;
  ReadSettingText(module, root, "", "Alias", s.Alias.data(), kDefaultAlias, s.Alias.size());
  ReadSettingText(module, root, "", "User", s.User.data(), kDefaultUser, s.User.size());
  ReadSettingText(module, root, "", "PlanTable", s.PlanTable.data(), kDefaultPlanTable,
                  s.PlanTable.size());
  ReadSettingText(module, root, "", "SkipSymbols", s.SkipSymbols.data(), kDefaultSkipSymbols,
                  s.SkipSymbols.size());
  ReadSettingText(module, root, "", "EndLineComments", s.EndLineComments.data(),
                  kDefaultEndLineComments, s.EndLineComments.size());
  s.BuildIfNotExist =
      GetSettingNumber(module, root, "", "BuildIfNotExist", kDefaultBuildIfNotExist);
  s.DropAfterUse = GetSettingNumber(module, root, "", "DropAfterUse", kDefaultDropAfterUse);
  s.AutoDisconnect = GetSettingNumber(module, root, "", "AutoDisconnect", kDefaultAutoDisconnect);
}

void SaveSettings(Module& module) {
  const RunState& s = module.State();
  constexpr RegistryRoot root = RegistryRoot::CurrentUser;
  // The password is not among them: it lives in RunState only.
  WriteSettingText(module, root, "", "Alias", View(s.Alias));
  WriteSettingText(module, root, "", "User", View(s.User));
  WriteSettingText(module, root, "", "PlanTable", View(s.PlanTable));
  WriteSettingNumber(module, root, "", "BuildIfNotExist", s.BuildIfNotExist);
  WriteSettingNumber(module, root, "", "DropAfterUse", s.DropAfterUse);
  WriteSettingText(module, root, "", "SkipSymbols", View(s.SkipSymbols));
  WriteSettingNumber(module, root, "", "AutoDisconnect", s.AutoDisconnect);
  WriteSettingText(module, root, "", "EndLineComments", View(s.EndLineComments));
}

}  // namespace kestrin
