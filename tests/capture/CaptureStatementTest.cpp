#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "capture/CaptureStatement.h"
#include "plugin/TestModule.h"
#include "text/TextHelpers.h"

// The capture takes its comment-marker tables with nothrow array new; tests
// switch that one form of allocation off to see the capture without them.
namespace {
std::atomic<bool> refuseNothrowArrays{false};
}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (refuseNothrowArrays)
    return nullptr;
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}

namespace kestrin::test {
namespace {

using namespace std::string_literals;

const std::string kDefaultSkip = "\"\\;";
const std::string kDefaultMarkers = "//,--";

FakeEditorLine Part(std::string text, int selStart, int selEnd) {
  return {std::move(text), selStart, selEnd};
}

std::vector<FakeEditorLine> Whole(const std::vector<std::string>& texts) {
  std::vector<FakeEditorLine> lines;
  for (const auto& text : texts)
    lines.push_back({text, 0, -1});
  return lines;
}

struct Captured {
  bool ok = false;
  std::string statement;
  std::string echo;
  std::vector<std::string> notices;  // the text line of each box shown
};

struct CaptureCase {
  const char* name;
  std::vector<FakeEditorLine> lines;
  std::string statement;  // when accepted
  std::string echo;       // when accepted
  int message = 0;        // 26 or 27 when refused
  std::string markers = kDefaultMarkers;
  std::string skip = kDefaultSkip;
};

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override { Configure(kDefaultSkip, kDefaultMarkers); }

  void Configure(const std::string& skip, const std::string& markers) {
    SetText(t.State().SkipSymbols, skip);
    SetText(t.State().EndLineComments, markers);
  }

  // Runs the capture over `lines` from the host's block start line. The
  // buffer that follows the two in RunState must come through untouched.
  Captured Capture(const std::vector<FakeEditorLine>& lines) {
    t.host.lines = lines;
    t.host.ClearCalls();
    t.State().ErrorTextBuffer.fill('#');
    Captured c;
    c.ok = CaptureStatement(*t.module, t.host.blockStartLine);
    c.statement =
        std::string(t.State().StatementBuffer.data(),
                    BoundedLength(t.State().StatementBuffer.data(), kStatementBufferSize));
    c.echo = std::string(t.State().EchoBuffer.data(),
                         BoundedLength(t.State().EchoBuffer.data(), kStatementBufferSize));
    for (const auto& box : t.host.Boxes()) {
      EXPECT_EQ(box.flags, 1u);
      EXPECT_EQ(box.items.size(), 6u);
      c.notices.push_back(box.items.size() > 2 ? box.items[2] : "");
    }
    for (const char byte : t.State().ErrorTextBuffer)
      EXPECT_EQ(byte, '#');
    return c;
  }

  std::vector<std::string> Notice(int message) const { return {t.host.Msg(message)}; }

  void Check(const std::vector<CaptureCase>& cases) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      Configure(c.skip, c.markers);
      const Captured got = Capture(c.lines);
      if (c.message == 0) {
        EXPECT_TRUE(got.ok);
        EXPECT_EQ(got.statement, c.statement);
        EXPECT_EQ(got.echo, c.echo);
        EXPECT_TRUE(got.notices.empty());
      } else {
        EXPECT_FALSE(got.ok);
        EXPECT_EQ(got.notices, Notice(c.message));
      }
    }
  }

  std::vector<int> LinesAsked() const {
    std::vector<int> numbers;
    for (const auto& call : t.host.Of(HostCall::EditorLine))
      numbers.push_back(call.number);
    return numbers;
  }

  TestModule t;
};

