#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EditorText.h"

namespace kestrin::console {
namespace {

struct LineAnswer {
  int result;
  std::string text;
  std::string end;
  int selStart;
  int selEnd;
};

LineAnswer Ask(const EditorText& editor, int number) {
  EditorGetString line{};
  line.StringNumber = number;
  LineAnswer answer{};
  answer.result = editor.Control(kEditorGetString, &line);
  if (answer.result) {
    answer.text.assign(line.StringText, static_cast<std::size_t>(line.StringLength));
    answer.end = line.StringEOL;
    answer.selStart = line.SelStart;
    answer.selEnd = line.SelEnd;
  }
  return answer;
}

EditorInfo Info(const EditorText& editor) {
  EditorInfo info{};
  editor.Control(kEditorGetInfo, &info);
  return info;
}

TEST(EditorTextTest, SplitsLinesAtLineFeedsWithOrWithoutCarriageReturns) {
  const struct {
    std::string content;
    std::vector<std::string> lines;
    std::vector<std::string> ends;
  } cases[] = {
      {"", {}, {}},
      {"a", {"a"}, {""}},
      {"a\n", {"a"}, {"\n"}},
      {"a\r\nb\r\n", {"a", "b"}, {"\r\n", "\r\n"}},
      {"a\nb\r\n\nc", {"a", "b", "", "c"}, {"\n", "\r\n", "\n", ""}},
      {"x\ry\n", {"x\ry"}, {"\n"}},  // a carriage return inside a line is a character
      {std::string("n\0l\n", 4), {std::string("n\0l", 3)}, {"\n"}},
  };
  for (const auto& c : cases) {
    EditorText editor(c.content);
    ASSERT_EQ(editor.LineCount(), static_cast<int>(c.lines.size())) << c.content;
    for (int i = 0; i < editor.LineCount(); ++i) {
      const LineAnswer answer = Ask(editor, i);
      EXPECT_EQ(answer.result, 1);
      EXPECT_EQ(answer.text, c.lines[static_cast<std::size_t>(i)]);
      EXPECT_EQ(answer.end, c.ends[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(Ask(editor, editor.LineCount()).result, 0);
    EXPECT_EQ(Ask(editor, -2).result, 0);
  }
}

// Every line's selection as the editor reports it, from 0, for a 5-line file.
std::vector<std::pair<int, int>> Selections(const std::string& block, bool column) {
  EditorText editor("0123456789\nabcdefghij\nABCDEFGHIJ\nklmnopqrst\nKLMNOPQRST\n");
  BlockSpec request;
  std::string error;
  EXPECT_TRUE(ParseBlock(block, column, request, error)) << error;
  EXPECT_TRUE(editor.Select(request, error)) << error;
  std::vector<std::pair<int, int>> result;
  for (int i = 0; i < editor.LineCount(); ++i) {
    const LineAnswer answer = Ask(editor, i);
    result.emplace_back(answer.selStart, answer.selEnd);
  }
  return result;
}

TEST(EditorTextTest, ConvertsBlocksFromPeoplesNumbersToTheEditorsColumns) {
  using S = std::vector<std::pair<int, int>>;
  EXPECT_EQ(Selections("2-3", false), (S{{-1, -1}, {0, -1}, {0, -1}, {-1, -1}, {-1, -1}}));
  EXPECT_EQ(Selections("4", false), (S{{-1, -1}, {-1, -1}, {-1, -1}, {0, -1}, {-1, -1}}));
  // Stream: from line 2 column 3 through line 4 column 5, the end included.
  EXPECT_EQ(Selections("2:3-4:5", false), (S{{-1, -1}, {2, -1}, {0, -1}, {0, 5}, {-1, -1}}));
  EXPECT_EQ(Selections("3:2-3:4", false), (S{{-1, -1}, {-1, -1}, {1, 4}, {-1, -1}, {-1, -1}}));
  // Column: the same columns on every line.
  EXPECT_EQ(Selections("2:3-4:5", true), (S{{-1, -1}, {2, 5}, {2, 5}, {2, 5}, {-1, -1}}));
}

TEST(EditorTextTest, ReportsTheBlockTypeAndFirstLine) {
  const struct {
    std::string content;
    std::string block;  // "" for the whole file
    bool column;
    int type;
    int first;
  } cases[] = {
      {"a\nb\nc\n", "", false, kBlockStream, 0},
      {"", "", false, kBlockNone, 0},
      {"a\nb\nc\n", "2-3", false, kBlockStream, 1},
      {"a\nb\nc\n", "3:1-3:1", true, kBlockColumn, 2},
  };
  for (const auto& c : cases) {
    EditorText editor(c.content);
    BlockSpec request;
    std::string error;
    if (!c.block.empty()) {
      ASSERT_TRUE(ParseBlock(c.block, c.column, request, error)) << error;
    }
    ASSERT_TRUE(editor.Select(request, error)) << error;
    const EditorInfo info = Info(editor);
    EXPECT_EQ(info.BlockType, c.type) << c.block;
    EXPECT_EQ(info.BlockStartLine, c.first) << c.block;
    // -1 asks for the cursor's line, the block's first.
    if (editor.LineCount() > 0) {
      EXPECT_EQ(Ask(editor, -1).text, editor.Line(c.first));
    }
  }
}

TEST(EditorTextTest, RefusesBlocksThatAreNotBlocksOrLieOutsideTheFile) {
  const struct {
    std::string block;
    bool column;
    std::string reason;
  } syntax[] = {
      {"", false, "is not a block"},
      {"x", false, "is not a block"},
      {"0-3", false, "is not a block"},
      {"3-", false, "is not a block"},
      {"2:1-3", false, "is not a block"},
      {"2:1", false, "is not a block"},
      {"1:0-2:3", false, "is not a block"},
      {"2-3", true, "needs columns"},
      {"3-2", false, "ends before it starts"},
      {"2:5-2:4", false, "ends before it starts"},
      {"2:5-3:4", true, "ends before it starts"},
  };
  for (const auto& c : syntax) {
    BlockSpec request;
    std::string error;
    EXPECT_FALSE(ParseBlock(c.block, c.column, request, error)) << c.block;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.block << ": " << error;
  }
  // A stream block may end left of where it started, on a later line.
  BlockSpec request;
  std::string error;
  EXPECT_TRUE(ParseBlock("2:5-3:4", false, request, error)) << error;

  EditorText editor("a\nb\n");
  ASSERT_TRUE(ParseBlock("2-3", false, request, error));
  EXPECT_FALSE(editor.Select(request, error));
  EXPECT_EQ(error, "the block reaches line 3, but the file has 2 lines");
}

TEST(EditorTextTest, AnswersNothingForOtherCommands) {
  EditorText editor("a\n");
  EditorInfo info{};
  EXPECT_EQ(editor.Control(1, &info), 0);
  EXPECT_EQ(editor.Control(kEditorGetInfo, nullptr), 0);
}

}  // namespace
}  // namespace kestrin::console
