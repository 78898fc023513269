// The statements the module sends, exactly as it sends them: the plan table's
// creation, EXPLAIN PLAN, the plan query, the index query, the clean-up.
#include <gtest/gtest.h>

#include "SimSession.h"

namespace kestrin::sim::testing {
namespace {

class ModuleQueriesTest : public SimTest {
 protected:
  void Explain(SimSession& session, const std::string& id, const std::string& statement) {
    ASSERT_EQ(session.logon, 0);
    if (session.Run("select * from plan_table") == 942) {
      ASSERT_EQ(session.Run(Format(kCreatePlanTable, {"plan_table"})), 0);
    }
    ASSERT_EQ(session.Run(Format(kDeletePlan, {"plan_table", id})), 0);
    ASSERT_EQ(session.Run(Format(kExplain, {id, "plan_table", statement})), 0);
  }

  static std::vector<std::string> PlanLines(SimSession& session, const std::string& id) {
    return session.Lines(Format(kPlanQuery, {"plan_table", id, id}));
  }

  static std::vector<std::string> Joined(const Fetched& f) {
    std::vector<std::string> out;
    for (const auto& row : f.rows) {
      out.push_back(row[0] + "|" + row[1] + "|" + row[2]);
    }
    return out;
  }
};

TEST_F(ModuleQueriesTest, PlanQueryLinesForAJoinWithIndexAccess) {
  SimSession session;
  Explain(session, "kestrin1",
          "select e.ename, d.dname from emp e, dept d where e.deptno = d.deptno and e.empno = "
          "7839");
  EXPECT_EQ(PlanLines(session, "kestrin1"), (std::vector<std::string>{
                                                "SELECT STATEMENT    Cost=4 Optimizer=CHOOSE",
                                                "  NESTED LOOPS   ",
                                                "    TABLE ACCESS BY INDEX ROWID EMP ",
                                                "      INDEX UNIQUE SCAN PK_EMP ",
                                                "    TABLE ACCESS BY INDEX ROWID DEPT ",
                                                "      INDEX UNIQUE SCAN PK_DEPT ",
                                            }));
}

TEST_F(ModuleQueriesTest, PlansStayUntilDeletedAndAreKeptApartByStatementId) {
  SimSession session;
  Explain(session, "a", "select * from emp");
  Explain(session, "b", "select * from dept where deptno = 10");
  EXPECT_EQ(PlanLines(session, "a").size(), 2u);
  EXPECT_EQ(PlanLines(session, "b").size(), 3u);
  EXPECT_TRUE(PlanLines(session, "A").empty());  // ids compare exactly
  ASSERT_EQ(session.Run(Format(kDeletePlan, {"plan_table", "a"})), 0);
  EXPECT_TRUE(PlanLines(session, "a").empty());
  EXPECT_EQ(PlanLines(session, "b").size(), 3u);
  ASSERT_EQ(session.Run(Format(kDropTable, {"plan_table"})), 0);
  EXPECT_EQ(session.Query(Format(kPlanQuery, {"plan_table", "b", "b"}), 1).error, 942);
}

TEST_F(ModuleQueriesTest, IndexQueryRowsInterleaveInByteOrder) {
  SimSession session;
  ASSERT_EQ(AddTable("scott", "emp2",
                     {{"empno", "NUMBER(4)"}, {"ename", "VARCHAR2(10)"}, {"deptno", "NUMBER(2)"}}),
            0);
  ASSERT_EQ(AddIndex("scott", "pk_emp2", "emp2", {"empno"}, true), 0);
  ASSERT_EQ(AddIndex("scott", "emp2_dept_ename", "emp2", {"deptno", "ename"}, false), 0);
  ASSERT_EQ(MarkIndexAnalyzed("scott", "emp2_dept_ename", SimDate{1999, 4, 1, 12, 30, 5}), 0);
  Explain(session, "k",
          "select e.ename from emp e, emp2 f where f.empno = e.empno and e.ename = 'KING'");
  const Fetched f = session.Query(IndexQuery("plan_table", "k", "Table"), 3);
  ASSERT_EQ(f.error, 0);
  EXPECT_EQ(Joined(f), (std::vector<std::string>{
                           "EMP|30001|Table SCOTT.EMP: ",
                           "EMP2|30001|Table SCOTT.EMP2: ",
                           "EMP2EMP2_DEPT_ENAME|1|EMP2_DEPT_ENAME: DEPTNO",
                           "EMP2EMP2_DEPT_ENAME|2|,ENAME",
                           "EMP2EMP2_DEPT_ENAME|30000| (NORMAL,NONUNIQUE,VALID,LAST ANALYZED "
                           "01/04/1999 12:30:05)",
                           "EMP2PK_EMP2|1|PK_EMP2: EMPNO",
                           "EMP2PK_EMP2|30000| (NORMAL,UNIQUE,VALID)",
                           "EMPPK_EMP|1|PK_EMP: EMPNO",
                           "EMPPK_EMP|30000| (NORMAL,UNIQUE,VALID)",
                       }));
}

TEST_F(ModuleQueriesTest, IndexQueryFindsTablesReadOnlyThroughAnIndex) {
  SimSession session("shop/shop");
  Explain(session, "x", "select count(*) from order_lines where order_id = 1001 and line_no = 1");
  EXPECT_EQ(PlanLines(session, "x"), (std::vector<std::string>{
                                         "SELECT STATEMENT    Cost=2 Optimizer=CHOOSE",
                                         "  SORT AGGREGATE  ",
                                         "    INDEX UNIQUE SCAN PK_ORDER_LINES ",
                                     }));
  const Fetched f = session.Query(IndexQuery("plan_table", "x", "Tabelle d''Auftrag"), 3);
  ASSERT_EQ(f.error, 0);
  EXPECT_EQ(Joined(f), (std::vector<std::string>{
                           "ORDER_LINES|30001|Tabelle d'Auftrag SHOP.ORDER_LINES: ",
                           "ORDER_LINESORDER_LINES_PRODUCT|1|ORDER_LINES_PRODUCT: PRODUCT_CODE",
                           "ORDER_LINESORDER_LINES_PRODUCT|2|,ORDER_ID",
                           "ORDER_LINESORDER_LINES_PRODUCT|3|,QUANTITY",
                           "ORDER_LINESORDER_LINES_PRODUCT|30000| (NORMAL,NONUNIQUE,VALID)",
                           "ORDER_LINESPK_ORDER_LINES|1|PK_ORDER_LINES: ORDER_ID",
                           "ORDER_LINESPK_ORDER_LINES|2|,LINE_NO",
                           "ORDER_LINESPK_ORDER_LINES|30000| (NORMAL,UNIQUE,VALID)",
                       }));
}

TEST_F(ModuleQueriesTest, AnalyzedIndexShowsInThePlanAndTheIndexQuery) {
  SimSession session("shop/shop");
  Explain(session, "o", "select * from orders where customer_id = 4");
  EXPECT_EQ(PlanLines(session, "o"), (std::vector<std::string>{
                                         "SELECT STATEMENT    Cost=3 Optimizer=CHOOSE",
                                         "  TABLE ACCESS BY INDEX ROWID ORDERS ",
                                         "    INDEX RANGE SCAN ORDERS_CUSTOMER ",
                                     }));
  const Fetched f = session.Query(IndexQuery("plan_table", "o", "Table"), 3);
  ASSERT_EQ(f.error, 0);
  ASSERT_EQ(f.rows.size(), 8u);
  EXPECT_EQ(Joined(f)[3],
            "ORDERSORDERS_CUSTOMER|30000| (NORMAL,NONUNIQUE,VALID,LAST ANALYZED 14/03/1998 "
            "09:26:53)");
}

TEST_F(ModuleQueriesTest, UserWithoutDictionaryAccessGets942OnTheIndexQuery) {
  SimSession session("nodict/nodict");
  Explain(session, "n", "select name from items where item_id = 2");
  EXPECT_EQ(PlanLines(session, "n").size(), 3u);
  EXPECT_EQ(session.Query(IndexQuery("plan_table", "n", "Table"), 3).error, 942);
  EXPECT_EQ(session.Query(Format(kTablesQuery, {"plan_table", "n", "plan_table", "n"}), 2).error,
            942);
  // The same query works once access is granted, and fails again when revoked.
  ASSERT_EQ(SetDictionaryAccess("nodict", true), 0);
  EXPECT_EQ(session.Query(IndexQuery("plan_table", "n", "Table"), 3).error, 0);
  ASSERT_EQ(RevokeDictionaryAccess("nodict"), 0);
  EXPECT_EQ(session.Query(IndexQuery("plan_table", "n", "Table"), 3).error, 942);
}

TEST_F(ModuleQueriesTest, PlanOverrideIsStoredAsGiven) {
  SimSession session;
  SetPlanOverride({
      {"SELECT STATEMENT", "", "", "", 0, std::nullopt, 17, "CHOOSE"},
      {"FILTER", "", "", "", 1, 0, 1, ""},
      {"TABLE ACCESS", "FULL", "SCOTT", "EMP", 2, 1, 1, "ANALYZED"},
      {"TABLE ACCESS", "CLUSTER", "SYS", "OBJ$", 3, 1, 2, ""},
  });
  Explain(session, "ov", "select * from nosuch_table_at_all");
  EXPECT_EQ(PlanLines(session, "ov"), (std::vector<std::string>{
                                          "SELECT STATEMENT    Cost=17 Optimizer=CHOOSE",
                                          "  FILTER   ",
                                          "    TABLE ACCESS FULL EMP ",
                                          "    TABLE ACCESS CLUSTER OBJ$ ",
                                      }));
  // Only the next EXPLAIN PLAN takes it.
  EXPECT_EQ(session.Run(Format(kExplain, {"ov2", "plan_table", "select * from nosuch"})), 942);
}

TEST_F(ModuleQueriesTest, ExplainErrors) {
  SimSession session;
  struct Case {
    const char* statement;
    int error;
  };
  EXPECT_EQ(session.Run(Format(kExplain, {"e", "plan_table", "select * from emp"})), 942);
  ASSERT_EQ(session.Run(Format(kCreatePlanTable, {"plan_table"})), 0);
  const Case cases[] = {
      {"select * from nosuch", 942},
      {"select nosuch from emp", 904},
      {"select e.ename from emp e, dept d where deptno = 10", 918},
      {"select * from emp where", 936},
      {"select * emp", 923},
      {"select * from emp emp2 emp3", 933},
      {"frobnicate the database", 900},
      {"create table x (a number)", 900},
      {"select * from shop.orders where nosuch = 1", 904},
      {"select * from shop.nosuch", 942},
      {"select * from dba_indexes", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(session.Run(Format(kExplain, {"e", "plan_table", c.statement})), c.error)
        << c.statement;
  }
  ASSERT_EQ(session.Run("create table small_plan (id number, statement_id varchar2(30))"), 0);
  EXPECT_EQ(session.Run(Format(kExplain, {"e", "small_plan", "select * from emp"})), 904);
}

}  // namespace
}  // namespace kestrin::sim::testing
