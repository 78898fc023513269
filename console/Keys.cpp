#include "Keys.h"

namespace kestrin::console {

namespace {

constexpr char kEsc = '\x1b';

Key Make(KeyCode code, char ch = '\0') {
  return Key{code, ch};
}

KeyCode FinalKey(char final) {
  switch (final) {
    case 'A':
      return KeyCode::Up;
    case 'B':
      return KeyCode::Down;
    case 'C':
      return KeyCode::Right;
    case 'D':
      return KeyCode::Left;
    case 'H':
      return KeyCode::Home;
    case 'F':
      return KeyCode::End;
    case 'Z':
      return KeyCode::BackTab;
    case 'M':
      return KeyCode::Enter;  // the keypad's Enter in application mode
    default:
      return KeyCode::Unknown;
  }
}

// "ESC [ params final": the first parameter chooses the key of a "~" sequence;
// modifiers after a ';' are ignored, so Ctrl+Left is Left.
std::size_t DecodeCsi(std::string_view input, bool complete, Key& key) {
  std::size_t i = 2;
  int first = -1;
  bool inFirst = true;
  while (i < input.size() && ((input[i] >= '0' && input[i] <= '9') || input[i] == ';')) {
    if (input[i] == ';') {
      inFirst = false;
    } else if (inFirst && first < 1000) {
      first = (first < 0 ? 0 : first * 10) + (input[i] - '0');
    }
    ++i;
  }
  if (i >= input.size()) {
    if (!complete)
      return 0;
    key = Make(KeyCode::Unknown);
    return input.size();
  }
  const char final = input[i];
  if (final == '~') {
    switch (first) {
      case 1:
      case 7:
        key = Make(KeyCode::Home);
        break;
      case 4:
      case 8:
        key = Make(KeyCode::End);
        break;
      case 3:
        key = Make(KeyCode::Delete);
        break;
      case 21:
        key = Make(KeyCode::F10);
        break;
      case 23:
        key = Make(KeyCode::F11);
        break;
      default:
        key = Make(KeyCode::Unknown);
    }
  } else {
    key = Make(FinalKey(final));
  }
  return i + 1;
}

}  // namespace

std::size_t DecodeKey(std::string_view input, bool complete, Key& key) {
  if (input.empty())
    return 0;
  const auto byte = static_cast<unsigned char>(input[0]);
  if (input[0] == kEsc) {
    if (input.size() == 1) {
      if (!complete)
        return 0;
      key = Make(KeyCode::Escape);
      return 1;
    }
    const char next = input[1];
    if (next == '[')
      return DecodeCsi(input, complete, key);
    if (next == 'O') {
      if (input.size() < 3) {
        if (!complete)
          return 0;
        key = Make(KeyCode::Unknown);
        return 2;
      }
      key = Make(FinalKey(input[2]));
      return 3;
    }
    const auto second = static_cast<unsigned char>(next);
    if (second >= 0x20 && second != 0x7F) {
      key = Make(KeyCode::Alt, next);
      return 2;
    }
    // Esc followed by another control character: the Esc stands alone.
    key = Make(KeyCode::Escape);
    return 1;
  }
  switch (byte) {
    case '\r':
    case '\n':
      key = Make(KeyCode::Enter);
      return 1;
    case '\t':
      key = Make(KeyCode::Tab);
      return 1;
    case 0x7F:
    case 0x08:
      key = Make(KeyCode::Backspace);
      return 1;
    case 0x03:
      key = Make(KeyCode::Interrupt);
      return 1;
    case 0x15:
    case 0x19:
      key = Make(KeyCode::ClearField);
      return 1;
    default:
      break;
  }
  key = byte < 0x20 ? Make(KeyCode::Unknown) : Make(KeyCode::Char, input[0]);
  return 1;
}

}  // namespace kestrin::console
