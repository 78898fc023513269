#include "Parser.h"

#include <algorithm>
#include <array>
#include <utility>

#include "Errors.h"
#include "Lexer.h"

namespace kestrin::sim {

namespace {

constexpr std::array<std::string_view, 108> kReserved = {
    "ACCESS",    "ADD",        "ALL",        "ALTER",      "AND",        "ANY",       "AS",
    "ASC",       "AUDIT",      "BETWEEN",    "BY",         "CHAR",       "CHECK",     "CLUSTER",
    "COLUMN",    "COMMENT",    "COMPRESS",   "CONNECT",    "CREATE",     "CURRENT",   "DATE",
    "DECIMAL",   "DEFAULT",    "DELETE",     "DESC",       "DISTINCT",   "DROP",      "ELSE",
    "EXCLUSIVE", "EXISTS",     "FILE",       "FLOAT",      "FOR",        "FROM",      "GRANT",
    "GROUP",     "HAVING",     "IDENTIFIED", "IMMEDIATE",  "IN",         "INCREMENT", "INDEX",
    "INITIAL",   "INSERT",     "INTEGER",    "INTERSECT",  "INTO",       "IS",        "LEVEL",
    "LIKE",      "LOCK",       "LONG",       "MAXEXTENTS", "MINUS",      "MODE",      "MODIFY",
    "NOAUDIT",   "NOCOMPRESS", "NOT",        "NOWAIT",     "NULL",       "NUMBER",    "OF",
    "OFFLINE",   "ON",         "ONLINE",     "OPTION",     "OR",         "ORDER",     "PCTFREE",
    "PRIOR",     "PRIVILEGES", "PUBLIC",     "RAW",        "RENAME",     "RESOURCE",  "REVOKE",
    "ROW",       "ROWID",      "ROWNUM",     "ROWS",       "SELECT",     "SESSION",   "SET",
    "SHARE",     "SIZE",       "SMALLINT",   "START",      "SUCCESSFUL", "SYNONYM",   "SYSDATE",
    "TABLE",     "THEN",       "TO",         "TRIGGER",    "UID",        "UNION",     "UNIQUE",
    "UPDATE",    "USER",       "VALIDATE",   "VALUES",     "VARCHAR",    "VARCHAR2",  "VIEW",
    "WHENEVER",  "WHERE",      "WITH",
};

static_assert(std::is_sorted(kReserved.begin(), kReserved.end()));

constexpr std::size_t kMaxIdentifier = 30;
// Deeper nesting than this is refused rather than risking the stack.
constexpr int kMaxDepth = 200;

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  Statement ParseAll() {
    Statement statement = ParseAnyStatement();
    if (Peek().kind != TokenKind::End) {
      Fail(ora::kNotProperlyEnded, Peek().offset);
    }
    return statement;
  }

  ColumnType TypeOnly() {
    ColumnType type = ParseType();
    if (Peek().kind != TokenKind::End) {
      Fail(ora::kInvalidSql, Peek().offset);
    }
    return type;
  }

 private:
  // --- Tokens -------------------------------------------------------------

  const Token& Peek(std::size_t ahead = 0) const {
    const std::size_t at = std::min(pos_ + ahead, tokens_.size() - 1);
    return tokens_[at];
  }
  const Token& Next() {
    const Token& token = tokens_[pos_];
    if (pos_ + 1 < tokens_.size()) {
      ++pos_;
    }
    return token;
  }
  bool IsWord(std::string_view word, std::size_t ahead = 0) const {
    const Token& token = Peek(ahead);
    return token.kind == TokenKind::Word && token.text == word;
  }
  bool IsSymbol(std::string_view symbol, std::size_t ahead = 0) const {
    const Token& token = Peek(ahead);
    return token.kind == TokenKind::Symbol && token.text == symbol;
  }
  bool AcceptWord(std::string_view word) {
    if (IsWord(word)) {
      Next();
      return true;
    }
    return false;
  }
  bool AcceptSymbol(std::string_view symbol) {
    if (IsSymbol(symbol)) {
      Next();
      return true;
    }
    return false;
  }
  void ExpectWord(std::string_view word, int code) {
    if (!AcceptWord(word)) {
      Fail(code, Peek().offset);
    }
  }
  void ExpectSymbol(std::string_view symbol, int code) {
    if (!AcceptSymbol(symbol)) {
      Fail(code, Peek().offset);
    }
  }

