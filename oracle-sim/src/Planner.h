// The rule-based optimizer behind EXPLAIN PLAN: chooses access paths (full
// scans, unique and range scans of indexes), join orders for nested loops and
// the sorts a query needs, and lays the plan out as the plan table's rows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Ast.h"
#include "Catalog.h"

namespace kestrin::sim {

// One row of a plan as EXPLAIN PLAN stores it. Empty strings are NULL.
struct PlanStep {
  std::string operation;
  std::string options;
  std::string objectOwner;
  std::string objectName;
  std::string objectType;
  std::string optimizer;
  int id = 0;
  std::optional<long> parentId;
  std::optional<long> position;
  std::optional<long> cost;
  std::optional<long> cardinality;
  std::optional<long> bytes;
  std::optional<long> searchColumns;
  std::optional<long> objectInstance;
};

// Plans a bound SELECT, INSERT, UPDATE or DELETE. The rows come in the order
// of their ids: the root (id 0) first, every row before its children.
std::vector<PlanStep> PlanStatement(const Catalog& catalog, const Statement& statement);

}  // namespace kestrin::sim
