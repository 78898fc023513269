// The four shapes in which the module's message boxes are built from the
// message catalogue. Each shape is built here and nowhere else.
#pragma once

#include "host/HostServices.h"

namespace kestrin {

// The one-character item text that the host draws as a line across the box.
inline constexpr const char* kSeparator = "\x01";

// Title, empty line, `text`, empty line, separator, the OK button. `flags` is
// kMessageWarning for a problem, 0 for a plain notice.
void ShowNoticeBox(const HostServices& host, unsigned flags, const char* text);
inline void ShowNoticeBox(const HostServices& host, unsigned flags, Msg text) {
  ShowNoticeBox(host, flags, host.GetMsg(text));
}

// Title, empty line, two lines flush left in warning colours, empty line,
// separator, the OK button: for a second line from outside the catalogue.
void ShowDetailBox(const HostServices& host, const char* first, const char* second);

// A note without title or buttons: drawn, and left on the screen under
// whatever follows until the saved screen is restored.
void ShowProgressNote(const HostServices& host, Msg text);

// Asks whether to drop the plan table. Returns true only for the second
// button (drop); the first button or a dismissal keeps the table.
bool AskDropPlanTable(const HostServices& host);

}  // namespace kestrin
