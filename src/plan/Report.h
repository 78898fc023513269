// The plan report: the statement, the indented plan and the indexes of every
// table the plan touches, written into a new temporary file and handed to the
// host's viewer, which deletes it when it closes.
#pragma once

#include <cstdint>

namespace kestrin {

class Module;

// Stage 7: runs the plan query, makes a new file in the temporary directory's
// VerUdor sub-directory (its name in ReportPath) and writes the captured
// statement, the plan lines and the index report into it, CR LF line ends,
// each line flushed as it ends. Sets PlanWritten when the whole plan reached
// the file, and IndexReportDone or IndexReportFailed. A failure of the plan
// query, the file name, the file's opening or the plan fetch is shown in its
// box; one of the index report is written at the end of the report instead.
// The file is closed on every path that opened it.
void WriteReport(Module& module, std::uint32_t& flags);

// Hands ReportPath to the host's viewer as file and title, whole screen,
// non-modal, the file deleted when the viewer closes.
void ViewReport(Module& module);

}  // namespace kestrin
