#include "dialog/ConnectionDialog.h"

#include "plugin/Module.h"

namespace kestrin {

// The dialog itself comes with the dialog work; until then the settings are
// taken as they stand and joined into the connect string.
DialogOutcome ConnectionDialog(Module& module) {
  RunState& s = module.State();
  s.Scratch.Reset();
  s.Scratch.Append(View(s.User));
  if (!IsEmpty(s.Password)) {
    s.Scratch.Append("/");
    s.Scratch.Append(View(s.Password));
  }
  if (!IsEmpty(s.Alias)) {
    s.Scratch.Append("@");
    s.Scratch.Append(View(s.Alias));
  }
  s.Scratch.AppendNul();
  SetText(s.ConnectString, s.Scratch.Text());
  return DialogOutcome::Run;
}

}  // namespace kestrin
