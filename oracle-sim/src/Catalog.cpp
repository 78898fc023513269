#include "Catalog.h"

#include <algorithm>
#include <cstdio>

namespace kestrin::sim {

int Table::ColumnIndex(std::string_view column) const {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].name == column) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

User* Catalog::FindUser(std::string_view name) {
  for (User& u : users_) {
    if (u.name == name) {
      return &u;
    }
  }
  return nullptr;
}

void Catalog::AddUser(User user) {
  if (User* existing = FindUser(user.name)) {
    *existing = std::move(user);
    return;
  }
  users_.push_back(std::move(user));
}

bool Catalog::RemoveUser(std::string_view name) {
  const auto at =
      std::find_if(users_.begin(), users_.end(), [&](const User& u) { return u.name == name; });
  if (at == users_.end()) {
    return false;
  }
  users_.erase(at);
  std::erase_if(indexes_, [&](const Index& i) { return i.owner == name || i.tableOwner == name; });
  std::erase_if(tables_, [&](const std::unique_ptr<Table>& t) { return t->owner == name; });
  return true;
}

Table* Catalog::FindTable(std::string_view owner, std::string_view name) {
  for (auto& t : tables_) {
    if (t->owner == owner && t->name == name) {
      return t.get();
    }
  }
  return nullptr;
}

const Table* Catalog::FindTable(std::string_view owner, std::string_view name) const {
  return const_cast<Catalog*>(this)->FindTable(owner, name);
}

Index* Catalog::FindIndex(std::string_view owner, std::string_view name) {
  for (Index& i : indexes_) {
    if (i.owner == owner && i.name == name) {
      return &i;
    }
  }
  return nullptr;
}

bool Catalog::NameInUse(std::string_view owner, std::string_view name) const {
  return FindTable(owner, name) != nullptr ||
         std::any_of(indexes_.begin(), indexes_.end(),
                     [&](const Index& i) { return i.owner == owner && i.name == name; });
}

Table& Catalog::AddTable(Table table) {
  tables_.push_back(std::make_unique<Table>(std::move(table)));
  return *tables_.back();
}

Index& Catalog::AddIndex(Index index) {
  indexes_.push_back(std::move(index));
  return indexes_.back();
}

std::string Catalog::NextConstraintName() {
  char name[32];
  std::snprintf(name, sizeof name, "SYS_C%07d", 1000 + ++constraints_);
  return name;
}

void Catalog::DropTable(std::string_view owner, std::string_view name) {
  std::erase_if(indexes_,
                [&](const Index& i) { return i.tableOwner == owner && i.tableName == name; });
  std::erase_if(tables_, [&](const std::unique_ptr<Table>& t) {
    return t->owner == owner && t->name == name;
  });
}

void Catalog::DropIndex(std::string_view owner, std::string_view name) {
  std::erase_if(indexes_, [&](const Index& i) { return i.owner == owner && i.name == name; });
}

std::vector<const Index*> Catalog::IndexesOn(const Table& table) const {
  std::vector<const Index*> out;
  for (const Index& i : indexes_) {
    if (i.tableOwner == table.owner && i.tableName == table.name) {
      out.push_back(&i);
    }
  }
  return out;
}

// --- The demo database ------------------------------------------------------

