#include "plan/PlanRun.h"

#include "plugin/Module.h"

namespace kestrin {

// Comes with the plan work.
PlanOutcome PlanRun(Module&, std::uint32_t& flags) {
  flags = 0;
  return PlanOutcome::Restore;
}
void CleanUpPlanTable(Module&, std::uint32_t&) {}

}  // namespace kestrin
