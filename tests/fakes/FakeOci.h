// A scripted client library for tests: the ten calls over a script of results
// and query rows, recording every call with its arguments in order, so a test
// can assert the exact sequence of Oracle calls and make any call fail.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "oracle/OciCalls.h"

namespace kestrin::test {

struct OciCallRecord {
  explicit OciCallRecord(std::string n, std::string t = {})
      : name(std::move(n)), text(std::move(t)) {}
  std::string name;
  std::string text;  // olog: the user name; oparse: the SQL
  int position = 0;  // odefin
  int length = 0;    // odefin
  int type = 0;      // odefin; oerhms: the code
};

struct FakeRow {
  std::string text;  // column 1 (plan) or column 3 (index report)
  int position = 0;  // column 2 (index report)
  // 0: the row is delivered; 2: the fetch passes it over; any other value:
  // the fetch fails with that error number.
  int fetchResult = 0;
};

class FakeOci {
 public:
  FakeOci();
  ~FakeOci();
  FakeOci(const FakeOci&) = delete;
  FakeOci& operator=(const FakeOci&) = delete;

  const OciCalls& Calls() const { return calls_; }

  // The `occurrence`-th call named `call` (from 1) fails with `code`.
  void Fail(const std::string& call, int occurrence, int code);
  // The rows a query yields when its SQL contains `needle` (first match wins).
  void RowsFor(const std::string& needle, std::vector<FakeRow> rows);

  std::map<int, std::string> errorTexts;  // oerhms texts; default "ORA-NNNNN: fake error\n"
  bool oerhmsFails = false;

  std::vector<OciCallRecord> log;
  std::vector<std::string> Names() const;
  // The SQL texts parsed, in order.
  std::vector<std::string> Parsed() const;
  int Count(const std::string& call) const;

  static FakeOci* Current();

  // The calls' bodies.
  int Call(const std::string& name, CursorArea* cda);
  int Define(CursorArea* cda, int pos, void* buf, int bufl, int ftype);
  int Parse(CursorArea* cda, const char* sql);
  int Fetch(CursorArea* cda);
  int Logon(const char* user);
  int ErrorText(short code, char* buf, int size);

 private:
  int Injected(const std::string& name);

  OciCalls calls_{};
  std::map<std::string, std::map<int, int>> failures_;
  std::map<std::string, int> counts_;
  std::vector<std::pair<std::string, std::vector<FakeRow>>> rowRules_;
  struct Define_ {
    void* buffer = nullptr;
    int length = 0;
    int type = 0;
  };
  std::map<int, Define_> defines_;
  const std::vector<FakeRow>* rows_ = nullptr;
  std::size_t nextRow_ = 0;
  std::string parsed_;
};

}  // namespace kestrin::test