  bool IsIdentifier(std::size_t ahead = 0) const {
    const Token& token = Peek(ahead);
    return token.kind == TokenKind::QuotedWord ||
           (token.kind == TokenKind::Word && !IsReservedWord(token.text));
  }

  std::string Identifier(int code) {
    if (!IsIdentifier()) {
      Fail(code, Peek().offset);
    }
    const Token& token = Next();
    if (token.text.size() > kMaxIdentifier) {
      Fail(ora::kIdentifierTooLong, token.offset);
    }
    return token.text;
  }

  struct DepthGuard {
    explicit DepthGuard(Parser& p) : parser(p) {
      if (++parser.depth_ > kMaxDepth) {
        Fail(ora::kMissingExpression, parser.Peek().offset);
      }
    }
    ~DepthGuard() { --parser.depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    Parser& parser;
  };

  // --- Statements ---------------------------------------------------------

  Statement ParseAnyStatement() {
    Statement statement;
    if (IsWord("SELECT") || IsSymbol("(")) {
      statement.body = SelectStmt{ParseQuery(true)};
    } else if (AcceptWord("CREATE")) {
      if (AcceptWord("TABLE")) {
        statement.body = ParseCreateTable();
      } else if (IsWord("UNIQUE") || IsWord("INDEX")) {
        statement.body = ParseCreateIndex();
      } else {
        Fail(901, Peek().offset);
      }
    } else if (AcceptWord("DROP")) {
      DropStmt drop;
      if (AcceptWord("INDEX")) {
        drop.index = true;
      } else if (!AcceptWord("TABLE")) {
        Fail(950, Peek().offset);
      }
      drop.object = ParseObjectName(drop.index ? ora::kMissingKeyword : ora::kInvalidTableName);
      if (!drop.index && AcceptWord("CASCADE")) {
        ExpectWord("CONSTRAINTS", ora::kMissingKeyword);
      }
      statement.body = std::move(drop);
    } else if (AcceptWord("INSERT")) {
      statement.body = ParseInsert();
    } else if (AcceptWord("UPDATE")) {
      statement.body = ParseUpdate();
    } else if (AcceptWord("DELETE")) {
      statement.body = ParseDelete();
    } else if (AcceptWord("EXPLAIN")) {
      statement.body = ParseExplain();
    } else if (AcceptWord("COMMIT") || IsWord("ROLLBACK")) {
      TransactionStmt transaction;
      transaction.commit = !AcceptWord("ROLLBACK");
      AcceptWord("WORK");
      statement.body = transaction;
    } else {
      Fail(ora::kInvalidSql, Peek().offset);
    }
    return statement;
  }

  TableRef ParseObjectName(int code) {
    TableRef ref;
    ref.offset = Peek().offset;
    ref.name = Identifier(code);
    if (AcceptSymbol(".")) {
      ref.owner = std::move(ref.name);
      ref.name = Identifier(code);
    }
    return ref;
  }

  TableRef ParseTableRef() {
    TableRef ref = ParseObjectName(ora::kInvalidTableName);
    if (IsIdentifier()) {
      ref.alias = Identifier(ora::kInvalidTableName);
    }
    return ref;
  }

