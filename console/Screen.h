// The console host's model of the terminal: a grid of cells, each a character
// or a line-drawing glyph in one of the host's styles. Everything the host
// shows (the editor behind the plugin, dialogs, message boxes, progress
// notes) is drawn into this model first; the terminal only ever shows a copy
// of it. A snapshot is a copy of the whole grid, so saving and restoring the
// screen for the module is a copy each way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin::console {

// How a cell looks. The terminal maps each style to colours (or to plain and
// reverse video without colour); tests read the styles directly.
enum class Style : std::uint8_t {
  Editor,         // the edited file
  EditorBlock,    // the selected block in the edited file
  EditorBar,      // the editor's title and key bars
  Box,            // dialogs and plain message boxes
  BoxHotkey,      // the hot key letter of a label or button
  BoxFocus,       // the focused button or check box
  Warning,        // message boxes in the warning style
  WarningHotkey,  // hot key letter in a warning box
  WarningFocus,   // the focused button of a warning box
  Field,          // an edit line
  FieldFocus,     // the edit line that holds the cursor
};

// Line-drawing glyphs; None means the cell shows its character.
enum class Glyph : std::uint8_t {
  None,
  DoubleHorizontal,
  DoubleVertical,
  DoubleTopLeft,
  DoubleTopRight,
  DoubleBottomLeft,
  DoubleBottomRight,
  SingleHorizontal,
  SingleVertical,
  SingleTopLeft,
  SingleTopRight,
  SingleBottomLeft,
  SingleBottomRight,
  TeeDoubleLeft,   // a single line leaving a double left border
  TeeDoubleRight,  // a single line reaching a double right border
};

struct Cell {
  char ch = ' ';
  Glyph glyph = Glyph::None;
  Style style = Style::Editor;
  bool operator==(const Cell&) const = default;
};

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

class Screen {
 public:
  // A screen of `width` by `height` cells (each at least 1), all blank.
  Screen(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }

  // The cell at (x, y); a position off the screen reads as a blank cell.
  Cell At(int x, int y) const;

  // Each drawing operation clips at the screen's edges: whatever falls off
  // the screen is not drawn.
  void Put(int x, int y, char ch, Style style);
  void PutGlyph(int x, int y, Glyph glyph, Style style);
  // Draws `text` from (x, y) on, at most `maxWidth` cells of it (all of it
  // when `maxWidth` is negative). Control characters are shown as '?'.
  void PutText(int x, int y, std::string_view text, Style style, int maxWidth = -1);
  void Fill(const Rect& area, Style style);
  // A frame along the edges of `area`, double or single lined.
  void Frame(const Rect& area, bool doubleLine, Style style);
  // A single horizontal line from x1 to x2 on row y; the ends become tees
  // where they meet a double vertical border.
  void Separator(int x1, int x2, int y, Style style);

  // Where the terminal's cursor is to stand; hidden unless set.
  void ShowCursor(int x, int y);
  void HideCursor() { cursorVisible_ = false; }
  bool CursorVisible() const { return cursorVisible_; }
  int CursorX() const { return cursorX_; }
  int CursorY() const { return cursorY_; }

  // The rows as plain text, trailing blanks kept: glyphs in UTF-8 when
  // `utf8`, else as the ASCII characters of a terminal that cannot draw lines.
  std::vector<std::string> Rows(bool utf8 = false) const;

  bool operator==(const Screen&) const = default;

 private:
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  int width_;
  int height_;
  std::vector<Cell> cells_;
  bool cursorVisible_ = false;
  int cursorX_ = 0;
  int cursorY_ = 0;
};

// The ASCII character that stands for a glyph on a terminal without line
// drawing, and its UTF-8 form on one with it.
char AsciiGlyph(Glyph glyph);
std::string_view Utf8Glyph(Glyph glyph);

// Splits a label's text at its hot key marker: "&Explain" shows as
// "Explain" with 'E' as the hot key at position 0; "&&" shows one '&'.
struct HotkeyText {
  std::string shown;
  int hotkeyIndex = -1;  // position of the hot key in `shown`, -1 for none
  char hotkey = '\0';    // the hot key, lower case
};
HotkeyText SplitHotkey(std::string_view text);

// Draws a label whose hot key letter is shown in `hotkeyStyle`.
void PutHotkeyText(Screen& screen, int x, int y, const HotkeyText& text, Style style,
                   Style hotkeyStyle);

}  // namespace kestrin::console
