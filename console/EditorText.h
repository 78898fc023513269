// The console host's editor: a text file held as lines, with the block the
// user named on the command line, answering the editor queries of the
// EditorControl service (the information record and one line at a time).
//
// People count lines and columns from 1; the editor's records count from 0
// and give a selection's end as the first column after it, so the block is
// converted once, here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/FarAbi.h"

namespace kestrin::console {

// A block as the user names it. Columns count characters (a tab is one).
struct BlockSpec {
  enum class Kind {
    WholeFile,  // no block given: every line of the file
    Lines,      // "12-16" or "12": whole lines
    Stream,     // "12:5-16:40": from line 12 column 5 through line 16 column 40
    Column,     // the same with --column: columns 5 through 40 of lines 12 to 16
  };
  Kind kind = Kind::WholeFile;
  int firstLine = 0;  // 1-based
  int firstColumn = 0;
  int lastLine = 0;
  int lastColumn = 0;  // included in the block
};

// Reads BLOCK ("12-16", "12", "12:5-16:40"); `column` asks for a column
// block, which needs the column form. Returns false with a one-line reason in
// `error` when the text is not a block.
bool ParseBlock(std::string_view text, bool column, BlockSpec& block, std::string& error);

// The editor's block types.
inline constexpr int kBlockNone = 0;
inline constexpr int kBlockStream = 1;
inline constexpr int kBlockColumn = 2;

class EditorText {
 public:
  // Splits `content` into lines at line feeds; a carriage return before a
  // line feed belongs to the line end. A last line without a line feed is a
  // line; a file ending in a line feed has no empty line after it. The
  // whole file is the block until Select names another.
  explicit EditorText(std::string_view content);

  int LineCount() const { return static_cast<int>(lines_.size()); }
  const std::string& Line(int index) const { return lines_[static_cast<std::size_t>(index)]; }

  // Selects `block`. The whole file of an empty file is no block. Returns
  // false with a reason in `error` when the block does not lie in the file
  // (a line past the last, an end before the start).
  bool Select(const BlockSpec& block, std::string& error);

  int BlockType() const { return blockType_; }
  int BlockStartLine() const { return firstLine_; }  // from 0
  // The selection on line `index` (from 0): start column, and end column
  // (exclusive, -1 for the line's end); start -1 when the line is outside.
  void Selection(int index, int& start, int& end) const;

  // The EditorControl service: command 6 fills an EditorInfo, command 0 an
  // EditorGetString for the line it names. Returns 0 for a line that does
  // not exist or a command the host does not know, 1 otherwise.
  int Control(int command, void* param) const;

 private:
  std::vector<std::string> lines_;
  std::vector<std::string_view> ends_;  // each line's end: "\n", "\r\n" or ""
  int blockType_ = kBlockNone;
  int firstLine_ = 0;
  int lastLine_ = -1;
  int firstColumn_ = 0;  // from 0
  int endColumn_ = -1;   // exclusive, -1 for the line's end
  BlockSpec::Kind kind_ = BlockSpec::Kind::WholeFile;
};

}  // namespace kestrin::console