  CreateTableStmt ParseCreateTable() {
    CreateTableStmt create;
    create.table = ParseObjectName(ora::kInvalidTableName);
    ExpectSymbol("(", ora::kMissingLeftParen);
    do {
      if (IsWord("PRIMARY") || IsWord("CONSTRAINT") || IsWord("UNIQUE")) {
        ParseTableConstraint(create);
        continue;
      }
      ColumnDefinition column;
      column.offset = Peek().offset;
      column.name = Identifier(ora::kInvalidColumn);
      column.type = ParseType();
      ParseColumnConstraints(column);
      create.columns.push_back(std::move(column));
    } while (AcceptSymbol(","));
    ExpectSymbol(")", ora::kMissingRightParen);
    return create;
  }

  void ParseTableConstraint(CreateTableStmt& create) {
    if (AcceptWord("CONSTRAINT")) {
      Identifier(ora::kMissingKeyword);
    }
    if (AcceptWord("PRIMARY")) {
      ExpectWord("KEY", ora::kMissingKeyword);
      create.primaryKey = ParseNameList();
    } else if (AcceptWord("UNIQUE")) {
      ParseNameList();
    } else {
      Fail(ora::kMissingKeyword, Peek().offset);
    }
  }

  std::vector<std::string> ParseNameList() {
    std::vector<std::string> names;
    ExpectSymbol("(", ora::kMissingLeftParen);
    do {
      names.push_back(Identifier(ora::kInvalidColumn));
    } while (AcceptSymbol(","));
    ExpectSymbol(")", ora::kMissingRightParen);
    return names;
  }

  void ParseColumnConstraints(ColumnDefinition& column) {
    while (true) {
      if (AcceptWord("CONSTRAINT")) {
        Identifier(ora::kMissingKeyword);
      } else if (AcceptWord("NOT")) {
        ExpectWord("NULL", 908);
        column.notNull = true;
      } else if (AcceptWord("NULL")) {
        column.notNull = false;
      } else if (AcceptWord("PRIMARY")) {
        ExpectWord("KEY", ora::kMissingKeyword);
        column.primaryKey = true;
        column.notNull = true;
      } else if (AcceptWord("UNIQUE")) {
        column.unique = true;
      } else if (AcceptWord("DEFAULT")) {
        ParseExpr();  // defaults are not kept
      } else {
        return;
      }
    }
  }

  int Length(int code) {
    const Token& token = Peek();
    if (token.kind != TokenKind::Number) {
      Fail(code, token.offset);
    }
    Next();
    const std::optional<double> n = ParseNumber(token.text);
    if (!n || *n != static_cast<double>(static_cast<long>(*n)) || *n < 0 || *n > 1e9) {
      Fail(code, token.offset);
    }
    return static_cast<int>(*n);
  }

  ColumnType ParseType() {
    const Token& token = Peek();
    if (token.kind != TokenKind::Word) {
      Fail(902, token.offset);
    }
    const std::string word = token.text;
    const std::size_t offset = token.offset;
    Next();
    ColumnType type;
    if (word == "VARCHAR2" || word == "VARCHAR" || word == "CHAR" || word == "RAW") {
      type.type = SqlType::Char;
      type.name = word == "VARCHAR" ? "VARCHAR2" : word;
      if (word == "CHAR" && !IsSymbol("(")) {
        type.length = 1;
        return type;
      }
      ExpectSymbol("(", ora::kMissingLeftParen);
      type.length = Length(ora::kInvalidColumn);
      ExpectSymbol(")", ora::kMissingRightParen);
      const int limit = word == "CHAR" || word == "RAW" ? 255 : 2000;
      if (type.length < 1 || type.length > limit) {
        Fail(ora::kLengthTooLong, offset);
      }
    } else if (word == "NUMBER" || word == "NUMERIC" || word == "DECIMAL" || word == "DEC" ||
               word == "FLOAT") {
      type.type = SqlType::Number;
      type.name = word == "FLOAT" ? "FLOAT" : "NUMBER";
      type.length = 22;
      if (AcceptSymbol("(")) {
        const int precision = Length(ora::kMissingRightParen);
        if (precision < 1 || precision > (word == "FLOAT" ? 126 : 38)) {
          Fail(1727, offset);
        }
        if (word != "FLOAT" && AcceptSymbol(",")) {
          AcceptSymbol("-");
          Length(ora::kMissingRightParen);
        }
        ExpectSymbol(")", ora::kMissingRightParen);
      }
    } else if (word == "INTEGER" || word == "INT" || word == "SMALLINT" || word == "REAL") {
      type.type = SqlType::Number;
      type.name = word == "REAL" ? "FLOAT" : "NUMBER";
      type.length = 22;
    } else if (word == "DATE") {
      type.type = SqlType::Date;
      type.name = "DATE";
      type.length = 7;
    } else if (word == "LONG") {
      type.type = SqlType::Char;
      type.name = AcceptWord("RAW") ? "LONG RAW" : "LONG";
      type.length = 0;
      type.isLong = true;
    } else {
      Fail(902, offset);
    }
    return type;
  }

