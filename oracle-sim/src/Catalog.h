// The server's data dictionary and data: users, and per schema the tables
// with their rows and the indexes on them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Value.h"

namespace kestrin::sim {

struct ColumnType {
  SqlType type = SqlType::Char;
  std::string name = "VARCHAR2";  // as the dictionary shows it
  int length = 30;                // characters of a character column; 22 for NUMBER, 7 for DATE
  bool isLong = false;
};

struct Column {
  std::string name;
  ColumnType type;
  bool notNull = false;
};

struct Table {
  std::string owner;
  std::string name;
  std::vector<Column> columns;
  std::vector<Row> rows;  // in the order a full scan reads them
  long statRows = 100;    // the row count the planner assumes
  std::optional<DateValue> analyzed;

  int ColumnIndex(std::string_view column) const;
};

struct Index {
  std::string owner;
  std::string name;
  std::string tableOwner;
  std::string tableName;
  std::vector<std::string> columns;
  bool unique = false;
  std::optional<DateValue> analyzed;
};

struct User {
  std::string name;      // upper case
  std::string password;  // empty: the user has none
  bool dictionaryAccess = true;
};

class Catalog {
 public:
  // The demo database as built: SCOTT, SHOP, NODICT and SYSTEM.
  static Catalog Demo();

  User* FindUser(std::string_view name);
  void AddUser(User user);
  // Drops the user with everything in the schema; false if there is none.
  bool RemoveUser(std::string_view name);

  Table* FindTable(std::string_view owner, std::string_view name);
  const Table* FindTable(std::string_view owner, std::string_view name) const;
  Index* FindIndex(std::string_view owner, std::string_view name);
  // Tables and indexes share one namespace per schema.
  bool NameInUse(std::string_view owner, std::string_view name) const;

  Table& AddTable(Table table);
  Index& AddIndex(Index index);
  // A name for the index behind a PRIMARY KEY or UNIQUE constraint: SYS_Cnnnnnn.
  std::string NextConstraintName();
  void DropTable(std::string_view owner, std::string_view name);
  void DropIndex(std::string_view owner, std::string_view name);

  std::vector<const Index*> IndexesOn(const Table& table) const;
  const std::vector<std::unique_ptr<Table>>& tables() const { return tables_; }
  const std::vector<Index>& indexes() const { return indexes_; }
  const std::vector<User>& users() const { return users_; }

 private:
  std::vector<User> users_;
  std::vector<std::unique_ptr<Table>> tables_;
  std::vector<Index> indexes_;
  int constraints_ = 0;
};

// Reads a column type as CREATE TABLE writes it ("NUMBER(7,2)", "VARCHAR2(10)",
// "DATE"); raises ORA-00902 for one it does not know.
ColumnType ParseColumnType(std::string_view text);

}  // namespace kestrin::sim
