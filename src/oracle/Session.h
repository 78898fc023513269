// The Oracle session of the explain command: one logon and one cursor held by
// the process, reused while the connect string stays the same, and the one
// error box through which every Oracle failure is reported.
#pragma once

namespace kestrin {

class Module;

// Stage 5: takes the command's first snapshot, shows the connecting note and
// makes sure a session is open for ConnectString (logging off one held for
// another connect string first). Returns true when it is; false after the
// Oracle error box has been shown.
bool EnsureSession(Module& module);

// Writes the error line for `code` into ErrorTextBuffer: Oracle's text for it
// cut at its first line feed, or message 14 with the code when Oracle gives no
// text. The same line serves the error box and the report.
void FormatOracleErrorLine(Module& module, int code);

// Shows the Oracle error box for `code`: with logon details the header names
// the user and alias, otherwise it is the general Oracle error line.
void ShowOracleError(Module& module, int code, bool withLogonDetails);

}  // namespace kestrin