  CreateIndexStmt ParseCreateIndex() {
    CreateIndexStmt create;
    create.unique = AcceptWord("UNIQUE");
    ExpectWord("INDEX", ora::kMissingKeyword);
    create.index = ParseObjectName(ora::kMissingKeyword);
    ExpectWord("ON", 969);
    create.table = ParseObjectName(ora::kInvalidTableName);
    ExpectSymbol("(", ora::kMissingLeftParen);
    do {
      create.columnOffsets.push_back(Peek().offset);
      create.columns.push_back(Identifier(ora::kInvalidColumn));
      if (!AcceptWord("ASC")) {
        AcceptWord("DESC");
      }
    } while (AcceptSymbol(","));
    ExpectSymbol(")", ora::kMissingRightParen);
    return create;
  }

  InsertStmt ParseInsert() {
    InsertStmt insert;
    ExpectWord("INTO", 925);
    insert.table = ParseObjectName(ora::kInvalidTableName);
    if (AcceptSymbol("(")) {
      do {
        insert.columnOffsets.push_back(Peek().offset);
        insert.columns.push_back(Identifier(ora::kInvalidColumn));
      } while (AcceptSymbol(","));
      ExpectSymbol(")", ora::kMissingRightParen);
    }
    insert.valuesOffset = Peek().offset;
    if (AcceptWord("VALUES")) {
      ExpectSymbol("(", ora::kMissingLeftParen);
      do {
        insert.values.push_back(ParseExpr());
      } while (AcceptSymbol(","));
      ExpectSymbol(")", ora::kMissingRightParen);
    } else if (IsWord("SELECT") || IsSymbol("(")) {
      insert.query = ParseQuery(false);
    } else {
      Fail(926, Peek().offset);
    }
    return insert;
  }

  UpdateStmt ParseUpdate() {
    UpdateStmt update;
    update.block.from.push_back(ParseTableRef());
    ExpectWord("SET", 971);
    do {
      update.columnOffsets.push_back(Peek().offset);
      update.columns.push_back(Identifier(ora::kInvalidColumn));
      if (AcceptSymbol(".")) {
        // SET alias.column: the table is the only one there is.
        update.columns.back() = Identifier(ora::kInvalidColumn);
      }
      ExpectSymbol("=", 927);
      update.values.push_back(ParseExpr());
    } while (AcceptSymbol(","));
    if (AcceptWord("WHERE")) {
      update.block.where = ParseCondition();
    }
    return update;
  }

  DeleteStmt ParseDelete() {
    DeleteStmt del;
    AcceptWord("FROM");
    del.block.from.push_back(ParseTableRef());
    if (AcceptWord("WHERE")) {
      del.block.where = ParseCondition();
    }
    return del;
  }

