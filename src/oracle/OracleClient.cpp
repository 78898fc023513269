#include "oracle/OracleClient.h"

#include <cstring>

#include "platform/Platform.h"
#include "text/FixedText.h"

namespace kestrin {

namespace {

bool Complete(const OciCalls& calls) {
  return calls.olog && calls.oopen && calls.oparse && calls.oexec && calls.odefin && calls.ofetch &&
         calls.ocom && calls.oclose && calls.ologof && calls.oerhms;
}

}  // namespace

OracleClient::OracleClient(Platform& platform, const OciCalls* preset) : platform_(platform) {
  if (preset && Complete(*preset)) {
    calls_ = *preset;
    bound_ = true;
  }
}

bool OracleClient::Bound() {
  if (bound_)
    return true;
  OciCalls calls{};
  bindFailure_[0] = '\0';
  if (platform_.BindClientLibrary(calls, bindFailure_.data(), bindFailure_.size()) &&
      Complete(calls)) {
    calls_ = calls;
    bound_ = true;
  } else if (bindFailure_[0] == '\0') {
    CopyText(bindFailure_.data(), bindFailure_.size(), "the Oracle client library is incomplete");
  }
  return bound_;
}

int OracleClient::Logon(OracleSession& s, const char* connectString) {
  if (!Bound())
    return kClientLibraryUnavailable;
  return calls_.olog(&s.Logon, &s.HostData, connectString, -1, nullptr, -1, nullptr, -1, 0);
}

// The calls below run only after a successful logon, so the table is bound;
// the checks keep a caller's mistake from becoming a jump through null.
#define KESTRIN_REQUIRE_BOUND(cursor)                       \
  if (!bound_) {                                            \
    SetCursorReturnCode(cursor, kClientLibraryUnavailable); \
    return kClientLibraryUnavailable;                       \
  }

int OracleClient::OpenCursor(OracleSession& s) {
  KESTRIN_REQUIRE_BOUND(s.Cursor)
  return calls_.oopen(&s.Cursor, &s.Logon, nullptr, -1, -1, nullptr, -1);
}

int OracleClient::Parse(OracleSession& s, const char* sql) {
  KESTRIN_REQUIRE_BOUND(s.Cursor)
  return calls_.oparse(&s.Cursor, sql, -1, 1, 1);
}

int OracleClient::Execute(OracleSession& s) {
  KESTRIN_REQUIRE_BOUND(s.Cursor)
  return calls_.oexec(&s.Cursor);
}

int OracleClient::Define(OracleSession& s, int position, void* buffer, int length, int type) {
  KESTRIN_REQUIRE_BOUND(s.Cursor)
  return calls_.odefin(&s.Cursor, position, buffer, length, type, -1, nullptr, nullptr, -1, -1,
                       nullptr, nullptr);
}

int OracleClient::Fetch(OracleSession& s) {
  KESTRIN_REQUIRE_BOUND(s.Cursor)
  return calls_.ofetch(&s.Cursor);
}

int OracleClient::Commit(OracleSession& s) {
  KESTRIN_REQUIRE_BOUND(s.Cursor)
  return calls_.ocom(&s.Logon);
}

#undef KESTRIN_REQUIRE_BOUND

void OracleClient::CloseCursor(OracleSession& s) {
  if (bound_)
    calls_.oclose(&s.Cursor);
}

void OracleClient::Logoff(OracleSession& s) {
  if (bound_)
    calls_.ologof(&s.Logon);
}

int OracleClient::ErrorText(OracleSession& s, int code, char* buffer, int size) {
  if (size <= 0)
    return 0;
  if (!bound_) {
    if (static_cast<std::uint16_t>(code) != kClientLibraryUnavailable)
      return 0;
    CopyText(buffer, static_cast<std::size_t>(size), View(bindFailure_));
    return 1;
  }
  return calls_.oerhms(&s.Logon, static_cast<short>(code), buffer, size);
}

}  // namespace kestrin
