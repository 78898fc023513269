// The plan table's part of the explain command: creating the table when
// asked, running EXPLAIN PLAN under a fresh statement identifier, and
// afterwards dropping the table or deleting the statement's plan rows.
#pragma once

#include <cstdint>

namespace kestrin {

class Module;

// Where the command goes on after the plan run.
enum class PlanOutcome {
  Report,   // the explain succeeded: write the report, then clean up
  CleanUp,  // the explain failed: clean up
  Restore,  // creating the table or deleting old rows failed: restore the screen
};

// Stage 6. Sets `flags` (RunFlag bits) to what it did.
PlanOutcome PlanRun(Module& module, std::uint32_t& flags);

// Stage 8: drops the plan table or deletes this statement's rows, as the
// settings and `flags` say.
void CleanUpPlanTable(Module& module, std::uint32_t& flags);

}  // namespace kestrin
