#include "plan/PlanRun.h"

#include <cstdio>
#include <initializer_list>
#include <string_view>

#include "host/Boxes.h"
#include "oracle/Session.h"
#include "plan/SqlTemplates.h"
#include "platform/Platform.h"
#include "plugin/Module.h"

namespace kestrin {

namespace {

// The explain, the longest text, with the longest table name, statement
// identifier and statement, fits ScratchBuffer with its NUL.
static_assert(sizeof(sql_explain_plan) - 1 - 3 * 2 + 80 + (kSettingTextSize - 1) +
                  (kStatementBufferSize - 1) <
              kScratchBufferSize);

// ORA-00955: the name is already used by an existing object.
constexpr std::uint16_t kNameAlreadyUsed = 955;

enum class Commit { Yes, No };

// How one statement step ended.
enum class StepResult {
  Done,
  AlreadyExists,  // the execute failed with ORA-00955, and the caller accepted it
  Failed,         // reported in the Oracle error box
};

// One statement step: the template filled into ScratchBuffer, parsed,
// executed and (unless told otherwise) committed. The first call that fails
// is reported with the cursor's return code, which the client library leaves
// there after every failed call, a failed commit included.
StepResult RunStatement(Module& module, const char* sqlTemplate,
                        std::initializer_list<std::string_view> args, Commit commit,
                        bool acceptAlreadyExists = false) {
  RunState& state = module.State();
  OracleClient& oracle = module.Oracle();
  OracleSession& session = state.Session;

  state.Scratch.Reset();
  state.Scratch.AppendPattern(sqlTemplate, args);
  state.Scratch.AppendNul();

  StepResult result = StepResult::Done;
  if (oracle.Parse(session, state.ScratchBuffer.data()) != 0)
    result = StepResult::Failed;
  else if (oracle.Execute(session) != 0)
    result = acceptAlreadyExists && CursorReturnCode(session.Cursor) == kNameAlreadyUsed
                 ? StepResult::AlreadyExists
                 : StepResult::Failed;
  if (result != StepResult::Failed && commit == Commit::Yes && oracle.Commit(session) != 0)
    result = StepResult::Failed;

  if (result == StepResult::Failed)
    ShowOracleError(module, CursorReturnCode(session.Cursor), false);
  return result;
}

void FormStatementId(Module& module) {
  const LocalTime t = module.System().GetLocalTime();
  SettingText& id = module.State().StatementId;
  // Ten letters and seventeen digits for any real time, inside the plan
  // table's thirty characters; at most 80 characters whatever the fields.
  std::snprintf(id.data(), id.size(), "FARKESTRIN%04u%02u%02u%02u%02u%02u%03u",
                static_cast<unsigned>(t.Year), static_cast<unsigned>(t.Month),
                static_cast<unsigned>(t.Day), static_cast<unsigned>(t.Hour),
                static_cast<unsigned>(t.Minute), static_cast<unsigned>(t.Second),
                static_cast<unsigned>(t.Milliseconds));
}

}  // namespace

PlanOutcome PlanRun(Module& module, std::uint32_t& flags) {
  RunState& state = module.State();
  const std::string_view table = View(state.PlanTable);

  flags = 0;
  module.RefreshSavedScreen();
  ShowProgressNote(module.Host(), Msg::Explaining);

  if (state.BuildIfNotExist != 0) {
    const StepResult created =
        RunStatement(module, sql_create_table, {table}, Commit::Yes, /*acceptAlreadyExists=*/true);
    if (created == StepResult::Failed)
      return PlanOutcome::Restore;
    // Only a table this command created is its own; an object that was there
    // already is taken to be the plan table and stays.
    if (created == StepResult::Done)
      flags |= PlanTableOwned;
  }

  FormStatementId(module);
  const std::string_view id = View(state.StatementId);

  // A table created just now has no rows to delete.
  if ((flags & PlanTableOwned) == 0 &&
      RunStatement(module, sql_delete_plan, {table, id}, Commit::Yes) == StepResult::Failed)
    return PlanOutcome::Restore;

  // No commit: the rows stay private to the session until the final delete.
  const std::string_view statement(
      state.StatementBuffer.data(),
      BoundedLength(state.StatementBuffer.data(), state.StatementBuffer.size()));
  if (RunStatement(module, sql_explain_plan, {id, table, statement}, Commit::No) ==
      StepResult::Failed)
    return PlanOutcome::CleanUp;
  return PlanOutcome::Report;
}

void CleanUpPlanTable(Module& module, std::uint32_t& flags) {
  RunState& state = module.State();
  const std::string_view table = View(state.PlanTable);

  if (state.DropAfterUse != 0) {
    // A table the command did not create is dropped only on the user's word.
    if ((flags & PlanTableOwned) == 0) {
      module.RefreshSavedScreen();
      if (AskDropPlanTable(module.Host()))
        flags |= PlanTableOwned;
    }
    if ((flags & PlanTableOwned) != 0) {
      if (RunStatement(module, sql_drop_table, {table}, Commit::Yes) == StepResult::Failed)
        return;
      flags |= PlanTableDropped;
    }
  }

  // The rows go only once the report holds the plan they made.
  if ((flags & PlanWritten) != 0 && (flags & PlanTableDropped) == 0)
    RunStatement(module, sql_delete_plan, {table, View(state.StatementId)}, Commit::Yes);
}

}  // namespace kestrin
