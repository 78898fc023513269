// The connection dialog: alias, user, password, plan table, the capture
// options and three switches, shown until the input is valid, the user
// cancels or the user disconnects.
#pragma once

namespace kestrin {

class Module;

enum class DialogOutcome {
  Run,           // valid input: the settings are saved and ConnectString is built
  Disconnected,  // the disconnect button: logged off and the notice shown
  Cancelled,     // anything else
};

DialogOutcome ConnectionDialog(Module& module);

}  // namespace kestrin
