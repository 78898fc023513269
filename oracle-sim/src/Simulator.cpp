// The server's state (catalog, sessions, cursors, injected failures, call
// log) and the ten calls served on it.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <new>

#include "Binder.h"
#include "Calls.h"
#include "Catalog.h"
#include "Engine.h"
#include "Errors.h"
#include "OracleSim.h"
#include "Parser.h"

namespace kestrin::sim {

namespace {

// Where the server keeps its own marks in the areas the client hands it.
// The layout follows Oracle's: rows processed at 4, the parse error offset
// at 8, the return code at 12; the session or cursor number at 36, behind a
// tag at 32.
constexpr std::size_t kRowsProcessedOffset = 4;
constexpr std::size_t kParseErrorOffset = 8;
constexpr std::size_t kTagOffset = 32;
constexpr std::size_t kIdOffset = 36;
constexpr unsigned char kLogonTag[4] = {'K', 'S', 'L', 'D'};
constexpr unsigned char kCursorTag[4] = {'K', 'S', 'C', 'D'};
constexpr std::size_t kMaxOpenCursors = 50;  // OPEN_CURSORS

struct Define {
  void* buf = nullptr;
  int bufl = 0;
  int ftype = 0;
  short* indp = nullptr;
  unsigned short* rlen = nullptr;
  unsigned short* rcode = nullptr;
};

struct Session {
  std::string user;
};

struct Cursor {
  std::uint32_t session = 0;
  bool hasSql = false;
  std::string sql;
  std::optional<std::size_t> width;  // the select list's, once known
  std::map<int, Define> defines;
  bool executed = false;
  bool isQuery = false;
  bool exhausted = false;
  ResultSet result;
  std::size_t next = 0;
};

struct InjectedFailure {
  std::string call;
  int occurrence = 0;
  int code = 0;
};

struct State {
  Catalog catalog = Catalog::Demo();
  std::map<std::uint32_t, Session> sessions;
  std::map<std::uint32_t, Cursor> cursors;
  std::map<std::string, int, std::less<>> counts;
  std::vector<InjectedFailure> failures;
  bool oerhmsFails = false;
  std::vector<CallRecord> log;
  std::optional<std::vector<PlanStep>> planOverride;
  std::map<int, std::string> errorTexts;
  std::string logPath;
};

// The ids keep growing across Reset, so an area from before a Reset names
// nothing afterwards.
std::uint32_t g_nextId = 1;

State& TheState() {
  static State state;
  return state;
}

// One lock for the calls and the steering functions. The Windows runtimes
// built here have no std::mutex, so it is a spin lock.
std::atomic_flag g_lock = ATOMIC_FLAG_INIT;

class Lock {
 public:
  Lock() {
    while (g_lock.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~Lock() { g_lock.clear(std::memory_order_release); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
};

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return out;
}

std::string Argument(const char* text, int length) {
  if (text == nullptr) {
    return {};
  }
  if (length < 0) {
    return std::string(text);
  }
  return std::string(text, static_cast<std::size_t>(length));
}

void PutU16(unsigned char* bytes, std::size_t at, std::uint16_t v) {
  bytes[at] = static_cast<unsigned char>(v & 0xFF);
  bytes[at + 1] = static_cast<unsigned char>(v >> 8);
}

void PutU32(unsigned char* bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    bytes[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
  }
}

std::uint32_t GetU32(const unsigned char* bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) {
    v |= static_cast<std::uint32_t>(bytes[at + static_cast<std::size_t>(i)]) << (8 * i);
  }
  return v;
}

std::uint32_t IdIn(const unsigned char* bytes, const unsigned char (&tag)[4]) {
  return std::memcmp(bytes + kTagOffset, tag, 4) == 0 ? GetU32(bytes, kIdOffset) : 0;
}

void Mark(unsigned char* bytes, const unsigned char (&tag)[4], std::uint32_t id) {
  std::memcpy(bytes + kTagOffset, tag, 4);
  PutU32(bytes, kIdOffset, id);
}

void Unmark(unsigned char* bytes) {
  std::memset(bytes + kTagOffset, 0, 8);
}

std::uint16_t Code16(int code) {
  return static_cast<std::uint16_t>(std::clamp(code, 0, 65535));
}

void WriteLogLine(const State& s, const CallRecord& r) {
  if (s.logPath.empty()) {
    return;
  }
  std::FILE* f = std::fopen(s.logPath.c_str(), "a");
  if (f == nullptr) {
    return;
  }
  std::string detail = r.name == "oparse" ? r.sql
                       : r.name == "olog" ? r.user
                       : r.name == "odefin"
                           ? std::to_string(r.position) + " " + std::to_string(r.bufferLength) +
                                 " " + std::to_string(r.type)
                           : std::string();
  std::string escaped;
  for (char c : detail) {
    if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\t') {
      escaped += "\\t";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\\') {
      escaped += "\\\\";
    } else {
      escaped += c;
    }
  }
  std::fprintf(f, "%s\t%s\t%d\n", r.name.c_str(), escaped.c_str(), r.result);
  std::fclose(f);
}

// Counts and logs one call; finish() records its result. Gives the code
// injected for this occurrence of the call, or 0.
class CallScope {
 public:
  CallScope(State& s, const char* name) : state_(s) {
    record_.name = name;
    const int n = ++state_.counts[record_.name];
    for (const InjectedFailure& f : state_.failures) {
      if (f.call == record_.name && f.occurrence == n) {
        injected_ = f.code;
      }
    }
  }
  ~CallScope() {
    state_.log.push_back(record_);
    WriteLogLine(state_, record_);
  }
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

