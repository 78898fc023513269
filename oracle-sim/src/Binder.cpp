#include "Binder.h"

#include <algorithm>
#include <cstring>

#include "Errors.h"

namespace kestrin::sim {

namespace {

struct FunctionInfo {
  const char* name;
  int minArgs;
  int maxArgs;
  bool aggregate;
};

constexpr FunctionInfo kFunctions[] = {
    {"ABS", 1, 1, false},       {"AVG", 1, 1, true},         {"CEIL", 1, 1, false},
    {"CONCAT", 2, 2, false},    {"COUNT", 1, 1, true},       {"DECODE", 3, 255, false},
    {"FLOOR", 1, 1, false},     {"GREATEST", 1, 255, false}, {"INITCAP", 1, 1, false},
    {"INSTR", 2, 4, false},     {"LEAST", 1, 255, false},    {"LENGTH", 1, 1, false},
    {"LOWER", 1, 1, false},     {"LPAD", 2, 3, false},       {"LTRIM", 1, 2, false},
    {"MAX", 1, 1, true},        {"MIN", 1, 1, true},         {"MOD", 2, 2, false},
    {"NVL", 2, 2, false},       {"ROUND", 1, 2, false},      {"RPAD", 2, 3, false},
    {"RTRIM", 1, 2, false},     {"SIGN", 1, 1, false},       {"SUBSTR", 2, 3, false},
    {"SUM", 1, 1, true},        {"TO_CHAR", 1, 2, false},    {"TO_DATE", 1, 2, false},
    {"TO_NUMBER", 1, 1, false}, {"TRUNC", 1, 2, false},      {"UPPER", 1, 1, false},
};

const FunctionInfo* FindFunction(const std::string& name) {
  for (const FunctionInfo& f : kFunctions) {
    if (name == f.name) {
      return &f;
    }
  }
  return nullptr;
}

// What an expression may contain where it stands.
enum Allow : unsigned {
  kAllowAggregates = 1,
  kAllowTuple = 2,
};

struct Scope {
  SelectBlock* block = nullptr;
  Scope* outer = nullptr;
  bool readsOuter = false;  // a column of an enclosing block is read in here
};

void AddColumn(BoundSource& s, const char* name, SqlType type, int length) {
  s.columns.emplace_back(name);
  s.types.push_back(type);
  s.lengths.push_back(length);
}

ViewKind PublicView(const std::string& name) {
  if (name == "DUAL") {
    return ViewKind::Dual;
  }
  if (name == "DBA_INDEXES") {
    return ViewKind::DbaIndexes;
  }
  if (name == "DBA_IND_COLUMNS") {
    return ViewKind::DbaIndColumns;
  }
  if (name == "DBA_TABLES") {
    return ViewKind::DbaTables;
  }
  if (name == "USER_TABLES") {
    return ViewKind::UserTables;
  }
  return ViewKind::None;
}

bool IsDictionaryView(ViewKind view) {
  return view == ViewKind::DbaIndexes || view == ViewKind::DbaIndColumns ||
         view == ViewKind::DbaTables;
}

class Binder {
 public:
  Binder(Catalog& catalog, const SessionUser& user) : catalog_(catalog), user_(user) {}

  void Bind(Statement& statement) {
    std::visit([this](auto& body) { BindBody(body); }, statement.body);
  }

 private:
  void BindBody(SelectStmt& s) { BindQuery(*s.query, nullptr); }
  void BindBody(CreateTableStmt&) {}
  void BindBody(CreateIndexStmt&) {}
  void BindBody(DropStmt&) {}
  void BindBody(TransactionStmt&) {}
  void BindBody(ExplainStmt& s) { Bind(*s.inner); }

