#include "Terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace kestrin::console {

namespace {

// What a signal handler needs to give the terminal back; set while open.
int gTerminalFd = -1;
struct termios gSavedModes {};

constexpr char kLeave[] = "\x1b[0m\x1b[?25h\x1b[?1049l\x1b[23;0t";

void RestoreFromSignal(int signal) {
  if (gTerminalFd >= 0) {
    ::tcsetattr(gTerminalFd, TCSAFLUSH, &gSavedModes);
    [[maybe_unused]] const ssize_t n = ::write(gTerminalFd, kLeave, sizeof kLeave - 1);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

const char* StyleCode(Style style, bool colour) {
  if (colour) {
    switch (style) {
      case Style::Editor:
        return "\x1b[0;37;44m";
      case Style::EditorBlock:
      case Style::EditorBar:
        return "\x1b[0;30;46m";
      case Style::Box:
        return "\x1b[0;30;47m";
      case Style::BoxHotkey:
        return "\x1b[0;1;34;47m";
      case Style::BoxFocus:
      case Style::Field:
      case Style::FieldFocus:
        return "\x1b[0;30;46m";
      case Style::Warning:
        return "\x1b[0;1;37;41m";
      case Style::WarningHotkey:
        return "\x1b[0;1;33;41m";
      case Style::WarningFocus:
        return "\x1b[0;30;47m";
    }
  }
  switch (style) {
    case Style::Editor:
    case Style::Box:
    case Style::WarningFocus:
      return "\x1b[0m";
    case Style::EditorBlock:
    case Style::EditorBar:
    case Style::BoxFocus:
    case Style::Warning:
      return "\x1b[0;7m";
    case Style::BoxHotkey:
    case Style::Field:
    case Style::FieldFocus:
      return "\x1b[0;4m";
    case Style::WarningHotkey:
      return "\x1b[0;7;4m";
  }
  return "\x1b[0m";
}

}  // namespace

Terminal::~Terminal() {
  Close();
}

bool Terminal::Open(bool utf8, bool colour) {
  if (fd_ >= 0)
    return true;
  const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0)
    return false;
  struct termios modes {};
  if (::tcgetattr(fd, &modes) != 0) {
    ::close(fd);
    return false;
  }
  gSavedModes = modes;
  gTerminalFd = fd;
  for (int signal : {SIGTERM, SIGHUP, SIGQUIT})
    std::signal(signal, RestoreFromSignal);
  ::cfmakeraw(&modes);
  modes.c_cc[VMIN] = 1;
  modes.c_cc[VTIME] = 0;
  ::tcsetattr(fd, TCSAFLUSH, &modes);
  fd_ = fd;
  utf8_ = utf8;
  colour_ = colour;
  struct winsize size {};
  if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
    width_ = size.ws_col;
    height_ = size.ws_row;
  }
  shownValid_ = false;
  Write("\x1b[22;0t\x1b[?1049h\x1b[?25l\x1b[2J");
  return true;
}

void Terminal::SetTitle(const std::string& title) {
  std::string shown;
  for (char ch : title)
    shown.push_back(static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F ? '?' : ch);
  title_ = "\x1b]2;" + shown + "\x07";
  Write(title_);
}

void Terminal::Close() {
  if (fd_ < 0)
    return;
  Write(kLeave);
  ::tcsetattr(fd_, TCSAFLUSH, &gSavedModes);
  for (int signal : {SIGTERM, SIGHUP, SIGQUIT})
    std::signal(signal, SIG_DFL);
  gTerminalFd = -1;
  ::close(fd_);
  fd_ = -1;
}

void Terminal::Suspend() {
  if (fd_ < 0)
    return;
  Write(kLeave);
  ::tcsetattr(fd_, TCSAFLUSH, &gSavedModes);
}

void Terminal::Resume() {
  if (fd_ < 0)
    return;
  struct termios modes = gSavedModes;
  ::cfmakeraw(&modes);
  modes.c_cc[VMIN] = 1;
  modes.c_cc[VTIME] = 0;
  ::tcsetattr(fd_, TCSAFLUSH, &modes);
  pending_.clear();
  shownValid_ = false;
  Write("\x1b[22;0t\x1b[?1049h\x1b[?25l\x1b[2J" + title_);
}

void Terminal::Write(const std::string& text) {
  std::size_t done = 0;
  while (fd_ >= 0 && done < text.size()) {
    const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return;
    done += static_cast<std::size_t>(n);
  }
}

void Terminal::Show(const Screen& screen) {
  if (fd_ < 0)
    return;
  const bool sameSize =
      shownValid_ && shown_.Width() == screen.Width() && shown_.Height() == screen.Height();
  std::string out = "\x1b[?25l";
  for (int y = 0; y < screen.Height(); ++y) {
    bool changed = !sameSize;
    for (int x = 0; x < screen.Width() && !changed; ++x)
      changed = !(screen.At(x, y) == shown_.At(x, y));
    if (!changed)
      continue;
    out += "\x1b[" + std::to_string(y + 1) + ";1H";
    const char* current = nullptr;
    for (int x = 0; x < screen.Width(); ++x) {
      const Cell cell = screen.At(x, y);
      const char* code = StyleCode(cell.style, colour_);
      if (code != current) {
        out += code;
        current = code;
      }
      if (cell.glyph != Glyph::None) {
        if (utf8_)
          out += Utf8Glyph(cell.glyph);
        else
          out += AsciiGlyph(cell.glyph);
      } else if (static_cast<unsigned char>(cell.ch) >= 0x80) {
        // Cells hold bytes of the host's code page; one that is not ASCII
        // may not be one column wide on this terminal.
        out += '?';
      } else {
        out += cell.ch;
      }
    }
  }
  out += "\x1b[0m";
  if (screen.CursorVisible())
    out += "\x1b[" + std::to_string(screen.CursorY() + 1) + ";" +
           std::to_string(screen.CursorX() + 1) + "H\x1b[?25h";
  Write(out);
  shown_ = screen;
  shownValid_ = true;
}

// Reads what the terminal has sent, waiting at most `timeoutMs` (-1: until
// something comes). Returns false on timeout or when the terminal is gone.
bool Terminal::Fill(int timeoutMs) {
  struct pollfd wait {
    fd_, POLLIN, 0
  };
  for (;;) {
    const int ready = ::poll(&wait, 1, timeoutMs);
    if (ready < 0 && errno == EINTR)
      continue;
    if (ready <= 0)
      return false;
    char buffer[256];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    pending_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }
}

bool Terminal::ReadKey(Key& key) {
  if (fd_ < 0)
    return false;
  for (;;) {
    if (pending_.empty() && !Fill(-1))
      return false;
    std::size_t used = DecodeKey(pending_, false, key);
    if (used == 0) {
      // The start of a sequence: the rest follows at once or not at all (a
      // lone Esc).
      if (!Fill(50))
        used = DecodeKey(pending_, true, key);
      else
        continue;
    }
    pending_.erase(0, used);
    return true;
  }
}

}  // namespace kestrin::console
