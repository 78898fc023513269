#include "Planner.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <tuple>

namespace kestrin::sim {

namespace {

struct Node {
  std::string operation;
  std::string options;
  std::string objectOwner;
  std::string objectName;
  std::string objectType;
  bool analyzed = false;
  std::optional<long> instance;
  std::optional<long> searchColumns;
  double cost = 1;
  double card = 1;
  double width = 1;
  std::vector<std::unique_ptr<Node>> children;
};
using NodePtr = std::unique_ptr<Node>;

NodePtr MakeNode(std::string operation, std::string options = {}) {
  auto node = std::make_unique<Node>();
  node->operation = std::move(operation);
  node->options = std::move(options);
  return node;
}

// A node over one child, costing a little more than the child.
NodePtr Over(std::string operation, std::string options, NodePtr child, double extraCost,
             double card) {
  NodePtr node = MakeNode(std::move(operation), std::move(options));
  node->cost = child->cost + extraCost;
  node->card = std::max(1.0, card);
  node->width = child->width;
  node->children.push_back(std::move(child));
  return node;
}

NodePtr Sort(std::string options, NodePtr child, double card) {
  const double extra = 1 + std::floor(child->card / 200);
  return Over("SORT", std::move(options), std::move(child), extra, card);
}

// A condition on one column of a FROM entry that an index can serve.
struct KeyPredicate {
  int column = -1;
  bool equality = false;
  bool lower = false;
  bool upper = false;
};

int ColumnOf(const Expr& e, std::size_t source) {
  if (e.kind == ExprKind::Column && e.depth == 0 && e.source == static_cast<int>(source)) {
    return e.column;
  }
  return -1;
}

// True when an expression's value is known before the FROM entry `source` is
// read: it reads only entries already placed in the join order, or outer rows.
bool Known(const Expr& e, std::size_t source, const std::vector<bool>& placed) {
  switch (e.kind) {
    case ExprKind::Column:
      if (e.depth > 0) {
        return true;
      }
      return e.source != static_cast<int>(source) && placed[static_cast<std::size_t>(e.source)];
    case ExprKind::Prior:
    case ExprKind::Level:
    case ExprKind::Rownum:
      return false;
    default:
      break;
  }
  if (e.query || e.slot >= 0) {
    return false;
  }
  return std::all_of(e.args.begin(), e.args.end(),
                     [&](const ExprPtr& arg) { return Known(*arg, source, placed); });
}

void SplitAnd(const Expr* e, std::vector<const Expr*>& out) {
  if (e == nullptr) {
    return;
  }
  if (e->kind == ExprKind::And) {
    SplitAnd(e->args[0].get(), out);
    SplitAnd(e->args[1].get(), out);
  } else {
    out.push_back(e);
  }
}

std::vector<KeyPredicate> KeyPredicates(const std::vector<const Expr*>& conjuncts,
                                        std::size_t source, const std::vector<bool>& placed) {
  std::vector<KeyPredicate> out;
  auto add = [&](int column, CompareOp op) {
    KeyPredicate p;
    p.column = column;
    p.equality = op == CompareOp::Eq;
    p.lower = op == CompareOp::Gt || op == CompareOp::Ge;
    p.upper = op == CompareOp::Lt || op == CompareOp::Le;
    out.push_back(p);
  };
  auto flip = [](CompareOp op) {
    switch (op) {
      case CompareOp::Lt:
        return CompareOp::Gt;
      case CompareOp::Le:
        return CompareOp::Ge;
      case CompareOp::Gt:
        return CompareOp::Lt;
      case CompareOp::Ge:
        return CompareOp::Le;
      default:
        return op;
    }
  };
  for (const Expr* c : conjuncts) {
    switch (c->kind) {
      case ExprKind::Compare: {
        if (c->compare == CompareOp::Ne) {
          break;
        }
        const int left = ColumnOf(*c->args[0], source);
        if (c->query) {
          if (left >= 0 && !c->correlated) {
            add(left, c->compare);
          }
          break;
        }
        const int right = ColumnOf(*c->args[1], source);
        if (left >= 0 && Known(*c->args[1], source, placed)) {
          add(left, c->compare);
        } else if (right >= 0 && Known(*c->args[0], source, placed)) {
          add(right, flip(c->compare));
        }
        break;
      }
      case ExprKind::Between: {
        const int column = ColumnOf(*c->args[0], source);
        if (!c->negated && column >= 0 && Known(*c->args[1], source, placed) &&
            Known(*c->args[2], source, placed)) {
          out.push_back({column, false, true, true});
        }
        break;
      }
      case ExprKind::Like: {
        const int column = ColumnOf(*c->args[0], source);
        const Expr& pattern = *c->args[1];
        if (!c->negated && column >= 0 && pattern.kind == ExprKind::Literal &&
            pattern.literal.kind() == Value::Kind::Text && pattern.literal.text()[0] != '%' &&
            pattern.literal.text()[0] != '_') {
          out.push_back({column, false, true, true});
        }
        break;
      }
      case ExprKind::InList: {
        const int column = ColumnOf(*c->args[0], source);
        if (!c->negated && c->args.size() == 2 && column >= 0 &&
            Known(*c->args[1], source, placed)) {
          add(column, CompareOp::Eq);
        }
        break;
      }
      default:
        break;
    }
  }
  return out;
}

double ColumnWidth(const BoundSource& s, std::size_t column) {
  switch (s.types[column]) {
    case SqlType::Number:
      return 4;
    case SqlType::Date:
      return 7;
    default:
      return std::max(1, s.lengths[column] == 0 ? 100 : s.lengths[column]);
  }
}

struct Access {
  int rank = 15;  // the rule-based optimizer's ranking: lower is better
  bool fullScan = true;
  NodePtr node;
};

class Planner {
 public:
  explicit Planner(const Catalog& catalog) : catalog_(catalog) {}

