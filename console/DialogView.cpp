#include "DialogView.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

namespace kestrin::console {

namespace {

constexpr int kDiSingleBox = 2;
// An edit line holds at most this many characters, so that the text and its
// terminator fit the item.
constexpr int kMaxFieldLength = kDialogItemTextSize - 1;

std::string ItemText(const FarDialogItem& item) {
  const void* end = std::memchr(item.Data, '\0', kDialogItemTextSize);
  const std::size_t length = end ? static_cast<std::size_t>(static_cast<const char*>(end) -
                                                            static_cast<const char*>(item.Data))
                                 : static_cast<std::size_t>(kMaxFieldLength);
  return std::string(item.Data, length);
}

bool IsBox(int type) {
  return type == kDiDoubleBox || type == kDiSingleBox;
}

}  // namespace

DialogView::DialogView(FarDialogItem* items, int count, int x1, int y1, int x2, int y2,
                       int screenWidth, int screenHeight)
    : items_(items), count_(std::max(count, 0)) {
  if (x1 < 0) {
    area_.width = std::max(x2, 1);
    area_.x = std::max((screenWidth - area_.width) / 2, 0);
  } else {
    area_.x = x1;
    area_.width = std::max(x2 - x1 + 1, 1);
  }
  if (y1 < 0) {
    area_.height = std::max(y2, 1);
    area_.y = std::max((screenHeight - area_.height) / 2, 0);
  } else {
    area_.y = y1;
    area_.height = std::max(y2 - y1 + 1, 1);
  }

  positions_.resize(static_cast<std::size_t>(count_));
  texts_.resize(static_cast<std::size_t>(count_));
  edits_.resize(static_cast<std::size_t>(count_));
  std::map<int, std::vector<int>> groups;  // row -> the centred items on it, in order
  for (int i = 0; i < count_; ++i) {
    const auto index = static_cast<std::size_t>(i);
    positions_[index] = items_[i].X1;
    if (items_[i].Flags & kDifCenterGroup)
      groups[items_[i].Y1].push_back(i);
    if (IsEdit(i)) {
      texts_[index] = ItemText(items_[i]);
      edits_[index].cursor = static_cast<int>(texts_[index].size());
      KeepCursorVisible(i);
    }
  }
  for (const auto& [row, members] : groups) {
    int total = 0;
    for (int item : members)
      total += ItemWidth(item) + (total > 0 ? 1 : 0);
    int x = std::max((area_.width - total) / 2, 0);
    for (int item : members) {
      positions_[static_cast<std::size_t>(item)] = x;
      x += ItemWidth(item) + 1;
    }
  }

  // The first item that asks for the focus gets it; without one, the first
  // item that can take it.
  for (int i = 0; i < count_ && focus_ < 0; ++i)
    if (items_[i].Focus != 0 && Focusable(i))
      focus_ = i;
  for (int i = 0; i < count_ && focus_ < 0; ++i)
    if (Focusable(i))
      focus_ = i;
}

bool DialogView::Focusable(int item) const {
  const int type = items_[item].Type;
  return type == kDiEdit || type == kDiPasswordEdit || type == kDiButton || type == kDiCheckBox;
}

bool DialogView::IsEdit(int item) const {
  return items_[item].Type == kDiEdit || items_[item].Type == kDiPasswordEdit;
}

int DialogView::ItemWidth(int item) const {
  const FarDialogItem& it = items_[item];
  switch (it.Type) {
    case kDiEdit:
    case kDiPasswordEdit:
      return std::max(it.X2 - it.X1 + 1, 1);
    case kDiButton:
    case kDiCheckBox:
      return static_cast<int>(SplitHotkey(ItemText(it)).shown.size()) + 4;
    default:
      return static_cast<int>(SplitHotkey(ItemText(it)).shown.size());
  }
}

void DialogView::KeepCursorVisible(int item) {
  EditState& edit = edits_[static_cast<std::size_t>(item)];
  const int width = ItemWidth(item);
  if (edit.cursor < edit.scroll)
    edit.scroll = edit.cursor;
  if (edit.cursor >= edit.scroll + width)
    edit.scroll = edit.cursor - width + 1;
}

void DialogView::Draw(Screen& screen) const {
  screen.Fill(area_, Style::Box);
  screen.HideCursor();
  for (int i = 0; i < count_; ++i) {
    const FarDialogItem& item = items_[i];
    const int x = area_.x + positions_[static_cast<std::size_t>(i)];
    const int y = area_.y + item.Y1;
    const bool focused = i == focus_;
    const std::string text = ItemText(item);
    switch (item.Type) {
      case kDiDoubleBox:
      case kDiSingleBox: {
        const Rect frame{x, y, item.X2 - item.X1 + 1, item.Y2 - item.Y1 + 1};
        screen.Frame(frame, item.Type == kDiDoubleBox, Style::Box);
        if (!text.empty() && frame.width > 4) {
          std::string title = " " + text + " ";
          if (static_cast<int>(title.size()) > frame.width - 2)
            title.resize(static_cast<std::size_t>(frame.width - 2));
          screen.PutText(frame.x + (frame.width - static_cast<int>(title.size())) / 2, y, title,
                         Style::Box);
        }
        break;
      }
      case kDiText: {
        const HotkeyText label = SplitHotkey(text);
        if (item.Flags & kDifSeparator) {
          // Across the frame the line lies in, joining its borders.
          int left = area_.x;
          int right = area_.x + area_.width - 1;
          for (int b = 0; b < count_; ++b) {
            const FarDialogItem& box = items_[b];
            if (IsBox(box.Type) && item.Y1 > box.Y1 && item.Y1 < box.Y2) {
              left = area_.x + box.X1;
              right = area_.x + box.X2;
              break;
            }
          }
          screen.Separator(left, right, y, Style::Box);
          if (!label.shown.empty()) {
            const std::string shown = " " + label.shown + " ";
            screen.PutText(left + (right - left + 1 - static_cast<int>(shown.size())) / 2, y, shown,
                           Style::Box);
          }
        } else {
          PutHotkeyText(screen, x, y, label, Style::Box, Style::BoxHotkey);
        }
        break;
      }
      case kDiEdit:
      case kDiPasswordEdit: {
        const auto index = static_cast<std::size_t>(i);
        const EditState& edit = edits_[index];
        const int width = ItemWidth(i);
        const Style look = focused ? Style::FieldFocus : Style::Field;
        screen.Fill(Rect{x, y, width, 1}, look);
        std::string shown = texts_[index].substr(
            std::min(static_cast<std::size_t>(edit.scroll), texts_[index].size()));
        if (item.Type == kDiPasswordEdit)
          shown.assign(shown.size(), '*');
        screen.PutText(x, y, shown, look, width);
        if (focused)
          screen.ShowCursor(x + edit.cursor - edit.scroll, y);
        break;
      }
      case kDiButton: {
        const HotkeyText label = SplitHotkey(text);
        const Style look = focused ? Style::BoxFocus : Style::Box;
        const bool isDefault = item.DefaultButton != 0;
        screen.PutText(x, y, isDefault ? "{ " : "[ ", look);
        PutHotkeyText(screen, x + 2, y, label, look, focused ? look : Style::BoxHotkey);
        screen.PutText(x + 2 + static_cast<int>(label.shown.size()), y, isDefault ? " }" : " ]",
                       look);
        if (focused)
          screen.ShowCursor(x + 2, y);
        break;
      }
      case kDiCheckBox: {
        const HotkeyText label = SplitHotkey(text);
        const Style look = focused ? Style::BoxFocus : Style::Box;
        screen.PutText(x, y, item.Selected ? "[x] " : "[ ] ", look);
        PutHotkeyText(screen, x + 4, y, label, look, focused ? look : Style::BoxHotkey);
        if (focused)
          screen.ShowCursor(x + 1, y);
        break;
      }
      default:
        break;  // item types the host does not draw
    }
  }
}

void DialogView::SetFocus(int item) {
  focus_ = item;
  if (IsEdit(item)) {
    EditState& edit = edits_[static_cast<std::size_t>(item)];
    edit.cursor = static_cast<int>(texts_[static_cast<std::size_t>(item)].size());
    KeepCursorVisible(item);
  }
}

void DialogView::MoveFocus(int step) {
  if (focus_ < 0)
    return;
  for (int n = 1; n <= count_; ++n) {
    const int candidate = ((focus_ + step * n) % count_ + count_) % count_;
    if (Focusable(candidate)) {
      SetFocus(candidate);
      return;
    }
  }
}

void DialogView::StoreText(int item, const std::string& text) {
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(kMaxFieldLength));
  std::memcpy(items_[item].Data, text.data(), n);
  items_[item].Data[n] = '\0';
}

