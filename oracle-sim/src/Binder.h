// Resolves the names of a parsed statement against the dictionary as one
// user sees it: tables and views, columns, functions; works out the types of
// expressions and checks what Oracle checks before running a statement.
// Raises SqlError (ORA-00942, ORA-00904, ORA-00918, ...) on failure.
#pragma once

#include <string>

#include "Ast.h"
#include "Catalog.h"

namespace kestrin::sim {

// The user a statement runs as: the schema for unqualified names, and
// whether the dictionary views are open to it.
struct SessionUser {
  std::string name;
  bool dictionaryAccess = true;
};

void BindStatement(Statement& statement, Catalog& catalog, const SessionUser& user);

// A text that is equal for two bound expressions exactly when they compute
// the same thing from the same columns.
std::string Canonical(const Expr& e);

bool IsAggregate(const Expr& e);

// The columns and rows of a dictionary view or public table as the user sees it.
void DescribeView(ViewKind view, BoundSource& source);
std::vector<Row> ViewRows(ViewKind view, const Catalog& catalog, const SessionUser& user);

}  // namespace kestrin::sim
