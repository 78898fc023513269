// Fuzzes the report's assembly: the plan and index queries deliver random
// rows (any text up to the defined buffer's size, any positions, passed-over
// rows, failures at any call), the table word and the echoed statement are
// random, and the report is written into memory. Besides what the sanitizers
// catch, every run checks that the client library was only ever given the
// module's own buffers with their true sizes, that nothing next to the
// buffers changed, and that the report is exactly what the grouping rule
// makes of the rows.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "plan/Report.h"
#include "platform/Platform.h"
#include "plugin/Module.h"

namespace kestrin {
namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_report: %s\n", what);
  std::abort();
}

#define CHECK(condition) \
  do {                   \
    if (!(condition))    \
      Fail(#condition);  \
  } while (false)

// --- The report, kept in memory ------------------------------------------------

class MemoryFile final : public OutputFile {
 public:
  std::string text;
  bool open = false;
  bool failOpen = false;
  bool Open(const char*) override {
    open = !failOpen;
    return open;
  }
  void Write(std::string_view t) override {
    CHECK(open);
    for (char c : t) {
      if (c == '\n')
        text += '\r';
      text += c;
    }
  }
  void EndLine() override { Write("\n"); }
  void Close() override { open = false; }
};

class MemoryPlatform final : public Platform {
 public:
  MemoryFile file;
  bool failName = false;

  RegistryKey OpenKey(const char*) override { return nullptr; }
  RegistryKey CreateKey(const char*) override { return nullptr; }
  bool QueryValue(RegistryKey, const char*, std::uint32_t*, void*, std::uint32_t*) override {
    return false;
  }
  bool SetValue(RegistryKey, const char*, std::uint32_t, const void*, std::uint32_t) override {
    return false;
  }
  void CloseKey(RegistryKey) override {}
  LocalTime GetLocalTime() override { return {1999, 7, 4, 9, 5, 3, 7}; }
  char PathSeparator() const override { return '/'; }
  std::uint32_t GetTempPath(std::uint32_t size, char* buffer) override {
    constexpr std::string_view dir = "/fuzz/";
    if (size <= dir.size())
      return 0;
    std::memcpy(buffer, dir.data(), dir.size() + 1);
    return static_cast<std::uint32_t>(dir.size());
  }
  bool CreateDirectory(const char*) override { return true; }
  std::uint32_t GetTempFileName(const char* directory, const char*, std::uint32_t,
                                char* out) override {
    if (failName)
      return 0;
    CHECK(std::string_view(directory) == "/fuzz/VerUdor/");
    std::memcpy(out, "/fuzz/VerUdor/KST0001.tmp", 26);
    return 1;
  }
  std::uint32_t GetLastError() override { return 5; }
  OutputFile& ReportFile() override { return file; }
  bool BindClientLibrary(OciCalls&, char*, std::size_t) override { return false; }
};

// --- The host -----------------------------------------------------------------

std::string tableWord;

const char* KESTRIN_HOST_CALL HostGetMsg(int, int msg) {
  switch (msg) {
    case 14:
      return "Oracle error %d (no message text available)";
    case 29:
      return "Cannot make a report file name (system error %u)";
    case 30:
      return "The index report failed:";
    case 32:
      return tableWord.c_str();
    default:
      return "text";
  }
}
int KESTRIN_HOST_CALL HostMessage(int, unsigned, const char*, const char* const* items, int count,
                                  int) {
  for (int i = 0; i < count; ++i)
    CHECK(items[i] != nullptr && std::strlen(items[i]) < 1024);
  return 0;
}
HostHandle KESTRIN_HOST_CALL HostSaveScreen(int, int, int, int) {
  return reinterpret_cast<HostHandle>(1);
}
void KESTRIN_HOST_CALL HostRestoreScreen(HostHandle) {}
int KESTRIN_HOST_CALL HostViewer(const char*, const char*, int, int, int, int, unsigned) {
  return 1;
}
int KESTRIN_HOST_CALL HostEditorControl(int, void*) {
  return 0;
}

// The table word as the index query quotes it, read back from both headings:
// each literal must give the word (cut to its 511 characters) and a blank.
void CheckQuotedWord(std::string_view sql) {
  const std::string word = tableWord.substr(0, kSettingTextSize - 1) + " ";
  int found = 0;
  // Each literal is skipped whole, so a word holding the marker is no match.
  for (std::size_t at = sql.find(",30001,'"); at != std::string_view::npos;
       at = sql.find(",30001,'", at)) {
    std::string literal;
    std::size_t i = at + 8;
    for (; i < sql.size(); ++i) {
      if (sql[i] == '\'') {
        if (i + 1 < sql.size() && sql[i + 1] == '\'') {
          literal += '\'';
          ++i;
          continue;
        }
        break;
      }
      literal += sql[i];
    }
    CHECK(i < sql.size() && literal == word);
    ++found;
    at = i;
  }
  CHECK(found == 2);
}

// --- The client library ---------------------------------------------------------

struct Row {
  enum Kind { Delivered, PassedOver, Failed, Stops } kind = Delivered;
  std::string text;
  std::int32_t position = 0;
  std::uint16_t code = 0;
  bool unterminated = false;  // fills the whole buffer, no terminator
};

struct Query {
  std::vector<Row> rows;
  int failingCall = 0;  // 0: none; 1 parse, 2 execute, 3.. the defines in order
  std::uint16_t code = 0;
};

struct Script {
  Query plan;
  Query index;
  RunState* state = nullptr;
  Query* current = nullptr;
  std::size_t next = 0;
  int call = 0;
  char* text = nullptr;
  std::int32_t* position = nullptr;
  bool planParsed = false;
  bool indexParsed = false;
};

Script* script = nullptr;

int Result(CursorArea* cda, bool fails) {
  const std::uint16_t code = fails ? script->current->code : 0;
  SetCursorReturnCode(*cda, code);
  return code;
}

extern "C" {
int KESTRIN_OCI_CALL Olog(LogonArea*, HostDataArea*, const char*, int, const char*, int,
                          const char*, int, unsigned) {
  return 0;
}
int KESTRIN_OCI_CALL Oopen(CursorArea*, LogonArea*, const char*, int, int, const char*, int) {
  return 0;
}
int KESTRIN_OCI_CALL Oparse(CursorArea* cda, const char* sql, int, int, unsigned) {
  const RunState& s = *script->state;
  // The SQL is a terminated text inside ScratchBuffer.
  CHECK(sql == s.ScratchBuffer.data());
  CHECK(std::memchr(sql, '\0', s.ScratchBuffer.size()) != nullptr);
  const std::string_view text(sql);
  // Told apart by their beginnings: the table name, which both hold, may
  // hold anything.
  if (text.starts_with("SELECT lpad(")) {
    script->current = &script->plan;
    script->planParsed = true;
  } else {
    CHECK(text.starts_with("select table_name||index_name,column_position,"));
    CHECK(text.substr(text.size() - 12) == "order by 1,2");
    CheckQuotedWord(text);
    script->current = &script->index;
    script->indexParsed = true;
  }
  script->next = 0;
  script->call = 1;
  script->text = nullptr;
  script->position = nullptr;
  return Result(cda, script->current->failingCall == 1);
}
int KESTRIN_OCI_CALL Oexec(CursorArea* cda) {
  CHECK(script->current != nullptr);
  script->call = 2;
  return Result(cda, script->current->failingCall == 2);
}
int KESTRIN_OCI_CALL Odefin(CursorArea* cda, int pos, void* buf, int bufl, int ftype, int, short*,
                            const char*, int, int, unsigned short*, unsigned short*) {
  RunState& s = *script->state;
  CHECK(script->current != nullptr);
  if (ftype == kExtTypeString) {
    // Only StatementBuffer, with its own size.
    CHECK(buf == s.StatementBuffer.data());
    CHECK(bufl == static_cast<int>(s.StatementBuffer.size()));
    CHECK(pos == (script->current == &script->plan ? 1 : 3));
    script->text = static_cast<char*>(buf);
  } else {
    CHECK(ftype == kExtTypeInteger && bufl == 4 && pos == 2);
    CHECK(script->current == &script->index);
    script->position = static_cast<std::int32_t*>(buf);
  }
  return Result(cda, script->current->failingCall == ++script->call);
}
int KESTRIN_OCI_CALL Ofetch(CursorArea* cda) {
  Query& q = *script->current;
  if (script->next >= q.rows.size()) {
    SetCursorReturnCode(*cda, 1403);
    return kFetchNoMore;
  }
  const Row& row = q.rows[script->next++];
  switch (row.kind) {
    case Row::PassedOver:
      SetCursorReturnCode(*cda, 1406);
      return kFetchSkipRow;
    case Row::Failed:
      SetCursorReturnCode(*cda, row.code);
      return row.code;
    case Row::Stops:  // an unusual result with no error behind it
      SetCursorReturnCode(*cda, 0);
      return 3;
    case Row::Delivered:
      break;
  }
  CHECK(script->text != nullptr);
  if (row.unterminated) {
    // A library that fills the buffer to its last byte and ends nothing.
    std::memset(script->text, 'u', kStatementBufferSize);
  } else {
    const std::size_t n = std::min(row.text.size(), kStatementBufferSize - 1);
    std::memcpy(script->text, row.text.data(), n);
    script->text[n] = '\0';
  }
  if (script->position)
    *script->position = row.position;
  SetCursorReturnCode(*cda, 0);
  return 0;
}
int KESTRIN_OCI_CALL Ocom(LogonArea*) {
  return 0;
}
int KESTRIN_OCI_CALL Oclose(CursorArea*) {
  return 0;
}
int KESTRIN_OCI_CALL Ologof(LogonArea*) {
  return 0;
}
int KESTRIN_OCI_CALL Oerhms(LogonArea*, short code, char* buf, int size) {
  const RunState& s = *script->state;
  CHECK(buf == s.ErrorTextBuffer.data() && size == static_cast<int>(s.ErrorTextBuffer.size()));
  // Long texts, and one that fills the buffer, are Oracle's right.
  const int n = std::snprintf(buf, static_cast<std::size_t>(size), "ORA-%05u: fuzz\n%0500u",
                              static_cast<std::uint16_t>(code), 0u);
  return n > 0 ? n : 0;
}
}

const OciCalls kCalls{Olog, Oopen, Oparse, Oexec, Odefin, Ofetch, Ocom, Oclose, Ologof, Oerhms};

// --- Reading a case -------------------------------------------------------------

std::string Text(FuzzedDataProvider& in, std::size_t most) {
  std::string t = in.ConsumeRandomLengthString(most);
  // Now and then a text that fills the buffer.
  if (in.ConsumeIntegralInRange(0, 7) == 0 && !t.empty())
    t.append(kStatementBufferSize - 1 - std::min(t.size(), kStatementBufferSize - 1), t[0]);
  return t;
}

std::vector<Row> Rows(FuzzedDataProvider& in, bool positions) {
  std::vector<Row> rows(in.ConsumeIntegralInRange<std::size_t>(0, 24));
  for (Row& row : rows) {
    const int kind = in.ConsumeIntegralInRange(0, 15);
    row.kind = kind < 12   ? Row::Delivered
               : kind < 14 ? Row::PassedOver
               : kind < 15 ? Row::Failed
                           : Row::Stops;
    row.code = in.ConsumeIntegralInRange<std::uint16_t>(1, 65535);
    if (row.kind == Row::Failed && (row.code == kFetchSkipRow || row.code == kFetchNoMore))
      row.code = 1013;
    row.text = Text(in, 3000);
    row.unterminated = in.ConsumeIntegralInRange(0, 63) == 0;
    if (positions) {
      switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0:
          row.position = 30000;
          break;
        case 1:
          row.position = 30001;
          break;
        case 2:
          row.position = in.ConsumeIntegralInRange(1, 40);
          break;
        default:
          row.position = in.ConsumeIntegral<std::int32_t>();
      }
    }
  }
  return rows;
}

