// Fuzzes CaptureStatement: random editor lines and selections, random skip
// symbols, and random end-of-line comment lists normalised as the dialog
// does. Every capture is compared with a separate model of the same rules
// written over std::string without any fixed buffer: the same verdict, and
// for an accepted block the same statement and the same echo.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "capture/CaptureStatement.h"
#include "platform/Platform.h"
#include "plugin/Module.h"
#include "text/TextHelpers.h"

namespace kestrin {
namespace {

struct Line {
  std::string text;
  int selStart = 0;
  int selEnd = -1;
};

// --- The editor the capture reads ---------------------------------------------

const std::vector<Line>* editorLines = nullptr;
std::vector<std::string> shownNotices;

extern "C" {
int KESTRIN_HOST_CALL FuzzEditorControl(int command, void* param) {
  if (command != kEditorGetString)
    return 0;
  auto* line = static_cast<EditorGetString*>(param);
  if (line->StringNumber < 0 || line->StringNumber >= static_cast<int>(editorLines->size()))
    return 0;
  const Line& l = (*editorLines)[static_cast<std::size_t>(line->StringNumber)];
  line->StringText = l.text.data();
  line->StringEOL = "";
  line->StringLength = static_cast<int>(l.text.size());
  line->SelStart = l.selStart;
  line->SelEnd = l.selEnd;
  return 1;
}
const char* KESTRIN_HOST_CALL FuzzGetMsg(int, int msg) {
  switch (msg) {
    case 26:
      return "too long";
    case 27:
      return "empty";
    default:
      return "";
  }
}
int KESTRIN_HOST_CALL FuzzMessage(int, unsigned, const char*, const char* const* items, int count,
                                  int) {
  shownNotices.emplace_back(count > 2 ? items[2] : "");
  return 0;
}
}

// --- The model ----------------------------------------------------------------

enum Verdict { Accepted = 0, TooLong = 26, Empty = 27 };

struct Outcome {
  Verdict verdict = Accepted;
  std::string statement;
  std::string echo;
};

constexpr std::size_t kStatementLimit = 31998;  // characters after any column
constexpr std::size_t kTextLimit = 31999;       // characters with a terminator in 32000 bytes

bool ModelBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v';
}

std::string ModelTrim(const std::string& s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && ModelBlank(s[b]))
    ++b;
  while (e > b && ModelBlank(s[e - 1]))
    --e;
  return s.substr(b, e - b);
}

Outcome Model(const std::vector<Line>& lines, int firstLine, const std::string& skipSymbols,
              const std::string& comments) {
  std::vector<std::string> markers;
  if (!comments.empty()) {
    std::size_t from = 0;
    for (;;) {
      const std::size_t comma = comments.find(',', from);
      markers.push_back(comments.substr(from, comma - from));
      if (comma == std::string::npos)
        break;
      from = comma + 1;
    }
  }
  const std::string skipSet = skipSymbols + " \t\n\r\v";
  const auto isSkip = [&](char c) { return c == '\0' || skipSet.find(c) != std::string::npos; };

  Outcome out;
  std::string statement;
  std::string echo;
  for (long number = firstLine; number >= 0 && number < static_cast<long>(lines.size()); ++number) {
    const Line& line = lines[static_cast<std::size_t>(number)];
    if (line.selStart < 0)
      break;
    const int length = static_cast<int>(line.text.size());
    const int end = line.selEnd == -1 ? length : std::min(line.selEnd, length);
    const std::size_t lineStart = statement.size();
    std::vector<std::size_t> progress(markers.size(), 0);
    std::vector<std::size_t> before;  // statement length before each column
    bool inBlank = false;
    for (int column = line.selStart; column < end; ++column) {
      const char c = line.text[static_cast<std::size_t>(column)];
      before.push_back(statement.size());
      std::size_t completed = 0;
      for (std::size_t m = 0; m < markers.size(); ++m) {
        const std::string& marker = markers[m];
        if (!marker.empty() && marker[progress[m]] == c) {
          if (++progress[m] == marker.size()) {
            progress[m] = 0;
            completed = marker.size();
            break;
          }
        } else {
          progress[m] = 0;
        }
      }
      if (completed != 0) {
        // Back to where the marker's first character began.
        statement.resize(before[before.size() - completed]);
        inBlank = false;
        break;
      }
      if (isSkip(c)) {
        if (!inBlank)
          statement += ' ';
        inBlank = true;
      } else {
        statement += c;
        inBlank = false;
      }
      if (statement.size() > kStatementLimit) {
        out.verdict = TooLong;
        return out;
      }
    }
    if (!inBlank)
      statement += ' ';
    if (statement.size() > kTextLimit) {
      out.verdict = TooLong;
      return out;
    }
    echo += statement.substr(lineStart) + '\n';
  }
  out.statement = ModelTrim(statement);
  out.echo = ModelTrim(echo);
  if (out.echo.size() > kTextLimit)
    out.verdict = TooLong;
  else if (out.statement.empty())
    out.verdict = Empty;
  return out;
}

