// The eight persistent options: read from the settings key of the current
// user's registry on the first command of the process, written back after
// every confirmed dialog. The password is not a setting and is never stored.
//
// The settings key is RunState::SettingsKeyPath; every operation below works
// on its own copy of it (the working path, at most kWorkingPathSize - 1
// characters), with the sub-key appended when one is given. A key path that
// is empty, or that does not fit the working path, is never cut to some other
// key: there is no key then, every read takes its default and nothing is
// written. Every read and every write opens and closes the key on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/Platform.h"

namespace kestrin {

class Module;

// The registry hive a settings key lives in. The platform's registry is the
// current user's, so that is the only one there is.
enum class RegistryRoot { CurrentUser };

inline constexpr std::size_t kWorkingPathSize = 80;

// Opens the settings key (plus `subKey` when not empty) with query access.
// Returns the key, or null when there is no such key or it cannot be opened.
RegistryKey OpenSettingsKey(Module& module, RegistryRoot root, std::string_view subKey);

// Opens the settings key (plus `subKey`) with write access, creating it and
// the keys above it when missing. Returns the key, or null when that fails.
RegistryKey CreateSettingsKey(Module& module, RegistryRoot root, std::string_view subKey);

// Reads value `name` into `dest` (`capacity` bytes) and returns 1. When the
// key or the value cannot be read, or the data is larger than `capacity`,
// copies `defaultText` into `dest` instead and returns 0. Whatever was stored,
// `dest` ends as a terminated text: data that fills it without a terminator
// is used as its first capacity - 1 characters, and data shorter than it ends
// after its stored bytes. The value's type is not examined.
int ReadSettingText(Module& module, RegistryRoot root, std::string_view subKey, const char* name,
                    char* dest, std::string_view defaultText, std::size_t capacity);

// Reads value `name` as a 32-bit number (stored lowest byte first) into
// `*dest` and returns 1; data shorter than 4 bytes has its missing high bytes
// zero. When the key or the value cannot be read, or the data is larger than
// 4 bytes, stores `defaultValue` and returns 0. The type is not examined.
int ReadSettingNumber(Module& module, RegistryRoot root, std::string_view subKey, const char* name,
                      std::int32_t* dest, std::int32_t defaultValue);

// The number stored as value `name`, or `defaultValue` when it cannot be read.
std::int32_t GetSettingNumber(Module& module, RegistryRoot root, std::string_view subKey,
                              const char* name, std::int32_t defaultValue);

// Stores `text` as value `name` of type REG_SZ, its terminator included in
// the size. A text holds at most kSettingTextSize - 1 characters, as a
// settings field does; a longer one is stored as that many. A failure is not
// reported: the value keeps what it had.
void WriteSettingText(Module& module, RegistryRoot root, std::string_view subKey, const char* name,
                      std::string_view text);

// Stores `value` as value `name` of type REG_DWORD (4 bytes, lowest first).
// A failure is not reported: the value keeps what it had.
void WriteSettingNumber(Module& module, RegistryRoot root, std::string_view subKey,
                        const char* name, std::int32_t value);

// Fills the eight settings of the module's RunState from the settings key; a
// value that cannot be read takes its default. Never fails.
void LoadSettings(Module& module);

// Writes the eight settings of the module's RunState to the settings key,
// changed or not; a value that cannot be written is lost without a message.
// Never fails.
void SaveSettings(Module& module);

}  // namespace kestrin