  CallRecord& record() { return record_; }
  int injected() const { return injected_; }
  int Finish(int result) {
    record_.result = result;
    return result;
  }

 private:
  State& state_;
  CallRecord record_;
  int injected_ = 0;
};

SessionUser UserOf(State& s, const Session& session) {
  SessionUser user;
  user.name = session.user;
  const User* u = s.catalog.FindUser(session.user);
  user.dictionaryAccess = u != nullptr && u->dictionaryAccess;
  return user;
}

// Fails a call on a cursor: sets the return code, and the offset of a parse error.
int FailCursor(CursorArea* cda, CallScope& call, int code, std::size_t offset = 0) {
  if (cda != nullptr) {
    SetCursorReturnCode(*cda, Code16(code));
    PutU16(cda->bytes, kParseErrorOffset,
           static_cast<std::uint16_t>(std::min<std::size_t>(offset, 65535)));
  }
  return call.Finish(code);
}

int LogonDone(LogonArea* lda, CallScope& call, int code) {
  if (lda != nullptr) {
    PutU16(lda->bytes, kCursorReturnCodeOffset, Code16(code));
  }
  return call.Finish(code);
}

int Succeed(CursorArea* cda, CallScope& call) {
  SetCursorReturnCode(*cda, 0);
  PutU16(cda->bytes, kParseErrorOffset, 0);
  return call.Finish(0);
}

Session* SessionOf(State& s, const LogonArea* lda) {
  if (lda == nullptr) {
    return nullptr;
  }
  const auto at = s.sessions.find(IdIn(lda->bytes, kLogonTag));
  return at == s.sessions.end() ? nullptr : &at->second;
}

// The cursor an area names, if it is open on a live session.
Cursor* CursorOf(State& s, const CursorArea* cda, int& code) {
  code = ora::kInvalidCursor;
  if (cda == nullptr) {
    return nullptr;
  }
  const auto at = s.cursors.find(IdIn(cda->bytes, kCursorTag));
  if (at == s.cursors.end()) {
    return nullptr;
  }
  if (s.sessions.count(at->second.session) == 0) {
    code = ora::kNotLoggedOn;
    return nullptr;
  }
  return &at->second;
}

// Runs a body that may raise an Oracle error; turns every failure into an
// error number.
template <typename Body>
int Guarded(Body body, std::size_t& offset) {
  try {
    body();
    return 0;
  } catch (const SqlError& e) {
    offset = e.offset;
    return e.code;
  } catch (const std::bad_alloc&) {
    return ora::kOutOfMemory;
  } catch (...) {
    return 600;  // an internal error
  }
}

int RemovedCursorsOf(State& s, std::uint32_t session) {
  int removed = 0;
  for (auto it = s.cursors.begin(); it != s.cursors.end();) {
    if (it->second.session == session) {
      it = s.cursors.erase(it);
      ++removed;
    } else {
      ++it;
    }
  }
  return removed;
}

// --- Writing fetched values ---------------------------------------------------

void WriteColumn(const Define& d, const Value& value) {
  const bool isNull = value.IsNull();
  unsigned short columnCode = isNull ? ora::kColumnIsNull : 0;
  short indicator = isNull ? -1 : 0;
  std::size_t returned = 0;
  auto* out = static_cast<unsigned char*>(d.buf);
  const auto size = static_cast<std::size_t>(std::max(d.bufl, 0));
  switch (d.ftype) {
    case 1:
    case 5:
    case 96: {
      const std::string text = ToText(value).value_or("");
      const std::size_t room = d.ftype == 5 ? (size > 0 ? size - 1 : 0) : size;
      returned = std::min(text.size(), room);
      if (text.size() > room) {
        columnCode = ora::kColumnTruncated;
        indicator = static_cast<short>(std::min<std::size_t>(text.size(), 32767));
      }
      if (out != nullptr && size > 0) {
        std::memcpy(out, text.data(), returned);
        if (d.ftype == 5) {
          out[returned] = '\0';
        } else if (d.ftype == 96) {
          std::memset(out + returned, ' ', size - returned);
          returned = size;
        }
      }
      break;
    }
    case 3: {
      const double n = isNull ? 0 : std::round(ToNumber(value));
      long long v = 0;
      const double limit = std::ldexp(1.0, static_cast<int>(size) * 8 - 1);
      if (n >= limit || n < -limit) {
        Fail(ora::kIntegerOverflow);
      }
      v = static_cast<long long>(n);
      if (out != nullptr) {
        if (size == 1) {
          const auto x = static_cast<std::int8_t>(v);
          std::memcpy(out, &x, 1);
        } else if (size == 2) {
          const auto x = static_cast<std::int16_t>(v);
          std::memcpy(out, &x, 2);
        } else if (size == 4) {
          const auto x = static_cast<std::int32_t>(v);
          std::memcpy(out, &x, 4);
        } else {
          const auto x = static_cast<std::int64_t>(v);
          std::memcpy(out, &x, 8);
        }
      }
      returned = size;
      break;
    }
    case 4: {
      const double n = isNull ? 0 : ToNumber(value);
      if (out != nullptr) {
        if (size == 4) {
          const auto x = static_cast<float>(n);
          std::memcpy(out, &x, 4);
        } else {
          std::memcpy(out, &n, 8);
        }
      }
      returned = size;
      break;
    }
    default:
      break;
  }
  if (d.indp != nullptr) {
    *d.indp = indicator;
  }
  if (d.rlen != nullptr) {
    *d.rlen = static_cast<unsigned short>(std::min<std::size_t>(returned, 65535));
  }
  if (d.rcode != nullptr) {
    *d.rcode = columnCode;
  }
}

bool ValidDefine(int ftype, int bufl) {
  switch (ftype) {
    case 1:
    case 5:
    case 96:
      return bufl >= 1;
    case 3:
      return bufl == 1 || bufl == 2 || bufl == 4 || bufl == 8;
    case 4:
      return bufl == 4 || bufl == 8;
    default:
      return false;
  }
}

constexpr const char* kCallNames[] = {"olog",   "oopen", "oparse", "oexec",  "odefin",
                                      "ofetch", "ocom",  "oclose", "ologof", "oerhms"};

}  // namespace

// --- The ten calls ------------------------------------------------------------

extern "C" {

int KESTRIN_OCI_CALL kestrin_sim_olog(LogonArea* lda, HostDataArea*, const char* uid, int uidl,
                                      const char* pswd, int pswdl, const char* conn, int connl,
                                      unsigned) {
  Lock lock;
  State& s = TheState();
  CallScope call(s, "olog");
  const std::string connect = Argument(uid, uidl);
  call.record().user = connect;
  if (lda == nullptr) {
    return call.Finish(ora::kNotLoggedOn);
  }
  Unmark(lda->bytes);
  if (call.injected() != 0) {
    return LogonDone(lda, call, call.injected());
  }
  std::string userPart = connect;
  std::string alias;
  const std::size_t at = userPart.find('@');
  if (at != std::string::npos) {
    alias = userPart.substr(at + 1);
    userPart.erase(at);
  }
  std::optional<std::string> password;
  const std::size_t slash = userPart.find('/');
  if (slash != std::string::npos) {
    password = userPart.substr(slash + 1);
    userPart.erase(slash);
  }
  if (pswd != nullptr && pswdl != 0) {
    password = Argument(pswd, pswdl);
  }
  if (conn != nullptr && connl != 0) {
    alias = Argument(conn, connl);
  }
  alias = Upper(alias);
  if (alias.size() > 6 && alias.compare(alias.size() - 6, 6, ".WORLD") == 0) {
    alias.erase(alias.size() - 6);
  }
  if (!alias.empty() && alias != "DEMO" && alias != "ORCL") {
    return LogonDone(lda, call, ora::kUnresolvedService);
  }
  const std::string name = Upper(userPart);
  if (name.empty()) {
    return LogonDone(lda, call,
                     slash != std::string::npos ? ora::kDefaultUserName : ora::kLogonDenied);
  }
  const User* user = s.catalog.FindUser(name);
  if (user == nullptr) {
    return LogonDone(lda, call, ora::kLogonDenied);
  }
  const std::string given = Upper(password.value_or(""));
  if (!user->password.empty() && given.empty()) {
    return LogonDone(lda, call, ora::kNullPassword);
  }
  if (given != user->password) {
    return LogonDone(lda, call, ora::kLogonDenied);
  }
  const std::uint32_t id = g_nextId++;
  s.sessions[id] = Session{name};
  Mark(lda->bytes, kLogonTag, id);
  PutU16(lda->bytes, kCursorReturnCodeOffset, 0);
  return call.Finish(0);
}

int KESTRIN_OCI_CALL kestrin_sim_oopen(CursorArea* cda, LogonArea* lda, const char*, int, int,
                                       const char*, int) {
  Lock lock;
  State& s = TheState();
  CallScope call(s, "oopen");
  if (cda == nullptr) {
    return call.Finish(ora::kInvalidCursor);
  }
  Unmark(cda->bytes);
  if (call.injected() != 0) {
    return FailCursor(cda, call, call.injected());
  }
  const auto session = s.sessions.find(lda != nullptr ? IdIn(lda->bytes, kLogonTag) : 0);
  if (session == s.sessions.end()) {
    return FailCursor(cda, call, ora::kNotLoggedOn);
  }
  const auto open = static_cast<std::size_t>(
      std::count_if(s.cursors.begin(), s.cursors.end(),
                    [&](const auto& c) { return c.second.session == session->first; }));
  if (open >= kMaxOpenCursors) {
    return FailCursor(cda, call, ora::kMaxCursors);
  }
  const std::uint32_t id = g_nextId++;
  s.cursors[id].session = session->first;
  Mark(cda->bytes, kCursorTag, id);
  PutU32(cda->bytes, kRowsProcessedOffset, 0);
  return Succeed(cda, call);
}

int KESTRIN_OCI_CALL kestrin_sim_oparse(CursorArea* cda, const char* sqlstm, int sqllen, int defflg,
                                        unsigned) {
  Lock lock;
  State& s = TheState();
  CallScope call(s, "oparse");
  const std::string sql = Argument(sqlstm, sqllen);
  call.record().sql = sql;
  if (call.injected() != 0) {
    return FailCursor(cda, call, call.injected());
  }
  int code = 0;
  Cursor* cursor = CursorOf(s, cda, code);
  if (cursor == nullptr) {
    return FailCursor(cda, call, code);
  }
  *cursor = Cursor{cursor->session, true, sql, {}, {}, false, false, false, {}, 0};
  if (defflg == 0) {
    std::size_t offset = 0;
    const SessionUser user = UserOf(s, s.sessions[cursor->session]);
    code = Guarded(
        [&] {
          Statement statement = ParseStatement(sql);
          Engine engine(s.catalog, user, &s.planOverride);
          cursor->width = engine.Describe(statement);
        },
        offset);
    if (code != 0) {
      return FailCursor(cda, call, code, offset);
    }
  }
  return Succeed(cda, call);
}

int KESTRIN_OCI_CALL kestrin_sim_oexec(CursorArea* cda) {
  Lock lock;
  State& s = TheState();
  CallScope call(s, "oexec");
  if (call.injected() != 0) {
    return FailCursor(cda, call, call.injected());
  }
  int code = 0;
  Cursor* cursor = CursorOf(s, cda, code);
  if (cursor == nullptr) {
    return FailCursor(cda, call, code);
  }
  cursor->executed = false;
  cursor->result = ResultSet();
  if (!cursor->hasSql) {
    return FailCursor(cda, call, ora::kNoStatementParsed);
  }
  std::size_t offset = 0;
  long rows = 0;
  const SessionUser user = UserOf(s, s.sessions[cursor->session]);
  code = Guarded(
      [&] {
        Statement statement = ParseStatement(cursor->sql);
        Engine engine(s.catalog, user, &s.planOverride);
        Outcome outcome = engine.Execute(statement);
        cursor->isQuery = outcome.isQuery;
        cursor->width = outcome.isQuery ? outcome.result.labels.size() : 0;
        for (const auto& [position, define] : cursor->defines) {
          if (static_cast<std::size_t>(position) > *cursor->width) {
            Fail(ora::kNotInSelectList);
          }
        }
        cursor->result = std::move(outcome.result);
        rows = outcome.rowsProcessed;
      },
      offset);
  if (code != 0) {
    return FailCursor(cda, call, code, offset);
  }
  cursor->executed = true;
  cursor->exhausted = false;
  cursor->next = 0;
  PutU32(cda->bytes, kRowsProcessedOffset, static_cast<std::uint32_t>(rows));
  return Succeed(cda, call);
}

int KESTRIN_OCI_CALL kestrin_sim_odefin(CursorArea* cda, int pos, void* buf, int bufl, int ftype,
                                        int, short* indp, const char*, int, int,
                                        unsigned short* rlen, unsigned short* rcode) {
  Lock lock;
  State& s = TheState();
  CallScope call(s, "odefin");
  call.record().position = pos;
  call.record().bufferLength = bufl;
  call.record().type = ftype;
  if (call.injected() != 0) {
    return FailCursor(cda, call, call.injected());
  }
  int code = 0;
  Cursor* cursor = CursorOf(s, cda, code);
  if (cursor == nullptr) {
    return FailCursor(cda, call, code);
  }
  if (pos < 1 || (cursor->width && static_cast<std::size_t>(pos) > *cursor->width)) {
    return FailCursor(cda, call, ora::kNotInSelectList);
  }
  if (!ValidDefine(ftype, bufl)) {
    return FailCursor(cda, call, ora::kBadConversion);
  }
  cursor->defines[pos] = Define{buf, bufl, ftype, indp, rlen, rcode};
  return Succeed(cda, call);
}

int KESTRIN_OCI_CALL kestrin_sim_ofetch(CursorArea* cda) {
  Lock lock;
  State& s = TheState();
  CallScope call(s, "ofetch");
  int code = 0;
  Cursor* cursor = CursorOf(s, cda, code);
  const int injected = call.injected();
  if (injected == kFetchSkipRow || injected == kFetchNoMore) {
    if (cursor != nullptr && injected == kFetchSkipRow && cursor->executed &&
        cursor->next < cursor->result.rows.size()) {
      ++cursor->next;
    }
    if (cda != nullptr) {
      SetCursorReturnCode(*cda, injected == kFetchNoMore ? ora::kNoDataFound : kFetchSkipRow);
    }
    return call.Finish(injected);
  }
  if (injected != 0) {
    return FailCursor(cda, call, injected);
  }
  if (cursor == nullptr) {
    return FailCursor(cda, call, code);
  }
  if (!cursor->executed || !cursor->isQuery || cursor->exhausted) {
    return FailCursor(cda, call, ora::kFetchOutOfSequence);
  }
  if (cursor->next >= cursor->result.rows.size()) {
    cursor->exhausted = true;
    SetCursorReturnCode(*cda, ora::kNoDataFound);
    return call.Finish(kFetchNoMore);
  }
  const Row& row = cursor->result.rows[cursor->next++];
  std::size_t offset = 0;
  code = Guarded(
      [&] {
        for (const auto& [position, define] : cursor->defines) {
          const auto at = static_cast<std::size_t>(position - 1);
          if (at >= row.size()) {
            Fail(ora::kNotInSelectList);
          }
          WriteColumn(define, row[at]);
        }
      },
      offset);
  PutU32(cda->bytes, kRowsProcessedOffset, static_cast<std::uint32_t>(cursor->next));
  if (code != 0) {
    return FailCursor(cda, call, code);
  }
  return Succeed(cda, call);
}

int KESTRIN_OCI_CALL kestrin_sim_ocom(LogonArea* lda) {
  Lock lock;
  State& s = TheState();
  CallScope call(s, "ocom");
  if (call.injected() != 0) {
    return LogonDone(lda, call, call.injected());
  }
  if (SessionOf(s, lda) == nullptr) {
    return LogonDone(lda, call, ora::kNotLoggedOn);
  }
  return LogonDone(lda, call, 0);
}

int KESTRIN_OCI_CALL kestrin_sim_oclose(CursorArea* cda) {
  Lock lock;
  State& s = TheState();
  CallScope call(s, "oclose");
  if (call.injected() != 0) {
    return FailCursor(cda, call, call.injected());
  }
  if (cda == nullptr) {
    return call.Finish(ora::kInvalidCursor);
  }
  const auto at = s.cursors.find(IdIn(cda->bytes, kCursorTag));
  if (at == s.cursors.end()) {
    return FailCursor(cda, call, ora::kInvalidCursor);
  }
  s.cursors.erase(at);
  Unmark(cda->bytes);
  return Succeed(cda, call);
}

int KESTRIN_OCI_CALL kestrin_sim_ologof(LogonArea* lda) {
  Lock lock;
  State& s = TheState();
  CallScope call(s, "ologof");
  if (call.injected() != 0) {
    return LogonDone(lda, call, call.injected());
  }
  if (SessionOf(s, lda) == nullptr) {
    return LogonDone(lda, call, ora::kNotLoggedOn);
  }
  const std::uint32_t id = IdIn(lda->bytes, kLogonTag);
  RemovedCursorsOf(s, id);
  s.sessions.erase(id);
  Unmark(lda->bytes);
  return LogonDone(lda, call, 0);
}

int KESTRIN_OCI_CALL kestrin_sim_oerhms(LogonArea*, short rcode, char* buf, int bufsiz) {
  Lock lock;
  State& s = TheState();
  CallScope call(s, "oerhms");
  if (call.injected() != 0 || s.oerhmsFails || buf == nullptr || bufsiz <= 0) {
    return call.Finish(0);
  }
  const int code = rcode < 0 ? -static_cast<int>(rcode) : rcode;
  const auto custom = s.errorTexts.find(code);
  const std::string text = custom != s.errorTexts.end() ? custom->second : ErrorText(code);
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(bufsiz) - 1);
  std::memcpy(buf, text.data(), n);
  buf[n] = '\0';
  return call.Finish(static_cast<int>(n));
}

}  // extern "C"