// The editing keys of an edit line. Returns false for a key that is not one.
bool DialogView::EditKey(int item, const Key& key) {
  const auto index = static_cast<std::size_t>(item);
  std::string& text = texts_[index];
  EditState& edit = edits_[index];
  const int length = static_cast<int>(text.size());
  switch (key.code) {
    case KeyCode::Char:
      if (length >= kMaxFieldLength)
        return true;  // full: the character is refused
      text.insert(static_cast<std::size_t>(edit.cursor), 1, key.ch);
      ++edit.cursor;
      break;
    case KeyCode::Left:
      edit.cursor = std::max(edit.cursor - 1, 0);
      break;
    case KeyCode::Right:
      edit.cursor = std::min(edit.cursor + 1, length);
      break;
    case KeyCode::Home:
      edit.cursor = 0;
      break;
    case KeyCode::End:
      edit.cursor = length;
      break;
    case KeyCode::Backspace:
      if (edit.cursor > 0) {
        text.erase(static_cast<std::size_t>(edit.cursor - 1), 1);
        --edit.cursor;
      }
      break;
    case KeyCode::Delete:
      if (edit.cursor < length)
        text.erase(static_cast<std::size_t>(edit.cursor), 1);
      break;
    case KeyCode::ClearField:
      text.clear();
      edit.cursor = 0;
      edit.scroll = 0;
      break;
    default:
      return false;
  }
  StoreText(item, text);
  KeepCursorVisible(item);
  return true;
}

