// Statement capture: turns the block selected in the host's editor into one
// statement in StatementBuffer and a line-by-line echo of it in EchoBuffer,
// with end-of-line comments cut off and skip characters and blanks collapsed.
#pragma once

namespace kestrin {

class Module;

// Captures the block that starts at editor line `firstLine`, reading lines
// until the editor has no more or a line holds no part of the block. Uses the
// EndLineComments list (as the dialog normalises it) and SkipSymbols, and
// leaves the skip set in ScratchBuffer. Returns true with both buffers filled
// and trimmed. Returns false after showing the notice for a statement too
// long for StatementBuffer (or an echo too long for EchoBuffer), or for an
// empty one; the buffers then hold whatever had been captured.
bool CaptureStatement(Module& module, int firstLine);

}  // namespace kestrin
