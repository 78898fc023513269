// The host's message boxes: how the item list of the Message service (title,
// lines, separators, buttons) is laid out as a framed box, drawn into the
// screen model, and answered by a key. The same drawing serves the terminal
// and the plain-text transcript of a run without one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Keys.h"
#include "Screen.h"

namespace kestrin::console {

// The item text that the host draws as a line across the box.
inline constexpr std::string_view kSeparatorItem = "\x01";

struct MessageBoxSpec {
  std::string title;
  std::vector<std::string> lines;    // kSeparatorItem for a separator line
  std::vector<std::string> buttons;  // labels with their '&' hot key markers
  bool warning = false;              // the warning style
  bool leftAligned = false;          // lines flush left instead of centred
};

// Builds the box from the Message service's arguments: item 0 is the title,
// the last `buttons` items are the buttons, the rest are lines. A count below
// 1 gives an empty box; a button count outside 0..count-1 is cut into it.
MessageBoxSpec MakeMessageBox(unsigned flags, const char* const* items, int count, int buttons);

class MessageBoxView {
 public:
  // Lays the box out for a screen of `screenWidth` by `screenHeight`: centred,
  // lines longer than fit are wrapped at blanks (cut where there are none).
  MessageBoxView(MessageBoxSpec request, int screenWidth, int screenHeight);

  // The box's outer rectangle, its margin included.
  const Rect& Area() const { return area_; }

  void Draw(Screen& screen) const;

  // Handles one key. Returns true when the box has been answered; `Result()`
  // is then the chosen button from 0, or -1 when it was dismissed.
  bool HandleKey(const Key& key);
  int Result() const { return result_; }
  int FocusedButton() const { return focus_; }

 private:
  MessageBoxSpec spec_;
  std::vector<std::string> rows_;  // the wrapped lines
  std::vector<HotkeyText> buttons_;
  int innerWidth_ = 0;
  Rect area_;
  int focus_ = 0;
  int result_ = -1;
};

// The box as plain rows of text, frame included, without the margin: the
// transcript form written to the error stream when there is no terminal.
// Glyphs in UTF-8 when `utf8`, else in ASCII.
std::vector<std::string> RenderMessageBox(const MessageBoxSpec& request, bool utf8);

}  // namespace kestrin::console