  ExplainStmt ParseExplain() {
    ExplainStmt explain;
    ExpectWord("PLAN", ora::kMissingKeyword);
    if (AcceptWord("SET")) {
      ExpectWord("STATEMENT_ID", ora::kMissingKeyword);
      ExpectSymbol("=", ora::kMissingKeyword);
      if (Peek().kind != TokenKind::String) {
        Fail(1780, Peek().offset);
      }
      explain.statementId = Next().text;
    }
    if (AcceptWord("INTO")) {
      explain.into = ParseObjectName(ora::kInvalidTableName);
    }
    ExpectWord("FOR", ora::kMissingKeyword);
    explain.inner = std::make_unique<Statement>();
    if (IsWord("SELECT") || IsSymbol("(")) {
      explain.inner->body = SelectStmt{ParseQuery(true)};
    } else if (AcceptWord("INSERT")) {
      explain.inner->body = ParseInsert();
    } else if (AcceptWord("UPDATE")) {
      explain.inner->body = ParseUpdate();
    } else if (AcceptWord("DELETE")) {
      explain.inner->body = ParseDelete();
    } else {
      Fail(ora::kInvalidSql, Peek().offset);
    }
    return explain;
  }

  // --- Queries ------------------------------------------------------------

  QueryPtr ParseQuery(bool topLevel) {
    DepthGuard guard(*this);
    QueryPtr query = ParseQueryTerm();
    while (true) {
      SetOp op = SetOp::None;
      if (AcceptWord("UNION")) {
        op = AcceptWord("ALL") ? SetOp::UnionAll : SetOp::Union;
      } else if (AcceptWord("INTERSECT")) {
        op = SetOp::Intersect;
      } else if (AcceptWord("MINUS")) {
        op = SetOp::Minus;
      } else {
        break;
      }
      auto compound = std::make_unique<Query>();
      compound->op = op;
      compound->left = std::move(query);
      compound->right = ParseQueryTerm();
      query = std::move(compound);
    }
    if (topLevel && AcceptWord("ORDER")) {
      ExpectWord("BY", ora::kMissingKeyword);
      do {
        OrderItem item;
        item.expr = ParseExpr();
        if (AcceptWord("DESC")) {
          item.descending = true;
        } else {
          AcceptWord("ASC");
        }
        query->orderBy.push_back(std::move(item));
      } while (AcceptSymbol(","));
    }
    if (topLevel && AcceptWord("FOR")) {
      ExpectWord("UPDATE", ora::kMissingKeyword);
      if (query->op != SetOp::None) {
        Fail(ora::kNotProperlyEnded, Peek().offset);
      }
      query->block->forUpdate = true;
      if (AcceptWord("OF")) {
        do {
          ParseExpr();
        } while (AcceptSymbol(","));
      }
    }
    return query;
  }

  QueryPtr ParseQueryTerm() {
    if (AcceptSymbol("(")) {
      QueryPtr inner = ParseQuery(false);
      ExpectSymbol(")", ora::kMissingRightParen);
      return inner;
    }
    auto query = std::make_unique<Query>();
    query->block = ParseSelectBlock();
    return query;
  }

  std::unique_ptr<SelectBlock> ParseSelectBlock() {
    auto block = std::make_unique<SelectBlock>();
    ExpectWord("SELECT", 928);
    if (AcceptWord("DISTINCT") || AcceptWord("UNIQUE")) {
      block->distinct = true;
    } else {
      AcceptWord("ALL");
    }
    do {
      block->items.push_back(ParseSelectItem());
    } while (AcceptSymbol(","));
    ExpectWord("FROM", ora::kFromExpected);
    do {
      block->from.push_back(ParseTableRef());
    } while (AcceptSymbol(","));
    if (AcceptWord("WHERE")) {
      block->where = ParseCondition();
    }
    for (int i = 0; i < 2; ++i) {
      if (!block->startWith && AcceptWord("START")) {
        ExpectWord("WITH", ora::kMissingKeyword);
        block->startWith = ParseCondition();
      } else if (!block->connectBy && AcceptWord("CONNECT")) {
        ExpectWord("BY", ora::kMissingKeyword);
        block->connectBy = ParseCondition();
      }
    }
    if (block->startWith && !block->connectBy) {
      Fail(ora::kMissingKeyword, Peek().offset);
    }
    if (AcceptWord("GROUP")) {
      ExpectWord("BY", ora::kMissingKeyword);
      do {
        block->groupBy.push_back(ParseExpr());
      } while (AcceptSymbol(","));
    }
    if (AcceptWord("HAVING")) {
      block->having = ParseCondition();
    }
    return block;
  }