// --- The steering interface ---------------------------------------------------

const OciCalls& SimCalls() {
  static const OciCalls calls = [] {
    OciCalls c;
    c.olog = kestrin_sim_olog;
    c.oopen = kestrin_sim_oopen;
    c.oparse = kestrin_sim_oparse;
    c.oexec = kestrin_sim_oexec;
    c.odefin = kestrin_sim_odefin;
    c.ofetch = kestrin_sim_ofetch;
    c.ocom = kestrin_sim_ocom;
    c.oclose = kestrin_sim_oclose;
    c.ologof = kestrin_sim_ologof;
    c.oerhms = kestrin_sim_oerhms;
    return c;
  }();
  return calls;
}

void Reset() {
  Lock lock;
  TheState() = State();
}

void InjectFailure(std::string_view call, int occurrence, int code) {
  Lock lock;
  TheState().failures.push_back({Lower(call), occurrence, code});
}

void InjectFetchSkip(int fetchOccurrence) {
  InjectFailure("ofetch", fetchOccurrence, 2);
}

void SetOerhmsFails(bool fails) {
  Lock lock;
  TheState().oerhmsFails = fails;
}

void SetPlanOverride(std::vector<PlanRow> rows) {
  Lock lock;
  std::vector<PlanStep> steps;
  for (PlanRow& row : rows) {
    PlanStep step;
    step.operation = std::move(row.operation);
    step.options = std::move(row.options);
    step.objectOwner = std::move(row.objectOwner);
    step.objectName = std::move(row.objectName);
    step.id = static_cast<int>(row.id);
    step.parentId = row.parentId;
    step.position = row.position;
    step.optimizer = std::move(row.optimizer);
    steps.push_back(std::move(step));
  }
  TheState().planOverride = std::move(steps);
}

