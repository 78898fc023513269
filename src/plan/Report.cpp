#include "plan/Report.h"

#include <array>
#include <cstring>
#include <string_view>

#include "host/Boxes.h"
#include "oracle/Session.h"
#include "plan/SqlTemplates.h"
#include "platform/Platform.h"
#include "plugin/Module.h"

namespace kestrin {

namespace {

// The report files' own sub-directory of the temporary directory, created
// when missing and never removed.
constexpr std::string_view kReportDirectory = "VerUdor";
// The first letters of every report file's name; the platform adds the rest.
constexpr char kReportPrefix[] = "KST";

// Index query positions at and above which a fetched piece ends its line.
constexpr std::int32_t kDescriptionPosition = 30000;
constexpr std::int32_t kHeadingPosition = 30001;

// The table word is one word of the language file; a longer text is used up
// to this many characters, so the index query always fits ScratchBuffer.
constexpr std::size_t kTableWordLimit = kSettingTextSize - 1;

// The longest texts formatted here fit their buffers whatever the settings,
// the statement identifier (at most 80 characters) and the table word hold.
constexpr std::size_t kMaxTableName = kSettingTextSize - 1;
constexpr std::size_t kMaxStatementId = 80;
constexpr std::size_t kMaxTablesQuery =
    sizeof(sql_get_tables) - 1 - 4 * 2 + 2 * kMaxTableName + 2 * kMaxStatementId;
constexpr std::size_t kMaxIndexQuery = sizeof(sql_get_indexes) - 1 - 8 * 2 + 2 * kMaxTablesQuery +
                                       2 * (2 * kTableWordLimit) + 2 * kMaxTableName +
                                       2 * kMaxStatementId;
static_assert(kMaxTablesQuery < kStatementBufferSize);
static_assert(kMaxIndexQuery < kScratchBufferSize);
static_assert(sizeof(sql_get_plan) - 1 - 3 * 2 + kMaxTableName + 2 * kMaxStatementId <
              kScratchBufferSize);

// The text the client library fetched into StatementBuffer. A library that
// filled the whole buffer without a terminator still yields a bounded text.
std::string_view FetchedText(const RunState& state) {
  return {state.StatementBuffer.data(),
          BoundedLength(state.StatementBuffer.data(), state.StatementBuffer.size())};
}

// Parses and executes the plan query and defines its one column into
// StatementBuffer. Returns false after showing the Oracle error box.
bool OpenPlanQuery(Module& module) {
  RunState& state = module.State();
  OracleClient& oracle = module.Oracle();
  OracleSession& session = state.Session;
  const std::string_view id = View(state.StatementId);

  state.Scratch.Reset();
  state.Scratch.AppendPattern(sql_get_plan, {View(state.PlanTable), id, id});
  state.Scratch.AppendNul();
  if (oracle.Parse(session, state.ScratchBuffer.data()) != 0 || oracle.Execute(session) != 0 ||
      oracle.Define(session, 1, state.StatementBuffer.data(),
                    static_cast<int>(state.StatementBuffer.size()), kExtTypeString) != 0) {
    ShowOracleError(module, CursorReturnCode(session.Cursor), false);
    return false;
  }
  return true;
}

// Puts a new, empty report file's full name into ReportPath: the temporary
// directory, its VerUdor sub-directory (made when missing) and a name the
// platform picks. Returns false after showing message 29 with the system's
// error code.
bool MakeReportFile(Module& module) {
  RunState& state = module.State();
  Platform& system = module.System();
  auto& path = state.ReportPath;

  // Room is kept for the sub-directory and its separator, so that a long
  // temporary directory fails here rather than naming a cut directory.
  constexpr std::size_t kSubdirectoryRoom = kReportDirectory.size() + 1;
  const std::size_t room = path.size() - kSubdirectoryRoom;
  bool made = false;
  if (system.GetTempPath(static_cast<std::uint32_t>(room), path.data()) != 0) {
    const std::size_t length = BoundedLength(path.data(), room);
    if (length < room) {
      TextWriter directory(path.data() + length, path.size() - length);
      directory.Append(kReportDirectory);
      directory.AppendChar(system.PathSeparator());
      directory.AppendNul();
      // An existing directory is reused; the name service checks what it is.
      system.CreateDirectory(path.data());
      // The name is written over the path, so the service reads a copy.
      SettingText copy{};
      SetText(copy, View(path));
      made = system.GetTempFileName(copy.data(), kReportPrefix, 0, path.data()) != 0;
    }
  }
  if (made)
    return true;

  // Read before any host call, which may change the system's last error.
  const std::uint32_t error = system.GetLastError();
  module.RefreshSavedScreen();
  state.Scratch.Reset();
  state.Scratch.AppendFormattedInteger(module.Host().GetMsg(Msg::ReportNameFailed), error);
  state.Scratch.AppendNul();
  ShowNoticeBox(module.Host(), kMessageWarning, state.ScratchBuffer.data());
  return false;
}

// Writes one line per plan row. Sets PlanWritten when the rows were fetched
// to their end; otherwise shows the Oracle error box.
void WritePlanLines(Module& module, OutputFile& file, std::uint32_t& flags) {
  RunState& state = module.State();
  OracleSession& session = state.Session;
  for (;;) {
    const int fetched = module.Oracle().Fetch(session);
    if (fetched == 0) {
      file.Write(FetchedText(state));
      file.EndLine();
    } else if (fetched == kFetchSkipRow) {
      SetCursorReturnCode(session.Cursor, 0);
    } else {
      if (fetched == kFetchNoMore)
        SetCursorReturnCode(session.Cursor, 0);
      break;
    }
  }
  if (CursorReturnCode(session.Cursor) != 0)
    ShowOracleError(module, CursorReturnCode(session.Cursor), false);
  else
    flags |= PlanWritten;
}

// Writes the index report: for each table an empty line and its heading, for
// each index one line of its columns and description, in the query's order.
// Sets IndexReportDone, or IndexReportFailed when a call failed; nothing is
// shown on the screen.
void WriteIndexReport(Module& module, OutputFile& file, std::uint32_t& flags) {
  RunState& state = module.State();
  OracleClient& oracle = module.Oracle();
  OracleSession& session = state.Session;
  const std::string_view table = View(state.PlanTable);
  const std::string_view id = View(state.StatementId);

  // The table word stands between apostrophes in the query: each of its own
  // apostrophes is doubled, so a translation holding one still gives SQL.
  const char* word = module.Host().GetMsg(Msg::TableWord);
  std::array<char, 2 * kTableWordLimit + 1> quoted{};
  TextWriter quotedWord(quoted.data(), quoted.size());
  for (const char c : std::string_view(word, BoundedLength(word, kTableWordLimit))) {
    if (c == '\'')
      quotedWord.AppendChar(c);
    quotedWord.AppendChar(c);
  }
  quotedWord.AppendNul();

  TextWriter tables(state.StatementBuffer.data(), state.StatementBuffer.size());
  tables.AppendPattern(sql_get_tables, {table, id, table, id});
  tables.AppendNul();
  state.Scratch.Reset();
  state.Scratch.AppendPattern(sql_get_indexes, {tables.Text(), tables.Text(), quotedWord.Text(),
                                                table, id, quotedWord.Text(), table, id});
  state.Scratch.AppendNul();

  std::int32_t position = 0;
  if (oracle.Parse(session, state.ScratchBuffer.data()) != 0 || oracle.Execute(session) != 0 ||
      oracle.Define(session, 2, &position, sizeof position, kExtTypeInteger) != 0 ||
      oracle.Define(session, 3, state.StatementBuffer.data(),
                    static_cast<int>(state.StatementBuffer.size()), kExtTypeString) != 0) {
    flags |= IndexReportFailed;
    return;
  }

  // A line gathers the pieces of consecutive rows up to the one that ends it
  // (a description or a heading). A line too long for ScratchBuffer is cut
  // there; what does not fit is dropped.
  TextWriter& line = state.Scratch;
  line.Reset();
  for (;;) {
    const int fetched = oracle.Fetch(session);
    if (fetched == 0) {
      line.Append(FetchedText(state));
      if (position >= kDescriptionPosition) {
        const std::string_view text = line.Text();
        line.AppendNul();
        line.Reset();
        if (position == kHeadingPosition)
          file.EndLine();
        file.Write(text);
        file.EndLine();
      }
    } else if (fetched == kFetchSkipRow) {
      SetCursorReturnCode(session.Cursor, 0);
    } else {
      if (fetched == kFetchNoMore)
        SetCursorReturnCode(session.Cursor, 0);
      break;
    }
  }
  flags |= CursorReturnCode(session.Cursor) != 0 ? IndexReportFailed : IndexReportDone;
}

// The report's last section when the index report failed: an empty line, the
// failure line, an empty line, and Oracle's text for the cursor's code.
void WriteErrorSection(Module& module, OutputFile& file) {
  RunState& state = module.State();
  file.EndLine();
  file.Write(module.Host().GetMsg(Msg::IndexReportFailed));
  file.EndLine();
  file.EndLine();
  FormatOracleErrorLine(module, CursorReturnCode(state.Session.Cursor));
  file.Write(View(state.ErrorTextBuffer));
  file.EndLine();
}

}  // namespace

void WriteReport(Module& module, std::uint32_t& flags) {
  RunState& state = module.State();

  if (!OpenPlanQuery(module))
    return;
  if (!MakeReportFile(module))
    return;

  OutputFile& file = module.System().ReportFile();
  if (!file.Open(state.ReportPath.data())) {
    module.RefreshSavedScreen();
    ShowDetailBox(module.Host(), module.Host().GetMsg(Msg::ReportOpenFailed),
                  state.ReportPath.data());
    file.Close();
    return;
  }

  file.Write(View(state.EchoBuffer));
  file.EndLine();
  file.EndLine();
  WritePlanLines(module, file, flags);
  WriteIndexReport(module, file, flags);
  if ((flags & IndexReportFailed) != 0)
    WriteErrorSection(module, file);
  file.Close();
}

void ViewReport(Module& module) {
  module.Host().Viewer(module.State().ReportPath.data(), kViewerNonModal | kViewerDeleteOnClose);
}

}  // namespace kestrin
