// Drives the simulator through its call table the way the module does: a
// logon, cursors, deferred parses, string defines.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "OracleSim.h"

namespace kestrin::sim::testing {

inline const OciCalls& Oci() {
  return SimCalls();
}

struct Fetched {
  int error = 0;  // the first failing call's result, 0 when all went well
  std::vector<std::vector<std::string>> rows;
};

class SimSession {
 public:
  explicit SimSession(const std::string& connect = "scott/tiger") {
    logon = Oci().olog(&lda, &hda, connect.c_str(), -1, nullptr, -1, nullptr, -1, 0);
  }
  ~SimSession() {
    if (logon == 0) {
      Oci().ologof(&lda);
    }
  }
  SimSession(const SimSession&) = delete;
  SimSession& operator=(const SimSession&) = delete;

  // Runs a statement on a fresh cursor; 0 or the error of the failing call.
  int Run(std::string_view sql) {
    CursorArea cda{};
    int rc = Oci().oopen(&cda, &lda, nullptr, -1, -1, nullptr, -1);
    if (rc == 0) {
      const std::string text(sql);
      rc = Oci().oparse(&cda, text.c_str(), -1, 1, 1);
      if (rc == 0) {
        rc = Oci().oexec(&cda);
      }
      Oci().oclose(&cda);
    }
    return rc;
  }

  // Runs a query and fetches `columns` columns as strings.
  Fetched Query(std::string_view sql, int columns, int width = 512) {
    Fetched out;
    CursorArea cda{};
    out.error = Oci().oopen(&cda, &lda, nullptr, -1, -1, nullptr, -1);
    if (out.error != 0) {
      return out;
    }
    const std::string text(sql);
    std::vector<std::vector<char>> buffers(static_cast<std::size_t>(columns),
                                           std::vector<char>(static_cast<std::size_t>(width)));
    out.error = Oci().oparse(&cda, text.c_str(), -1, 1, 1);
    for (int i = 0; i < columns && out.error == 0; ++i) {
      out.error = Oci().odefin(&cda, i + 1, buffers[static_cast<std::size_t>(i)].data(), width,
                               kExtTypeString, -1, nullptr, nullptr, -1, -1, nullptr, nullptr);
    }
    if (out.error == 0) {
      out.error = Oci().oexec(&cda);
    }
    while (out.error == 0) {
      const int rc = Oci().ofetch(&cda);
      if (rc == kFetchNoMore) {
        break;
      }
      if (rc != 0) {
        out.error = rc;
        break;
      }
      std::vector<std::string> row;
      for (const auto& b : buffers) {
        row.emplace_back(b.data());
      }
      out.rows.push_back(std::move(row));
    }
    Oci().oclose(&cda);
    return out;
  }

  // The first column of every row.
  std::vector<std::string> Lines(std::string_view sql) {
    Fetched f = Query(sql, 1);
    EXPECT_EQ(f.error, 0) << sql;
    std::vector<std::string> lines;
    for (auto& row : f.rows) {
      lines.push_back(std::move(row[0]));
    }
    return lines;
  }

  int logon = -1;
  LogonArea lda{};
  HostDataArea hda{};
};

class SimTest : public ::testing::Test {
 protected:
  SimTest() { Reset(); }
  void TearDown() override { Reset(); }
};

// The statements the module sends, with its printf templates filled in.
inline std::string Format(const char* tmpl, std::initializer_list<std::string> args) {
  std::string out;
  auto arg = args.begin();
  for (const char* p = tmpl; *p != '\0'; ++p) {
    if (p[0] == '%' && p[1] == 's' && arg != args.end()) {
      out += *arg++;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

inline constexpr const char* kCreatePlanTable =
    "CREATE TABLE %s(statement_id     VARCHAR2(30),timestamp        DATE,remarks          "
    "VARCHAR2(80),operation        VARCHAR2(30),options          VARCHAR2(30),object_node      "
    "VARCHAR2(128),object_owner     VARCHAR2(30),object_name      VARCHAR2(30),object_instance  "
    "NUMERIC,object_type      VARCHAR2(30),optimizer        VARCHAR2(255),search_columns   "
    "NUMERIC,id               NUMERIC,parent_id        NUMERIC,position         NUMERIC,cost     "
    "        NUMERIC,cardinality      NUMERIC,bytes            NUMERIC,other_tag        "
    "VARCHAR2(255),other            LONG)";
inline constexpr const char* kDeletePlan = "delete from %s where statement_id = '%s'";
inline constexpr const char* kExplain = "explain plan set statement_id='%s' into %s for %s";
inline constexpr const char* kDropTable = "drop table %s";
inline constexpr const char* kPlanQuery =
    "SELECT lpad(' ',2*(level-1))||operation||' '||options||' '||object_name||' '|| "
    "decode(id,0,decode(position,null,'',' Cost='||position) || "
    "decode(optimizer,null,'',' Optimizer='||optimizer)) FROM %s START WITH id = 0 and "
    "statement_id='%s' CONNECT BY prior id = parent_id and statement_id='%s'";
inline constexpr const char* kTablesQuery =
    "select object_name,object_owner from %s where statement_id='%s' and operation='TABLE "
    "ACCESS' union select table_name,table_owner from dba_indexes where (index_name,owner) in "
    "(select distinct object_name,object_owner from %s where statement_id='%s' and "
    "operation='INDEX')";
inline constexpr const char* kIndexQuery =
    "select table_name||index_name,column_position,decode(column_position,1,index_name||': "
    "',',')||column_name from dba_ind_columns where (table_name,table_owner) in (%s) union "
    "select table_name||index_name,30000,' "
    "('||index_type||','||uniqueness||','||status||decode(last_analyzed,null,'',',LAST ANALYZED "
    "'||to_char(last_analyzed,'dd/mm/yyyy hh24:mi:ss'))||')' from dba_indexes where "
    "(table_name,table_owner) in (%s) union /* copy from sql_get_tables */select "
    "object_name,30001,'%s '||object_owner||'.'||object_name||': ' from %s where "
    "statement_id='%s' and operation='TABLE ACCESS' union select table_name,30001,'%s "
    "'||table_owner||'.'||table_name||': ' from dba_indexes where (index_name,owner) in (select "
    "distinct object_name,object_owner from %s where statement_id='%s' and operation='INDEX') "
    "order by 1,2";

inline std::string IndexQuery(const std::string& table, const std::string& id,
                              const std::string& word) {
  const std::string t = Format(kTablesQuery, {table, id, table, id});
  return Format(kIndexQuery, {t, t, word, table, id, word, table, id});
}

}  // namespace kestrin::sim::testing