  NodePtr PlanStatement(const Statement& statement) {
    NodePtr root;
    if (const auto* select = std::get_if<SelectStmt>(&statement.body)) {
      root = Wrap("SELECT STATEMENT", PlanQuery(*select->query));
    } else if (const auto* insert = std::get_if<InsertStmt>(&statement.body)) {
      root = insert->query ? Wrap("INSERT STATEMENT", PlanQuery(*insert->query))
                           : MakeNode("INSERT STATEMENT");
    } else if (const auto* update = std::get_if<UpdateStmt>(&statement.body)) {
      std::vector<const Expr*> extra;
      for (const ExprPtr& e : update->values) {
        extra.push_back(e.get());
      }
      root = Wrap("UPDATE STATEMENT", Modify("UPDATE", update->block, extra));
    } else if (const auto* del = std::get_if<DeleteStmt>(&statement.body)) {
      root = Wrap("DELETE STATEMENT", Modify("DELETE", del->block, {}));
    } else {
      root = MakeNode("SELECT STATEMENT");
    }
    return root;
  }

 private:
  static NodePtr Wrap(const char* operation, NodePtr child) {
    NodePtr root = MakeNode(operation);
    root->cost = child->cost;
    root->card = child->card;
    root->width = child->width;
    root->children.push_back(std::move(child));
    return root;
  }

  NodePtr Modify(const char* operation, const SelectBlock& block,
                 const std::vector<const Expr*>& extra) {
    const BoundSource& target = block.sources[0];
    NodePtr access = PlanFrom(block, extra, nullptr);
    NodePtr node = Over(operation, "", std::move(access), 0, 1);
    node->card = node->children[0]->card;
    node->objectOwner = target.owner;
    node->objectName = target.name;
    return node;
  }

  // --- Queries ------------------------------------------------------------

  static void Leaves(const Query& q, SetOp op, std::vector<const Query*>& out) {
    if (q.op == op && q.orderBy.empty()) {
      Leaves(*q.left, op, out);
      Leaves(*q.right, op, out);
    } else {
      out.push_back(&q);
    }
  }

