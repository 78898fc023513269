// A module wired to the fake host and the fake platform, as the tests of every
// area use it.
#pragma once

#include <memory>

#include "fakes/FakeHost.h"
#include "fakes/FakePlatform.h"
#include "plugin/Module.h"

namespace kestrin::test {

struct TestModule {
  FakeHost host;
  FakePlatform platform;
  std::unique_ptr<Module> module;

  // `calls`: the client library the module uses; null binds the fake
  // platform's table on the first logon.
  explicit TestModule(const OciCalls* calls = nullptr)
      : module(std::make_unique<Module>(platform, calls)) {
    module->SetStartupInfo(&host.Record());
  }

  RunState& State() { return module->State(); }
  HostHandle Run() { return module->OpenPlugin(0, 0); }
};

}  // namespace kestrin::test
