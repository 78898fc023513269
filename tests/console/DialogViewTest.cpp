#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DialogView.h"

namespace kestrin::console {
namespace {

FarDialogItem Item(int type, int x1, int y1, int x2, int y2, const char* text,
                   std::uint32_t flags = 0) {
  FarDialogItem item;
  std::memset(&item, 0, sizeof item);
  item.Type = type;
  item.X1 = x1;
  item.Y1 = y1;
  item.X2 = x2;
  item.Y2 = y2;
  item.Flags = flags;
  std::strncpy(item.Data, text, sizeof item.Data - 1);
  return item;
}

// A small logon dialog of the host's own, 40 by 10, with every kind of item.
std::vector<FarDialogItem> LogonDialog() {
  std::vector<FarDialogItem> items = {
      Item(kDiDoubleBox, 3, 1, 36, 8, "Logon"),
      Item(kDiEdit, 5, 3, 14, 3, "scott"),
      Item(kDiText, 16, 3, 0, 0, "User"),
      Item(kDiPasswordEdit, 5, 4, 14, 4, "tiger"),
      Item(kDiText, 16, 4, 0, 0, "Password"),
      Item(kDiCheckBox, 5, 5, 0, 0, "&Remember"),
      Item(kDiText, 0, 6, 0, 0, "", kDifSeparator | kDifBoxColor),
      Item(kDiButton, 0, 7, 0, 0, "&Go", kDifCenterGroup),
      Item(kDiText, 0, 7, 0, 0, "  Off    ", kDifCenterGroup),
      Item(kDiButton, 0, 7, 0, 0, "&Cancel", kDifCenterGroup),
  };
  items[3].Focus = 1;
  items[5].Selected = 1;
  items[7].DefaultButton = 1;
  return items;
}

struct DialogRun {
  std::vector<FarDialogItem> items = LogonDialog();
  DialogView view{items.data(), static_cast<int>(items.size()), -1, -1, 40, 10, 40, 10};
  bool closed = false;

