#include "fakes/FakeOci.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "text/FixedText.h"

namespace kestrin::test {

namespace {

FakeOci* current = nullptr;

extern "C" {
int KESTRIN_OCI_CALL FakeOlog(LogonArea*, HostDataArea*, const char* uid, int, const char*, int,
                              const char*, int, unsigned) {
  return FakeOci::Current()->Logon(uid);
}
int KESTRIN_OCI_CALL FakeOopen(CursorArea* cda, LogonArea*, const char*, int, int, const char*,
                               int) {
  return FakeOci::Current()->Call("oopen", cda);
}
int KESTRIN_OCI_CALL FakeOparse(CursorArea* cda, const char* sql, int, int, unsigned) {
  return FakeOci::Current()->Parse(cda, sql);
}
int KESTRIN_OCI_CALL FakeOexec(CursorArea* cda) {
  return FakeOci::Current()->Call("oexec", cda);
}
int KESTRIN_OCI_CALL FakeOdefin(CursorArea* cda, int pos, void* buf, int bufl, int ftype, int,
                                short*, const char*, int, int, unsigned short*, unsigned short*) {
  return FakeOci::Current()->Define(cda, pos, buf, bufl, ftype);
}
int KESTRIN_OCI_CALL FakeOfetch(CursorArea* cda) {
  return FakeOci::Current()->Fetch(cda);
}
int KESTRIN_OCI_CALL FakeOcom(LogonArea*) {
  return FakeOci::Current()->Call("ocom", nullptr);
}
int KESTRIN_OCI_CALL FakeOclose(CursorArea* cda) {
  return FakeOci::Current()->Call("oclose", cda);
}
int KESTRIN_OCI_CALL FakeOlogof(LogonArea*) {
  return FakeOci::Current()->Call("ologof", nullptr);
}
int KESTRIN_OCI_CALL FakeOerhms(LogonArea*, short code, char* buf, int size) {
  return FakeOci::Current()->ErrorText(code, buf, size);
}
}

// The cursor of the last cursor call, so that ocom's failure can set it too.
CursorArea* lastCursor = nullptr;

}  // namespace

FakeOci* FakeOci::Current() {
  return current;
}

FakeOci::FakeOci() {
  current = this;
  calls_ = OciCalls{FakeOlog,   FakeOopen, FakeOparse, FakeOexec,  FakeOdefin,
                    FakeOfetch, FakeOcom,  FakeOclose, FakeOlogof, FakeOerhms};
}

FakeOci::~FakeOci() {
  if (current == this)
    current = nullptr;
  lastCursor = nullptr;
}

void FakeOci::Fail(const std::string& call, int occurrence, int code) {
  failures_[call][occurrence] = code;
}

void FakeOci::RowsFor(const std::string& needle, std::vector<FakeRow> rows) {
  rowRules_.emplace_back(needle, std::move(rows));
}

std::vector<std::string> FakeOci::Names() const {
  std::vector<std::string> names;
  for (const auto& r : log)
    names.push_back(r.name);
  return names;
}

std::vector<std::string> FakeOci::Parsed() const {
  std::vector<std::string> texts;
  for (const auto& r : log) {
    if (r.name == "oparse")
      texts.push_back(r.text);
  }
  return texts;
}

int FakeOci::Count(const std::string& call) const {
  return static_cast<int>(std::count_if(log.begin(), log.end(),
                                        [&](const OciCallRecord& r) { return r.name == call; }));
}

int FakeOci::Injected(const std::string& name) {
  const int n = ++counts_[name];
  const auto calls = failures_.find(name);
  if (calls == failures_.end())
    return 0;
  const auto code = calls->second.find(n);
  return code == calls->second.end() ? 0 : code->second;
}

int FakeOci::Call(const std::string& name, CursorArea* cda) {
  log.emplace_back(name);
  if (cda)
    lastCursor = cda;
  CursorArea* target = cda ? cda : lastCursor;
  const int code = Injected(name);
  if (target)
    SetCursorReturnCode(*target, static_cast<std::uint16_t>(code));
  return code;
}

int FakeOci::Logon(const char* user) {
  log.emplace_back("olog", user ? user : "");
  return Injected("olog");
}

int FakeOci::Parse(CursorArea* cda, const char* sql) {
  log.emplace_back("oparse", sql ? sql : "");
  lastCursor = cda;
  parsed_ = sql ? sql : "";
  rows_ = nullptr;
  nextRow_ = 0;
  defines_.clear();
  for (const auto& [needle, rows] : rowRules_) {
    if (parsed_.find(needle) != std::string::npos) {
      rows_ = &rows;
      break;
    }
  }
  const int code = Injected("oparse");
  SetCursorReturnCode(*cda, static_cast<std::uint16_t>(code));
  return code;
}

int FakeOci::Define(CursorArea* cda, int pos, void* buf, int bufl, int ftype) {
  OciCallRecord r{"odefin"};
  r.position = pos;
  r.length = bufl;
  r.type = ftype;
  log.push_back(r);
  lastCursor = cda;
  defines_[pos] = {buf, bufl, ftype};
  const int code = Injected("odefin");
  SetCursorReturnCode(*cda, static_cast<std::uint16_t>(code));
  return code;
}

int FakeOci::Fetch(CursorArea* cda) {
  log.emplace_back("ofetch");
  lastCursor = cda;
  if (const int code = Injected("ofetch"); code != 0) {
    SetCursorReturnCode(*cda, static_cast<std::uint16_t>(code));
    return code;
  }
  if (rows_ == nullptr || nextRow_ >= rows_->size()) {
    SetCursorReturnCode(*cda, 1403);
    return kFetchNoMore;
  }
  const FakeRow& row = (*rows_)[nextRow_++];
  if (row.fetchResult != 0) {
    SetCursorReturnCode(*cda, static_cast<std::uint16_t>(row.fetchResult));
    return row.fetchResult;
  }
  for (auto& [pos, d] : defines_) {
    if (d.type == kExtTypeString && d.length > 0) {
      CopyText(static_cast<char*>(d.buffer), static_cast<std::size_t>(d.length), row.text);
    } else if (d.type == kExtTypeInteger && d.length == 4) {
      const std::int32_t v = row.position;
      std::memcpy(d.buffer, &v, 4);
    }
  }
  SetCursorReturnCode(*cda, 0);
  return 0;
}

int FakeOci::ErrorText(short code, char* buf, int size) {
  OciCallRecord r{"oerhms"};
  r.type = static_cast<std::uint16_t>(code);
  log.push_back(r);
  if (oerhmsFails || size <= 0)
    return 0;
  const int key = static_cast<std::uint16_t>(code);
  std::string text;
  if (const auto found = errorTexts.find(key); found != errorTexts.end()) {
    text = found->second;
  } else {
    char line[64];
    std::snprintf(line, sizeof line, "ORA-%05d: fake error\n", key);
    text = line;
  }
  CopyText(buf, static_cast<std::size_t>(size), text);
  return static_cast<int>(text.size());
}

}  // namespace kestrin::test
