#include "MessageBox.h"

#include <algorithm>
#include <cctype>

namespace kestrin::console {

namespace {

// The box's parts around its text: two cells of margin, the frame and one cell
// of padding on each side; one row of margin and the frame above and below.
constexpr int kSideMargin = 2;
constexpr int kTopMargin = 1;
constexpr int kChromeWidth = 2 * (kSideMargin + 2);
constexpr int kChromeHeight = 2 * (kTopMargin + 1);

constexpr unsigned kWarningFlag = 0x1;
constexpr unsigned kLeftAlignFlag = 0x10;

int ButtonWidth(const HotkeyText& button) {
  return static_cast<int>(button.shown.size()) + 4;  // "[ " and " ]"
}

int ButtonRowWidth(const std::vector<HotkeyText>& buttons) {
  int width = 0;
  for (const HotkeyText& button : buttons)
    width += ButtonWidth(button) + (width > 0 ? 1 : 0);
  return width;
}

// Breaks `line` into rows of at most `width` cells, at the last blank that
// fits where there is one.
void Wrap(std::string_view line, int width, std::vector<std::string>& rows) {
  const auto limit = static_cast<std::size_t>(std::max(width, 1));
  if (line.size() <= limit || line == kSeparatorItem) {
    rows.emplace_back(line);
    return;
  }
  while (line.size() > limit) {
    std::size_t cut = line.rfind(' ', limit);
    if (cut == std::string_view::npos || cut == 0)
      cut = limit;
    rows.emplace_back(line.substr(0, cut));
    line.remove_prefix(cut);
    while (!line.empty() && line.front() == ' ')
      line.remove_prefix(1);
  }
  if (!line.empty())
    rows.emplace_back(line);
}

struct Layout {
  std::vector<std::string> rows;
  std::vector<HotkeyText> buttons;
  int innerWidth = 0;
};

Layout LayOut(const MessageBoxSpec& request, int maxInnerWidth) {
  Layout layout;
  for (const std::string& button : request.buttons)
    layout.buttons.push_back(SplitHotkey(button));
  int wanted = ButtonRowWidth(layout.buttons);
  if (!request.title.empty())
    wanted = std::max(wanted, static_cast<int>(request.title.size()) + 2);
  for (const std::string& line : request.lines)
    if (line != kSeparatorItem)
      wanted = std::max(wanted, static_cast<int>(line.size()));
  layout.innerWidth = std::clamp(wanted, 1, std::max(maxInnerWidth, 1));
  for (const std::string& line : request.lines)
    Wrap(line, layout.innerWidth, layout.rows);
  return layout;
}

int RowCount(const Layout& layout) {
  return static_cast<int>(layout.rows.size()) + (layout.buttons.empty() ? 0 : 1);
}

// Draws the box with its frame at `frame`; the margin, when there is one, is
// the caller's fill.
void DrawBox(Screen& screen, const MessageBoxSpec& request, const Layout& layout, const Rect& frame,
             int focus) {
  const Style style = request.warning ? Style::Warning : Style::Box;
  const Style hotkey = request.warning ? Style::WarningHotkey : Style::BoxHotkey;
  const Style focused = request.warning ? Style::WarningFocus : Style::BoxFocus;
  screen.Fill(frame, style);
  screen.Frame(frame, true, style);
  const int left = frame.x + 2;
  const int width = layout.innerWidth;
  if (!request.title.empty()) {
    std::string title = " " + request.title + " ";
    if (static_cast<int>(title.size()) > width)
      title.resize(static_cast<std::size_t>(width));
    screen.PutText(left + (width - static_cast<int>(title.size())) / 2, frame.y, title, style);
  }
  int y = frame.y + 1;
  for (const std::string& row : layout.rows) {
    if (row == kSeparatorItem) {
      screen.Separator(frame.x, frame.x + frame.width - 1, y, style);
    } else {
      const int size = static_cast<int>(row.size());
      const int x = request.leftAligned ? left : left + (width - size) / 2;
      screen.PutText(x, y, row, style, width);
    }
    ++y;
  }
  if (layout.buttons.empty())
    return;
  int x = left + (width - ButtonRowWidth(layout.buttons)) / 2;
  for (std::size_t i = 0; i < layout.buttons.size(); ++i) {
    const HotkeyText& button = layout.buttons[i];
    const bool isFocused = static_cast<int>(i) == focus;
    const Style look = isFocused ? focused : style;
    screen.PutText(x, y, "[ ", look);
    PutHotkeyText(screen, x + 2, y, button, look, isFocused ? focused : hotkey);
    screen.PutText(x + 2 + static_cast<int>(button.shown.size()), y, " ]", look);
    x += ButtonWidth(button) + 1;
  }
}

}  // namespace

MessageBoxSpec MakeMessageBox(unsigned flags, const char* const* items, int count, int buttons) {
  MessageBoxSpec request;
  request.warning = (flags & kWarningFlag) != 0;
  request.leftAligned = (flags & kLeftAlignFlag) != 0;
  if (items == nullptr || count < 1)
    return request;
  buttons = std::clamp(buttons, 0, count - 1);
  auto text = [&](int i) { return std::string(items[i] ? items[i] : ""); };
  request.title = text(0);
  for (int i = 1; i < count - buttons; ++i)
    request.lines.push_back(text(i));
  for (int i = count - buttons; i < count; ++i)
    request.buttons.push_back(text(i));
  return request;
}

MessageBoxView::MessageBoxView(MessageBoxSpec request, int screenWidth, int screenHeight)
    : spec_(std::move(request)) {
  const Layout layout = LayOut(spec_, screenWidth - kChromeWidth);
  rows_ = layout.rows;
  buttons_ = layout.buttons;
  innerWidth_ = layout.innerWidth;
  area_.width = innerWidth_ + kChromeWidth;
  area_.height = RowCount(layout) + kChromeHeight;
  area_.x = std::max((screenWidth - area_.width) / 2, 0);
  area_.y = std::max((screenHeight - area_.height) / 2, 0);
}

void MessageBoxView::Draw(Screen& screen) const {
  screen.Fill(area_, spec_.warning ? Style::Warning : Style::Box);
  const Rect frame{area_.x + kSideMargin, area_.y + kTopMargin, area_.width - 2 * kSideMargin,
                   area_.height - 2 * kTopMargin};
  DrawBox(screen, spec_, Layout{rows_, buttons_, innerWidth_}, frame, focus_);
  screen.HideCursor();
}

bool MessageBoxView::HandleKey(const Key& key) {
  const int count = static_cast<int>(buttons_.size());
  if (count == 0)
    return false;
  switch (key.code) {
    case KeyCode::Left:
    case KeyCode::Up:
    case KeyCode::BackTab:
      focus_ = (focus_ + count - 1) % count;
      return false;
    case KeyCode::Right:
    case KeyCode::Down:
    case KeyCode::Tab:
      focus_ = (focus_ + 1) % count;
      return false;
    case KeyCode::Enter:
      result_ = focus_;
      return true;
    case KeyCode::Escape:
    case KeyCode::Interrupt:
      result_ = -1;
      return true;
    case KeyCode::Char:
    case KeyCode::Alt: {
      if (key.ch == ' ') {
        result_ = focus_;
        return true;
      }
      const char wanted = static_cast<char>(std::tolower(static_cast<unsigned char>(key.ch)));
      for (int i = 0; i < count; ++i) {
        if (buttons_[static_cast<std::size_t>(i)].hotkey == wanted && wanted != '\0') {
          focus_ = i;
          result_ = i;
          return true;
        }
      }
      return false;
    }
    default:
      return false;
  }
}

std::vector<std::string> RenderMessageBox(const MessageBoxSpec& request, bool utf8) {
  // Without a screen there is no width to keep within: no line is wrapped.
  const Layout layout = LayOut(request, 1 << 16);
  Screen screen(layout.innerWidth + 4, RowCount(layout) + 2);
  DrawBox(screen, request, layout, Rect{0, 0, screen.Width(), screen.Height()}, -1);
  return screen.Rows(utf8);
}

}  // namespace kestrin::console