  NodePtr PlanQuery(const Query& q) {
    NodePtr node;
    switch (q.op) {
      case SetOp::None:
        node = PlanBlock(*q.block, &q.orderBy);
        break;
      case SetOp::Union:
      case SetOp::UnionAll: {
        std::vector<const Query*> leaves;
        Leaves(*q.left, q.op, leaves);
        Leaves(*q.right, q.op, leaves);
        node = MakeNode("UNION-ALL");
        node->cost = 0;
        node->card = 0;
        for (const Query* leaf : leaves) {
          NodePtr child = PlanQuery(*leaf);
          node->cost += child->cost;
          node->card += child->card;
          node->width = std::max(node->width, child->width);
          node->children.push_back(std::move(child));
        }
        if (q.op == SetOp::Union) {
          const double card = node->card;
          node = Sort("UNIQUE", std::move(node), card);
        }
        break;
      }
      case SetOp::Intersect:
      case SetOp::Minus: {
        NodePtr left = PlanQuery(*q.left);
        NodePtr right = PlanQuery(*q.right);
        const double leftCard = left->card;
        const double rightCard = right->card;
        node = MakeNode(q.op == SetOp::Intersect ? "INTERSECTION" : "MINUS");
        node->children.push_back(Sort("UNIQUE", std::move(left), leftCard));
        node->children.push_back(Sort("UNIQUE", std::move(right), rightCard));
        node->cost = node->children[0]->cost + node->children[1]->cost;
        node->card = leftCard;
        node->width = node->children[0]->width;
        break;
      }
    }
    if (!q.orderBy.empty()) {
      const double card = node->card;
      node = Sort("ORDER BY", std::move(node), card);
    }
    return node;
  }

  NodePtr PlanBlock(const SelectBlock& b, const std::vector<OrderItem>* order) {
    NodePtr node = b.connectBy ? PlanConnectBy(b, order) : PlanFrom(b, {}, order);
    std::vector<const Expr*> subqueries;
    if (b.where) {
      Subqueries(*b.where, subqueries);
    }
    if (!subqueries.empty()) {
      NodePtr filter = MakeNode("FILTER");
      filter->card = node->card;
      filter->width = node->width;
      filter->cost = node->cost;
      const double probes = node->card;
      filter->children.push_back(std::move(node));
      for (const Expr* e : subqueries) {
        NodePtr sub = PlanQuery(*e->query);
        filter->cost += e->correlated ? probes * sub->cost : sub->cost;
        filter->children.push_back(std::move(sub));
      }
      node = std::move(filter);
    }
    if (b.aggregated) {
      const double card = b.groupBy.empty() ? 1 : std::ceil(node->card / 10);
      node = Sort(b.groupBy.empty() ? "AGGREGATE" : "GROUP BY", std::move(node), card);
      if (b.having) {
        const double kept = node->card;
        node = Over("FILTER", "", std::move(node), 0, kept);
      }
    }
    if (b.distinct) {
      const double card = node->card;
      node = Sort("UNIQUE", std::move(node), card);
    }
    if (b.forUpdate) {
      const double card = node->card;
      node = Over("FOR UPDATE", "", std::move(node), 0, card);
    }
    return node;
  }

  static void Subqueries(const Expr& e, std::vector<const Expr*>& out) {
    if (e.query) {
      out.push_back(&e);
    }
    for (const ExprPtr& arg : e.args) {
      Subqueries(*arg, out);
    }
  }

  NodePtr PlanConnectBy(const SelectBlock& b, const std::vector<OrderItem>* order) {
    extra_.clear();
    orderBy_ = order;
    const BoundSource& s = b.sources[0];
    auto full = [&] { return FullScan(b, 0, {}); };
    NodePtr node = MakeNode("CONNECT BY");
    node->children.push_back(full());
    NodePtr byRowid = TableNode(s, "BY USER ROWID");
    byRowid->cost = 1;
    byRowid->card = 1;
    byRowid->width = node->children[0]->width;
    node->children.push_back(std::move(byRowid));
    node->children.push_back(full());
    const double scan = node->children[0]->cost;
    node->cost = 3 * scan;
    node->card = std::max(1.0, node->children[0]->card);
    node->width = node->children[0]->width;
    if (b.where) {
      const double card = std::ceil(node->card / 2);
      node = Over("FILTER", "", std::move(node), 0, card);
    }
    return node;
  }