  SelectItem ParseSelectItem() {
    SelectItem item;
    if (AcceptSymbol("*")) {
      item.star = true;
      return item;
    }
    if (IsIdentifier() && IsSymbol(".", 1) && IsSymbol("*", 2)) {
      item.starQualifier = Next().text;
      Next();
      Next();
      item.star = true;
      return item;
    }
    const std::size_t first = pos_;
    item.expr = ParseExpr();
    for (std::size_t i = first; i < pos_; ++i) {
      const Token& token = tokens_[i];
      item.label += token.kind == TokenKind::String ? "'" + token.text + "'" : token.text;
    }
    if (item.expr->kind == ExprKind::Column) {
      item.label = item.expr->name;
    }
    if (AcceptWord("AS") || IsIdentifier()) {
      item.alias = Identifier(ora::kFromExpected);
      item.label = item.alias;
    }
    return item;
  }

  // --- Conditions ---------------------------------------------------------

  static ExprPtr Make(ExprKind kind, std::size_t offset) {
    auto e = std::make_unique<Expr>();
    e->kind = kind;
    e->offset = offset;
    return e;
  }

  ExprPtr ParseCondition() {
    DepthGuard guard(*this);
    ExprPtr left = ParseAndCondition();
    while (IsWord("OR")) {
      ExprPtr e = Make(ExprKind::Or, Next().offset);
      e->args.push_back(std::move(left));
      e->args.push_back(ParseAndCondition());
      left = std::move(e);
    }
    return left;
  }

  ExprPtr ParseAndCondition() {
    ExprPtr left = ParseNotCondition();
    while (IsWord("AND")) {
      ExprPtr e = Make(ExprKind::And, Next().offset);
      e->args.push_back(std::move(left));
      e->args.push_back(ParseNotCondition());
      left = std::move(e);
    }
    return left;
  }

  ExprPtr ParseNotCondition() {
    DepthGuard guard(*this);
    if (IsWord("NOT")) {
      ExprPtr e = Make(ExprKind::Not, Next().offset);
      e->args.push_back(ParseNotCondition());
      return e;
    }
    return ParsePredicate();
  }

