// The SQL engine's semantics: Oracle's NULLs, functions, hierarchical
// queries, set operations, sorting, DML and the errors of each.
#include <gtest/gtest.h>

#include "SimSession.h"

namespace kestrin::sim::testing {
namespace {

struct QueryCase {
  const char* sql;
  std::vector<std::vector<std::string>> rows;
};

void PrintTo(const QueryCase& c, std::ostream* os) {
  *os << c.sql;
}

class EngineQueryTest : public SimTest, public ::testing::WithParamInterface<QueryCase> {};

TEST_P(EngineQueryTest, Rows) {
  int error = -1;
  EXPECT_EQ(QueryRows("scott", GetParam().sql, &error), GetParam().rows);
  EXPECT_EQ(error, 0);
}

using Rows = std::vector<std::vector<std::string>>;

const QueryCase kQueries[] = {
    // '' is NULL, || passes over NULLs, NULL compares as unknown.
    {"select 'a'||null||''||'b', nvl('', 'empty') from dual", {{"ab", "empty"}}},
    {"select 'x' from dual where '' is null and null is null", {{"x"}}},
    {"select 'x' from dual where null = null or 1 = null", {}},
    {"select 'x' from dual where not (1 = null)", {}},
    {"select 'it''s', 'a' || 'b' || (1 + 2) from dual", {{"it's", "ab3"}}},
    // Numbers: integers bare, fractions without the leading zero.
    {"select 1/2, -1/4, 7 * 3, 10 / 4, 2 * (3 - 1) from dual", {{".5", "-.25", "21", "2.5", "4"}}},
    // Functions.
    {"select lpad(' ', 0)||'|', lpad('ab', 5, '*'), lpad('abcdef', 3), rpad('a', 3, 'xy') from "
     "dual",
     {{"|", "***ab", "abc", "axy"}}},
    {"select decode(1, 1, 'one', 'other'), decode(2, 1, 'one', 'other'), decode(2, 1, 'one'), "
     "decode(null, null, 'null matches', 'no') from dual",
     {{"one", "other", "", "null matches"}}},
    {"select to_char(hiredate, 'dd/mm/yyyy hh24:mi:ss'), to_char(hiredate), hiredate from emp "
     "where empno = 7369",
     {{"17/12/1980 00:00:00", "17-DEC-80", "17-DEC-80"}}},
    {"select to_char(to_date('2024-02-29 13:05:09', 'yyyy-mm-dd hh24:mi:ss'), 'Mon DD, YYYY "
     "HH:MI:SS PM') from dual",
     {{"Feb 29, 2024 01:05:09 PM"}}},
    {"select upper('MiXed'), lower('MiXed'), substr('ABCDEF', 2, 3), substr('ABCDEF', -2), "
     "length('abc'), instr('banana', 'an', 1, 2) from dual",
     {{"MIXED", "mixed", "BCD", "EF", "3", "4"}}},
    {"select to_char(1234.5, '9,999.99'), to_char(7, '009'), to_char(-3, 'FM999') from dual",
     {{" 1,234.50", " 007", "-3"}}},
    {"select round(2.567, 2), trunc(2.567, 1), mod(10, 3), abs(-4), greatest(3, 7, 5), "
     "least('b', 'a') from dual",
     {{"2.57", "2.5", "1", "4", "7", "a"}}},
    // WHERE with AND, IN lists, tuples against subqueries, LIKE, BETWEEN.
    {"select ename from emp where deptno = 10 and sal > 2000 order by 1", {{"CLARK"}, {"KING"}}},
    {"select dname from dept where deptno in (10, 40, null) order by 1",
     {{"ACCOUNTING"}, {"OPERATIONS"}}},
    {"select dname from dept where deptno not in (10, null)", {}},
    {"select ename from emp where (deptno, job) in (select deptno, 'CLERK' from dept where loc = "
     "'NEW YORK')",
     {{"MILLER"}}},
    {"select ename from emp where ename like '_A%' and sal between 1000 and 2000 order by ename",
     {{"MARTIN"}, {"WARD"}}},
    {"select count(*) from emp e where exists (select 1 from emp m where m.mgr = e.empno)",
     {{"6"}}},
    {"select ename from emp where sal = (select max(sal) from emp)", {{"KING"}}},
    // DISTINCT, UNION removing duplicates, UNION ALL keeping them, MINUS, INTERSECT.
    {"select distinct deptno from emp", {{"10"}, {"20"}, {"30"}}},
    {"select job from emp where deptno = 10 union select job from emp where deptno = 20",
     {{"ANALYST"}, {"CLERK"}, {"MANAGER"}, {"PRESIDENT"}}},
    {"select 1 from dual union all select 1 from dual", {{"1"}, {"1"}}},
    {"select deptno from dept minus select deptno from emp", {{"40"}}},
    {"select deptno from dept intersect select deptno from emp where job = 'PRESIDENT'", {{"10"}}},
    // ORDER BY column numbers: strings by bytes, numbers by value, NULLs last.
    {"select 'b' from dual union select 'B' from dual union select 'a' from dual union select 'B2' "
     "from dual order by 1",
     {{"B"}, {"B2"}, {"a"}, {"b"}}},
    {"select 10 from dual union select 9 from dual union select 100 from dual order by 1",
     {{"9"}, {"10"}, {"100"}}},
    {"select ename, comm from emp where deptno = 30 order by 2 desc, 1",
     {{"BLAKE", ""},
      {"JAMES", ""},
      {"MARTIN", "1400"},
      {"WARD", "500"},
      {"ALLEN", "300"},
      {"TURNER", "0"}}},
    {"select ename from emp where deptno = 20 order by hiredate",
     {{"SMITH"}, {"JONES"}, {"FORD"}, {"SCOTT"}, {"ADAMS"}}},
    // Aggregates and grouping.
    {"select deptno, count(*), sum(sal), min(ename), max(comm), count(comm) from emp group by "
     "deptno",
     {{"10", "3", "8750", "CLARK", "", "0"},
      {"20", "5", "10875", "ADAMS", "", "0"},
      {"30", "6", "9400", "ALLEN", "1400", "4"}}},
    {"select count(distinct job), avg(sal) from emp where deptno = 10",
     {{"3", "2916.66666666667"}}},
    {"select count(*) from bonus", {{"0"}}},
    // The hierarchical walk: depth first, siblings in the table's order.
    {"select lpad(' ', 2 * (level - 1))||ename, level from emp start with mgr is null connect by "
     "prior empno = mgr",
     {{"KING", "1"},
      {"  JONES", "2"},
      {"    SCOTT", "3"},
      {"      ADAMS", "4"},
      {"    FORD", "3"},
      {"      SMITH", "4"},
      {"  BLAKE", "2"},
      {"    ALLEN", "3"},
      {"    WARD", "3"},
      {"    MARTIN", "3"},
      {"    TURNER", "3"},
      {"    JAMES", "3"},
      {"  CLARK", "2"},
      {"    MILLER", "3"}}},
    {"select ename from emp where job = 'CLERK' start with empno = 7566 connect by prior empno = "
     "mgr",
     {{"ADAMS"}, {"SMITH"}}},
    {"select ename, prior ename from emp start with empno = 7788 connect by prior empno = mgr and "
     "level <= 2",
     {{"SCOTT", ""}, {"ADAMS", "SCOTT"}}},
    // Dictionary views and pseudo columns.
    {"select index_name, uniqueness, status, index_type from dba_indexes where table_name = 'EMP'",
     {{"PK_EMP", "UNIQUE", "VALID", "NORMAL"}}},
    {"select column_name, column_position from dba_ind_columns where index_name = "
     "'ORDERS_CUSTOMER'",
     {{"CUSTOMER_ID", "1"}, {"ORDER_DATE", "2"}}},
    {"select table_name from user_tables order by 1", {{"BONUS"}, {"DEPT"}, {"EMP"}, {"SALGRADE"}}},
    {"select user, rownum from dual", {{"SCOTT", "1"}}},
    {"select ename from emp where rownum <= 2", {{"SMITH"}, {"ALLEN"}}},
    {"/* a comment */ select -- and another\n dummy from sys.dual", {{"X"}}},
};

INSTANTIATE_TEST_SUITE_P(Queries, EngineQueryTest, ::testing::ValuesIn(kQueries));

struct ErrorCase {
  const char* user;
  const char* sql;
  int error;
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
  *os << c.sql;
}

class EngineErrorTest : public SimTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(EngineErrorTest, Raises) {
  EXPECT_EQ(Execute(GetParam().user, GetParam().sql), GetParam().error);
}

const ErrorCase kErrors[] = {
    {"scott", "select * from dba_indexes", 0},
    {"nodict", "select * from dba_indexes", 942},
    {"nodict", "select * from dba_ind_columns", 942},
    {"nodict", "select * from sys.dba_indexes", 942},
    {"nodict", "select * from dual", 0},
    {"scott", "select 1 + 'a' from dual", 1722},
    {"scott", "select 1 / 0 from dual", 1476},
    {"scott", "select 'a' || 'b' || 1 + 2 from dual", 1722},
    {"scott", "select to_char(sysdate, 'qq') from dual", 1821},
    {"scott", "select ename from emp where sal > (select sal from emp)", 1427},
    {"scott", "select level from dual", 1788},
    {"scott", "select e.ename from emp e, dept d start with 1 = 1 connect by prior e.empno = e.mgr",
     1437},
    {"scott", "select nosuch(1) from dual", 904},
    {"scott", "select lpad('a') from dual", 909},
    {"scott", "select ename from emp union select ename from emp order by sal", 1785},
    {"scott", "select distinct ename from emp order by sal", 1791},
    {"scott", "select ename from emp where (empno, ename) in (select empno from emp)", 947},
    {"scott", "select ename from emp where empno in (select empno, ename from emp)", 913},
    {"scott", "select * from emp where ename = 'KING", 1756},
    {"scott", "select * /* open comment from emp", 1742},
    {"scott", "create table level (a number)", 903},
    {"scott", "create table t (level number)", 904},
    {"scott", "create table t (a number, a date)", 957},
    {"scott", "create table t (a varchar2(4001))", 910},
    {"scott", "create table t (a whatever)", 902},
    {"scott", "create table emp (a number)", 955},
    {"scott", "create table nosuchuser.t (a number)", 1918},
    {"scott", "create index pk_emp on dept (loc)", 955},
    {"scott", "create index i on dept (deptno)", 1408},
    {"scott", "create unique index i on emp (deptno)", 1452},
    {"scott", "create index i on nosuch (a)", 942},
    {"scott", "drop index nosuch", 1418},
    {"scott", "insert into dept values (10, 'DUP', 'X')", 1},
    {"scott", "insert into dept values (50, 'A NAME MUCH TOO LONG', 'X')", 1401},
    {"scott", "insert into dept (dname) values ('NO KEY')", 1400},
    {"scott", "insert into dept values (50, 'X')", 947},
    {"scott", "update dept set deptno = 10", 1},
    {"scott", "delete from dba_indexes", 942},
    {"scott", "commit", 0},
    {"scott", "rollback work", 0},
};

INSTANTIATE_TEST_SUITE_P(Errors, EngineErrorTest, ::testing::ValuesIn(kErrors));

using EngineTest = SimTest;

TEST_F(EngineTest, ConnectByLoopIsAnError) {
  ASSERT_EQ(Execute("scott", "create table loop (id number, parent number)"), 0);
  ASSERT_EQ(Execute("scott", "insert into loop values (1, 2)"), 0);
  ASSERT_EQ(Execute("scott", "insert into loop values (2, 1)"), 0);
  EXPECT_EQ(Execute("scott", "select id from loop start with id = 1 connect by prior id = parent"),
            1436);
}

TEST_F(EngineTest, DmlChangesRowsAndFailedStatementsChangeNothing) {
  ASSERT_EQ(Execute("scott", "insert into dept (deptno, dname) values (50, 'SUPPORT')"), 0);
  ASSERT_EQ(Execute("scott",
                    "insert into bonus select ename, job, sal, comm from emp where "
                    "deptno = 10"),
            0);
  ASSERT_EQ(Execute("scott", "update dept set loc = lower(dname) where deptno >= 40"), 0);
  EXPECT_EQ(QueryRows("scott", "select deptno, loc from dept where deptno >= 40 order by 1"),
            (Rows{{"40", "operations"}, {"50", "support"}}));
  EXPECT_EQ(QueryRows("scott", "select count(*) from bonus"), (Rows{{"3"}}));
  EXPECT_EQ(Execute("scott", "update dept set deptno = 40 where deptno = 50"), 1);
  EXPECT_EQ(QueryRows("scott", "select deptno from dept where deptno >= 40 order by 1"),
            (Rows{{"40"}, {"50"}}));
  ASSERT_EQ(Execute("scott", "delete from dept where deptno = 50"), 0);
  EXPECT_EQ(QueryRows("scott", "select count(*) from dept"), (Rows{{"4"}}));
  Reset();
  EXPECT_EQ(QueryRows("scott", "select count(*) from bonus"), (Rows{{"0"}}));
}

TEST_F(EngineTest, NamesAreUpperCaseIdentifiersPerSchema) {
  ASSERT_EQ(Execute("shop", "create table Plan_Table (ID number)"), 0);
  EXPECT_EQ(QueryRows("shop", "select table_name from user_tables where table_name like 'PLAN%'"),
            (Rows{{"PLAN_TABLE"}}));
  EXPECT_EQ(Execute("scott", "select * from plan_table"), 942);
  EXPECT_EQ(Execute("scott", "select id from shop.PLAN_TABLE"), 0);
  EXPECT_EQ(Execute("scott", "select id from \"SHOP\".\"PLAN_TABLE\""), 0);
  EXPECT_EQ(Execute("scott", "select id from shop.\"plan_table\""), 942);
}

TEST_F(EngineTest, UsersCanBeAddedAndRemoved) {
  ASSERT_EQ(AddUser("tester", "Secret"), 0);
  SimSession session("TESTER/secret");
  EXPECT_EQ(session.logon, 0);
  ASSERT_EQ(AddTable("tester", "t", {{"a", "NUMBER"}}), 0);
  EXPECT_EQ(AddTable("tester", "T", {{"a", "NUMBER"}}), 955);
  EXPECT_EQ(AddTable("nobody", "t", {{"a", "NUMBER"}}), 1918);
  EXPECT_EQ(AddIndex("tester", "t_a", "nosuch", {"a"}, false), 942);
  EXPECT_EQ(AddIndex("tester", "t_a", "t", {"b"}, false), 904);
  EXPECT_EQ(session.Run("select a from t"), 0);
  ASSERT_EQ(RemoveUser("tester"), 0);
  EXPECT_EQ(RemoveUser("tester"), 1918);
  EXPECT_EQ(session.Run("select a from t"), 942);
  SimSession again("tester/secret");
  EXPECT_EQ(again.logon, 1017);
}

}  // namespace
}  // namespace kestrin::sim::testing