  void BindBody(InsertStmt& s) {
    s.target = ResolveTable(s.table, true);
    std::vector<int>& targets = s.targetColumns;
    if (s.columns.empty()) {
      for (std::size_t i = 0; i < s.target.columns.size(); ++i) {
        targets.push_back(static_cast<int>(i));
      }
    } else {
      for (std::size_t i = 0; i < s.columns.size(); ++i) {
        const int column = s.target.table->ColumnIndex(s.columns[i]);
        if (column < 0) {
          Fail(ora::kInvalidColumn, s.columnOffsets[i]);
        }
        if (std::find(targets.begin(), targets.end(), column) != targets.end()) {
          Fail(ora::kDuplicateColumn, s.columnOffsets[i]);
        }
        targets.push_back(column);
      }
    }
    std::size_t width = 0;
    if (s.query) {
      BindQuery(*s.query, nullptr);
      width = s.query->labels.size();
    } else {
      Scope scope{&s.scope, nullptr, false};
      for (ExprPtr& value : s.values) {
        BindExpr(*value, scope, 0);
      }
      width = s.values.size();
    }
    if (width > targets.size()) {
      Fail(ora::kTooManyValues, s.valuesOffset);
    }
    if (width < targets.size()) {
      Fail(ora::kNotEnoughValues, s.valuesOffset);
    }
  }

  void BindBody(UpdateStmt& s) {
    BindModifiedBlock(s.block);
    Scope scope{&s.block, nullptr, false};
    const Table& table = *s.block.sources[0].table;
    for (std::size_t i = 0; i < s.columns.size(); ++i) {
      const int column = table.ColumnIndex(s.columns[i]);
      if (column < 0) {
        Fail(ora::kInvalidColumn, s.columnOffsets[i]);
      }
      if (std::find(s.targetColumns.begin(), s.targetColumns.end(), column) !=
          s.targetColumns.end()) {
        Fail(ora::kDuplicateColumn, s.columnOffsets[i]);
      }
      s.targetColumns.push_back(column);
      BindExpr(*s.values[i], scope, 0);
    }
  }

  void BindBody(DeleteStmt& s) { BindModifiedBlock(s.block); }

  void BindModifiedBlock(SelectBlock& block) {
    block.sources.push_back(ResolveTable(block.from[0], true));
    if (block.where) {
      Scope scope{&block, nullptr, false};
      BindExpr(*block.where, scope, 0);
    }
  }

 public:
  BoundSource ResolveTable(const TableRef& ref, bool forModification) {
    BoundSource source;
    const std::string owner = ref.owner.empty() ? user_.name : ref.owner;
    Table* table = catalog_.FindTable(owner, ref.name);
    ViewKind view = ViewKind::None;
    if (table == nullptr && (ref.owner.empty() || ref.owner == "SYS")) {
      view = PublicView(ref.name);
      if (IsDictionaryView(view) && !user_.dictionaryAccess) {
        view = ViewKind::None;
      }
    }
    if (table == nullptr && view == ViewKind::None) {
      Fail(ora::kTableNotFound, ref.offset);
    }
    if (view != ViewKind::None && forModification) {
      Fail(ora::kTableNotFound, ref.offset);
    }
    source.alias = ref.alias.empty() ? ref.name : ref.alias;
    source.instance = ++instances_;
    if (table != nullptr) {
      source.owner = table->owner;
      source.name = table->name;
      source.table = table;
      for (const Column& c : table->columns) {
        source.columns.push_back(c.name);
        source.types.push_back(c.type.type);
        source.lengths.push_back(c.type.isLong ? 0 : c.type.length);
      }
    } else {
      source.owner = "SYS";
      source.name = ref.name;
      source.view = view;
      DescribeView(view, source);
    }
    return source;
  }

 private:
  // --- Queries ------------------------------------------------------------

