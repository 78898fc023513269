#include "capture/CaptureStatement.h"

#include "plugin/Module.h"

namespace kestrin {

// Comes with the capture work.
bool CaptureStatement(Module&, int) {
  return false;
}

}  // namespace kestrin