  void Press(const std::vector<Key>& keys) {
    for (const Key& key : keys) {
      ASSERT_FALSE(closed) << "a key after the dialog closed";
      closed = view.HandleKey(key);
    }
  }
  std::string Text(int item) const { return items[static_cast<std::size_t>(item)].Data; }
};

std::vector<Key> Type(const std::string& text) {
  std::vector<Key> keys;
  for (char ch : text)
    keys.push_back(Key{KeyCode::Char, ch});
  return keys;
}

TEST(DialogViewTest, DrawsEveryItemInItsFrame) {
  DialogRun run;
  Screen screen(40, 10);
  run.view.Draw(screen);
  EXPECT_EQ(screen.Rows(), (std::vector<std::string>{
                               "                                        ",
                               "   +============ Logon =============+   ",
                               "   |                                |   ",
                               "   | scott      User                |   ",
                               "   | *****      Password            |   ",
                               "   | [x] Remember                   |   ",
                               "   +--------------------------------+   ",
                               "   |  { Go }   Off     [ Cancel ]   |   ",
                               "   +================================+   ",
                               "                                        ",
                           }));
  // The password line has the cursor, after its text; the hot keys stand out.
  EXPECT_TRUE(screen.CursorVisible());
  EXPECT_EQ(screen.CursorX(), 10);
  EXPECT_EQ(screen.CursorY(), 4);
  EXPECT_EQ(screen.At(5, 4).style, Style::FieldFocus);
  EXPECT_EQ(screen.At(5, 3).style, Style::Field);
  EXPECT_EQ(screen.At(9, 5).style, Style::BoxHotkey);  // the R of Remember
  EXPECT_EQ(screen.At(0, 0).style, Style::Box);
}

TEST(DialogViewTest, CentresTheDialogOnTheScreen) {
  std::vector<FarDialogItem> items = LogonDialog();
  DialogView view(items.data(), static_cast<int>(items.size()), -1, -1, 40, 10, 100, 30);
  EXPECT_EQ(view.Area().x, 30);
  EXPECT_EQ(view.Area().y, 10);
  DialogView placed(items.data(), static_cast<int>(items.size()), 2, 3, 41, 12, 100, 30);
  EXPECT_EQ(placed.Area().x, 2);
  EXPECT_EQ(placed.Area().width, 40);
}

TEST(DialogViewTest, TabsThroughTheItemsThatTakeTheFocus) {
  DialogRun run;
  EXPECT_EQ(run.view.FocusedItem(), 3);
  std::vector<int> order;
  for (int i = 0; i < 5; ++i) {
    run.Press({{KeyCode::Tab}});
    order.push_back(run.view.FocusedItem());
  }
  EXPECT_EQ(order, (std::vector<int>{5, 7, 9, 1, 3}));
  run.Press({{KeyCode::BackTab}, {KeyCode::Up}});
  EXPECT_EQ(run.view.FocusedItem(), 9);
  run.Press({{KeyCode::Left}});  // away from an edit line, Left moves the focus back
  EXPECT_EQ(run.view.FocusedItem(), 7);
  EXPECT_FALSE(run.closed);
}

TEST(DialogViewTest, EditsFieldsInPlace) {
  DialogRun run;
  run.Press(Type("!"));
  EXPECT_EQ(run.Text(3), "tiger!");
  run.Press({{KeyCode::Home}, {KeyCode::Delete}, {KeyCode::Right}, {KeyCode::Backspace}});
  EXPECT_EQ(run.Text(3), "ger!");
  run.Press({{KeyCode::End}, {KeyCode::Left}});
  run.Press(Type(" x"));  // a blank and a hot key letter are text in an edit line
  EXPECT_EQ(run.Text(3), "ger x!");
  run.Press({{KeyCode::ClearField}});
  EXPECT_EQ(run.Text(3), "");
  run.Press({{KeyCode::BackTab}});
  run.Press(Type("z"));
  EXPECT_EQ(run.Text(1), "scottz");
  EXPECT_FALSE(run.closed);
}

TEST(DialogViewTest, TogglesCheckBoxesBySpaceOrHotKey) {
  DialogRun run;
  run.Press({{KeyCode::Tab}, {KeyCode::Char, ' '}});
  EXPECT_EQ(run.items[5].Selected, 0);
  run.Press({{KeyCode::Char, ' '}});
  EXPECT_EQ(run.items[5].Selected, 1);
  run.Press({{KeyCode::Alt, 'r'}});
  EXPECT_EQ(run.items[5].Selected, 0);
  run.Press({{KeyCode::Char, 'R'}});  // away from an edit line the letter alone will do
  EXPECT_EQ(run.items[5].Selected, 1);
  EXPECT_FALSE(run.closed);
}

TEST(DialogViewTest, ClosesWithTheButtonPressedOrMinusOneForEsc) {
  const struct {
    std::vector<Key> keys;
    int result;
  } cases[] = {
      {{{KeyCode::Enter}}, 7},  // Enter on an edit line: the default button
      {{{KeyCode::Tab}, {KeyCode::Enter}}, 7},
      {{{KeyCode::Tab}, {KeyCode::Tab}, {KeyCode::Tab}, {KeyCode::Enter}}, 9},
      {{{KeyCode::Tab}, {KeyCode::Tab}, {KeyCode::Tab}, {KeyCode::Char, ' '}}, 9},
      {{{KeyCode::Alt, 'c'}}, 9},
      {{{KeyCode::Alt, 'G'}}, 7},
      {{{KeyCode::Escape}}, -1},
      {{{KeyCode::Interrupt}}, -1},
  };
  for (const auto& c : cases) {
    DialogRun run;
    run.Press(c.keys);
    EXPECT_TRUE(run.closed);
    EXPECT_EQ(run.view.Result(), c.result);
  }
}

TEST(DialogViewTest, KeepsEveryFieldWithinItsItem) {
  DialogRun run;
  run.Press(Type(std::string(600, 'p')));
  EXPECT_EQ(std::strlen(run.items[3].Data), 511u);
  EXPECT_EQ(run.Text(3).substr(0, 5), "tiger");

  // The field shows the end of a long text, the cursor at its right edge.
  Screen screen(40, 10);
  run.view.Draw(screen);
  EXPECT_EQ(screen.Rows()[4].substr(5, 10), "********* ");
  EXPECT_EQ(screen.CursorX(), 14);

  // An item text without a terminator is read as its first 511 characters.
  std::vector<FarDialogItem> items = LogonDialog();
  std::memset(items[1].Data, 'u', sizeof items[1].Data);
  DialogView view(items.data(), static_cast<int>(items.size()), -1, -1, 40, 10, 40, 10);
  view.HandleKey({KeyCode::BackTab});
  view.HandleKey({KeyCode::Backspace});
  EXPECT_EQ(std::strlen(items[1].Data), 510u);
}

}  // namespace
}  // namespace kestrin::console