  void BindQuery(Query& q, Scope* outer, std::vector<Scope*>* scopes = nullptr) {
    if (q.op == SetOp::None) {
      Scope scope{q.block.get(), outer, false};
      BindBlock(*q.block, scope, q);
      if (scopes != nullptr && scope.readsOuter) {
        scopes->push_back(outer);  // any non-null marker will do
      }
      return;
    }
    BindQuery(*q.left, outer, scopes);
    BindQuery(*q.right, outer, scopes);
    if (q.left->labels.size() != q.right->labels.size()) {
      Fail(ora::kColumnCount);
    }
    q.labels = q.left->labels;
    q.types = q.left->types;
    for (std::size_t i = 0; i < q.types.size(); ++i) {
      const SqlType a = q.left->types[i];
      const SqlType b = q.right->types[i];
      if (a != SqlType::Unknown && b != SqlType::Unknown && a != b) {
        Fail(ora::kSameDatatype);
      }
      if (a == SqlType::Unknown) {
        q.types[i] = b;
      }
    }
    for (OrderItem& item : q.orderBy) {
      item.position = PositionOf(*item.expr, q.labels);
      if (item.position == 0) {
        Fail(ora::kOrderByItem, item.expr->offset);
      }
    }
  }

  // The select-list column an ORDER BY item names by number or by name, or 0.
  static int PositionOf(const Expr& e, const std::vector<std::string>& labels) {
    if (e.kind == ExprKind::Literal && e.literal.kind() == Value::Kind::Number) {
      const double n = e.literal.number();
      if (n != static_cast<double>(static_cast<long>(n)) || n < 1 ||
          n > static_cast<double>(labels.size())) {
        Fail(ora::kOrderByItem, e.offset);
      }
      return static_cast<int>(n);
    }
    if (e.kind == ExprKind::Column && e.qualifier.empty()) {
      for (std::size_t i = 0; i < labels.size(); ++i) {
        if (labels[i] == e.name) {
          return static_cast<int>(i) + 1;
        }
      }
    }
    return 0;
  }

  void BindBlock(SelectBlock& b, Scope& scope, Query& q) {
    for (const TableRef& ref : b.from) {
      b.sources.push_back(ResolveTable(ref, false));
    }
    if (b.connectBy && b.sources.size() > 1) {
      Fail(ora::kJoinWithConnectBy);
    }
    // Expand * and t.* into the columns they stand for.
    std::vector<SelectItem> items;
    for (SelectItem& item : b.items) {
      if (!item.star) {
        items.push_back(std::move(item));
        continue;
      }
      bool matched = false;
      for (std::size_t s = 0; s < b.sources.size(); ++s) {
        const BoundSource& source = b.sources[s];
        if (!item.starQualifier.empty() && item.starQualifier != source.alias) {
          continue;
        }
        matched = true;
        for (std::size_t c = 0; c < source.columns.size(); ++c) {
          SelectItem column;
          column.expr = std::make_unique<Expr>();
          column.expr->kind = ExprKind::Column;
          column.expr->name = source.columns[c];
          column.expr->qualifier = source.alias;
          column.expr->source = static_cast<int>(s);
          column.expr->column = static_cast<int>(c);
          column.expr->type = source.types[c];
          column.label = source.columns[c];
          items.push_back(std::move(column));
        }
      }
      if (!matched) {
        Fail(ora::kInvalidColumn);
      }
    }
    b.items = std::move(items);

    for (SelectItem& item : b.items) {
      if (item.expr->source < 0 || item.expr->kind != ExprKind::Column) {
        BindExpr(*item.expr, scope, kAllowAggregates);
      }
      q.labels.push_back(item.label);
      q.types.push_back(item.expr->type);
    }
    if (b.where) {
      BindExpr(*b.where, scope, 0);
    }
    if (b.startWith) {
      BindExpr(*b.startWith, scope, 0);
    }
    if (b.connectBy) {
      BindExpr(*b.connectBy, scope, 0);
    }
    for (ExprPtr& e : b.groupBy) {
      BindExpr(*e, scope, 0);
    }
    if (b.having) {
      BindExpr(*b.having, scope, kAllowAggregates);
    }
    for (OrderItem& item : q.orderBy) {
      item.position = PositionOf(*item.expr, q.labels);
      if (item.position == 0) {
        BindExpr(*item.expr, scope, kAllowAggregates);
        if (b.distinct) {
          const std::string key = Canonical(*item.expr);
          for (std::size_t i = 0; i < b.items.size(); ++i) {
            if (Canonical(*b.items[i].expr) == key) {
              item.position = static_cast<int>(i) + 1;
            }
          }
          if (item.position == 0) {
            Fail(ora::kNotSelected, item.expr->offset);
          }
        }
      }
    }
    b.aggregated = !b.groupBy.empty() || !b.aggregates.empty();
    if (b.having && b.groupBy.empty() && b.aggregates.empty()) {
      Fail(ora::kNotGroupByExpression);
    }
    if (b.aggregated) {
      std::vector<std::string> keys;
      for (const ExprPtr& e : b.groupBy) {
        keys.push_back(Canonical(*e));
      }
      const int code = b.groupBy.empty() ? ora::kNotSingleGroup : ora::kNotGroupByExpression;
      for (const SelectItem& item : b.items) {
        CheckGrouped(*item.expr, keys, code);
      }
      if (b.having) {
        CheckGrouped(*b.having, keys, code);
      }
      for (const OrderItem& item : q.orderBy) {
        if (item.position == 0) {
          CheckGrouped(*item.expr, keys, code);
        }
      }
    }
  }

