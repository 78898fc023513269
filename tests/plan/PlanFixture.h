// The plan stages' test bench: a module over the fake host, the fake platform
// and a scripted client library, left as the session stage leaves it (logged
// on, the connecting note under a snapshot), with the captured statement in
// place and the default plan settings.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fakes/FakeOci.h"
#include "plan/PlanRun.h"
#include "plan/Report.h"
#include "plugin/TestModule.h"

namespace kestrin::test {

using Texts = std::vector<std::string>;

class PlanFixture : public ::testing::Test {
 protected:
  FakeOci oci;
  TestModule t{&oci.Calls()};
  std::uint32_t flags = 0;

  void SetUp() override {
    RunState& s = t.State();
    SetText(s.User, "scott");
    SetText(s.PlanTable, "plan_table");
    s.BuildIfNotExist = 1;
    s.DropAfterUse = 0;
    SetText(s.ConnectString, "scott/tiger");
    SetText(s.CurrentConnection, "scott/tiger");
    SetStatement("select * from emp", "select *\nfrom emp");
    s.SavedScreen = t.host.Record().SaveScreen(0, 0, -1, -1);
    t.host.ClearCalls();
  }

  void SetStatement(const std::string& statement, const std::string& echo) {
    SetText(t.State().StatementBuffer, statement);
    SetText(t.State().EchoBuffer, echo);
  }

  // The Oracle error box as every failure of the plan stages shows it.
  Texts OracleErrorBox(const std::string& line) const {
    return {t.host.Msg(33), "", t.host.Msg(15), line, "", "\x01", t.host.Msg(0)};
  }

  // The boxes with buttons, in order (the progress notes left out).
  std::vector<HostCall> Questions() const {
    std::vector<HostCall> out;
    for (const HostCall& box : t.host.Boxes()) {
      if (box.buttons > 0)
        out.push_back(box);
    }
    return out;
  }

  // The host calls other than message lookups, by kind, in order.
  std::vector<HostCall::Kind> Kinds() const {
    std::vector<HostCall::Kind> out;
    for (const HostCall& call : t.host.calls) {
      if (call.kind != HostCall::GetMsg)
        out.push_back(call.kind);
    }
    return out;
  }

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }
};

}  // namespace kestrin::test
