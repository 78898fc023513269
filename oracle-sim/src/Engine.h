// Runs statements for one user against the catalog: queries into result
// sets, DML and DDL into the catalog, EXPLAIN PLAN into a plan table.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Ast.h"
#include "Binder.h"
#include "Catalog.h"
#include "Planner.h"

namespace kestrin::sim {

struct ResultSet {
  std::vector<std::string> labels;
  std::vector<SqlType> types;
  std::vector<Row> rows;
};

struct Outcome {
  bool isQuery = false;
  ResultSet result;
  long rowsProcessed = 0;
};

class Engine {
 public:
  // planOverride, when it holds a plan, is what the next EXPLAIN PLAN stores
  // in place of the planner's; it is then emptied.
  Engine(Catalog& catalog, SessionUser user, std::optional<std::vector<PlanStep>>* planOverride)
      : catalog_(catalog), user_(std::move(user)), planOverride_(planOverride) {}

  // What a parse checks of a statement: for a query the width of its
  // select list is returned, for anything else 0.
  std::size_t Describe(Statement& statement);

  Outcome Execute(Statement& statement);

 private:
  Catalog& catalog_;
  SessionUser user_;
  std::optional<std::vector<PlanStep>>* planOverride_;
};

}  // namespace kestrin::sim