  ExprPtr ParsePredicate() {
    if (IsWord("EXISTS")) {
      ExprPtr e = Make(ExprKind::Exists, Next().offset);
      ExpectSymbol("(", ora::kMissingLeftParen);
      e->query = ParseQuery(false);
      ExpectSymbol(")", ora::kMissingRightParen);
      return e;
    }
    if (IsSymbol("(") && !IsWord("SELECT", 1)) {
      // Either a condition in parentheses or an expression that starts with
      // one: try the condition first.
      const std::size_t saved = pos_;
      try {
        Next();
        ExprPtr inner = ParseCondition();
        if (AcceptSymbol(")")) {
          return inner;
        }
      } catch (const SqlError&) {
      }
      pos_ = saved;
    }
    ExprPtr left = ParseExpr();
    const Token& token = Peek();
    const std::size_t offset = token.offset;
    bool negated = false;
    if (IsWord("NOT") && (IsWord("IN", 1) || IsWord("BETWEEN", 1) || IsWord("LIKE", 1))) {
      Next();
      negated = true;
    }
    if (AcceptWord("IN")) {
      ExpectSymbol("(", ora::kMissingLeftParen);
      ExprPtr e;
      if (IsWord("SELECT") || (IsSymbol("(") && IsWord("SELECT", 1))) {
        e = Make(ExprKind::InQuery, offset);
        e->query = ParseQuery(false);
        e->args.push_back(std::move(left));
      } else {
        e = Make(ExprKind::InList, offset);
        e->args.push_back(std::move(left));
        do {
          e->args.push_back(ParseExpr());
        } while (AcceptSymbol(","));
      }
      ExpectSymbol(")", ora::kMissingRightParen);
      e->negated = negated;
      return e;
    }
    if (AcceptWord("BETWEEN")) {
      ExprPtr e = Make(ExprKind::Between, offset);
      e->args.push_back(std::move(left));
      e->args.push_back(ParseExpr());
      ExpectWord("AND", ora::kMissingKeyword);
      e->args.push_back(ParseExpr());
      e->negated = negated;
      return e;
    }
    if (AcceptWord("LIKE")) {
      ExprPtr e = Make(ExprKind::Like, offset);
      e->args.push_back(std::move(left));
      e->args.push_back(ParseExpr());
      if (AcceptWord("ESCAPE")) {
        e->args.push_back(ParseExpr());
      }
      e->negated = negated;
      return e;
    }
    if (AcceptWord("IS")) {
      ExprPtr e = Make(ExprKind::IsNull, offset);
      e->negated = AcceptWord("NOT");
      ExpectWord("NULL", 908);
      e->args.push_back(std::move(left));
      return e;
    }
    CompareOp op = CompareOp::Eq;
    if (token.kind != TokenKind::Symbol) {
      Fail(920, offset);
    }
    if (token.text == "=") {
      op = CompareOp::Eq;
    } else if (token.text == "<>" || token.text == "!=" || token.text == "^=") {
      op = CompareOp::Ne;
    } else if (token.text == "<") {
      op = CompareOp::Lt;
    } else if (token.text == "<=") {
      op = CompareOp::Le;
    } else if (token.text == ">") {
      op = CompareOp::Gt;
    } else if (token.text == ">=") {
      op = CompareOp::Ge;
    } else {
      Fail(920, offset);
    }
    Next();
    ExprPtr e = Make(ExprKind::Compare, offset);
    e->compare = op;
    e->args.push_back(std::move(left));
    if (IsSymbol("(") && IsWord("SELECT", 1)) {
      // A subquery that gives one row: kept as the comparison's query.
      Next();
      e->query = ParseQuery(false);
      ExpectSymbol(")", ora::kMissingRightParen);
    } else {
      e->args.push_back(ParseExpr());
    }
    return e;
  }

  // --- Expressions --------------------------------------------------------

  ExprPtr ParseExpr() {
    DepthGuard guard(*this);
    ExprPtr left = ParseTerm();
    while (IsSymbol("+") || IsSymbol("-") || IsSymbol("||")) {
      const Token& token = Next();
      ExprPtr e = Make(token.text == "||" ? ExprKind::Concat : ExprKind::Arith, token.offset);
      e->op = token.text[0];
      e->args.push_back(std::move(left));
      e->args.push_back(ParseTerm());
      left = std::move(e);
    }
    return left;
  }

  ExprPtr ParseTerm() {
    ExprPtr left = ParseFactor();
    while (IsSymbol("*") || IsSymbol("/")) {
      const Token& token = Next();
      ExprPtr e = Make(ExprKind::Arith, token.offset);
      e->op = token.text[0];
      e->args.push_back(std::move(left));
      e->args.push_back(ParseFactor());
      left = std::move(e);
    }
    return left;
  }

  ExprPtr ParseFactor() {
    DepthGuard guard(*this);
    if (IsSymbol("-") || IsSymbol("+") || IsWord("PRIOR")) {
      const Token& token = Next();
      ExprPtr operand = ParseFactor();
      if (token.text == "+") {
        return operand;
      }
      ExprPtr e = Make(token.text == "-" ? ExprKind::Negate : ExprKind::Prior, token.offset);
      e->args.push_back(std::move(operand));
      return e;
    }
    return ParsePrimary();
  }

