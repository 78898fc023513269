#include <gtest/gtest.h>

#include <string>

#include "Keys.h"

namespace kestrin::console {
namespace {

TEST(KeysTest, DecodesWhatTerminalsSend) {
  const struct {
    std::string input;
    KeyCode code;
    char ch;
    std::size_t used;
  } cases[] = {
      {"a", KeyCode::Char, 'a', 1},
      {" ", KeyCode::Char, ' ', 1},
      {"\xE9", KeyCode::Char, '\xE9', 1},
      {"\r", KeyCode::Enter, 0, 1},
      {"\n", KeyCode::Enter, 0, 1},
      {"\t", KeyCode::Tab, 0, 1},
      {"\x7F", KeyCode::Backspace, 0, 1},
      {"\x08", KeyCode::Backspace, 0, 1},
      {"\x03", KeyCode::Interrupt, 0, 1},
      {"\x15", KeyCode::ClearField, 0, 1},
      {"\x19", KeyCode::ClearField, 0, 1},
      {"\x01", KeyCode::Unknown, 0, 1},
      {"\x1b[A", KeyCode::Up, 0, 3},
      {"\x1b[B", KeyCode::Down, 0, 3},
      {"\x1b[C", KeyCode::Right, 0, 3},
      {"\x1b[D", KeyCode::Left, 0, 3},
      {"\x1b[1;5D", KeyCode::Left, 0, 6},
      {"\x1b[H", KeyCode::Home, 0, 3},
      {"\x1b[F", KeyCode::End, 0, 3},
      {"\x1b[1~", KeyCode::Home, 0, 4},
      {"\x1b[4~", KeyCode::End, 0, 4},
      {"\x1b[3~", KeyCode::Delete, 0, 4},
      {"\x1b[2~", KeyCode::Unknown, 0, 4},
      {"\x1b[21~", KeyCode::F10, 0, 5},
      {"\x1b[23~", KeyCode::F11, 0, 5},
      {"\x1b[Z", KeyCode::BackTab, 0, 3},
      {"\x1bOA", KeyCode::Up, 0, 3},
      {"\x1bOH", KeyCode::Home, 0, 3},
      {"\x1bOM", KeyCode::Enter, 0, 3},
      {"\x1b"
       "d",
       KeyCode::Alt, 'd', 2},
      {"\x1b\x1b[A", KeyCode::Escape, 0, 1},
      {"ab", KeyCode::Char, 'a', 1},
  };
  for (const auto& c : cases) {
    Key key;
    EXPECT_EQ(DecodeKey(c.input, false, key), c.used) << c.input;
    EXPECT_EQ(key.code, c.code) << c.input;
    if (c.code == KeyCode::Char || c.code == KeyCode::Alt) {
      EXPECT_EQ(key.ch, c.ch) << c.input;
    }
  }
}

TEST(KeysTest, WaitsForTheRestOfASequenceUntilTheTerminalIsQuiet) {
  for (const std::string partial : {"\x1b", "\x1b[", "\x1b[1;", "\x1bO"}) {
    Key key;
    EXPECT_EQ(DecodeKey(partial, false, key), 0u) << partial;
    EXPECT_EQ(DecodeKey(partial, true, key), partial.size()) << partial;
    EXPECT_EQ(key.code, partial == "\x1b" ? KeyCode::Escape : KeyCode::Unknown) << partial;
  }
  Key key;
  EXPECT_EQ(DecodeKey("", true, key), 0u);
}

}  // namespace
}  // namespace kestrin::console
