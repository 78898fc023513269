// The terminal the console host draws on when it runs interactively: the
// controlling terminal in raw mode on its alternate screen, showing copies of
// the screen model and reading keys. Closing it (also on SIGTERM and SIGHUP)
// gives the user back the terminal as it was.
#pragma once

#include <string>

#include "Keys.h"
#include "Screen.h"

namespace kestrin::console {

class Terminal {
 public:
  Terminal() = default;
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // Opens the controlling terminal, puts it in raw mode and switches to the
  // alternate screen. `utf8` draws lines with box-drawing characters (else
  // ASCII), `colour` draws the styles in colour (else plain and reverse
  // video). Returns false, changing nothing, when there is no terminal.
  bool Open(bool utf8, bool colour);
  // Leaves the alternate screen and restores the terminal's modes. Safe to
  // call when not open.
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // Names the terminal's window (the title the terminal had is given back
  // when it is closed, where the terminal keeps titles on a stack).
  void SetTitle(const std::string& title);

  // Gives the terminal back for a while (to the pager), and takes it again;
  // after Resume the next Show redraws everything.
  void Suspend();
  void Resume();

  // The terminal's size when it was opened (80 by 25 when it does not say).
  int Width() const { return width_; }
  int Height() const { return height_; }

  // Shows `screen`: the rows that differ from what is shown are redrawn, then
  // the cursor is placed or hidden.
  void Show(const Screen& screen);

  // Waits for one key. Returns false when the terminal is gone.
  bool ReadKey(Key& key);

 private:
  void Write(const std::string& text);
  bool Fill(int timeoutMs);

  int fd_ = -1;
  int width_ = 80;
  int height_ = 25;
  bool utf8_ = false;
  bool colour_ = true;
  bool shownValid_ = false;
  Screen shown_{1, 1};
  std::string title_;    // the sequence that sets the window's title
  std::string pending_;  // bytes read and not yet decoded
};

}  // namespace kestrin::console
