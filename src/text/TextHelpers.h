// Small helpers that test and tidy NUL-terminated text in place: the dialog's
// fields and the captured statement. They only ever shorten a text, so they
// take no capacity. A blank is one of space, tab, line feed, carriage return
// and vertical tab; form feed and other control characters are not blanks.
#pragma once

namespace kestrin {

// Removes the blanks at both ends of `text`; blanks inside stay. Returns 1
// when at least one character was removed, else 0.
int TrimBlanks(char* text);

// Tidies a list of elements divided by `separator`: each element is trimmed
// of blanks at both ends, empty elements go with one separator each, and no
// separator is left at the start or the end. Returns 1 when the text changed,
// else 0.
int NormalizeList(char* text, char separator);

// Returns 1 when `text` holds an apostrophe or a blank, else 0 (also for the
// empty text). Such a character would break the SQL or the logon string that
// the text is put into.
int HasForbiddenChar(const char* text);

}  // namespace kestrin
