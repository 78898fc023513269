#include "oracle/Session.h"

#include "plugin/Module.h"

namespace kestrin {

// Comes with the session work.
bool EnsureSession(Module&) {
  return false;
}
void ShowOracleError(Module&, int, bool) {}

}  // namespace kestrin