Query ReadQuery(FuzzedDataProvider& in, bool index) {
  Query q;
  q.failingCall = in.ConsumeIntegralInRange(0, 12);
  if (q.failingCall > (index ? 4 : 3))
    q.failingCall = 0;
  q.code = in.ConsumeIntegralInRange<std::uint16_t>(1, 65535);
  q.rows = Rows(in, index);
  return q;
}

// --- What the report must hold --------------------------------------------------

std::string Delivered(const Row& row) {
  if (row.unterminated)
    return std::string(kStatementBufferSize, 'u');
  const std::string cut = row.text.substr(0, kStatementBufferSize - 1);
  return cut.substr(0, cut.find('\0'));
}

// Appends the error section for `code`, as Oerhms words it.
void ErrorSection(std::string& out, std::uint16_t code) {
  char line[32];
  std::snprintf(line, sizeof line, "ORA-%05u: fuzz", static_cast<unsigned>(code));
  out += "\nThe index report failed:\n\n";
  out += line;
  out += "\n";
}

// The report for the script, with bare line feeds; `planWritten` says
// whether the plan was fetched to its end without error.
std::string Expected(const Script& s, std::string_view echo, bool& planWritten) {
  std::string out(echo);
  out += "\n\n";
  planWritten = true;
  for (const Row& row : s.plan.rows) {
    if (row.kind == Row::PassedOver)
      continue;
    if (row.kind == Row::Failed)
      planWritten = false;
    if (row.kind != Row::Delivered)
      break;
    out += Delivered(row) + "\n";
  }

  if (s.index.failingCall != 0) {
    ErrorSection(out, s.index.code);
    return out;
  }
  std::string line;
  for (const Row& row : s.index.rows) {
    if (row.kind == Row::PassedOver)
      continue;
    if (row.kind == Row::Failed) {
      ErrorSection(out, row.code);
      return out;
    }
    if (row.kind == Row::Stops)
      return out;
    line += Delivered(row);
    if (line.size() > kScratchBufferSize - 1)
      line.resize(kScratchBufferSize - 1);
    if (row.position >= 30000) {
      if (row.position == 30001)
        out += "\n";
      out += line + "\n";
      line.clear();
    }
  }
  return out;
}

