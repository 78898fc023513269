// The rule-based planner behind EXPLAIN PLAN: access paths, joins, sorts,
// DML, and the errors a statement can raise.
#include <gtest/gtest.h>

#include "SimSession.h"

namespace kestrin::sim::testing {
namespace {

// Explains a statement as the user; gives the plan as an indented tree.
std::vector<std::string> PlanTree(const std::string& user, const std::string& statement,
                                  int* error = nullptr) {
  const std::string who = user;
  if (Execute(who, "select * from plan_table") == 942) {
    EXPECT_EQ(Execute(who, Format(kCreatePlanTable, {"plan_table"})), 0);
  }
  EXPECT_EQ(Execute(who, "delete from plan_table"), 0);
  const int rc = Execute(who, "explain plan for " + statement);
  if (error != nullptr) {
    *error = rc;
  } else {
    EXPECT_EQ(rc, 0) << statement;
  }
  std::vector<std::string> lines;
  for (const auto& row :
       QueryRows(who,
                 "select lpad(' ',2*(level-1))||operation||decode(options,null,'',' '||options)"
                 "||decode(object_name,null,'',' '||object_name) from plan_table "
                 "start with id = 0 connect by prior id = parent_id")) {
    lines.push_back(row[0]);
  }
  return lines;
}

struct PlanCase {
  const char* name;
  const char* user;
  const char* statement;
  std::vector<std::string> tree;
};

void PrintTo(const PlanCase& c, std::ostream* os) {
  *os << c.statement;
}

class PlannerTest : public SimTest, public ::testing::WithParamInterface<PlanCase> {};

TEST_P(PlannerTest, ChoosesThePlan) {
  const PlanCase& c = GetParam();
  EXPECT_EQ(PlanTree(c.user, c.statement), c.tree) << c.statement;
  // The same statement always gets the same plan.
  EXPECT_EQ(PlanTree(c.user, c.statement), c.tree) << c.statement;
}

const PlanCase kPlanCases[] = {
    {"UniqueScan",
     "scott",
     "select ename from emp where empno = 7839",
     {"SELECT STATEMENT", "  TABLE ACCESS BY INDEX ROWID EMP", "    INDEX UNIQUE SCAN PK_EMP"}},
    {"UniqueScanOnly",
     "scott",
     "select count(*) from emp where 7839 = empno",
     {"SELECT STATEMENT", "  SORT AGGREGATE", "    INDEX UNIQUE SCAN PK_EMP"}},
    {"RangeScanOnARangePredicate",
     "scott",
     "select ename from emp where empno > 7800",
     {"SELECT STATEMENT", "  TABLE ACCESS BY INDEX ROWID EMP", "    INDEX RANGE SCAN PK_EMP"}},
    {"RangeScanBetween",
     "scott",
     "select * from emp where empno between 7000 and 7500",
     {"SELECT STATEMENT", "  TABLE ACCESS BY INDEX ROWID EMP", "    INDEX RANGE SCAN PK_EMP"}},
    {"RangeScanOnANonUniquePrefix",
     "shop",
     "select * from orders where customer_id = 1",
     {"SELECT STATEMENT", "  TABLE ACCESS BY INDEX ROWID ORDERS",
      "    INDEX RANGE SCAN ORDERS_CUSTOMER"}},
    {"RangeScanOfAThreeColumnIndexAlone",
     "shop",
     "select quantity from order_lines where product_code = 'HOOK-S' and order_id = 1001",
     {"SELECT STATEMENT", "  INDEX RANGE SCAN ORDER_LINES_PRODUCT"}},
    {"PartialPrimaryKeyIsARangeScan",
     "shop",
     "select price from order_lines where order_id = 1001",
     {"SELECT STATEMENT", "  TABLE ACCESS BY INDEX ROWID ORDER_LINES",
      "    INDEX RANGE SCAN PK_ORDER_LINES"}},
    {"FullScanWithoutAUsableIndex",
     "scott",
     "select * from emp where ename = 'KING' or empno = 1",
     {"SELECT STATEMENT", "  TABLE ACCESS FULL EMP"}},
    {"FullScanOfATableWithoutIndexes",
     "shop",
     "select carrier from delivery_notes where order_id = 1001",
     {"SELECT STATEMENT", "  TABLE ACCESS FULL DELIVERY_NOTES"}},
    {"FullScanWhenTheLeadingColumnIsNotGiven",
     "shop",
     "select * from customers where city = 'Lyon'",
     {"SELECT STATEMENT", "  TABLE ACCESS FULL CUSTOMERS"}},
    {"JoinProbesThePrimaryKey",
     "scott",
     "select e.ename, d.dname from emp e, dept d where e.deptno = d.deptno",
     {"SELECT STATEMENT", "  NESTED LOOPS", "    TABLE ACCESS FULL EMP",
      "    TABLE ACCESS BY INDEX ROWID DEPT", "      INDEX UNIQUE SCAN PK_DEPT"}},
    {"ThreeTableJoin",
     "shop",
     "select c.name, l.product_code from customers c, orders o, order_lines l "
     "where o.order_id = 1001 and c.customer_id = o.customer_id and l.order_id = o.order_id",
     {"SELECT STATEMENT", "  NESTED LOOPS", "    NESTED LOOPS",
      "      TABLE ACCESS BY INDEX ROWID ORDERS", "        INDEX UNIQUE SCAN PK_ORDERS",
      "      TABLE ACCESS BY INDEX ROWID CUSTOMERS", "        INDEX UNIQUE SCAN PK_CUSTOMERS",
      "    TABLE ACCESS BY INDEX ROWID ORDER_LINES", "      INDEX RANGE SCAN PK_ORDER_LINES"}},
    {"OrderBy",
     "scott",
     "select ename from emp order by ename desc",
     {"SELECT STATEMENT", "  SORT ORDER BY", "    TABLE ACCESS FULL EMP"}},
    {"GroupBy",
     "scott",
     "select deptno, count(*), max(sal) from emp group by deptno having count(*) > 2",
     {"SELECT STATEMENT", "  FILTER", "    SORT GROUP BY", "      TABLE ACCESS FULL EMP"}},
    {"Distinct",
     "scott",
     "select distinct job from emp",
     {"SELECT STATEMENT", "  SORT UNIQUE", "    TABLE ACCESS FULL EMP"}},
    {"Union",
     "scott",
     "select ename from emp union select dname from dept",
     {"SELECT STATEMENT", "  SORT UNIQUE", "    UNION-ALL", "      TABLE ACCESS FULL EMP",
      "      TABLE ACCESS FULL DEPT"}},
    {"Subquery",
     "scott",
     "select ename from emp where deptno in (select deptno from dept where loc = 'DALLAS')",
     {"SELECT STATEMENT", "  FILTER", "    TABLE ACCESS FULL EMP", "    TABLE ACCESS FULL DEPT"}},
    {"ConnectBy",
     "scott",
     "select ename from emp start with mgr is null connect by prior empno = mgr",
     {"SELECT STATEMENT", "  CONNECT BY", "    TABLE ACCESS FULL EMP",
      "    TABLE ACCESS BY USER ROWID EMP", "    TABLE ACCESS FULL EMP"}},
    {"QualifiedNameAndAlias",
     "scott",
     "select o.status from shop.orders o where o.order_id = 1001",
     {"SELECT STATEMENT", "  TABLE ACCESS BY INDEX ROWID ORDERS",
      "    INDEX UNIQUE SCAN PK_ORDERS"}},
    {"Insert",
     "scott",
     "insert into bonus values ('KING', 'PRESIDENT', 5000, 0)",
     {"INSERT STATEMENT"}},
    {"InsertSelect",
     "scott",
     "insert into bonus select ename, job, sal, comm from emp where empno = 7839",
     {"INSERT STATEMENT", "  TABLE ACCESS BY INDEX ROWID EMP", "    INDEX UNIQUE SCAN PK_EMP"}},
    {"Update",
     "scott",
     "update emp set sal = sal * 1.1 where deptno = 10",
     {"UPDATE STATEMENT", "  UPDATE EMP", "    TABLE ACCESS FULL EMP"}},
    {"UpdateByKey",
     "scott",
     "update emp e set e.sal = 0 where e.empno = 7369",
     {"UPDATE STATEMENT", "  UPDATE EMP", "    INDEX UNIQUE SCAN PK_EMP"}},
    {"Delete",
     "scott",
     "delete from emp where empno = 7369",
     {"DELETE STATEMENT", "  DELETE EMP", "    INDEX UNIQUE SCAN PK_EMP"}},
    {"DeleteAll",
     "scott",
     "delete emp",
     {"DELETE STATEMENT", "  DELETE EMP", "    TABLE ACCESS FULL EMP"}},
};

INSTANTIATE_TEST_SUITE_P(Plans, PlannerTest, ::testing::ValuesIn(kPlanCases),
                         [](const auto& info) { return std::string(info.param.name); });

using PlanRowsTest = SimTest;

TEST_F(PlanRowsTest, RowsCarryIdsPositionsOwnersAndOptimizer) {
  PlanTree("scott",
           "select e.ename, o.status from emp e, shop.orders o "
           "where o.order_id = e.empno and e.empno = 7839");
  EXPECT_EQ(QueryRows("scott",
                      "select id, parent_id, position, operation, options, object_owner, "
                      "object_name, object_type, optimizer, object_instance from plan_table "
                      "order by id"),
            (std::vector<std::vector<std::string>>{
                {"0", "", "4", "SELECT STATEMENT", "", "", "", "", "CHOOSE", ""},
                {"1", "0", "1", "NESTED LOOPS", "", "", "", "", "", ""},
                {"2", "1", "1", "TABLE ACCESS", "BY INDEX ROWID", "SCOTT", "EMP", "", "", "1"},
                {"3", "2", "1", "INDEX", "UNIQUE SCAN", "SCOTT", "PK_EMP", "UNIQUE", "", ""},
                {"4", "1", "2", "TABLE ACCESS", "BY INDEX ROWID", "SHOP", "ORDERS", "", "", "2"},
                {"5", "4", "1", "INDEX", "UNIQUE SCAN", "SHOP", "PK_ORDERS", "UNIQUE", "", ""},
            }));
}

TEST_F(PlanRowsTest, AnalyzedObjectsAreMarked) {
  PlanTree("shop", "select status from orders where customer_id = 2");
  EXPECT_EQ(QueryRows("shop", "select id, optimizer, object_type from plan_table order by id"),
            (std::vector<std::vector<std::string>>{
                {"0", "CHOOSE", ""}, {"1", "", ""}, {"2", "ANALYZED", "NON-UNIQUE"}}));
}

TEST_F(PlanRowsTest, ErrorsStoreNoRows) {
  struct Case {
    const char* statement;
    int error;
  };
  const Case cases[] = {
      {"select * from no_such_table", 942},
      {"select * from scott.orders", 942},
      {"select salary from emp", 904},
      {"select e.nosuch from emp e", 904},
      {"select x.ename from emp e", 904},
      {"update emp set nosuch = 1", 904},
      {"insert into emp (nosuch) values (1)", 904},
      {"insert into emp (empno) values (1, 2)", 913},
      {"delete from nosuch", 942},
      {"select deptno from emp e, dept d", 918},
      {"select ename, count(*) from emp", 937},
      {"select ename, count(*) from emp group by deptno", 979},
      {"select * from emp where count(*) > 1", 934},
      {"select * frm emp", 923},
      {"select from emp", 936},
      {"select * from emp where empno = = 1", 936},
      {"select * from emp where (empno = 1", 907},
      {"select * from emp order", 905},
      {"select 'x from emp", 1756},
      {"select * from emp ;", 911},
      {"select ename from emp union select empno from emp", 1790},
      {"select ename from emp union select ename, job from emp", 1789},
      {"drop table emp", 900},
  };
  for (const Case& c : cases) {
    int error = 0;
    EXPECT_TRUE(PlanTree("scott", c.statement, &error).empty()) << c.statement;
    EXPECT_EQ(error, c.error) << c.statement;
  }
}

TEST_F(PlanRowsTest, TablesCreatedLaterArePlannedWithTheirIndexes) {
  ASSERT_EQ(Execute("scott",
                    "create table projects (id number primary key, name varchar2(20), "
                    "lead number)"),
            0);
  ASSERT_EQ(Execute("scott", "create index projects_lead on projects (lead, name)"), 0);
  EXPECT_EQ(PlanTree("scott", "select name from projects where lead = 7839"),
            (std::vector<std::string>{"SELECT STATEMENT", "  INDEX RANGE SCAN PROJECTS_LEAD"}));
  EXPECT_EQ(PlanTree("scott", "select lead from projects where id = 1"),
            (std::vector<std::string>{"SELECT STATEMENT", "  TABLE ACCESS BY INDEX ROWID PROJECTS",
                                      "    INDEX UNIQUE SCAN SYS_C0001001"}));
}

}  // namespace
}  // namespace kestrin::sim::testing
