// Small helpers that inspect and tidy NUL-terminated 8-bit text in place, in
// buffers their callers own: the connection dialog tidies what the user typed
// with them, and the capture trims the statement and its echo. They only ever
// shorten a text, so they need no capacity and cannot fail. Characters are
// compared as bytes; 128-255 are ordinary characters.
#pragma once

namespace kestrin {

// The characters every part of the module treats as blanks: space, tab, line
// feed, carriage return and vertical tab. Form feed is not one of them.
inline constexpr char BlankSet[] = " \t\n\r\v";

// True for the five characters of BlankSet; false for every other character,
// the terminator included.
inline bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v';
}

// Returns 1 when `text` holds an apostrophe or a blank, else 0 (so 0 for the
// empty text). The text is not changed.
int HasForbiddenChar(const char* text);

// Removes the blanks at both ends of `text`, leaving those inside. Returns 1
// when at least one character was removed, else 0.
int TrimBlanks(char* text);

// Tidies a list of elements delimited by `separator`: each element is trimmed
// of blanks at both ends, empty elements are dropped with their separator, and
// the remaining ones keep their order and are joined by exactly one separator,
// with none at either end. Returns 1 when the text changed, else 0.
int NormalizeList(char* text, char separator);

}  // namespace kestrin