  // --- Access paths and joins ---------------------------------------------

  static void NeededInExpr(const Expr& e, int level, std::size_t source, std::set<int>& out) {
    if (e.kind == ExprKind::Column && e.depth == level && e.source == static_cast<int>(source)) {
      out.insert(e.column);
    }
    for (const ExprPtr& arg : e.args) {
      NeededInExpr(*arg, level, source, out);
    }
    if (e.query) {
      NeededInQuery(*e.query, level + 1, source, out);
    }
  }

  static void NeededInBlock(const SelectBlock& b, int level, std::size_t source,
                            std::set<int>& out) {
    for (const SelectItem& item : b.items) {
      NeededInExpr(*item.expr, level, source, out);
    }
    for (const Expr* e : {b.where.get(), b.startWith.get(), b.connectBy.get(), b.having.get()}) {
      if (e != nullptr) {
        NeededInExpr(*e, level, source, out);
      }
    }
    for (const ExprPtr& e : b.groupBy) {
      NeededInExpr(*e, level, source, out);
    }
  }

  static void NeededInQuery(const Query& q, int level, std::size_t source, std::set<int>& out) {
    if (q.block) {
      NeededInBlock(*q.block, level, source, out);
      for (const OrderItem& item : q.orderBy) {
        if (item.position == 0) {
          NeededInExpr(*item.expr, level, source, out);
        }
      }
    } else {
      NeededInQuery(*q.left, level, source, out);
      NeededInQuery(*q.right, level, source, out);
    }
  }

  std::set<int> Needed(const SelectBlock& b, std::size_t source,
                       const std::vector<const Expr*>& extra) const {
    std::set<int> out;
    NeededInBlock(b, 0, source, out);
    if (orderBy_ != nullptr) {
      for (const OrderItem& item : *orderBy_) {
        if (item.position == 0) {
          NeededInExpr(*item.expr, 0, source, out);
        }
      }
    }
    for (const Expr* e : extra) {
      NeededInExpr(*e, 0, source, out);
    }
    return out;
  }

  static double Rows(const BoundSource& s) {
    return s.table != nullptr ? std::max(1.0, static_cast<double>(s.table->statRows)) : 100.0;
  }

  static NodePtr TableNode(const BoundSource& s, const char* options) {
    NodePtr node = MakeNode("TABLE ACCESS", options);
    node->objectOwner = s.owner;
    node->objectName = s.name;
    node->instance = s.instance;
    node->analyzed = s.table != nullptr && s.table->analyzed.has_value();
    return node;
  }

  static double Selected(double rows, const std::vector<KeyPredicate>& predicates) {
    for (const KeyPredicate& p : predicates) {
      rows /= p.equality ? 10 : 3;
    }
    return std::max(1.0, std::ceil(rows));
  }

  double Width(const BoundSource& s, const std::set<int>& needed) const {
    double width = 0;
    for (int c : needed) {
      width += ColumnWidth(s, static_cast<std::size_t>(c));
    }
    return std::max(1.0, width);
  }

  NodePtr FullScan(const SelectBlock& b, std::size_t source,
                   const std::vector<KeyPredicate>& predicates) {
    const BoundSource& s = b.sources[source];
    const double rows = Rows(s);
    if (s.table == nullptr && s.view != ViewKind::Dual) {
      // A dictionary view reads the dictionary's own tables.
      NodePtr base = MakeNode("TABLE ACCESS", "FULL");
      base->objectOwner = "SYS";
      base->objectName = s.view == ViewKind::DbaIndColumns
                             ? "ICOL$"
                             : (s.view == ViewKind::DbaIndexes ? "IND$" : "TAB$");
      base->cost = 2;
      base->card = rows;
      base->width = 40;
      NodePtr view = Over("VIEW", "", std::move(base), 0, Selected(rows, predicates));
      view->objectOwner = s.owner;
      view->objectName = s.name;
      return view;
    }
    NodePtr node = TableNode(s, "FULL");
    node->cost = s.view == ViewKind::Dual ? 1 : std::max(1.0, std::ceil(rows / 25));
    node->card = s.view == ViewKind::Dual ? 1 : Selected(rows, predicates);
    node->width = Width(s, Needed(b, source, extra_));
    return node;
  }