namespace {

Value N(double n) {
  return Value::Number(n);
}
Value S(const char* s) {
  return Value::Text(s);
}
Value D(int year, int month, int day) {
  CivilTime c;
  c.year = year;
  c.month = month;
  c.day = day;
  return Value::Date(MakeDate(c));
}
const Value kNull;

Table MakeTable(const char* owner, const char* name,
                std::initializer_list<std::pair<const char*, const char*>> columns,
                std::vector<Row> rows, std::initializer_list<const char*> notNull = {}) {
  Table t;
  t.owner = owner;
  t.name = name;
  for (const auto& entry : columns) {
    const char* column = entry.first;
    Column c;
    c.name = column;
    c.type = ParseColumnType(entry.second);
    c.notNull = std::find_if(notNull.begin(), notNull.end(), [column](const char* n) {
                  return std::string_view(n) == column;
                }) != notNull.end();
    t.columns.push_back(std::move(c));
  }
  t.rows = std::move(rows);
  t.statRows = std::max<long>(1, static_cast<long>(t.rows.size()));
  return t;
}

Index MakeIndex(const char* owner, const char* name, const char* table,
                std::vector<std::string> columns, bool unique) {
  Index i;
  i.owner = owner;
  i.name = name;
  i.tableOwner = owner;
  i.tableName = table;
  i.columns = std::move(columns);
  i.unique = unique;
  return i;
}

void AddScott(Catalog& c) {
  c.AddUser({"SCOTT", "TIGER", true});
  c.AddTable(
      MakeTable("SCOTT", "DEPT",
                {{"DEPTNO", "NUMBER(2)"}, {"DNAME", "VARCHAR2(14)"}, {"LOC", "VARCHAR2(13)"}},
                {{N(10), S("ACCOUNTING"), S("NEW YORK")},
                 {N(20), S("RESEARCH"), S("DALLAS")},
                 {N(30), S("SALES"), S("CHICAGO")},
                 {N(40), S("OPERATIONS"), S("BOSTON")}},
                {"DEPTNO"}));
  c.AddTable(MakeTable(
      "SCOTT", "EMP",
      {{"EMPNO", "NUMBER(4)"},
       {"ENAME", "VARCHAR2(10)"},
       {"JOB", "VARCHAR2(9)"},
       {"MGR", "NUMBER(4)"},
       {"HIREDATE", "DATE"},
       {"SAL", "NUMBER(7,2)"},
       {"COMM", "NUMBER(7,2)"},
       {"DEPTNO", "NUMBER(2)"}},
      {
          {N(7369), S("SMITH"), S("CLERK"), N(7902), D(1980, 12, 17), N(800), kNull, N(20)},
          {N(7499), S("ALLEN"), S("SALESMAN"), N(7698), D(1981, 2, 20), N(1600), N(300), N(30)},
          {N(7521), S("WARD"), S("SALESMAN"), N(7698), D(1981, 2, 22), N(1250), N(500), N(30)},
          {N(7566), S("JONES"), S("MANAGER"), N(7839), D(1981, 4, 2), N(2975), kNull, N(20)},
          {N(7654), S("MARTIN"), S("SALESMAN"), N(7698), D(1981, 9, 28), N(1250), N(1400), N(30)},
          {N(7698), S("BLAKE"), S("MANAGER"), N(7839), D(1981, 5, 1), N(2850), kNull, N(30)},
          {N(7782), S("CLARK"), S("MANAGER"), N(7839), D(1981, 6, 9), N(2450), kNull, N(10)},
          {N(7788), S("SCOTT"), S("ANALYST"), N(7566), D(1982, 12, 9), N(3000), kNull, N(20)},
          {N(7839), S("KING"), S("PRESIDENT"), kNull, D(1981, 11, 17), N(5000), kNull, N(10)},
          {N(7844), S("TURNER"), S("SALESMAN"), N(7698), D(1981, 9, 8), N(1500), N(0), N(30)},
          {N(7876), S("ADAMS"), S("CLERK"), N(7788), D(1983, 1, 12), N(1100), kNull, N(20)},
          {N(7900), S("JAMES"), S("CLERK"), N(7698), D(1981, 12, 3), N(950), kNull, N(30)},
          {N(7902), S("FORD"), S("ANALYST"), N(7566), D(1981, 12, 3), N(3000), kNull, N(20)},
          {N(7934), S("MILLER"), S("CLERK"), N(7782), D(1982, 1, 23), N(1300), kNull, N(10)},
      },
      {"EMPNO"}));
  c.AddTable(MakeTable(
      "SCOTT", "BONUS",
      {{"ENAME", "VARCHAR2(10)"}, {"JOB", "VARCHAR2(9)"}, {"SAL", "NUMBER"}, {"COMM", "NUMBER"}},
      {}));
  c.AddTable(MakeTable("SCOTT", "SALGRADE",
                       {{"GRADE", "NUMBER"}, {"LOSAL", "NUMBER"}, {"HISAL", "NUMBER"}},
                       {{N(1), N(700), N(1200)},
                        {N(2), N(1201), N(1400)},
                        {N(3), N(1401), N(2000)},
                        {N(4), N(2001), N(3000)},
                        {N(5), N(3001), N(9999)}}));
  c.AddIndex(MakeIndex("SCOTT", "PK_DEPT", "DEPT", {"DEPTNO"}, true));
  c.AddIndex(MakeIndex("SCOTT", "PK_EMP", "EMP", {"EMPNO"}, true));
}

void AddShop(Catalog& c) {
  c.AddUser({"SHOP", "SHOP", true});
  c.AddTable(MakeTable("SHOP", "CUSTOMERS",
                       {{"CUSTOMER_ID", "NUMBER(6)"},
                        {"NAME", "VARCHAR2(40)"},
                        {"CITY", "VARCHAR2(30)"},
                        {"COUNTRY", "VARCHAR2(2)"}},
                       {{N(1), S("Fjord Supplies"), S("Bergen"), S("NO")},
                        {N(2), S("Quayside Traders"), S("Hamburg"), S("DE")},
                        {N(3), S("Lumen & Sons"), S("Lyon"), S("FR")},
                        {N(4), S("Northwind Haus"), S("Bremen"), S("DE")}},
                       {"CUSTOMER_ID"}));
  c.AddTable(MakeTable("SHOP", "ORDERS",
                       {{"ORDER_ID", "NUMBER(8)"},
                        {"CUSTOMER_ID", "NUMBER(6)"},
                        {"ORDER_DATE", "DATE"},
                        {"STATUS", "VARCHAR2(10)"},
                        {"TOTAL", "NUMBER(10,2)"}},
                       {{N(1001), N(1), D(1998, 2, 2), S("SHIPPED"), N(1250.5)},
                        {N(1002), N(2), D(1998, 2, 9), S("SHIPPED"), N(310)},
                        {N(1003), N(1), D(1998, 3, 1), S("OPEN"), N(89.9)},
                        {N(1004), N(4), D(1998, 3, 12), S("OPEN"), N(4020)},
                        {N(1005), N(3), D(1998, 3, 13), S("CANCELLED"), N(15)}},
                       {"ORDER_ID"}));
  c.AddTable(MakeTable("SHOP", "ORDER_LINES",
                       {{"ORDER_ID", "NUMBER(8)"},
                        {"LINE_NO", "NUMBER(4)"},
                        {"PRODUCT_CODE", "VARCHAR2(12)"},
                        {"QUANTITY", "NUMBER(6)"},
                        {"PRICE", "NUMBER(10,2)"}},
                       {{N(1001), N(1), S("ROPE-20"), N(10), N(25.05)},
                        {N(1001), N(2), S("HOOK-S"), N(100), N(10)},
                        {N(1002), N(1), S("NET-4X4"), N(2), N(155)},
                        {N(1003), N(1), S("HOOK-S"), N(9), N(9.99)},
                        {N(1004), N(1), S("NET-4X4"), N(20), N(155)},
                        {N(1004), N(2), S("ROPE-20"), N(40), N(23)},
                        {N(1005), N(1), S("HOOK-L"), N(1), N(15)}},
                       {"ORDER_ID", "LINE_NO"}));
  c.AddTable(MakeTable("SHOP", "DELIVERY_NOTES",
                       {{"ORDER_ID", "NUMBER(8)"},
                        {"NOTE_DATE", "DATE"},
                        {"CARRIER", "VARCHAR2(20)"},
                        {"REMARK", "VARCHAR2(200)"}},
                       {{N(1001), D(1998, 2, 4), S("Nordlink"), S("left at the gate")},
                        {N(1002), D(1998, 2, 11), S("Hanse Cargo"), kNull}}));
  c.AddIndex(MakeIndex("SHOP", "PK_CUSTOMERS", "CUSTOMERS", {"CUSTOMER_ID"}, true));
  c.AddIndex(MakeIndex("SHOP", "CUSTOMERS_COUNTRY_CITY", "CUSTOMERS", {"COUNTRY", "CITY"}, false));
  c.AddIndex(MakeIndex("SHOP", "PK_ORDERS", "ORDERS", {"ORDER_ID"}, true));
  Index& byCustomer = c.AddIndex(
      MakeIndex("SHOP", "ORDERS_CUSTOMER", "ORDERS", {"CUSTOMER_ID", "ORDER_DATE"}, false));
  byCustomer.analyzed = MakeDate({1998, 3, 14, 9, 26, 53});
  c.AddIndex(MakeIndex("SHOP", "ORDERS_STATUS", "ORDERS", {"STATUS"}, false));
  c.AddIndex(MakeIndex("SHOP", "PK_ORDER_LINES", "ORDER_LINES", {"ORDER_ID", "LINE_NO"}, true));
  c.AddIndex(MakeIndex("SHOP", "ORDER_LINES_PRODUCT", "ORDER_LINES",
                       {"PRODUCT_CODE", "ORDER_ID", "QUANTITY"}, false));
}

void AddNodict(Catalog& c) {
  c.AddUser({"NODICT", "NODICT", false});
  c.AddTable(
      MakeTable("NODICT", "ITEMS",
                {{"ITEM_ID", "NUMBER(6)"}, {"NAME", "VARCHAR2(30)"}, {"PRICE", "NUMBER(8,2)"}},
                {{N(1), S("lamp"), N(12.5)}, {N(2), S("chair"), N(40)}, {N(3), S("desk"), N(95)}},
                {"ITEM_ID"}));
  c.AddTable(
      MakeTable("NODICT", "STOCK",
                {{"ITEM_ID", "NUMBER(6)"}, {"WAREHOUSE", "VARCHAR2(10)"}, {"QTY", "NUMBER(6)"}},
                {{N(1), S("EAST"), N(4)}, {N(2), S("EAST"), N(0)}, {N(2), S("WEST"), N(7)}}));
  c.AddIndex(MakeIndex("NODICT", "PK_ITEMS", "ITEMS", {"ITEM_ID"}, true));
  c.AddIndex(MakeIndex("NODICT", "ITEMS_NAME", "ITEMS", {"NAME"}, false));
  c.AddIndex(MakeIndex("NODICT", "PK_STOCK", "STOCK", {"ITEM_ID", "WAREHOUSE"}, true));
}

}  // namespace

Catalog Catalog::Demo() {
  Catalog c;
  c.AddUser({"SYSTEM", "MANAGER", true});
  AddScott(c);
  AddShop(c);
  AddNodict(c);
  return c;
}

}  // namespace kestrin::sim
