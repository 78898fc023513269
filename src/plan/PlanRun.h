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

// Stage 6: shows the explaining note, creates the plan table when asked
// (an existing one, ORA-00955, is accepted), forms StatementId from the local
// time, deletes old rows under it unless the table is new, and runs EXPLAIN
// PLAN for StatementBuffer. `flags` (RunFlag bits) starts at 0 and gets
// PlanTableOwned when this command created the table. Returns Report after a
// successful explain; after a failure, which has been shown in the Oracle
// error box, CleanUp (the explain failed) or Restore (the create or the
// delete failed).
PlanOutcome PlanRun(Module& module, std::uint32_t& flags);

// Stage 8: with DropAfterUse, drops the plan table when this command created
// it or the user says so (PlanTableOwned, PlanTableDropped); otherwise, once
// the plan is in the report (PlanWritten), deletes this statement's rows. A
// failure is shown in the Oracle error box and ends the stage.
void CleanUpPlanTable(Module& module, std::uint32_t& flags);

}  // namespace kestrin
