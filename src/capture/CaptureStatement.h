// Statement capture: turns the block selected in the host's editor into one
// statement in StatementBuffer and a line-by-line echo of it in EchoBuffer,
// with end-of-line comments cut off and skip characters and blanks collapsed.
#pragma once

namespace kestrin {

class Module;

// Captures the block that starts at editor line `firstLine`. Returns true with
// both buffers filled and trimmed; false after the notice for an over-long or
// empty statement has been shown.
bool CaptureStatement(Module& module, int firstLine);

}  // namespace kestrin
