// The parsed form of a statement. The parser fills in what the text says;
// the binder then resolves names and types in the fields marked as bound.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Catalog.h"
#include "Value.h"

namespace kestrin::sim {

struct Query;
using QueryPtr = std::unique_ptr<Query>;

enum class ExprKind : unsigned char {
  // Values
  Literal,
  Column,
  Level,
  Rownum,
  Sysdate,
  User,
  Prior,
  Negate,
  Arith,
  Concat,
  Function,
  Tuple,
  // Conditions
  Compare,
  And,
  Or,
  Not,
  IsNull,
  InList,
  InQuery,
  Between,
  Like,
  Exists,
};

enum class CompareOp : unsigned char { Eq, Ne, Lt, Le, Gt, Ge };

struct Expr {
  ExprKind kind = ExprKind::Literal;
  std::size_t offset = 0;
  Value literal;          // Literal
  std::string owner;      // Column: owner.table.column
  std::string qualifier;  // Column: the table or alias before the column's name
  std::string name;       // Column: the column; Function: the function, upper case
  char op = 0;            // Arith: + - * /
  CompareOp compare = CompareOp::Eq;
  bool negated = false;   // NOT IN, NOT BETWEEN, NOT LIKE, IS NOT NULL
  bool star = false;      // COUNT(*)
  bool distinct = false;  // an aggregate over distinct values
  std::vector<std::unique_ptr<Expr>> args;
  QueryPtr query;  // InQuery, Exists

  // Bound.
  int depth = 0;    // Column: how many query blocks out the column's table is
  int source = -1;  // Column: the FROM entry
  int column = -1;  // Column: the column of that entry
  int slot = -1;    // aggregate: its value among the block's aggregates
  SqlType type = SqlType::Unknown;
  bool correlated = false;  // InQuery, Exists: the subquery reads an outer row
};
using ExprPtr = std::unique_ptr<Expr>;

struct TableRef {
  std::string owner;  // empty: the session's schema, then the public names
  std::string name;
  std::string alias;
  std::size_t offset = 0;
};

// The dictionary views and public tables every schema sees.
enum class ViewKind : unsigned char {
  None,
  Dual,
  DbaIndexes,
  DbaIndColumns,
  DbaTables,
  UserTables
};

// A FROM entry once its name is resolved.
struct BoundSource {
  std::string owner;
  std::string name;
  std::string alias;  // the explicit alias, or the table's name
  std::vector<std::string> columns;
  std::vector<SqlType> types;
  std::vector<int> lengths;
  Table* table = nullptr;  // a base table, or null for a view
  ViewKind view = ViewKind::None;
  int instance = 0;  // its number among the statement's FROM entries, from 1
};

struct SelectItem {
  ExprPtr expr;  // null for * and t.*
  std::string alias;
  bool star = false;
  std::string starQualifier;
  std::string label;  // the result column's name
};

struct SelectBlock {
  bool distinct = false;
  std::vector<SelectItem> items;
  std::vector<TableRef> from;
  ExprPtr where;
  ExprPtr startWith;
  ExprPtr connectBy;
  std::vector<ExprPtr> groupBy;
  ExprPtr having;
  bool forUpdate = false;

  // Bound.
  std::vector<BoundSource> sources;
  bool aggregated = false;
  std::vector<Expr*> aggregates;
};

enum class SetOp : unsigned char { None, Union, UnionAll, Intersect, Minus };

struct OrderItem {
  ExprPtr expr;
  bool descending = false;
  int position = 0;  // bound: the select-list column it names, from 1; 0 for an expression
};

struct Query {
  SetOp op = SetOp::None;
  std::unique_ptr<SelectBlock> block;  // when op is None
  QueryPtr left;
  QueryPtr right;
  std::vector<OrderItem> orderBy;

  // Bound: the result's columns.
  std::vector<std::string> labels;
  std::vector<SqlType> types;
};

struct ColumnDefinition {
  std::string name;
  ColumnType type;
  bool notNull = false;
  bool primaryKey = false;
  bool unique = false;
  std::size_t offset = 0;
};

struct CreateTableStmt {
  TableRef table;
  std::vector<ColumnDefinition> columns;
  std::vector<std::string> primaryKey;  // a table constraint PRIMARY KEY (a, b)
};

struct CreateIndexStmt {
  TableRef index;
  TableRef table;
  std::vector<std::string> columns;
  std::vector<std::size_t> columnOffsets;
  bool unique = false;
};

struct DropStmt {
  bool index = false;
  TableRef object;
};

struct InsertStmt {
  TableRef table;
  std::vector<std::string> columns;
  std::vector<std::size_t> columnOffsets;
  std::vector<ExprPtr> values;
  QueryPtr query;
  std::size_t valuesOffset = 0;

  // Bound.
  SelectBlock scope;  // binds the VALUES expressions: no FROM entries
  BoundSource target;
  std::vector<int> targetColumns;
};

struct UpdateStmt {
  SelectBlock block;  // the table and the WHERE clause
  std::vector<std::string> columns;
  std::vector<std::size_t> columnOffsets;
  std::vector<ExprPtr> values;
  std::vector<int> targetColumns;  // bound
};

struct DeleteStmt {
  SelectBlock block;
};

struct Statement;

struct ExplainStmt {
  std::optional<std::string> statementId;
  TableRef into;  // empty name: PLAN_TABLE
  std::unique_ptr<Statement> inner;
};

struct TransactionStmt {
  bool commit = true;
};

struct SelectStmt {
  QueryPtr query;
};

struct Statement {
  std::variant<SelectStmt, CreateTableStmt, CreateIndexStmt, DropStmt, InsertStmt, UpdateStmt,
               DeleteStmt, ExplainStmt, TransactionStmt>
      body;
};

}  // namespace kestrin::sim
