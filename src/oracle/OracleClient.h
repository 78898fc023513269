// The module's one way to the database: the ten client-library calls with the
// argument values the module always passes, over a call table that is either
// given (tests, the in-process simulator) or bound from the client library on
// the first logon. A library that is missing or incomplete is not a crash: the
// logon fails with kClientLibraryUnavailable, and the error text for that code
// names the library, the call and the system's reason.
#pragma once

#include <array>

#include "oracle/OciCalls.h"

namespace kestrin {

class Platform;

// The error number of a logon that could not reach the client library. It is
// no Oracle error number (those stay below 65000).
inline constexpr int kClientLibraryUnavailable = 65535;

// The process's one Oracle session: logon area, host data area, one cursor.
struct OracleSession {
  LogonArea Logon{};
  HostDataArea HostData{};
  CursorArea Cursor{};
};

class OracleClient {
 public:
  // `preset`: a complete table used as it is; null: bind through `platform`
  // on the first logon (and retry on later logons while it fails).
  OracleClient(Platform& platform, const OciCalls* preset);

  // Logs on with the whole connect string as the user name. Returns 0 or the
  // error number.
  int Logon(OracleSession& session, const char* connectString);
  // Opens the session's cursor. Returns 0, else non-zero with the error
  // number in the cursor's return code.
  int OpenCursor(OracleSession& session);
  // Parses NUL-terminated SQL (deferred, version-7 language rules).
  int Parse(OracleSession& session, const char* sql);
  int Execute(OracleSession& session);
  // Defines output column `position` into `buffer` of `length` bytes as
  // external type `type`.
  int Define(OracleSession& session, int position, void* buffer, int length, int type);
  // Fetches one row: 0 (a row), kFetchSkipRow, kFetchNoMore, or a failure.
  int Fetch(OracleSession& session);
  int Commit(OracleSession& session);
  void CloseCursor(OracleSession& session);
  void Logoff(OracleSession& session);
  // Writes Oracle's text for `code` into `buffer` (`size` bytes). Returns
  // non-zero when a text was written.
  int ErrorText(OracleSession& session, int code, char* buffer, int size);

 private:
  bool Bound();

  Platform& platform_;
  OciCalls calls_{};
  bool bound_ = false;
  std::array<char, 512> bindFailure_{};
};

}  // namespace kestrin
