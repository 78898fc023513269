#include "capture/CaptureStatement.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

#include "host/Boxes.h"
#include "plugin/Module.h"
#include "text/TextHelpers.h"

namespace kestrin {

namespace {

// The statement may hold this many characters after any character of a line
// has been taken; the end-of-line blank may make it one more, which with its
// terminator fills StatementBuffer exactly.
constexpr std::size_t kLongestStatement = kStatementBufferSize - 2;
// The echo's text, line feeds included, leaves room for its terminator.
constexpr std::size_t kLongestEcho = kStatementBufferSize - 1;

// A list in a setting field has at most 511 commas, so it names at most this
// many markers and tables of this size always suffice.
constexpr std::size_t kMostMarkers = kSettingTextSize;

// The write position before each of the latest columns of a line, so that a
// completed marker can take back exactly what its earlier characters wrote. A
// marker is at most one character shorter than this.
constexpr std::size_t kHistorySize = 512;
static_assert(kHistorySize >= kSettingTextSize - 1, "a marker must fit the history");
static_assert((kHistorySize & (kHistorySize - 1)) == 0, "the history is indexed by a mask");

// Recognises end-of-line comment markers as a line's characters arrive.
// Marker i is read in place in the list: it starts at start[i] and ends at
// the next comma or the list's terminator; progress[i] is how many of its
// characters the latest characters of the line have matched. A character
// that breaks a partial match resets it and is not tried again as the
// marker's first character.
class CommentMatcher {
 public:
  CommentMatcher(const char* list, std::size_t count, const std::int32_t* start,
                 std::int32_t* progress)
      : list_(list), count_(count), start_(start), progress_(progress) {
    // Most characters of a line occur in no marker at all; those only break
    // partial matches. Neither the comma nor the terminator is part of a
    // marker, so an empty marker (in a list that was not normalised) never
    // matches its own delimiter.
    for (const char* p = list; *p != '\0'; ++p) {
      if (*p != ',')
        inMarker_[static_cast<unsigned char>(*p)] = true;
    }
  }

  // Markers do not span lines.
  void StartLine() {
    std::fill(progress_, progress_ + count_, 0);
    partial_ = false;
  }

  // True when `c` can start or continue a marker; any other character resets
  // every partial match, which Skip does.
  bool Concerns(char c) const { return inMarker_[static_cast<unsigned char>(c)]; }
  void Skip() {
    if (partial_)
      StartLine();
  }

  // Takes the next character of the line, one that Concerns the markers.
  // Returns the length of the marker it completes, or 0.
  std::size_t Take(char c) {
    bool partial = false;
    for (std::size_t i = 0; i < count_; ++i) {
      const char* marker = list_ + start_[i];
      const std::int32_t matched = progress_[i];
      if (marker[matched] != c) {
        progress_[i] = 0;
        continue;
      }
      const char next = marker[matched + 1];
      if (next == ',' || next == '\0') {
        progress_[i] = 0;
        return static_cast<std::size_t>(matched) + 1;
      }
      progress_[i] = matched + 1;
      partial = true;
    }
    partial_ = partial;
    return 0;
  }

 private:
  const char* list_;
  std::size_t count_;
  const std::int32_t* start_;
  std::int32_t* progress_;
  bool partial_ = false;  // some progress entry is not 0
  bool inMarker_[256] = {};
};

// Writes the echo: each captured line's part of the statement and a line
// feed. The echo is shown as the statement that was explained, so it must be
// whole; only the blanks at its two ends, which the final trim removes
// anyway, may be left out. They are, when they do not fit: the leading ones
// are never written, and trailing ones that find no room are dropped, which
// is fine for as long as nothing but blanks follows them.
class EchoWriter {
 public:
  explicit EchoWriter(char* buffer) : buffer_(buffer) { buffer_[0] = '\0'; }

  // Appends `text` (`count` characters) and a line feed. Returns false, with
  // nothing written, when the echo could not hold this line's text whole.
  bool AppendLine(const char* text, std::size_t count) {
    std::size_t from = 0;
    if (position_ == 0) {
      while (from < count && IsBlank(text[from]))
        ++from;
      if (from == count)
        return true;  // the line feed would be a leading blank too
    }
    std::size_t visible = count;
    while (visible > from && IsBlank(text[visible - 1]))
      --visible;
    if (visible > from && (dropped_ || position_ + (visible - from) > kLongestEcho))
      return false;
    if (dropped_)
      return true;

    const std::size_t room = kLongestEcho - position_;
    const std::size_t written = std::min(count - from, room);
    std::memcpy(buffer_ + position_, text + from, written);
    position_ += written;
    if (written < count - from || position_ == kLongestEcho)
      dropped_ = true;
    else
      buffer_[position_++] = '\n';
    buffer_[position_] = '\0';
    return true;
  }