  static void CheckGrouped(const Expr& e, const std::vector<std::string>& keys, int code) {
    if (e.slot >= 0 || std::find(keys.begin(), keys.end(), Canonical(e)) != keys.end()) {
      return;
    }
    if (e.kind == ExprKind::Column && e.depth == 0) {
      Fail(code, e.offset);
    }
    if (e.kind == ExprKind::Level || e.kind == ExprKind::Rownum) {
      Fail(code, e.offset);
    }
    for (const ExprPtr& arg : e.args) {
      CheckGrouped(*arg, keys, code);
    }
  }

  // --- Expressions --------------------------------------------------------

  void BindColumn(Expr& e, Scope& scope) {
    int depth = 0;
    for (Scope* s = &scope; s != nullptr; s = s->outer, ++depth) {
      const std::vector<BoundSource>& sources = s->block->sources;
      int foundSource = -1;
      int foundColumn = -1;
      for (std::size_t i = 0; i < sources.size(); ++i) {
        const BoundSource& source = sources[i];
        if (!e.qualifier.empty()) {
          if (!e.owner.empty()) {
            if (source.owner != e.owner || source.name != e.qualifier) {
              continue;
            }
          } else if (source.alias != e.qualifier) {
            continue;
          }
        }
        const auto at = std::find(source.columns.begin(), source.columns.end(), e.name);
        if (at == source.columns.end()) {
          continue;
        }
        if (foundSource >= 0) {
          Fail(ora::kAmbiguousColumn, e.offset);
        }
        foundSource = static_cast<int>(i);
        foundColumn = static_cast<int>(at - source.columns.begin());
      }
      if (foundSource >= 0) {
        e.depth = depth;
        e.source = foundSource;
        e.column = foundColumn;
        e.type = sources[static_cast<std::size_t>(foundSource)]
                     .types[static_cast<std::size_t>(foundColumn)];
        Scope* reader = &scope;
        for (int d = 0; d < depth; ++d, reader = reader->outer) {
          reader->readsOuter = true;
        }
        return;
      }
    }
    Fail(ora::kInvalidColumn, e.offset);
  }

  void BindSubquery(Expr& e, Scope& scope) {
    std::vector<Scope*> correlated;
    BindQuery(*e.query, &scope, &correlated);
    e.correlated = !correlated.empty();
  }