std::vector<CallRecord> CallLog() {
  Lock lock;
  return TheState().log;
}

void ClearCallLog() {
  Lock lock;
  TheState().log.clear();
}

namespace {

int Guard(auto body) {
  std::size_t offset = 0;
  return Guarded(body, offset);
}

}  // namespace

int AddUser(std::string_view name, std::string_view password, bool dictionaryAccess) {
  Lock lock;
  TheState().catalog.AddUser({Upper(name), Upper(password), dictionaryAccess});
  return 0;
}

int RemoveUser(std::string_view name) {
  Lock lock;
  return TheState().catalog.RemoveUser(Upper(name)) ? 0 : ora::kUserNotFound;
}

int SetDictionaryAccess(std::string_view user, bool granted) {
  Lock lock;
  User* u = TheState().catalog.FindUser(Upper(user));
  if (u == nullptr) {
    return ora::kUserNotFound;
  }
  u->dictionaryAccess = granted;
  return 0;
}

int MarkIndexAnalyzed(std::string_view owner, std::string_view index, std::optional<SimDate> when) {
  Lock lock;
  Index* i = TheState().catalog.FindIndex(Upper(owner), Upper(index));
  if (i == nullptr) {
    return ora::kIndexNotFound;
  }
  if (!when) {
    i->analyzed.reset();
    return 0;
  }
  const CivilTime civil{when->year, when->month, when->day, when->hour, when->minute, when->second};
  if (!IsValidCivil(civil)) {
    return ora::kDateNotValid;
  }
  i->analyzed = MakeDate(civil);
  return 0;
}

