// The SQL the plan stages send to Oracle, each text defined here once. Every
// template is filled by replacing its %s markers in order (TextWriter's
// AppendPattern); none holds another conversion. The plan table's name, the
// statement identifier and the captured statement go in unchanged: the dialog
// keeps apostrophes and blanks out of the table name, the identifier is
// letters and digits, and the statement is the user's own SQL.
#pragma once

namespace kestrin {

// The plan table, twenty columns. Argument: the plan table.
inline constexpr char sql_create_table[] =
    "CREATE TABLE %s(statement_id     VARCHAR2(30),timestamp        DATE,remarks          "
    "VARCHAR2(80),operation        VARCHAR2(30),options          VARCHAR2(30),object_node    "
    "  VARCHAR2(128),object_owner     VARCHAR2(30),object_name      VARCHAR2(30),"
    "object_instance  NUMERIC,object_type      VARCHAR2(30),optimizer        VARCHAR2(255),"
    "search_columns   NUMERIC,id               NUMERIC,parent_id        NUMERIC,position     "
    "    NUMERIC,cost             NUMERIC,cardinality      NUMERIC,bytes            NUMERIC,"
    "other_tag        VARCHAR2(255),other            LONG)";

// Removes the rows stored under one statement identifier. Arguments: the
// plan table, the statement identifier.
inline constexpr char sql_delete_plan[] = "delete from %s where statement_id = '%s'";

// Stores the plan of a statement. Arguments: the statement identifier, the
// plan table, the statement.
inline constexpr char sql_explain_plan[] = "explain plan set statement_id='%s' into %s for %s";

// Argument: the plan table.
inline constexpr char sql_drop_table[] = "drop table %s";

// The plan as an indented tree walked from the root (id 0), one text column
// per step; cost and optimizer on the root only. Arguments: the plan table,
// the statement identifier twice.
inline constexpr char sql_get_plan[] =
    "SELECT lpad(' ',2*(level-1))||operation||' '||options||' '||object_name||' '|| "
    "decode(id,0,decode(position,null,'',' Cost='||position) || decode(optimizer,null,'',' "
    "Optimizer='||optimizer)) FROM %s START WITH id = 0 and statement_id='%s' CONNECT BY "
    "prior id = parent_id and statement_id='%s'";

// The tables the plan reads, directly or through one of their indexes, as
// (name, owner). Never run alone: it is the sub-query of sql_get_indexes.
// Arguments: the plan table, the statement identifier, the plan table, the
// statement identifier.
inline constexpr char sql_get_tables[] =
    "select object_name,object_owner from %s where statement_id='%s' and operation='TABLE "
    "ACCESS' union select table_name,table_owner from dba_indexes where (index_name,owner) "
    "in (select distinct object_name,object_owner from %s where statement_id='%s' and "
    "operation='INDEX')";

// The index report: rows of (sort key, position, text piece) for every index
// column (positions 1, 2, ...), every index description (30000) and every
// table heading (30001), in the order the report is written. Arguments: the
// formatted sql_get_tables twice, the table word (apostrophes doubled), the
// plan table, the statement identifier, the table word, the plan table, the
// statement identifier.
inline constexpr char sql_get_indexes[] =
    "select table_name||index_name,column_position,decode(column_position,1,index_name||': ',"
    "',')||column_name from dba_ind_columns where (table_name,table_owner) in (%s) union "
    "select table_name||index_name,30000,' ('||index_type||','||uniqueness||',"
    "'||status||decode(last_analyzed,null,'',',LAST ANALYZED '||to_char(last_analyzed,"
    "'dd/mm/yyyy hh24:mi:ss'))||')' from dba_indexes where (table_name,table_owner) in (%s) "
    "union /* copy from sql_get_tables */select object_name,30001,'%s "
    "'||object_owner||'.'||object_name||': ' from %s where statement_id='%s' and "
    "operation='TABLE ACCESS' union select table_name,30001,'%s "
    "'||table_owner||'.'||table_name||': ' from dba_indexes where (index_name,owner) in "
    "(select distinct object_name,object_owner from %s where statement_id='%s' and "
    "operation='INDEX') order by 1,2";

}  // namespace kestrin