  void BindExpr(Expr& e, Scope& scope, unsigned allow) {
    const unsigned inner = allow & kAllowAggregates;
    switch (e.kind) {
      case ExprKind::Literal:
        e.type = TypeOf(e.literal);
        return;
      case ExprKind::Column:
        BindColumn(e, scope);
        return;
      case ExprKind::Level:
        if (!scope.block->connectBy) {
          Fail(1788, e.offset);
        }
        e.type = SqlType::Number;
        return;
      case ExprKind::Rownum:
        e.type = SqlType::Number;
        return;
      case ExprKind::Sysdate:
        e.type = SqlType::Date;
        return;
      case ExprKind::User:
        e.type = SqlType::Char;
        return;
      case ExprKind::Prior:
        if (!scope.block->connectBy) {
          Fail(976, e.offset);
        }
        BindExpr(*e.args[0], scope, inner);
        e.type = e.args[0]->type;
        return;
      case ExprKind::Negate:
        BindExpr(*e.args[0], scope, inner);
        e.type = SqlType::Number;
        return;
      case ExprKind::Arith: {
        BindExpr(*e.args[0], scope, inner);
        BindExpr(*e.args[1], scope, inner);
        const bool leftDate = e.args[0]->type == SqlType::Date;
        const bool rightDate = e.args[1]->type == SqlType::Date;
        if ((e.op == '*' || e.op == '/') && (leftDate || rightDate)) {
          Fail(ora::kInconsistentTypes, e.offset);
        }
        if (e.op == '+' && leftDate && rightDate) {
          Fail(975, e.offset);
        }
        e.type = (leftDate != rightDate) ? SqlType::Date : SqlType::Number;
        return;
      }
      case ExprKind::Concat:
        BindExpr(*e.args[0], scope, inner);
        BindExpr(*e.args[1], scope, inner);
        e.type = SqlType::Char;
        return;
      case ExprKind::Function:
        BindFunction(e, scope, allow);
        return;
      case ExprKind::Tuple:
        if ((allow & kAllowTuple) == 0) {
          Fail(ora::kMissingRightParen, e.offset);
        }
        for (ExprPtr& arg : e.args) {
          BindExpr(*arg, scope, inner);
        }
        return;
      case ExprKind::Compare:
        BindExpr(*e.args[0], scope, inner);
        if (e.query) {
          BindSubquery(e, scope);
          if (e.query->labels.size() > 1) {
            Fail(ora::kTooManyValues, e.offset);
          }
        } else {
          BindExpr(*e.args[1], scope, inner);
        }
        return;
      case ExprKind::InQuery: {
        BindExpr(*e.args[0], scope, inner | kAllowTuple);
        BindSubquery(e, scope);
        const std::size_t width = e.args[0]->kind == ExprKind::Tuple ? e.args[0]->args.size() : 1;
        if (e.query->labels.size() > width) {
          Fail(ora::kTooManyValues, e.offset);
        }
        if (e.query->labels.size() < width) {
          Fail(ora::kNotEnoughValues, e.offset);
        }
        return;
      }
      case ExprKind::Exists:
        BindSubquery(e, scope);
        return;
      case ExprKind::And:
      case ExprKind::Or:
      case ExprKind::Not:
      case ExprKind::IsNull:
      case ExprKind::InList:
      case ExprKind::Between:
      case ExprKind::Like:
        for (ExprPtr& arg : e.args) {
          BindExpr(*arg, scope, inner);
        }
        return;
    }
  }