int AddTable(std::string_view owner, std::string_view table,
             const std::vector<NewColumn>& columns) {
  Lock lock;
  Catalog& c = TheState().catalog;
  return Guard([&] {
    Table t;
    t.owner = Upper(owner);
    t.name = Upper(table);
    if (c.FindUser(t.owner) == nullptr) {
      Fail(ora::kUserNotFound);
    }
    if (c.NameInUse(t.owner, t.name)) {
      Fail(ora::kNameInUse);
    }
    for (const NewColumn& column : columns) {
      const std::string name = Upper(column.name);
      if (t.ColumnIndex(name) >= 0) {
        Fail(ora::kDuplicateColumn);
      }
      t.columns.push_back({name, ParseColumnType(column.type), false});
    }
    c.AddTable(std::move(t));
  });
}

int AddIndex(std::string_view owner, std::string_view index, std::string_view table,
             const std::vector<std::string>& columns, bool unique) {
  Lock lock;
  Catalog& c = TheState().catalog;
  return Guard([&] {
    Index i;
    i.owner = Upper(owner);
    i.name = Upper(index);
    i.tableOwner = i.owner;
    i.tableName = Upper(table);
    i.unique = unique;
    const Table* t = c.FindTable(i.tableOwner, i.tableName);
    if (t == nullptr) {
      Fail(ora::kTableNotFound);
    }
    if (c.NameInUse(i.owner, i.name)) {
      Fail(ora::kNameInUse);
    }
    for (const std::string& column : columns) {
      i.columns.push_back(Upper(column));
      if (t->ColumnIndex(i.columns.back()) < 0) {
        Fail(ora::kInvalidColumn);
      }
    }
    c.AddIndex(std::move(i));
  });
}

