#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MessageBox.h"

namespace kestrin::console {
namespace {

using Rows = std::vector<std::string>;

TEST(MessageBoxTest, DrawsTitleLinesSeparatorAndButtonsInAFrame) {
  const char* items[] = {"Kestrin", "", "The statement is empty", "", "\x01", "OK"};
  EXPECT_EQ(RenderMessageBox(MakeMessageBox(1, items, 6, 1), false),
            (Rows{"+======= Kestrin ========+", "|                        |",
                  "| The statement is empty |", "|                        |",
                  "+------------------------+", "|         [ OK ]         |",
                  "+========================+"}));
}

TEST(MessageBoxTest, CentresLinesUnlessTheyAreToBeFlushLeft) {
  const char* items[] = {"T", "Oracle error", "ORA-00942: table or view does not exist", "OK"};
  const Rows centred = RenderMessageBox(MakeMessageBox(0x1, items, 4, 1), false);
  const Rows left = RenderMessageBox(MakeMessageBox(0x11, items, 4, 1), false);
  EXPECT_EQ(centred[1], "|              Oracle error               |");
  EXPECT_EQ(left[1], "| Oracle error                            |");
  EXPECT_EQ(left[2], "| ORA-00942: table or view does not exist |");
}

TEST(MessageBoxTest, ANoteHasNoTitleAndNoButtons) {
  const char* items[] = {"", "", "Connecting to Oracle...", ""};
  EXPECT_EQ(RenderMessageBox(MakeMessageBox(0, items, 4, 0), false),
            (Rows{"+=========================+", "|                         |",
                  "| Connecting to Oracle... |", "|                         |",
                  "+=========================+"}));
}

TEST(MessageBoxTest, DrawsLinesWithBoxCharactersOnAUtf8Terminal) {
  const char* items[] = {"", "x", "OK"};
  EXPECT_EQ(RenderMessageBox(MakeMessageBox(0, items, 3, 1), true)[0],
            "\u2554\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2557");
}

TEST(MessageBoxTest, OnTheScreenTheBoxIsCentredInItsStyleAndLongLinesWrap) {
  const std::string longLine =
      "ORA-12345: a text far longer than the narrow screen can show on one line";
  const char* items[] = {"Kestrin", longLine.c_str(), "OK"};
  MessageBoxView box(MakeMessageBox(1, items, 3, 1), 40, 20);
  Screen screen(40, 20);
  box.Draw(screen);
  EXPECT_EQ(box.Area().width, 40);
  EXPECT_EQ(box.Area().x, 0);
  EXPECT_EQ(box.Area().y, (20 - box.Area().height) / 2);
  const Rows rows = screen.Rows();
  const int top = box.Area().y + 1;
  EXPECT_EQ(rows[top + 1], "  |   ORA-12345: a text far longer   |  ");
  EXPECT_EQ(rows[top + 2], "  | than the narrow screen can show  |  ");
  EXPECT_EQ(rows[top + 3], "  |           on one line            |  ");
  EXPECT_EQ(screen.At(box.Area().x, box.Area().y).style, Style::Warning);
  EXPECT_EQ(screen.At(0, 0).style, Style::Editor);  // outside the box
  // The focused button, and its hot key, stand out.
  const int buttonRow = top + 4;
  const int bracket = static_cast<int>(rows[buttonRow].find('['));
  EXPECT_EQ(screen.At(bracket, buttonRow).style, Style::WarningFocus);
}

TEST(MessageBoxTest, ButtonsAreAnsweredByKeys) {
  const char* items[] = {"Kestrin", "Drop it?", "&Keep", "&Drop"};
  const struct {
    std::vector<Key> keys;
    int result;
  } cases[] = {
      {{{KeyCode::Enter}}, 0},
      {{{KeyCode::Right}, {KeyCode::Enter}}, 1},
      {{{KeyCode::Tab}, {KeyCode::Tab}, {KeyCode::Enter}}, 0},
      {{{KeyCode::Left}, {KeyCode::Char, ' '}}, 1},
      {{{KeyCode::Char, 'd'}}, 1},
      {{{KeyCode::Char, 'D'}}, 1},
      {{{KeyCode::Alt, 'k'}}, 0},
      {{{KeyCode::Char, 'x'}, {KeyCode::Escape}}, -1},
      {{{KeyCode::Interrupt}}, -1},
  };
  for (const auto& c : cases) {
    MessageBoxView box(MakeMessageBox(1, items, 4, 2), 80, 25);
    bool answered = false;
    for (const Key& key : c.keys) {
      ASSERT_FALSE(answered);
      answered = box.HandleKey(key);
    }
    EXPECT_TRUE(answered);
    EXPECT_EQ(box.Result(), c.result);
  }
}

TEST(MessageBoxTest, KeepsAButtonCountWithinTheItems) {
  const char* items[] = {"T", "a", "b"};
  MessageBoxSpec request = MakeMessageBox(0, items, 3, 7);
  EXPECT_EQ(request.lines.size(), 0u);
  EXPECT_EQ(request.buttons, (std::vector<std::string>{"a", "b"}));
  request = MakeMessageBox(0, items, 3, -1);
  EXPECT_EQ(request.lines.size(), 2u);
  EXPECT_TRUE(request.buttons.empty());
  request = MakeMessageBox(0, items, 0, 0);
  EXPECT_TRUE(request.title.empty());
  EXPECT_TRUE(request.lines.empty());
}

}  // namespace
}  // namespace kestrin::console
