#include "plan/SqlTemplates.h"

#include <gtest/gtest.h>

#include "plan/PlanFixture.h"

namespace kestrin::test {
namespace {

// The texts Oracle receives, written out in full with plan_table, the
// statement identifier of 4 July 1999, 09:05:03.007, the statement
// "select * from emp" and the table word "Table" filled in.
const char kCreate[] =
    "CREATE TABLE plan_table(statement_id     VARCHAR2(30),timestamp        DATE,remarks     "
    "     VARCHAR2(80),operation        VARCHAR2(30),options          VARCHAR2(30),"
    "object_node      VARCHAR2(128),object_owner     VARCHAR2(30),object_name      "
    "VARCHAR2(30),object_instance  NUMERIC,object_type      VARCHAR2(30),optimizer        "
    "VARCHAR2(255),search_columns   NUMERIC,id               NUMERIC,parent_id        "
    "NUMERIC,position         NUMERIC,cost             NUMERIC,cardinality      NUMERIC,"
    "bytes            NUMERIC,other_tag        VARCHAR2(255),other            LONG)";

const char kDelete[] = "delete from plan_table where statement_id = 'FARKESTRIN19990704090503007'";

const char kExplain[] =
    "explain plan set statement_id='FARKESTRIN19990704090503007' into plan_table for select "
    "* from emp";

const char kGetPlan[] =
    "SELECT lpad(' ',2*(level-1))||operation||' '||options||' '||object_name||' '|| "
    "decode(id,0,decode(position,null,'',' Cost='||position) || decode(optimizer,null,'',' "
    "Optimizer='||optimizer)) FROM plan_table START WITH id = 0 and "
    "statement_id='FARKESTRIN19990704090503007' CONNECT BY prior id = parent_id and "
    "statement_id='FARKESTRIN19990704090503007'";

const char kGetIndexes[] =
    "select table_name||index_name,column_position,decode(column_position,1,index_name||': ',"
    "',')||column_name from dba_ind_columns where (table_name,table_owner) in (select "
    "object_name,object_owner from plan_table where "
    "statement_id='FARKESTRIN19990704090503007' and operation='TABLE ACCESS' union select "
    "table_name,table_owner from dba_indexes where (index_name,owner) in (select distinct "
    "object_name,object_owner from plan_table where "
    "statement_id='FARKESTRIN19990704090503007' and operation='INDEX')) union select "
    "table_name||index_name,30000,' ('||index_type||','||uniqueness||',"
    "'||status||decode(last_analyzed,null,'',',LAST ANALYZED '||to_char(last_analyzed,"
    "'dd/mm/yyyy hh24:mi:ss'))||')' from dba_indexes where (table_name,table_owner) in "
    "(select object_name,object_owner from plan_table where "
    "statement_id='FARKESTRIN19990704090503007' and operation='TABLE ACCESS' union select "
    "table_name,table_owner from dba_indexes where (index_name,owner) in (select distinct "
    "object_name,object_owner from plan_table where "
    "statement_id='FARKESTRIN19990704090503007' and operation='INDEX')) union /* copy from "
    "sql_get_tables */select object_name,30001,'Table '||object_owner||'.'||object_name||': "
    "' from plan_table where statement_id='FARKESTRIN19990704090503007' and operation='TABLE "
    "ACCESS' union select table_name,30001,'Table '||table_owner||'.'||table_name||': ' from "
    "dba_indexes where (index_name,owner) in (select distinct object_name,object_owner from "
    "plan_table where statement_id='FARKESTRIN19990704090503007' and operation='INDEX') "
    "order by 1,2";

const char kDrop[] = "drop table plan_table";

class SqlTemplatesTest : public PlanFixture {};

TEST_F(SqlTemplatesTest, EveryStatementReachesOracleExactlyAsWritten) {
  // An existing table (ORA-00955) gives the create, the delete and the
  // explain; the report gives both queries; the confirmed drop the last.
  oci.Fail("oexec", 1, 955);
  t.State().DropAfterUse = 1;
  t.host.boxAnswers.push_back(1);
  ASSERT_EQ(PlanRun(*t.module, flags), PlanOutcome::Report);
  WriteReport(*t.module, flags);
  CleanUpPlanTable(*t.module, flags);

  EXPECT_EQ(oci.Parsed(), (Texts{kCreate, kDelete, kExplain, kGetPlan, kGetIndexes, kDrop}));
}

TEST_F(SqlTemplatesTest, EachTemplateHoldsOnlyItsArgumentMarkers) {
  struct Case {
    const char* text;
    int markers;
  };
  for (const Case c : {Case{sql_create_table, 1}, Case{sql_delete_plan, 2},
                       Case{sql_explain_plan, 3}, Case{sql_drop_table, 1}, Case{sql_get_plan, 3},
                       Case{sql_get_tables, 4}, Case{sql_get_indexes, 8}}) {
    const std::string text = c.text;
    int markers = 0;
    for (std::size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 1)) {
      EXPECT_EQ(text.substr(at, 2), "%s") << text;
      ++markers;
    }
    EXPECT_EQ(markers, c.markers) << text;
  }
}

}  // namespace
}  // namespace kestrin::test