  Access AccessPath(const SelectBlock& b, std::size_t source,
                    const std::vector<const Expr*>& conjuncts, const std::vector<bool>& placed) {
    const BoundSource& s = b.sources[source];
    const std::vector<KeyPredicate> predicates = KeyPredicates(conjuncts, source, placed);
    Access best;
    best.node = FullScan(b, source, predicates);
    if (s.table == nullptr) {
      return best;
    }
    const Index* chosen = nullptr;
    int chosenEqual = 0;
    bool chosenRange = false;
    for (const Index* index : catalog_.IndexesOn(*s.table)) {
      int equal = 0;
      for (const std::string& name : index->columns) {
        const int column = s.table->ColumnIndex(name);
        const bool has = std::any_of(predicates.begin(), predicates.end(), [&](const auto& p) {
          return p.column == column && p.equality;
        });
        if (!has) {
          break;
        }
        ++equal;
      }
      bool range = false;
      bool bounded = false;
      if (equal < static_cast<int>(index->columns.size())) {
        const int column = s.table->ColumnIndex(index->columns[static_cast<std::size_t>(equal)]);
        bool lower = false;
        bool upper = false;
        for (const KeyPredicate& p : predicates) {
          if (p.column == column) {
            lower = lower || p.lower;
            upper = upper || p.upper;
          }
        }
        range = lower || upper;
        bounded = lower && upper;
      }
      const int columns = static_cast<int>(index->columns.size());
      int rank = 0;
      if (index->unique && equal == columns) {
        rank = 4;
      } else if (equal == columns) {
        rank = 8;
      } else if (equal > 0) {
        rank = 9;
      } else if (range) {
        rank = bounded ? 10 : 11;
      } else {
        continue;
      }
      if (rank < best.rank || (rank == best.rank && chosen != nullptr && equal > chosenEqual)) {
        best.rank = rank;
        chosen = index;
        chosenEqual = equal;
        chosenRange = range;
      }
    }
    if (chosen == nullptr) {
      return best;
    }
    const double rows = Rows(s);
    const bool unique = best.rank == 4;
    NodePtr index = MakeNode("INDEX", unique ? "UNIQUE SCAN" : "RANGE SCAN");
    index->objectOwner = chosen->owner;
    index->objectName = chosen->name;
    index->objectType = chosen->unique ? "UNIQUE" : "NON-UNIQUE";
    index->analyzed = chosen->analyzed.has_value();
    index->searchColumns = chosenEqual + (chosenRange && !unique ? 1 : 0);
    double keyed = rows / std::pow(10.0, chosenEqual) / (chosenRange ? 3 : 1);
    keyed = unique ? 1 : std::max(1.0, std::ceil(keyed));
    index->card = keyed;
    index->cost = unique ? 1 : 1 + std::ceil(keyed / 100);
    double width = 0;
    std::set<int> indexed;
    for (const std::string& name : chosen->columns) {
      const int column = s.table->ColumnIndex(name);
      indexed.insert(column);
      width += ColumnWidth(s, static_cast<std::size_t>(column));
    }
    index->width = width;
    const std::set<int> needed = Needed(b, source, extra_);
    const bool indexOnly =
        std::includes(indexed.begin(), indexed.end(), needed.begin(), needed.end());
    best.fullScan = false;
    if (indexOnly) {
      index->card = unique ? 1 : Selected(rows, predicates);
      best.node = std::move(index);
      return best;
    }
    NodePtr table = TableNode(s, "BY INDEX ROWID");
    table->cost = index->cost + keyed;
    table->card = unique ? 1 : std::min(keyed, Selected(rows, predicates));
    table->width = Width(s, needed);
    table->children.push_back(std::move(index));
    best.node = std::move(table);
    return best;
  }

