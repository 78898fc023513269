#include "text/TextHelpers.h"

#include <cstring>

namespace kestrin {

namespace {

bool IsBlankChar(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v';
}

}  // namespace

int TrimBlanks(char* text) {
  int changed = 0;
  std::size_t start = 0;
  while (IsBlankChar(text[start]))
    ++start;
  if (start > 0) {
    std::memmove(text, text + start, std::strlen(text + start) + 1);
    changed = 1;
  }
  const std::size_t length = std::strlen(text);
  std::size_t end = length;
  while (end > 0 && IsBlankChar(text[end - 1]))
    --end;
  if (end < length) {
    text[end] = '\0';
    changed = 1;
  }
  return changed;
}

int NormalizeList(char* text, char separator) {
  // The tidy list keeps a subsequence of the input's characters in their
  // order, so it is built in place behind the reading position, and it
  // differs from the input exactly when it came out shorter.
  const std::size_t length = std::strlen(text);
  std::size_t write = 0;
  std::size_t read = 0;
  bool first = true;
  for (;;) {
    const std::size_t elementStart = read;
    while (text[read] != '\0' && text[read] != separator)
      ++read;
    std::size_t from = elementStart;
    std::size_t to = read;
    while (from < to && IsBlankChar(text[from]))
      ++from;
    while (to > from && IsBlankChar(text[to - 1]))
      --to;
    if (to > from) {
      if (!first)
        text[write++] = separator;
      std::memmove(text + write, text + from, to - from);
      write += to - from;
      first = false;
    }
    if (text[read] == '\0')
      break;
    ++read;  // past the separator
  }
  text[write] = '\0';
  return write != length ? 1 : 0;
}

int HasForbiddenChar(const char* text) {
  for (; *text != '\0'; ++text) {
    if (*text == '\'' || IsBlankChar(*text))
      return 1;
  }
  return 0;
}

}  // namespace kestrin
