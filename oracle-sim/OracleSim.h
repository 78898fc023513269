// The simulated Oracle server: an in-process stand-in for the Oracle client
// library (version-7 call set) with a small SQL engine, a rule-based planner
// for EXPLAIN PLAN and a demo database. Tests of the module reach it through
// SimCalls() and steer it with the functions below; the loadable libraries
// built from the same code (libkestrin-oracle-sim.so, OCIW32.dll) read their
// settings from the environment instead (see README.md).
//
// Every function here may be called at any time; they and the calls share
// one lock, so a test may use them from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "oracle/OciCalls.h"

namespace kestrin::sim {

// The ten calls served by the in-process simulator.
const OciCalls& SimCalls();

// Back to the demo database as built: no sessions or cursors, no plan
// tables, no injected failures or overrides, an empty call log, every call
// count at zero.
void Reset();

// --- Failure injection ------------------------------------------------------

// Makes the occurrence-th call (from 1, counted from the last Reset) of the
// named call ("olog", "oopen", ..., "oerhms") fail with Oracle error `code`:
// olog returns the code; the others return it and set it as the cursor (or
// logon) area's return code. For ofetch, code 2 makes that fetch pass over
// the next row (the row is consumed, 2 is returned) and code 4 makes it
// report the end of the rows (4 is returned, the return code is 1403; no row
// is consumed). An injected oerhms returns 0 and writes nothing.
void InjectFailure(std::string_view call, int occurrence, int code);
// The same as InjectFailure("ofetch", fetchOccurrence, 2).
void InjectFetchSkip(int fetchOccurrence);
// While set, every oerhms returns 0 and writes nothing.
void SetOerhmsFails(bool fails);

// --- Plans ------------------------------------------------------------------

// One row for the next EXPLAIN PLAN to store. Empty strings are NULL.
struct PlanRow {
  std::string operation;
  std::string options;
  std::string objectOwner;
  std::string objectName;
  long id = 0;
  std::optional<long> parentId;
  std::optional<long> position;
  std::string optimizer;
};

// The next EXPLAIN PLAN (in any session) stores exactly these rows instead
// of the planner's. Its text must still parse; the statement inside is not
// checked against the dictionary.
void SetPlanOverride(std::vector<PlanRow> rows);

// --- The call log -------------------------------------------------------------

struct CallRecord {
  std::string name;      // "olog", "oparse", ...
  std::string sql;       // oparse: the statement's text
  std::string user;      // olog: the user-name argument (the connect string) as given
  int position = 0;      // odefin
  int bufferLength = 0;  // odefin
  int type = 0;          // odefin: the external type
  int result = 0;        // what the call returned
};

std::vector<CallRecord> CallLog();
void ClearCallLog();

// --- The database -------------------------------------------------------------

struct SimDate {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

struct NewColumn {
  std::string name;
  std::string type = "VARCHAR2(30)";  // as CREATE TABLE writes it
};

// Names are identifiers: case does not matter. Each returns 0 or the Oracle
// error number the same change made in SQL would raise (ORA-00955 for a
// name in use, ORA-00942 for a missing table, ORA-01918 for a missing user).
int AddUser(std::string_view name, std::string_view password, bool dictionaryAccess = true);
// Drops the user and everything in the user's schema.
int RemoveUser(std::string_view name);
int SetDictionaryAccess(std::string_view user, bool granted);
inline int RevokeDictionaryAccess(std::string_view user) {
  return SetDictionaryAccess(user, false);
}
// Sets (or with nullopt clears) the index's LAST_ANALYZED.
int MarkIndexAnalyzed(std::string_view owner, std::string_view index, std::optional<SimDate> when);
int AddTable(std::string_view owner, std::string_view table, const std::vector<NewColumn>& columns);
int AddIndex(std::string_view owner, std::string_view index, std::string_view table,
             const std::vector<std::string>& columns, bool unique);
// Runs a statement as the user, outside any session; returns 0 or the error.
int Execute(std::string_view user, std::string_view sql);
// Runs a query as the user and gives its rows as text (NULL as ""), or
// nothing with *error set.
std::vector<std::vector<std::string>> QueryRows(std::string_view user, std::string_view sql,
                                                int* error = nullptr);
// The exact text oerhms writes for the code from now on (cut to the buffer).
void SetOerhmsText(int code, std::string_view text);

// --- Configuration ------------------------------------------------------------

struct FailureEntry {
  std::string call;
  int occurrence = 0;
  int code = 0;

  bool operator==(const FailureEntry&) const = default;
};

// Reads the KESTRIN_SIM_FAIL syntax: entries "call#occurrence=code" joined
// by commas, blanks allowed around each part ("oopen#1=1017, ofetch#3=2").
// Nothing when any entry is malformed or names no known call.
std::optional<std::vector<FailureEntry>> ParseFailureList(std::string_view text);

// Applies KESTRIN_SIM_FAIL, KESTRIN_SIM_OERHMS_FAILS and KESTRIN_SIM_LOG
// from the environment on top of the current state. A malformed
// KESTRIN_SIM_FAIL is ignored as a whole.
void ConfigureFromEnvironment();

}  // namespace kestrin::sim
