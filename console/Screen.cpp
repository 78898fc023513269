#include "Screen.h"

#include <algorithm>
#include <cctype>

namespace kestrin::console {

Screen::Screen(int width, int height)
    : width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      cells_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {}

Cell Screen::At(int x, int y) const {
  if (!Inside(x, y))
    return Cell{};
  return cells_[static_cast<std::size_t>(y) * width_ + x];
}

void Screen::Put(int x, int y, char ch, Style style) {
  if (!Inside(x, y))
    return;
  const auto byte = static_cast<unsigned char>(ch);
  // Control characters would move the terminal's cursor; the model keeps
  // every cell one column wide.
  if (byte < 0x20 || byte == 0x7F)
    ch = '?';
  cells_[static_cast<std::size_t>(y) * width_ + x] = Cell{ch, Glyph::None, style};
}

void Screen::PutGlyph(int x, int y, Glyph glyph, Style style) {
  if (!Inside(x, y))
    return;
  cells_[static_cast<std::size_t>(y) * width_ + x] = Cell{' ', glyph, style};
}

void Screen::PutText(int x, int y, std::string_view text, Style style, int maxWidth) {
  const std::size_t count =
      maxWidth < 0 ? text.size() : std::min(text.size(), static_cast<std::size_t>(maxWidth));
  for (std::size_t i = 0; i < count; ++i)
    Put(x + static_cast<int>(i), y, text[i], style);
}

void Screen::Fill(const Rect& area, Style style) {
  for (int row = area.y; row < area.y + area.height; ++row)
    for (int column = area.x; column < area.x + area.width; ++column)
      Put(column, row, ' ', style);
}

void Screen::Frame(const Rect& area, bool doubleLine, Style style) {
  if (area.width < 2 || area.height < 2)
    return;
  const int right = area.x + area.width - 1;
  const int bottom = area.y + area.height - 1;
  const Glyph horizontal = doubleLine ? Glyph::DoubleHorizontal : Glyph::SingleHorizontal;
  const Glyph vertical = doubleLine ? Glyph::DoubleVertical : Glyph::SingleVertical;
  for (int column = area.x + 1; column < right; ++column) {
    PutGlyph(column, area.y, horizontal, style);
    PutGlyph(column, bottom, horizontal, style);
  }
  for (int row = area.y + 1; row < bottom; ++row) {
    PutGlyph(area.x, row, vertical, style);
    PutGlyph(right, row, vertical, style);
  }
  PutGlyph(area.x, area.y, doubleLine ? Glyph::DoubleTopLeft : Glyph::SingleTopLeft, style);
  PutGlyph(right, area.y, doubleLine ? Glyph::DoubleTopRight : Glyph::SingleTopRight, style);
  PutGlyph(area.x, bottom, doubleLine ? Glyph::DoubleBottomLeft : Glyph::SingleBottomLeft, style);
  PutGlyph(right, bottom, doubleLine ? Glyph::DoubleBottomRight : Glyph::SingleBottomRight, style);
}

void Screen::Separator(int x1, int x2, int y, Style style) {
  for (int column = x1; column <= x2; ++column) {
    Glyph glyph = Glyph::SingleHorizontal;
    if (At(column, y).glyph == Glyph::DoubleVertical)
      glyph = column == x1 ? Glyph::TeeDoubleLeft : Glyph::TeeDoubleRight;
    PutGlyph(column, y, glyph, style);
  }
}

void Screen::ShowCursor(int x, int y) {
  cursorVisible_ = Inside(x, y);
  cursorX_ = x;
  cursorY_ = y;
}

std::vector<std::string> Screen::Rows(bool utf8) const {
  std::vector<std::string> rows;
  rows.reserve(static_cast<std::size_t>(height_));
  for (int y = 0; y < height_; ++y) {
    std::string row;
    row.reserve(static_cast<std::size_t>(width_));
    for (int x = 0; x < width_; ++x) {
      const Cell cell = At(x, y);
      if (cell.glyph == Glyph::None)
        row.push_back(cell.ch);
      else if (utf8)
        row.append(Utf8Glyph(cell.glyph));
      else
        row.push_back(AsciiGlyph(cell.glyph));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

char AsciiGlyph(Glyph glyph) {
  switch (glyph) {
    case Glyph::None:
      return ' ';
    case Glyph::DoubleHorizontal:
      return '=';
    case Glyph::DoubleVertical:
    case Glyph::SingleVertical:
      return '|';
    case Glyph::SingleHorizontal:
      return '-';
    case Glyph::DoubleTopLeft:
    case Glyph::DoubleTopRight:
    case Glyph::DoubleBottomLeft:
    case Glyph::DoubleBottomRight:
    case Glyph::SingleTopLeft:
    case Glyph::SingleTopRight:
    case Glyph::SingleBottomLeft:
    case Glyph::SingleBottomRight:
    case Glyph::TeeDoubleLeft:
    case Glyph::TeeDoubleRight:
      return '+';
  }
  return ' ';
}

std::string_view Utf8Glyph(Glyph glyph) {
  switch (glyph) {
    case Glyph::None:
      return " ";
    case Glyph::DoubleHorizontal:
      return "\u2550";
    case Glyph::DoubleVertical:
      return "\u2551";
    case Glyph::DoubleTopLeft:
      return "\u2554";
    case Glyph::DoubleTopRight:
      return "\u2557";
    case Glyph::DoubleBottomLeft:
      return "\u255a";
    case Glyph::DoubleBottomRight:
      return "\u255d";
    case Glyph::SingleHorizontal:
      return "\u2500";
    case Glyph::SingleVertical:
      return "\u2502";
    case Glyph::SingleTopLeft:
      return "\u250c";
    case Glyph::SingleTopRight:
      return "\u2510";
    case Glyph::SingleBottomLeft:
      return "\u2514";
    case Glyph::SingleBottomRight:
      return "\u2518";
    case Glyph::TeeDoubleLeft:
      return "\u255f";
    case Glyph::TeeDoubleRight:
      return "\u2562";
  }
  return " ";
}

HotkeyText SplitHotkey(std::string_view text) {
  HotkeyText result;
  result.shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != '&' && result.hotkeyIndex < 0) {
        result.hotkeyIndex = static_cast<int>(result.shown.size());
        result.hotkey = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
      }
    }
    result.shown.push_back(text[i]);
  }
  return result;
}

void PutHotkeyText(Screen& screen, int x, int y, const HotkeyText& text, Style style,
                   Style hotkeyStyle) {
  screen.PutText(x, y, text.shown, style);
  if (text.hotkeyIndex >= 0)
    screen.Put(x + text.hotkeyIndex, y, text.shown[static_cast<std::size_t>(text.hotkeyIndex)],
               hotkeyStyle);
}

}  // namespace kestrin::console
