#include "text/TextHelpers.h"

#include <cstddef>
#include <cstring>

namespace kestrin {

int HasForbiddenChar(const char* text) {
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '\'' || IsBlank(*p))
      return 1;
  }
  return 0;
}

int TrimBlanks(char* text) {
  int changed = 0;
  const char* first = text;
  while (IsBlank(*first))
    ++first;
  std::size_t length = std::strlen(first);
  if (first != text) {
    std::memmove(text, first, length + 1);  // the two ranges overlap
    changed = 1;
  }
  std::size_t end = length;
  while (end > 0 && IsBlank(text[end - 1]))
    --end;
  if (end < length) {
    text[end] = '\0';
    changed = 1;
  }
  return changed;
}

int NormalizeList(char* text, char separator) {
  // Compacts the list towards its start: the kept text never runs ahead of the
  // text still to be read, so the one buffer serves as both. Only removals
  // happen, so the list changed exactly when it got shorter.
  const std::size_t length = std::strlen(text);
  std::size_t written = 0;
  std::size_t read = 0;
  for (;;) {
    std::size_t end = read;
    while (end < length && text[end] != separator)
      ++end;
    std::size_t first = read;
    while (first < end && IsBlank(text[first]))
      ++first;
    std::size_t last = end;
    while (last > first && IsBlank(text[last - 1]))
      --last;
    if (last > first) {
      if (written > 0)
        text[written++] = separator;
      std::memmove(text + written, text + first, last - first);
      written += last - first;
    }
    if (end >= length)
      break;
    read = end + 1;
  }
  text[written] = '\0';
  return written != length ? 1 : 0;
}

}  // namespace kestrin
