// The eight persistent options: read from the settings key of the current
// user's registry on the first command of the process, written back after
// every confirmed dialog. The password is not a setting and is never stored.
#pragma once

namespace kestrin {

class Module;

// Fills the eight settings of the module's RunState from the settings key; a
// value that cannot be read takes its default. Never fails.
void LoadSettings(Module& module);

// Writes the eight settings of the module's RunState to the settings key; a
// value that cannot be written is lost without a message. Never fails.
void SaveSettings(Module& module);

}  // namespace kestrin