  void BindFunction(Expr& e, Scope& scope, unsigned allow) {
    const FunctionInfo* info = FindFunction(e.name);
    if (info == nullptr) {
      Fail(ora::kInvalidColumn, e.offset);
    }
    const int count = static_cast<int>(e.args.size());
    if (e.star && e.name != "COUNT") {
      Fail(ora::kMissingExpression, e.offset);
    }
    if (e.distinct && !info->aggregate) {
      Fail(ora::kMissingExpression, e.offset);
    }
    if (!e.star && (count < info->minArgs || count > info->maxArgs)) {
      Fail(ora::kArgumentCount, e.offset);
    }
    if (info->aggregate) {
      if ((allow & kAllowAggregates) == 0) {
        Fail(ora::kGroupFunctionNotAllowed, e.offset);
      }
      for (ExprPtr& arg : e.args) {
        BindExpr(*arg, scope, 0);
      }
      e.slot = static_cast<int>(scope.block->aggregates.size());
      scope.block->aggregates.push_back(&e);
    } else {
      for (ExprPtr& arg : e.args) {
        BindExpr(*arg, scope, allow & kAllowAggregates);
      }
    }
    const std::string& n = e.name;
    const SqlType first = e.args.empty() ? SqlType::Unknown : e.args[0]->type;
    if (n == "DECODE") {
      e.type = e.args[2]->type == SqlType::Unknown ? SqlType::Char : e.args[2]->type;
    } else if (n == "NVL") {
      e.type = first != SqlType::Unknown ? first : e.args[1]->type;
    } else if (n == "GREATEST" || n == "LEAST" || n == "MIN" || n == "MAX") {
      e.type = first;
    } else if (n == "TO_DATE") {
      e.type = SqlType::Date;
    } else if (n == "ROUND" || n == "TRUNC") {
      e.type = first == SqlType::Date ? SqlType::Date : SqlType::Number;
    } else if (n == "LPAD" || n == "RPAD" || n == "UPPER" || n == "LOWER" || n == "INITCAP" ||
               n == "SUBSTR" || n == "LTRIM" || n == "RTRIM" || n == "CONCAT" || n == "TO_CHAR") {
      e.type = SqlType::Char;
    } else {
      e.type = SqlType::Number;
    }
  }