 private:
  char* buffer_;
  std::size_t position_ = 0;
  bool dropped_ = false;  // a trailing blank found no room
};

bool RefuseTooLong(const HostServices& host) {
  ShowNoticeBox(host, kMessageWarning, Msg::StatementTooLong);
  return false;
}

}  // namespace

bool CaptureStatement(Module& module, int firstLine) {
  RunState& state = module.State();
  const HostServices& host = module.Host();

  // The comment-marker tables. Every setter leaves the field terminated; the
  // markers are read in place up to that terminator, so it must be there.
  state.EndLineComments.back() = '\0';
  const char* const list = state.EndLineComments.data();
  const std::size_t listLength = std::strlen(list);
  const std::size_t markerCount =
      listLength == 0 ? 0 : 1 + static_cast<std::size_t>(std::count(list, list + listLength, ','));

  state.MarkerProgress.reset();
  state.MarkerStart.reset();
  // Without memory for the tables the capture still runs, on tables of its
  // own: cutting comments wrongly, or refusing a statement for want of a few
  // hundred bytes, would serve the user worse.
  std::int32_t ownStart[kMostMarkers];
  std::int32_t ownProgress[kMostMarkers];
  std::int32_t* start = ownStart;
  std::int32_t* progress = ownProgress;
  if (markerCount > 0) {
    state.MarkerProgress.reset(new (std::nothrow) std::int32_t[markerCount]);
    state.MarkerStart.reset(new (std::nothrow) std::int32_t[markerCount]);
    if (state.MarkerProgress && state.MarkerStart) {
      progress = state.MarkerProgress.get();
      start = state.MarkerStart.get();
    } else {
      state.MarkerProgress.reset();
      state.MarkerStart.reset();
    }
    std::size_t marker = 0;
    start[marker++] = 0;
    for (std::size_t i = 0; i < listLength; ++i) {
      if (list[i] == ',')
        start[marker++] = static_cast<std::int32_t>(i + 1);
    }
  }
  CommentMatcher matcher(list, markerCount, start, progress);

  // The skip set: the skip symbols and the blanks, kept in ScratchBuffer
  // while the capture runs, and looked up per character through a table.
  state.Scratch.Reset();
  state.Scratch.Append(View(state.SkipSymbols));
  state.Scratch.Append(BlankSet);
  state.Scratch.AppendNul();
  bool skip[256] = {};
  skip[0] = true;  // a NUL byte in the text collapses like a blank
  for (const char c : state.Scratch.Text())
    skip[static_cast<unsigned char>(c)] = true;

  char* const statement = state.StatementBuffer.data();
  statement[0] = '\0';
  std::size_t position = 0;
  EchoWriter echo(state.EchoBuffer.data());
  std::uint16_t history[kHistorySize];
  static_assert(kStatementBufferSize <= UINT16_MAX, "positions must fit the history");

  EditorGetString line;
  for (int number = firstLine; host.GetEditorLine(number, line) && line.SelStart >= 0; ++number) {
    const std::size_t lineStart = position;
    bool inBlank = false;
    matcher.StartLine();

    const std::int32_t length =
        line.StringText != nullptr && line.StringLength > 0 ? line.StringLength : 0;
    const std::int32_t end = line.SelEnd == -1 ? length : std::min(line.SelEnd, length);
    for (std::int32_t column = line.SelStart; column < end; ++column) {
      const char c = line.StringText[column];
      if (!matcher.Concerns(c)) {
        matcher.Skip();
      } else {
        history[static_cast<std::size_t>(column) & (kHistorySize - 1)] =
            static_cast<std::uint16_t>(position);
        const std::size_t marker = matcher.Take(c);
        if (marker != 0) {
          // The marker's earlier characters were written as ordinary text (or
          // collapsed); they go, and with them the rest of the line.
          const auto first = static_cast<std::size_t>(column) - (marker - 1);
          position = history[first & (kHistorySize - 1)];
          inBlank = false;
          break;
        }
      }
      if (skip[static_cast<unsigned char>(c)]) {
        if (!inBlank) {
          statement[position++] = ' ';
          inBlank = true;
        }
      } else {
        inBlank = false;
        statement[position++] = c;
      }
      if (position > kLongestStatement)
        return RefuseTooLong(host);
    }

    // Lines are joined by a blank. On a line where no character was taken the
    // statement may already be at its longest; the blank would not fit then.
    if (!inBlank) {
      if (position > kLongestStatement)
        return RefuseTooLong(host);
      statement[position++] = ' ';
    }
    statement[position] = '\0';

    // An echo cut short would show less than what is explained: a statement
    // whose echo does not fit is refused as too long.
    if (!echo.AppendLine(statement + lineStart, position - lineStart))
      return RefuseTooLong(host);

    if (number == INT_MAX)
      break;
  }

  TrimBlanks(statement);
  TrimBlanks(state.EchoBuffer.data());
  if (statement[0] == '\0') {
    ShowNoticeBox(host, kMessageWarning, Msg::StatementEmpty);
    return false;
  }
  return true;
}

}  // namespace kestrin