TEST_F(CaptureTest, DefaultSettingsCutCommentsAndCollapseSkipCharacters) {
  Check({
      {"one line", Whole({"select * from dual"}), "select * from dual", "select * from dual"},
      {"two lines", Whole({"select a", "from t"}), "select a from t", "select a \nfrom t"},
      {"indented continuation", Whole({"select a", "  from t"}), "select a  from t",
       "select a \n from t"},
      {"comment after a blank", Whole({"select a -- first", "from t"}), "select a  from t",
       "select a  \nfrom t"},
      {"comment right after text", Whole({"select a-- first", "from t"}), "select a from t",
       "select a \nfrom t"},
      {"empty line", Whole({"select a", "", "from t"}), "select a  from t", "select a \n \nfrom t"},
      {"marker inside quotes", Whole({"select 'a--b' from dual"}), "select 'a", "select 'a"},
      {"marker split over lines", Whole({"select a -", "- 1 from dual"}),
       "select a - - 1 from dual", "select a - \n- 1 from dual"},
      {"quoted and ended", Whole({"\"select 1 from dual;\""}), "select 1 from dual",
       "select 1 from dual"},
      {"only comments", Whole({"-- a", "// b"}), "", "", 27},
      {"program source",
       Whole({"  \"select a, b \"   // columns", "  \"from t \"", "  \"where x = 1;\""}),
       "select a, b   from t  where x = 1", "select a, b  \n from t \n where x = 1"},
      {"nul and tab collapse", Whole({"a\0b\tc"s}), "a b c", "a b c"},
      {"form feed is ordinary", Whole({"a\fb"}), "a\fb", "a\fb"},
      {"bytes above 127 are ordinary", Whole({"\xE9\xA0 x"}), "\xE9\xA0 x", "\xE9\xA0 x"},
      {"only blanks and skip characters", Whole({" \" ; ", "\t\\"}), "", "", 27},
  });
}

TEST_F(CaptureTest, MarkersComeFromTheList) {
  Check({
      {"partial match is not retried", Whole({"xaab"}), "xaab", "xaab", 0, "--,ab"},
      {"second marker", Whole({"xab"}), "x", "x", 0, "--,ab"},
      {"one-character marker", Whole({"a#b"}), "a", "a", 0, "#"},
      {"one-character marker first", Whole({"#a", "b"}), "b", "b", 0, "#"},
      {"no markers", Whole({"a -- b"}), "a -- b", "a -- b", 0, ""},
      {"marker of skip characters", Whole({"a;;b"}), "a", "a", 0, ";;"},
      {"markers tried in list order", Whole({"a-#b", "c"}), "a- c", "a- \nc", 0, "#,-#"},
      {"marker of the last element", Whole({"a b;c", "d"}), "a  d", "a  \nd", 0, "x,b;"},
      {"markers do not span lines", Whole({"a /", "/ b"}), "a / / b", "a / \n/ b"},
      {"comma and nul break a match", Whole({"a-,-b -\0-c"s}), "a-,-b - -c", "a-,-b - -c"},
  });
}

TEST_F(CaptureTest, SelectionDecidesTheColumns) {
  Check({
      {"stream block",
       {Part("xx select a", 3, -1), Part("from t yy", 0, 6), Part("select no", -1, -1)},
       "select a from t",
       "select a \nfrom t"},
      {"end beyond the line", {Part("abc", 0, 10)}, "abc", "abc"},
      {"column block over a short line",
       {Part("col1 select", 5, 11), Part("ab", 5, 11), Part("col1 from t", 5, 11)},
       "select  from t",
       "select \n \nfrom t"},
      {"empty selected part",
       {Part("abc", 1, 1), Part("def", 0, -1), Part("ghi", 2, 1)},
       "def",
       "def"},
      {"first line unselected", {Part("select a", -1, -1), Part("from t", 0, -1)}, "", "", 27},
      // Values no editor should send: any negative start ends the block, and an
      // end below -1 selects nothing of its line.
      {"negative start",
       {Part("select a", 0, -1), Part("b", -2, -1), Part("c", 0, -1)},
       "select a",
       "select a"},
      {"end below -1",
       {Part("select a", 0, -1), Part("b", 0, -5), Part("c", 0, -1)},
       "select a  c",
       "select a \n \nc"},
      {"skip set is the skip symbols and the blanks", Whole({"a*b+c", "d"}), "a b c d", "a b c \nd",
       0, "", "*+"},
      {"no skip symbols", Whole({"\"a;\""}), "\"a;\"", "\"a;\"", 0, "//,--", ""},
  });
}

TEST_F(CaptureTest, StatementHoldsAtMost31998CharactersAfterAnyColumn) {
  const std::string x(31998, 'x');
  Check({
      {"31998 accepted", Whole({x}), x, x},
      {"31999 refused", Whole({x + "x"}), "", "", 26},
      {"31997 and 1 refused", Whole({x.substr(1), "y"}), "", "", 26},
      {"31996 and 1 accepted", Whole({x.substr(2), "y"}), x.substr(2) + " y", x.substr(2) + " \ny"},
      // Skip characters that write nothing are still counted after.
      {"31998 then skip characters", Whole({x + "\"\""}), "", "", 26},
  });
}

