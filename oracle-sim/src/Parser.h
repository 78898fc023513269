// Reads the SQL this server understands into a Statement. Raises SqlError
// with Oracle's number for text it cannot read and the offset where it
// stopped.
#pragma once

#include <string_view>

#include "Ast.h"

namespace kestrin::sim {

Statement ParseStatement(std::string_view sql);

// True for the words Oracle reserves, which name no table or column.
bool IsReservedWord(std::string_view word);

}  // namespace kestrin::sim