  Catalog& catalog_;
  const SessionUser& user_;
  int instances_ = 0;
};

void AppendCanonical(const Expr& e, std::string& out) {
  out += std::to_string(static_cast<int>(e.kind));
  out += ':';
  switch (e.kind) {
    case ExprKind::Literal:
      out += std::to_string(static_cast<int>(e.literal.kind()));
      out += '=';
      out += ToText(e.literal).value_or("");
      break;
    case ExprKind::Column:
      out +=
          std::to_string(e.depth) + '.' + std::to_string(e.source) + '.' + std::to_string(e.column);
      break;
    case ExprKind::Function:
      out += e.name;
      out += e.star ? "*" : "";
      out += e.distinct ? "D" : "";
      break;
    case ExprKind::Arith:
    case ExprKind::Concat:
      out += e.op;
      break;
    case ExprKind::Compare:
      out += std::to_string(static_cast<int>(e.compare));
      break;
    default:
      out += e.negated ? "N" : "";
      break;
  }
  if (e.query) {
    // Subqueries are never the same expression as anything else.
    out += "Q" + std::to_string(reinterpret_cast<std::uintptr_t>(e.query.get()));
  }
  out += '(';
  for (const ExprPtr& arg : e.args) {
    AppendCanonical(*arg, out);
    out += ',';
  }
  out += ')';
}

}  // namespace

void BindStatement(Statement& statement, Catalog& catalog, const SessionUser& user) {
  Binder binder(catalog, user);
  binder.Bind(statement);
}

std::string Canonical(const Expr& e) {
  std::string out;
  AppendCanonical(e, out);
  return out;
}

bool IsAggregate(const Expr& e) {
  return e.kind == ExprKind::Function && e.slot >= 0;
}

void DescribeView(ViewKind view, BoundSource& s) {
  switch (view) {
    case ViewKind::None:
      return;
    case ViewKind::Dual:
      AddColumn(s, "DUMMY", SqlType::Char, 1);
      return;
    case ViewKind::DbaIndexes:
      AddColumn(s, "OWNER", SqlType::Char, 30);
      AddColumn(s, "INDEX_NAME", SqlType::Char, 30);
      AddColumn(s, "INDEX_TYPE", SqlType::Char, 12);
      AddColumn(s, "TABLE_OWNER", SqlType::Char, 30);
      AddColumn(s, "TABLE_NAME", SqlType::Char, 30);
      AddColumn(s, "TABLE_TYPE", SqlType::Char, 11);
      AddColumn(s, "UNIQUENESS", SqlType::Char, 9);
      AddColumn(s, "TABLESPACE_NAME", SqlType::Char, 30);
      AddColumn(s, "STATUS", SqlType::Char, 8);
      AddColumn(s, "LAST_ANALYZED", SqlType::Date, 7);
      return;
    case ViewKind::DbaIndColumns:
      AddColumn(s, "INDEX_OWNER", SqlType::Char, 30);
      AddColumn(s, "INDEX_NAME", SqlType::Char, 30);
      AddColumn(s, "TABLE_OWNER", SqlType::Char, 30);
      AddColumn(s, "TABLE_NAME", SqlType::Char, 30);
      AddColumn(s, "COLUMN_NAME", SqlType::Char, 30);
      AddColumn(s, "COLUMN_POSITION", SqlType::Number, 22);
      AddColumn(s, "COLUMN_LENGTH", SqlType::Number, 22);
      return;
    case ViewKind::DbaTables:
      AddColumn(s, "OWNER", SqlType::Char, 30);
      [[fallthrough]];
    case ViewKind::UserTables:
      AddColumn(s, "TABLE_NAME", SqlType::Char, 30);
      AddColumn(s, "TABLESPACE_NAME", SqlType::Char, 30);
      AddColumn(s, "NUM_ROWS", SqlType::Number, 22);
      AddColumn(s, "LAST_ANALYZED", SqlType::Date, 7);
      return;
  }
}

std::vector<Row> ViewRows(ViewKind view, const Catalog& catalog, const SessionUser& user) {
  std::vector<Row> rows;
  auto text = [](const std::string& s) { return Value::Text(s); };
  auto date = [](const std::optional<DateValue>& d) { return d ? Value::Date(*d) : Value(); };
  switch (view) {
    case ViewKind::None:
      break;
    case ViewKind::Dual:
      rows.push_back({Value::Text("X")});
      break;
    case ViewKind::DbaIndexes:
      for (const Index& i : catalog.indexes()) {
        rows.push_back({text(i.owner), text(i.name), text("NORMAL"), text(i.tableOwner),
                        text(i.tableName), text("TABLE"), text(i.unique ? "UNIQUE" : "NONUNIQUE"),
                        text("USERS"), text("VALID"), date(i.analyzed)});
      }
      break;
    case ViewKind::DbaIndColumns:
      for (const Index& i : catalog.indexes()) {
        const Table* table = catalog.FindTable(i.tableOwner, i.tableName);
        for (std::size_t c = 0; c < i.columns.size(); ++c) {
          int length = 22;
          if (table != nullptr) {
            const int at = table->ColumnIndex(i.columns[c]);
            if (at >= 0) {
              length = table->columns[static_cast<std::size_t>(at)].type.length;
            }
          }
          rows.push_back({text(i.owner), text(i.name), text(i.tableOwner), text(i.tableName),
                          text(i.columns[c]), Value::Number(static_cast<double>(c + 1)),
                          Value::Number(length)});
        }
      }
      break;
    case ViewKind::DbaTables:
    case ViewKind::UserTables:
      for (const auto& t : catalog.tables()) {
        if (view == ViewKind::UserTables && t->owner != user.name) {
          continue;
        }
        Row row;
        if (view == ViewKind::DbaTables) {
          row.push_back(text(t->owner));
        }
        row.push_back(text(t->name));
        row.push_back(text("USERS"));
        row.push_back(t->analyzed ? Value::Number(static_cast<double>(t->statRows)) : Value());
        row.push_back(date(t->analyzed));
        rows.push_back(std::move(row));
      }
      break;
  }
  return rows;
}

}  // namespace kestrin::sim