TEST_F(CaptureTest, LineEndBlankThatWouldNotFitIsRefused) {
  // After a line of 31998 characters the statement holds 31999 with its
  // blank; a further line on which no character is taken would need a blank
  // and a terminator past the buffer.
  const std::string x(31998, 'x');
  Check({
      {"empty line", Whole({x, ""}), "", "", 26},
      {"unselected part", {Part(x, 0, -1), Part("abc", 3, -1)}, "", "", 26},
      {"one-character marker first", Whole({x, "#"}), "", "", 26, "#"},
  });
  // Nothing reached past StatementBuffer into the echo that follows it.
  EXPECT_EQ(t.State().EchoBuffer[0], 'x');
}

TEST_F(CaptureTest, EchoMustHoldEveryLineWhole) {
  // Lines of one character: each adds two characters and a line feed to the
  // echo, and the final trim takes the last blank and line feed. 10667 lines
  // fill its 32000 bytes exactly; one more would cut it short.
  std::string expected;
  for (int i = 0; i < 10667; ++i)
    expected += i == 0 ? "x" : " \nx";
  ASSERT_EQ(expected.size(), kStatementBufferSize - 1);
  std::vector<std::string> lines(10667, "x");

  const Captured fits = Capture(Whole(lines));
  EXPECT_TRUE(fits.ok);
  EXPECT_EQ(fits.echo, expected);
  EXPECT_EQ(fits.statement.size(), 2u * 10667 - 1);

  lines.push_back("x");
  const Captured over = Capture(Whole(lines));
  EXPECT_FALSE(over.ok);
  EXPECT_EQ(over.notices, Notice(26));

  // Blank lines at either end are trimmed from the echo anyway: they do not
  // count against it.
  lines.pop_back();
  std::vector<std::string> padded(5000, "");
  padded.insert(padded.end(), lines.begin(), lines.end());
  padded.insert(padded.end(), 3, "\"");
  const Captured blanks = Capture(Whole(padded));
  EXPECT_TRUE(blanks.ok);
  EXPECT_EQ(blanks.echo, expected);
  EXPECT_EQ(blanks.statement, fits.statement);
}

TEST_F(CaptureTest, MarkerTakesBackOnlyWhatItsOwnCharactersWrote) {
  // Skip characters inside a marker may have written nothing; the text before
  // the marker stays, and no line loses text to the next one.
  Check({
      {"blank inside the marker", Whole({"ab; ;c"}), "ab", "ab", 0, "; ;"},
      {"marker after a blank", Whole({"a ;;b", "c"}), "a  c", "a  \nc", 0, ";;"},
      {"marker alone on a middle line", Whole({"ab", ";;;", "cd"}), "ab  cd", "ab \n \ncd", 0,
       ";;;"},
      {"marker at the block's start", Whole({";;;", "select 1"}), "select 1", "select 1", 0, ";;;"},
      {"marker after skip characters", Whole({"x\" \";\"-y"}), "x", "x", 0, "\";\"-"},
  });
}

TEST_F(CaptureTest, ReadsFromTheFirstLineUntilTheBlockOrTheTextEnds) {
  t.host.blockStartLine = 1;
  Captured c = Capture({Part("before", 0, -1), Part("select a", 0, -1), Part("from t", 2, 4),
                        Part("after", -1, -1), Part("more", 0, -1)});
  EXPECT_TRUE(c.ok);
  EXPECT_EQ(c.statement, "select a om");
  EXPECT_EQ(LinesAsked(), (std::vector<int>{1, 2, 3}));

  // The editor refusing a line ends the block as well.
  c = Capture(Whole({"before", "select a"}));
  EXPECT_TRUE(c.ok);
  EXPECT_EQ(c.statement, "select a");
  EXPECT_EQ(LinesAsked(), (std::vector<int>{1, 2}));

  // A block past the last line holds nothing.
  t.host.blockStartLine = 9;
  c = Capture(Whole({"select a"}));
  EXPECT_FALSE(c.ok);
  EXPECT_EQ(c.notices, Notice(27));
  EXPECT_EQ(LinesAsked(), (std::vector<int>{9}));
}

TEST_F(CaptureTest, LeavesTheSkipSetInTheScratchBuffer) {
  Configure("*\"", kDefaultMarkers);
  t.State().ScratchBuffer.fill('?');
  ASSERT_TRUE(Capture(Whole({"select 1"})).ok);
  EXPECT_STREQ(t.State().ScratchBuffer.data(), "*\" \t\n\r\v");
  EXPECT_EQ(t.State().Scratch.Text(), "*\" \t\n\r\v");
}

