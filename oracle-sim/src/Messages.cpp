#include <cstdio>
#include <string>

#include "Errors.h"

namespace kestrin::sim {

namespace {

struct Message {
  int code;
  const char* text;
};

// The server's message file, as far as this server raises the errors.
constexpr Message kMessages[] = {
    {0, "normal, successful completion"},
    {1, "unique constraint (.) violated"},
    {900, "invalid SQL statement"},
    {901, "invalid CREATE command"},
    {902, "invalid datatype"},
    {903, "invalid table name"},
    {904, "invalid column name"},
    {905, "missing keyword"},
    {906, "missing left parenthesis"},
    {907, "missing right parenthesis"},
    {908, "missing NULL keyword"},
    {909, "invalid number of arguments"},
    {910, "specified length too long for its datatype"},
    {911, "invalid character"},
    {913, "too many values"},
    {917, "missing comma"},
    {918, "column ambiguously defined"},
    {920, "invalid relational operator"},
    {921, "unexpected end of SQL command"},
    {923, "FROM keyword not found where expected"},
    {925, "missing INTO keyword"},
    {926, "missing VALUES keyword"},
    {927, "missing equal sign"},
    {928, "missing SELECT keyword"},
    {932, "inconsistent datatypes"},
    {933, "SQL command not properly ended"},
    {934, "group function is not allowed here"},
    {936, "missing expression"},
    {937, "not a single-group group function"},
    {942, "table or view does not exist"},
    {947, "not enough values"},
    {950, "invalid DROP option"},
    {955, "name is already used by an existing object"},
    {957, "duplicate column name"},
    {969, "missing ON keyword"},
    {971, "missing SET keyword"},
    {972, "identifier is too long"},
    {975, "date + date not allowed"},
    {976, "LEVEL, PRIOR, or ROWNUM not allowed here"},
    {979, "not a GROUP BY expression"},
    {1000, "maximum open cursors exceeded"},
    {1001, "invalid cursor"},
    {1002, "fetch out of sequence"},
    {1003, "no statement parsed"},
    {1004, "default username feature not supported; logon denied"},
    {1005, "null password given; logon denied"},
    {1007, "variable not in select list"},
    {1008, "not all variables bound"},
    {1012, "not logged on"},
    {1017, "invalid username/password; logon denied"},
    {1031, "insufficient privileges"},
    {1034, "ORACLE not available"},
    {1089, "immediate shutdown in progress - no operations are permitted"},
    {1400, "mandatory (NOT NULL) column is missing or NULL during insert"},
    {1401, "inserted value too large for column"},
    {1403, "no data found"},
    {1405, "fetched column value is NULL"},
    {1406, "fetched column value was truncated"},
    {1408, "such column list already indexed"},
    {1418, "specified index does not exist"},
    {1425, "escape character must be character string of length 1"},
    {1427, "single-row subquery returns more than one row"},
    {1436, "CONNECT BY loop in user data"},
    {1437, "cannot have join with CONNECT BY"},
    {1452, "cannot CREATE UNIQUE INDEX; duplicate keys found"},
    {1455, "converting column overflows integer datatype"},
    {1460, "unimplemented or unreasonable conversion requested"},
    {1476, "divisor is equal to zero"},
    {1481, "invalid number format model"},
    {1489, "result of string concatenation is too long"},
    {1722, "invalid number"},
    {1727, "numeric precision specifier is out of range (1 to 38)"},
    {1732, "data manipulation operation not legal on this view"},
    {1741, "illegal zero-length identifier"},
    {1754, "a table may contain only one column of type LONG"},
    {1742, "comment not properly terminated"},
    {1756, "quoted string not properly terminated"},
    {1780, "string literal required"},
    {1785, "ORDER BY item must be the number of a SELECT-list expression"},
    {1789, "query block has incorrect number of result columns"},
    {1788, "CONNECT BY clause required in this query block"},
    {1790, "expression must have same datatype as corresponding expression"},
    {1791, "not a SELECTed expression"},
    {1821, "date format not recognized"},
    {1830, "date format picture ends before converting entire input string"},
    {1858, "a non-numeric character was found where a numeric was expected"},
    {1918, "user does not exist"},
    {2260, "table can have only one primary key"},
    {3113, "end-of-file on communication channel"},
    {3114, "not connected to ORACLE"},
    {4030, "out of process memory when trying to allocate bytes"},
    {12154, "TNS:could not resolve service name"},
    {12203, "TNS:unable to connect to destination"},
    {12541, "TNS:no listener"},
};

}  // namespace

const char* ErrorMessage(int code) {
  for (const Message& m : kMessages) {
    if (m.code == code) {
      return m.text;
    }
  }
  return nullptr;
}

std::string ErrorText(int code) {
  char buf[160];
  const char* message = ErrorMessage(code);
  if (message != nullptr) {
    std::snprintf(buf, sizeof buf, "ORA-%05d: %s\n", code, message);
  } else {
    std::snprintf(buf, sizeof buf, "ORA-%05d: Message %d not found;  product=RDBMS; facility=ORA\n",
                  code, code);
  }
  return buf;
}

}  // namespace kestrin::sim
