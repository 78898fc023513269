// The explain command: the ten stages that one pick of the menu item runs, in
// order, with every exit between them. The work inside each stage lives in its
// own area (settings, dialog, capture, oracle, plan); this unit owns the order,
// the exits and what happens to the screen on each path.
#pragma once

namespace kestrin {

class Module;

// Runs one explain command to its end. Every failure has been shown to the
// user in a box by the time it returns; nothing is signalled to the caller.
void ExplainCommand(Module& module);

}  // namespace kestrin
