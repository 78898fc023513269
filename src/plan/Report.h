// The plan report: the statement, the indented plan and the indexes of every
// table the plan touches, written into a new temporary file and handed to the
// host's viewer, which deletes it when it closes.
#pragma once

#include <cstdint>

namespace kestrin {

class Module;

// Stage 7: writes the report file. Sets PlanWritten and the index-report bits
// in `flags`; every failure has been shown or written into the report.
void WriteReport(Module& module, std::uint32_t& flags);

// Opens the report in the host's viewer, non-modal, deleted on close.
void ViewReport(Module& module);

}  // namespace kestrin