TEST_F(CaptureTest, BuildsTheMarkerTablesAnewForEachCapture) {
  RunState& s = t.State();
  Configure(kDefaultSkip, "//,--,#");
  ASSERT_TRUE(Capture(Whole({"select 1 # x"})).ok);
  ASSERT_NE(s.MarkerStart, nullptr);
  ASSERT_NE(s.MarkerProgress, nullptr);
  EXPECT_EQ(s.MarkerStart[0], 0);
  EXPECT_EQ(s.MarkerStart[1], 3);
  EXPECT_EQ(s.MarkerStart[2], 6);

  Configure(kDefaultSkip, "");
  ASSERT_TRUE(Capture(Whole({"select 1"})).ok);
  EXPECT_EQ(s.MarkerStart, nullptr);
  EXPECT_EQ(s.MarkerProgress, nullptr);

  Configure(kDefaultSkip, "ab,c");
  ASSERT_TRUE(Capture(Whole({"select 1"})).ok);
  ASSERT_NE(s.MarkerStart, nullptr);
  EXPECT_EQ(s.MarkerStart[1], 3);
  t.module->ExitFAR();
  EXPECT_EQ(s.MarkerStart, nullptr);
  EXPECT_EQ(s.MarkerProgress, nullptr);
}

TEST_F(CaptureTest, WithoutMemoryForTheTablesCommentsAreStillCut) {
  Configure(kDefaultSkip, "//,--,#");
  ASSERT_TRUE(Capture(Whole({"select 1"})).ok);
  refuseNothrowArrays = true;
  const Captured c = Capture(Whole({"select a -- first", "from t // second", "where x # third"}));
  refuseNothrowArrays = false;
  EXPECT_TRUE(c.ok);
  EXPECT_EQ(c.statement, "select a  from t  where x");
  EXPECT_EQ(c.echo, "select a  \nfrom t  \nwhere x");
  EXPECT_TRUE(c.notices.empty());
  // The previous tables are gone and none are left half made.
  EXPECT_EQ(t.State().MarkerStart, nullptr);
  EXPECT_EQ(t.State().MarkerProgress, nullptr);

  ASSERT_TRUE(Capture(Whole({"select 1"})).ok);
  EXPECT_NE(t.State().MarkerStart, nullptr);
}

TEST_F(CaptureTest, MostMarkersALongListCanHold) {
  // 256 one-character markers fill a setting field; the last one still works.
  std::string list;
  for (int i = 0; i < 255; ++i)
    list += "a,";
  list += "#";
  ASSERT_EQ(list.size(), kSettingTextSize - 1);
  Configure(kDefaultSkip, list);
  EXPECT_EQ(Capture(Whole({"b#c"})).statement, "b");

  // And a single marker as long as the field.
  const std::string marker(kSettingTextSize - 1, '-');
  Configure(kDefaultSkip, marker);
  EXPECT_EQ(Capture(Whole({"x" + marker + "y"})).statement, "x");
  EXPECT_EQ(Capture(Whole({"x" + marker.substr(1) + "y"})).statement, "x" + marker.substr(1) + "y");
}

TEST(CaptureCommandTest, SelectedBlockIsCapturedByTheExplainCommand) {
  TestModule t;
  t.host.SelectLines({"  \"select a, b \"   // columns", "  \"from t;\""});
  EXPECT_EQ(t.Run(), InvalidHostHandle());
  EXPECT_STREQ(t.State().EchoBuffer.data(), "select a, b  \n from t");
  const auto asked = t.host.Of(HostCall::EditorLine);
  ASSERT_EQ(asked.size(), 3u);  // the two lines, and the refusal after them
  for (const auto& box : t.host.Boxes()) {
    ASSERT_GT(box.items.size(), 2u);
    EXPECT_NE(box.items[2], t.host.Msg(26));
    EXPECT_NE(box.items[2], t.host.Msg(27));
  }
}

TEST(CaptureCommandTest, EmptyStatementEndsTheCommandAtOnce) {
  TestModule t;
  t.host.SelectLines({"-- nothing", "   "});
  EXPECT_EQ(t.Run(), InvalidHostHandle());
  const auto boxes = t.host.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].items, (std::vector<std::string>{t.host.Msg(33), "", t.host.Msg(27), "",
                                                      "\x01", t.host.Msg(0)}));
  EXPECT_EQ(boxes[0].flags, 1u);
  EXPECT_TRUE(t.host.Of(HostCall::SaveScreen).empty());
  // No auto-disconnect ran: it would have released the marker tables.
  EXPECT_EQ(t.State().AutoDisconnect, 1);
  EXPECT_NE(t.State().MarkerStart, nullptr);
}

}  // namespace
}  // namespace kestrin::test
