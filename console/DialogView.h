// The host's dialogs: the items the Dialog service receives (boxes, texts,
// edit lines, password lines, buttons and check boxes) laid out in a frame on
// the screen model, and edited by keys. Edits and check-box states are written
// straight back into the caller's items, as the service promises.
#pragma once

#include <string>
#include <vector>

#include "Keys.h"
#include "Screen.h"
#include "host/FarAbi.h"

namespace kestrin::console {

class DialogView {
 public:
  // Shows `count` items, which must outlive the view. x1 = -1 centres the
  // dialog across the screen with width x2, otherwise it spans x1..x2; the
  // same for y1, y2 and the height. Item positions are relative to the
  // dialog's corner.
  DialogView(FarDialogItem* items, int count, int x1, int y1, int x2, int y2, int screenWidth,
             int screenHeight);

  const Rect& Area() const { return area_; }
  void Draw(Screen& screen) const;

  // Handles one key. Returns true when the dialog has been closed; Result()
  // is then the number of the item that closed it, or -1 for Esc.
  bool HandleKey(const Key& key);
  int Result() const { return result_; }
  int FocusedItem() const { return focus_; }

  // Where an item is drawn, relative to the dialog (centred groups placed).
  int ItemX(int item) const { return positions_[static_cast<std::size_t>(item)]; }

 private:
  struct EditState {
    int cursor = 0;  // in characters of the text
    int scroll = 0;  // the first character shown
  };

  bool Focusable(int item) const;
  bool IsEdit(int item) const;
  int ItemWidth(int item) const;
  void MoveFocus(int step);
  void SetFocus(int item);
  void KeepCursorVisible(int item);
  void StoreText(int item, const std::string& text);
  bool EditKey(int item, const Key& key);
  bool Hotkey(char ch);
  int DefaultButton() const;

  FarDialogItem* items_;
  int count_;
  Rect area_;
  std::vector<int> positions_;
  std::vector<std::string> texts_;  // the edit lines' texts, as edited
  std::vector<EditState> edits_;
  int focus_ = -1;
  int result_ = -1;
};

}  // namespace kestrin::console