  ExprPtr ParsePrimary() {
    const Token& token = Peek();
    const std::size_t offset = token.offset;
    switch (token.kind) {
      case TokenKind::Number: {
        const std::optional<double> n = ParseNumber(token.text);
        if (!n) {
          Fail(ora::kInvalidNumber, offset);
        }
        Next();
        ExprPtr e = Make(ExprKind::Literal, offset);
        e->literal = Value::Number(*n);
        return e;
      }
      case TokenKind::String: {
        ExprPtr e = Make(ExprKind::Literal, offset);
        e->literal = Value::Text(Next().text);
        return e;
      }
      case TokenKind::Symbol:
        if (token.text == "(" && !IsWord("SELECT", 1)) {
          Next();
          ExprPtr first = ParseExpr();
          if (IsSymbol(",")) {
            ExprPtr tuple = Make(ExprKind::Tuple, offset);
            tuple->args.push_back(std::move(first));
            while (AcceptSymbol(",")) {
              tuple->args.push_back(ParseExpr());
            }
            ExpectSymbol(")", ora::kMissingRightParen);
            return tuple;
          }
          ExpectSymbol(")", ora::kMissingRightParen);
          return first;
        }
        Fail(ora::kMissingExpression, offset);
      case TokenKind::End:
        Fail(ora::kMissingExpression, offset);
      case TokenKind::Word:
      case TokenKind::QuotedWord:
        break;
    }
    if (token.kind == TokenKind::Word) {
      const std::string& word = token.text;
      if (word == "NULL") {
        Next();
        return Make(ExprKind::Literal, offset);
      }
      if (word == "LEVEL" || word == "ROWNUM" || word == "SYSDATE" || word == "USER") {
        Next();
        return Make(word == "LEVEL"     ? ExprKind::Level
                    : word == "ROWNUM"  ? ExprKind::Rownum
                    : word == "SYSDATE" ? ExprKind::Sysdate
                                        : ExprKind::User,
                    offset);
      }
      if (IsSymbol("(", 1) && !IsReservedWord(word)) {
        return ParseFunction();
      }
    }
    if (!IsIdentifier()) {
      Fail(ora::kMissingExpression, offset);
    }
    ExprPtr e = Make(ExprKind::Column, offset);
    e->name = Identifier(ora::kMissingExpression);
    if (AcceptSymbol(".")) {
      e->qualifier = std::move(e->name);
      e->name = Identifier(ora::kInvalidColumn);
      if (AcceptSymbol(".")) {
        e->owner = std::move(e->qualifier);
        e->qualifier = std::move(e->name);
        e->name = Identifier(ora::kInvalidColumn);
      }
    }
    return e;
  }

  ExprPtr ParseFunction() {
    ExprPtr e = Make(ExprKind::Function, Peek().offset);
    e->name = Identifier(ora::kMissingExpression);
    if (e->name.size() > kMaxIdentifier) {
      Fail(ora::kIdentifierTooLong, e->offset);
    }
    ExpectSymbol("(", ora::kMissingLeftParen);
    if (AcceptSymbol("*")) {
      e->star = true;
    } else if (!IsSymbol(")")) {
      if (AcceptWord("DISTINCT")) {
        e->distinct = true;
      } else {
        AcceptWord("ALL");
      }
      do {
        e->args.push_back(ParseExpr());
      } while (AcceptSymbol(","));
    }
    ExpectSymbol(")", ora::kMissingRightParen);
    return e;
  }

  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

bool IsReservedWord(std::string_view word) {
  return std::binary_search(kReserved.begin(), kReserved.end(), word);
}

Statement ParseStatement(std::string_view sql) {
  Parser parser(Tokenize(sql));
  return parser.ParseAll();
}

ColumnType ParseColumnType(std::string_view text) {
  Parser parser(Tokenize(text));
  return parser.TypeOnly();
}

}  // namespace kestrin::sim
