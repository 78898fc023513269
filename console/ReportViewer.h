// The console host's viewer: a report the module handed over is shown in the
// user's pager when standard output is a terminal, and printed otherwise.
#pragma once

#include <ostream>
#include <string>

#include "ConsoleHost.h"

namespace kestrin::console {

// Shows the report: on a terminal through $PAGER (default less), else written
// to `out` with its CR LF line ends as LF; a pager that cannot be started
// falls back to printing. Deletes the file afterwards when the request asks
// for it. Returns true when the report was shown.
bool ShowReport(const ViewRequest& request, bool toTerminal, std::ostream& out);

}  // namespace kestrin::console
