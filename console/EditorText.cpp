#include "EditorText.h"

#include <charconv>
#include <cstring>

namespace kestrin::console {

namespace {

// Reads a positive number; the whole of `text` must be digits.
bool ReadNumber(std::string_view text, int& value) {
  if (text.empty() || text.size() > 9)
    return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value >= 1;
}

// "LINE" or "LINE:COLUMN".
bool ReadPosition(std::string_view text, int& line, int& column, bool& hasColumn) {
  const std::size_t colon = text.find(':');
  hasColumn = colon != std::string_view::npos;
  if (!hasColumn) {
    column = 0;
    return ReadNumber(text, line);
  }
  return ReadNumber(text.substr(0, colon), line) && ReadNumber(text.substr(colon + 1), column);
}

}  // namespace

bool ParseBlock(std::string_view text, bool column, BlockSpec& block, std::string& error) {
  const std::string shown(text);
  const std::size_t dash = text.find('-');
  const std::string_view from = text.substr(0, dash);
  const std::string_view to = dash == std::string_view::npos ? from : text.substr(dash + 1);
  BlockSpec result;
  bool fromColumn = false;
  bool toColumn = false;
  if (!ReadPosition(from, result.firstLine, result.firstColumn, fromColumn) ||
      !ReadPosition(to, result.lastLine, result.lastColumn, toColumn) || fromColumn != toColumn ||
      (dash == std::string_view::npos && fromColumn)) {
    error = "'" + shown + "' is not a block: give lines as 12-16 or a block as 12:5-16:40";
    return false;
  }
  if (column && !fromColumn) {
    error = "a column block needs columns, as in 12:5-16:40";
    return false;
  }
  if (result.lastLine < result.firstLine) {
    error = "the block '" + shown + "' ends before it starts";
    return false;
  }
  if (fromColumn && (result.lastLine == result.firstLine || column) &&
      result.lastColumn < result.firstColumn) {
    error = "the block '" + shown + "' ends before it starts";
    return false;
  }
  result.kind = !fromColumn ? BlockSpec::Kind::Lines
                            : (column ? BlockSpec::Kind::Column : BlockSpec::Kind::Stream);
  block = result;
  return true;
}

EditorText::EditorText(std::string_view content) {
  while (!content.empty()) {
    const std::size_t feed = content.find('\n');
    std::string_view line = content.substr(0, feed);
    std::string_view end = "";
    if (feed != std::string_view::npos) {
      end = "\n";
      if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
        end = "\r\n";
      }
      content.remove_prefix(feed + 1);
    } else {
      content = {};
    }
    lines_.emplace_back(line);
    ends_.push_back(end);
  }
  std::string unused;
  Select(BlockSpec{}, unused);
}

bool EditorText::Select(const BlockSpec& block, std::string& error) {
  kind_ = block.kind;
  if (block.kind == BlockSpec::Kind::WholeFile) {
    blockType_ = lines_.empty() ? kBlockNone : kBlockStream;
    firstLine_ = 0;
    lastLine_ = LineCount() - 1;
    firstColumn_ = 0;
    endColumn_ = -1;
    return true;
  }
  if (block.lastLine > LineCount()) {
    error = "the block reaches line " + std::to_string(block.lastLine) + ", but the file has " +
            std::to_string(LineCount()) + (LineCount() == 1 ? " line" : " lines");
    return false;
  }
  firstLine_ = block.firstLine - 1;
  lastLine_ = block.lastLine - 1;
  if (block.kind == BlockSpec::Kind::Lines) {
    blockType_ = kBlockStream;
    firstColumn_ = 0;
    endColumn_ = -1;
  } else {
    blockType_ = block.kind == BlockSpec::Kind::Column ? kBlockColumn : kBlockStream;
    firstColumn_ = block.firstColumn - 1;
    endColumn_ = block.lastColumn;  // the last column included is the first one after, from 0
  }
  return true;
}

void EditorText::Selection(int index, int& start, int& end) const {
  start = -1;
  end = -1;
  if (blockType_ == kBlockNone || index < firstLine_ || index > lastLine_)
    return;
  switch (kind_) {
    case BlockSpec::Kind::WholeFile:
    case BlockSpec::Kind::Lines:
      start = 0;
      break;
    case BlockSpec::Kind::Column:
      start = firstColumn_;
      end = endColumn_;
      break;
    case BlockSpec::Kind::Stream:
      start = index == firstLine_ ? firstColumn_ : 0;
      end = index == lastLine_ ? endColumn_ : -1;
      break;
  }
}

int EditorText::Control(int command, void* param) const {
  if (param == nullptr)
    return 0;
  if (command == kEditorGetInfo) {
    EditorInfo info;
    std::memset(&info, 0, sizeof info);
    info.BlockType = blockType_;
    info.BlockStartLine = blockType_ == kBlockNone ? 0 : firstLine_;
    std::memcpy(param, &info, sizeof info);
    return 1;
  }
  if (command == kEditorGetString) {
    auto* line = static_cast<EditorGetString*>(param);
    // -1 asks for the line the cursor is on, which is the block's first.
    const int index = line->StringNumber == -1 ? firstLine_ : line->StringNumber;
    if (index < 0 || index >= LineCount())
      return 0;
    const std::string& text = lines_[static_cast<std::size_t>(index)];
    line->StringText = text.c_str();
    line->StringEOL = ends_[static_cast<std::size_t>(index)].data();
    line->StringLength = static_cast<std::int32_t>(text.size());
    Selection(index, line->SelStart, line->SelEnd);
    return 1;
  }
  return 0;
}

}  // namespace kestrin::console