namespace {

Outcome RunAs(std::string_view user, std::string_view sql) {
  State& s = TheState();
  const User* u = s.catalog.FindUser(Upper(user));
  if (u == nullptr) {
    Fail(ora::kUserNotFound);
  }
  SessionUser who{u->name, u->dictionaryAccess};
  Statement statement = ParseStatement(sql);
  Engine engine(s.catalog, who, &s.planOverride);
  return engine.Execute(statement);
}

}  // namespace

int Execute(std::string_view user, std::string_view sql) {
  Lock lock;
  return Guard([&] { RunAs(user, sql); });
}

std::vector<std::vector<std::string>> QueryRows(std::string_view user, std::string_view sql,
                                                int* error) {
  Lock lock;
  std::vector<std::vector<std::string>> rows;
  const int code = Guard([&] {
    const Outcome outcome = RunAs(user, sql);
    for (const Row& row : outcome.result.rows) {
      std::vector<std::string> texts;
      for (const Value& v : row) {
        texts.push_back(ToText(v).value_or(""));
      }
      rows.push_back(std::move(texts));
    }
  });
  if (error != nullptr) {
    *error = code;
  }
  if (code != 0) {
    rows.clear();
  }
  return rows;
}

void SetOerhmsText(int code, std::string_view text) {
  Lock lock;
  TheState().errorTexts[code] = std::string(text);
}

