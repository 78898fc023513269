#include "settings/Settings.h"

#include "plugin/Module.h"

namespace kestrin {

// The registry store comes with the settings work; until then every value
// takes its default.
void LoadSettings(Module& module) {
  RunState& s = module.State();
  SetText(s.Alias, "");
  SetText(s.User, "scott");
  SetText(s.PlanTable, "plan_table");
  SetText(s.SkipSymbols, "\"\\;");
  SetText(s.EndLineComments, "//,--");
  s.BuildIfNotExist = 1;
  s.DropAfterUse = 0;
  s.AutoDisconnect = 1;
}

void SaveSettings(Module&) {}

}  // namespace kestrin
