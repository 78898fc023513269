// The numbers of the module's messages. Every text the user reads, apart from
// SQL, Oracle's own error texts, file paths and the dialog's credits line, is
// one of these, asked of the host at the moment it is shown; the texts live in
// the host's language file for the module.
#pragma once

namespace kestrin {

enum class Msg : int {
  Ok = 0,          // the one button of every one-button box; the dialog's third button
  Explain = 1,     // the dialog's default button
  Disconnect = 2,  // the dialog's disconnect button
  AliasLabel = 3,
  UserLabel = 4,
  PasswordLabel = 5,
  PlanTableLabel = 6,
  SkipSymbolsLabel = 7,
  EndLineCommentsLabel = 8,
  AutoDisconnectCheck = 9,
  BuildIfNotExistCheck = 10,
  DropAfterUseCheck = 11,
  LogonErrorHeader = 12,   // followed directly by the user name and "@alias"
  Connecting = 13,         // progress note while the session is set up
  OracleErrorCode = 14,    // format with one integer: an Oracle code without text
  OracleErrorHeader = 15,  // first line of every other Oracle error box
  BadAlias = 16,
  BadUser = 17,
  Unused18 = 18,
  BadPlanTable = 19,
  Explaining = 20,  // progress note while the plan is made
  DropQuestion1 = 21,
  DropQuestion2 = 22,
  DropButton = 23,
  KeepButton = 24,
  NoBlock = 25,
  StatementTooLong = 26,
  StatementEmpty = 27,
  ReportOpenFailed = 28,  // the file's path follows on the next line
  ReportNameFailed = 29,  // format with one integer: the system's error code
  IndexReportFailed = 30,
  Disconnected = 31,
  TableWord = 32,  // begins each table's heading in the index report
  Title = 33,      // the system's title and its plugin-menu item
};

inline constexpr int kMessageCount = 34;

}  // namespace kestrin
