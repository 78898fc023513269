// The keys the console host understands, and their decoding from the bytes a
// terminal sends (plain characters, control characters and the common escape
// sequences of xterm-like terminals and tmux).
#pragma once

#include <cstddef>
#include <string_view>

namespace kestrin::console {

enum class KeyCode {
  Char,  // a printable character, in `ch`
  Alt,   // Alt (or Esc, then) with a character, in `ch`
  Enter,
  Tab,
  BackTab,  // Shift+Tab
  Escape,
  Interrupt,  // Ctrl+C: taken as Esc, since the terminal is raw
  Up,
  Down,
  Left,
  Right,
  Home,
  End,
  Backspace,
  Delete,
  ClearField,  // Ctrl+U or Ctrl+Y: empties the edit line
  F10,
  F11,
  Unknown,  // a sequence the host does not use
};

struct Key {
  KeyCode code = KeyCode::Unknown;
  char ch = '\0';
};

// Decodes the first key in `input`. Returns the number of bytes it took, or 0
// when `input` is the start of a sequence that needs more bytes; when
// `complete` says no more bytes are coming (the terminal stayed quiet), a
// lone Esc is the Escape key and an unfinished sequence is Unknown.
std::size_t DecodeKey(std::string_view input, bool complete, Key& key);

}  // namespace kestrin::console