  NodePtr PlanFrom(const SelectBlock& b, const std::vector<const Expr*>& extra,
                   const std::vector<OrderItem>* order) {
    extra_ = extra;
    orderBy_ = order;
    std::vector<const Expr*> conjuncts;
    SplitAnd(b.where.get(), conjuncts);
    const std::size_t n = b.sources.size();
    if (n == 1) {
      return AccessPath(b, 0, conjuncts, std::vector<bool>(1, false)).node;
    }
    // For each table as the driving one, place the rest one by one by the
    // best access path each has given the tables before it; keep the order
    // with the fewest full scans of inner tables, then the best driving path.
    std::vector<std::size_t> bestOrder;
    std::tuple<int, int, long> bestScore{0, 0, 0};
    for (std::size_t start = 0; start < n; ++start) {
      std::vector<bool> placed(n, false);
      std::vector<std::size_t> order{start};
      const int firstRank = AccessPath(b, start, conjuncts, placed).rank;
      placed[start] = true;
      int innerFull = 0;
      while (order.size() < n) {
        std::size_t pick = n;
        int pickRank = 100;
        for (std::size_t s = 0; s < n; ++s) {
          if (placed[s]) {
            continue;
          }
          const int rank = AccessPath(b, s, conjuncts, placed).rank;
          if (rank <= pickRank) {  // ties go to the table later in FROM
            pick = s;
            pickRank = rank;
          }
        }
        innerFull += pickRank == 15 ? 1 : 0;
        placed[pick] = true;
        order.push_back(pick);
      }
      const std::tuple<int, int, long> score{innerFull, firstRank, -static_cast<long>(start)};
      if (bestOrder.empty() || score < bestScore) {
        bestOrder = order;
        bestScore = score;
      }
    }
    std::vector<bool> placed(n, false);
    NodePtr tree = AccessPath(b, bestOrder[0], conjuncts, placed).node;
    placed[bestOrder[0]] = true;
    for (std::size_t i = 1; i < n; ++i) {
      NodePtr inner = AccessPath(b, bestOrder[i], conjuncts, placed).node;
      placed[bestOrder[i]] = true;
      NodePtr join = MakeNode("NESTED LOOPS");
      join->cost = tree->cost + tree->card * inner->cost;
      join->card = std::max(1.0, tree->card * inner->card);
      join->width = tree->width + inner->width;
      join->children.push_back(std::move(tree));
      join->children.push_back(std::move(inner));
      tree = std::move(join);
    }
    return tree;
  }

  const Catalog& catalog_;
  const std::vector<OrderItem>* orderBy_ = nullptr;
  std::vector<const Expr*> extra_;
};

long Round(double x) {
  return std::max(1L, static_cast<long>(std::llround(x)));
}

void Lay(const Node& node, std::optional<long> parent, long position, bool root,
         std::vector<PlanStep>& out) {
  PlanStep step;
  step.operation = node.operation;
  step.options = node.options;
  step.objectOwner = node.objectOwner;
  step.objectName = node.objectName;
  step.objectType = node.objectType;
  step.id = static_cast<int>(out.size());
  step.parentId = parent;
  step.cost = Round(node.cost);
  step.cardinality = Round(node.card);
  step.bytes = Round(node.card * node.width);
  step.searchColumns = node.searchColumns;
  step.objectInstance = node.instance;
  if (root) {
    step.optimizer = "CHOOSE";
    step.position = step.cost;
  } else {
    step.optimizer = node.analyzed ? "ANALYZED" : "";
    step.position = position;
  }
  const long id = step.id;
  out.push_back(std::move(step));
  long childPosition = 0;
  for (const auto& child : node.children) {
    Lay(*child, id, ++childPosition, false, out);
  }
}

}  // namespace

std::vector<PlanStep> PlanStatement(const Catalog& catalog, const Statement& statement) {
  Planner planner(catalog);
  NodePtr root = planner.PlanStatement(statement);
  std::vector<PlanStep> steps;
  Lay(*root, std::nullopt, 0, true, steps);
  return steps;
}

}  // namespace kestrin::sim