// --- Reading the input ----------------------------------------------------------

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool More() const { return size_ > 0; }
  std::uint8_t Byte() {
    if (size_ == 0)
      return 0;
    --size_;
    return *data_++;
  }
  std::string Bytes(std::size_t n) {
    std::string s;
    while (n-- > 0 && More())
      s += static_cast<char>(Byte());
    return s;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

constexpr std::size_t kMostLines = 12000;
constexpr std::size_t kMostCharacters = 1 << 18;

// Characters that matter to the capture, to build lines of interest often.
constexpr char kAlphabet[] = "ab -/;\"\\#,'\t\f\n\0xy";

void Selection(Input& in, Line& line) {
  const int length = static_cast<int>(line.text.size());
  const std::uint8_t mode = in.Byte();
  switch (mode % 8) {
    case 4:
      line.selStart = -1;
      break;
    case 5:
      line.selStart = in.Byte() % (length + 3);
      break;
    case 6:
      line.selStart = in.Byte() % (length + 3);
      line.selEnd = in.Byte() % (length + 5);
      break;
    case 7:
      // Values a well-behaved editor does not send.
      line.selStart = (mode & 8) ? -2 : in.Byte() % (length + 3);
      line.selEnd = (mode & 16) ? -7 : length + 100;
      break;
    default:
      break;  // the whole line
  }
}

std::vector<Line> ReadLines(Input& in) {
  std::vector<Line> lines;
  std::size_t characters = 0;
  while (in.More() && lines.size() < kMostLines && characters < kMostCharacters) {
    const std::uint8_t op = in.Byte();
    Line line;
    switch (op % 4) {
      case 0:
        line.text = in.Bytes(in.Byte() % 64);
        break;
      case 1: {
        const unsigned word = in.Byte() | (in.Byte() << 8);
        const std::size_t length = (word & 0x8000) ? 31990 + (word & 15) : word % 33000;
        std::string pattern = in.Bytes(1 + in.Byte() % 8);
        if (pattern.empty())
          pattern = "x";
        while (line.text.size() < length)
          line.text += pattern;
        line.text.resize(length);
        break;
      }
      case 2: {
        if (lines.empty())
          continue;
        const std::size_t times = 1 + in.Byte() + (in.Byte() % 48) * 256u;
        for (std::size_t i = 0;
             i < times && lines.size() < kMostLines && characters < kMostCharacters; ++i) {
          lines.push_back(lines.back());
          characters += lines.back().text.size();
        }
        continue;
      }
      default: {
        const std::size_t length = in.Byte() % 32;
        for (std::size_t i = 0; i < length; ++i)
          line.text += kAlphabet[in.Byte() % (sizeof kAlphabet - 1)];
        break;
      }
    }
    Selection(in, line);
    characters += line.text.size();
    lines.push_back(std::move(line));
  }
  return lines;
}

[[noreturn]] void Fail(const char* what, const Outcome& model, bool accepted) {
  std::fprintf(stderr, "capture differs from the model: %s (model verdict %d, capture %s)\n", what,
               static_cast<int>(model.verdict), accepted ? "accepted" : "refused");
  std::abort();
}

}  // namespace
}  // namespace kestrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrin;
  static PluginStartupInfo record = [] {
    PluginStartupInfo r{};
    r.StructSize = sizeof r;
    r.GetMsg = FuzzGetMsg;
    r.Message = FuzzMessage;
    r.EditorControl = FuzzEditorControl;
    return r;
  }();
  // One module for the whole run: each capture must release the tables of
  // the one before.
  static std::unique_ptr<Module> module = [] {
    auto m = std::make_unique<Module>(NativePlatform());
    m->SetStartupInfo(&record);
    return m;
  }();
  RunState& state = module->State();

  Input in(data, size);
  const std::string skipInput = in.Bytes(in.Byte() % 8);
  const std::string commentInput = in.Bytes(in.Byte() % 24);
  const int firstLine = in.Byte() % 4;
  const std::vector<Line> lines = ReadLines(in);

  // The settings as the dialog leaves them: the skip symbols as typed, the
  // comment list normalised with the comma.
  SetText(state.SkipSymbols, skipInput);
  SetText(state.EndLineComments, commentInput);
  NormalizeList(state.EndLineComments.data(), ',');
  const std::string skipSymbols(View(state.SkipSymbols));
  const std::string comments(View(state.EndLineComments));

  editorLines = &lines;
  shownNotices.clear();
  const bool accepted = CaptureStatement(*module, firstLine);
  const Outcome model = Model(lines, firstLine, skipSymbols, comments);

  if (accepted != (model.verdict == Accepted))
    Fail("verdict", model, accepted);
  if (accepted) {
    if (!shownNotices.empty())
      Fail("a notice after success", model, accepted);
    if (View(state.StatementBuffer) != model.statement)
      Fail("statement", model, accepted);
    if (View(state.EchoBuffer) != model.echo)
      Fail("echo", model, accepted);
  } else {
    const char* expected = model.verdict == TooLong ? "too long" : "empty";
    if (shownNotices.size() != 1 || shownNotices[0] != expected)
      Fail("notice", model, accepted);
    if (model.verdict == Empty &&
        (!View(state.StatementBuffer).empty() || !View(state.EchoBuffer).empty()))
      Fail("empty buffers", model, accepted);
  }
  if (std::string_view(state.Scratch.Text()) != skipSymbols + " \t\n\r\v")
    Fail("skip set", model, accepted);
  if ((state.MarkerStart == nullptr) != comments.empty())
    Fail("marker tables", model, accepted);
  editorLines = nullptr;
  return 0;
}