std::optional<std::vector<FailureEntry>> ParseFailureList(std::string_view text) {
  std::vector<FailureEntry> out;
  auto trim = [](std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
      s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
      s.remove_suffix(1);
    }
    return s;
  };
  auto number = [](std::string_view s) -> std::optional<int> {
    if (s.empty() || s.size() > 9) {
      return std::nullopt;
    }
    int n = 0;
    for (char c : s) {
      if (c < '0' || c > '9') {
        return std::nullopt;
      }
      n = n * 10 + (c - '0');
    }
    return n;
  };
  if (trim(text).empty()) {
    return out;
  }
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(',', start);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    const std::string_view entry = text.substr(start, end - start);
    const std::size_t hash = entry.find('#');
    const std::size_t equals = entry.find('=');
    if (hash == std::string_view::npos || equals == std::string_view::npos || equals < hash) {
      return std::nullopt;
    }
    const std::string call = Lower(trim(entry.substr(0, hash)));
    const std::optional<int> occurrence = number(trim(entry.substr(hash + 1, equals - hash - 1)));
    const std::optional<int> code = number(trim(entry.substr(equals + 1)));
    const bool known = std::any_of(std::begin(kCallNames), std::end(kCallNames),
                                   [&](const char* name) { return call == name; });
    if (!known || !occurrence || *occurrence < 1 || !code || *code < 1) {
      return std::nullopt;
    }
    out.push_back({call, *occurrence, *code});
    start = end + 1;
  }
  return out;
}

void ConfigureFromEnvironment() {
  const char* fail = std::getenv("KESTRIN_SIM_FAIL");
  if (fail != nullptr) {
    if (const auto failures = ParseFailureList(fail)) {
      for (const FailureEntry& f : *failures) {
        InjectFailure(f.call, f.occurrence, f.code);
      }
    }
  }
  const char* oerhms = std::getenv("KESTRIN_SIM_OERHMS_FAILS");
  if (oerhms != nullptr) {
    const std::string v = Lower(oerhms);
    SetOerhmsFails(v == "1" || v == "true" || v == "yes" || v == "on");
  }
  const char* log = std::getenv("KESTRIN_SIM_LOG");
  if (log != nullptr) {
    Lock lock;
    TheState().logPath = log;
  }
}

}  // namespace kestrin::sim