std::string WithCrLf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += '\r';
    out += c;
  }
  return out;
}

}  // namespace
}  // namespace kestrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrin;
  FuzzedDataProvider in(data, size);

  MemoryPlatform platform;
  auto module = std::make_unique<Module>(platform, &kCalls);
  PluginStartupInfo record{};
  record.StructSize = sizeof record;
  record.RootKey = "Software\\Far\\Plugins";
  record.Message = HostMessage;
  record.GetMsg = HostGetMsg;
  record.SaveScreen = HostSaveScreen;
  record.RestoreScreen = HostRestoreScreen;
  record.Viewer = HostViewer;
  record.EditorControl = HostEditorControl;
  module->SetStartupInfo(&record);

  RunState& state = module->State();
  Script s;
  s.state = &state;
  script = &s;

  // What the dialog allows of a plan table name: no blanks or apostrophes.
  std::string table = in.ConsumeRandomLengthString(kSettingTextSize - 1);
  for (char& c : table) {
    if (c == '\'' || c == ' ' || c == '\t' || c == '\0')
      c = '_';
  }
  if (table.empty())
    table = "plan_table";
  SetText(state.PlanTable, table);
  SetText(state.StatementId, "FARKESTRIN19990704090503007");
  tableWord = in.ConsumeRandomLengthString(2000);
  tableWord = tableWord.substr(0, tableWord.find('\0'));
  std::string echo = in.ConsumeRandomLengthString(kStatementBufferSize - 1);
  echo = echo.substr(0, echo.find('\0'));
  SetText(state.EchoBuffer, echo);
  SetText(state.CurrentConnection, "scott");
  state.SavedScreen = HostSaveScreen(0, 0, -1, -1);
  platform.failName = in.ConsumeIntegralInRange(0, 31) == 0;
  platform.file.failOpen = in.ConsumeIntegralInRange(0, 31) == 0;
  s.plan = ReadQuery(in, false);
  s.index = ReadQuery(in, true);

  const SettingText tableBefore = state.PlanTable;
  const SettingText idBefore = state.StatementId;
  const auto echoBefore = state.EchoBuffer;

  std::uint32_t flags = 0;
  WriteReport(*module, flags);

  CHECK(state.Scratch.Position() < state.ScratchBuffer.size());
  CHECK(state.PlanTable == tableBefore && state.StatementId == idBefore);
  CHECK(state.EchoBuffer == echoBefore);
  CHECK(state.ErrorTextBuffer.back() == '\0');
  CHECK(!platform.file.open);

  const bool reportMade = s.plan.failingCall == 0 && !platform.failName && !platform.file.failOpen;
  if (!reportMade) {
    CHECK(platform.file.text.empty() && !s.indexParsed);
    CHECK((flags & PlanWritten) == 0);
    return 0;
  }
  bool planWritten = false;
  const std::string expected = WithCrLf(Expected(s, echo, planWritten));
  CHECK(platform.file.text == expected);
  CHECK(((flags & PlanWritten) != 0) == planWritten);
  CHECK(((flags & IndexReportFailed) != 0) != ((flags & IndexReportDone) != 0));
  script = nullptr;
  return 0;
}
