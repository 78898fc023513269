#include "plan/Report.h"

#include "plugin/Module.h"

namespace kestrin {

// Comes with the report work.
void WriteReport(Module&, std::uint32_t&) {}
void ViewReport(Module&) {}

}  // namespace kestrin