bool DialogView::Hotkey(char ch) {
  const char wanted = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (wanted == '\0')
    return false;
  for (int i = 0; i < count_; ++i) {
    const int type = items_[i].Type;
    if ((type != kDiButton && type != kDiCheckBox) ||
        SplitHotkey(ItemText(items_[i])).hotkey != wanted)
      continue;
    SetFocus(i);
    if (type == kDiButton) {
      result_ = i;
      return true;
    }
    items_[i].Selected = items_[i].Selected ? 0 : 1;
    return false;
  }
  return false;
}

int DialogView::DefaultButton() const {
  for (int i = 0; i < count_; ++i)
    if (items_[i].DefaultButton != 0)
      return i;
  return focus_;
}

bool DialogView::HandleKey(const Key& key) {
  if (focus_ < 0) {
    // Nothing can take the focus: only closing is possible.
    if (key.code == KeyCode::Escape || key.code == KeyCode::Interrupt) {
      result_ = -1;
      return true;
    }
    if (key.code == KeyCode::Enter) {
      result_ = DefaultButton();
      return true;
    }
    return false;
  }
  const int type = items_[focus_].Type;
  switch (key.code) {
    case KeyCode::Escape:
    case KeyCode::Interrupt:
      result_ = -1;
      return true;
    case KeyCode::Enter:
      result_ = type == kDiButton ? focus_ : DefaultButton();
      return true;
    case KeyCode::Tab:
    case KeyCode::Down:
      MoveFocus(1);
      return false;
    case KeyCode::BackTab:
    case KeyCode::Up:
      MoveFocus(-1);
      return false;
    case KeyCode::Alt:
      return Hotkey(key.ch);
    default:
      break;
  }
  if (IsEdit(focus_)) {
    EditKey(focus_, key);
    return false;
  }
  switch (key.code) {
    case KeyCode::Left:
      MoveFocus(-1);
      return false;
    case KeyCode::Right:
      MoveFocus(1);
      return false;
    case KeyCode::Char:
      if (key.ch == ' ') {
        if (type == kDiButton) {
          result_ = focus_;
          return true;
        }
        if (type == kDiCheckBox)
          items_[focus_].Selected = items_[focus_].Selected ? 0 : 1;
        return false;
      }
      return Hotkey(key.ch);
    default:
      return false;
  }
}

}  // namespace kestrin::console
