// The settings store over the recording registry: what is read and written,
// in which order, with which types and sizes, and what a missing, odd or
// unreachable key does.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "plugin/TestModule.h"
#include "settings/Settings.h"

namespace kestrin::test {
namespace {

const std::string kKey = "Software\\Far\\Plugins\\Kestrin";
const std::vector<std::string> kLoadOrder = {
    "Alias",           "User",         "PlanTable",     "SkipSymbols", "EndLineComments",
    "BuildIfNotExist", "DropAfterUse", "AutoDisconnect"};
const std::vector<std::string> kSaveOrder = {"Alias",           "User",           "PlanTable",
                                             "BuildIfNotExist", "DropAfterUse",   "SkipSymbols",
                                             "AutoDisconnect",  "EndLineComments"};

RegistryValue Text(const std::string& text) {
  return {kRegSz, text + '\0'};
}

RegistryValue Number(std::uint32_t n) {
  return {kRegDword, std::string{static_cast<char>(n), static_cast<char>(n >> 8),
                                 static_cast<char>(n >> 16), static_cast<char>(n >> 24)}};
}

// A key holding all eight values, none of them the default.
std::map<std::string, RegistryValue> AllEight() {
  return {{"Alias", Text("prod")},        {"User", Text("hr")},
          {"PlanTable", Text("my_plan")}, {"SkipSymbols", Text("'")},
          {"EndLineComments", Text("#")}, {"BuildIfNotExist", Number(0)},
          {"DropAfterUse", Number(7)},    {"AutoDisconnect", Number(0)}};
}

struct Loaded {
  std::string alias, user, planTable, skipSymbols, endLineComments;
  std::int32_t build, drop, autoDisconnect;
  bool operator==(const Loaded&) const = default;
};

Loaded Fields(RunState& s) {
  return {std::string(View(s.Alias)),
          std::string(View(s.User)),
          std::string(View(s.PlanTable)),
          std::string(View(s.SkipSymbols)),
          std::string(View(s.EndLineComments)),
          s.BuildIfNotExist,
          s.DropAfterUse,
          s.AutoDisconnect};
}

void PrintTo(const Loaded& l, std::ostream* out) {
  *out << '{' << l.alias << '|' << l.user << '|' << l.planTable << '|' << l.skipSymbols << '|'
       << l.endLineComments << '|' << l.build << '|' << l.drop << '|' << l.autoDisconnect << '}';
}

const Loaded kDefaults = {"", "scott", "plan_table", "\"\\;", "//,--", 1, 0, 1};

std::vector<std::string> OpenQueryClose(const std::vector<std::string>& names,
                                        const std::string& key = kKey) {
  std::vector<std::string> log;
  for (const auto& name : names) {
    log.push_back("open " + key);
    log.push_back("query " + name);
    log.push_back("close " + key);
  }
  return log;
}

std::vector<std::string> CreateSetClose(const std::vector<std::string>& names) {
  std::vector<std::string> log;
  for (const auto& name : names) {
    log.push_back("create " + kKey);
    log.push_back("set " + name);
    log.push_back("close " + kKey);
  }
  return log;
}

TEST(SettingsStoreTest, FirstCommandWithoutAKeyTakesEveryDefaultAndCreatesNothing) {
  TestModule t;
  t.State().Password[0] = 'x';
  t.host.blockType = 0;  // the command ends at the editor check, after the load
  t.Run();
  EXPECT_EQ(Fields(t.State()), kDefaults);
  EXPECT_EQ(t.State().SettingsLoaded, 1);
  EXPECT_TRUE(IsEmpty(t.State().Password));
  EXPECT_EQ(t.platform.registryLog, std::vector<std::string>(8, "open-failed " + kKey));
  EXPECT_TRUE(t.platform.registry.empty());
}

TEST(SettingsStoreTest, LoadReadsEachValueInItsOwnOpenAndCloseInOrder) {
  TestModule t;
  t.platform.registry[kKey] = AllEight();
  LoadSettings(*t.module);
  EXPECT_EQ(Fields(t.State()), (Loaded{"prod", "hr", "my_plan", "'", "#", 0, 7, 0}));
  EXPECT_EQ(t.platform.registryLog, OpenQueryClose(kLoadOrder));
}

TEST(SettingsStoreTest, OneMissingValueTakesItsDefaultAndTheOthersAreRead) {
  const std::vector<std::pair<std::string, Loaded>> cases = {
      {"Alias", {"", "hr", "my_plan", "'", "#", 0, 7, 0}},
      {"User", {"prod", "scott", "my_plan", "'", "#", 0, 7, 0}},
      {"PlanTable", {"prod", "hr", "plan_table", "'", "#", 0, 7, 0}},
      {"SkipSymbols", {"prod", "hr", "my_plan", "\"\\;", "#", 0, 7, 0}},
      {"EndLineComments", {"prod", "hr", "my_plan", "'", "//,--", 0, 7, 0}},
      {"BuildIfNotExist", {"prod", "hr", "my_plan", "'", "#", 1, 7, 0}},
      {"DropAfterUse", {"prod", "hr", "my_plan", "'", "#", 0, 0, 0}},
      {"AutoDisconnect", {"prod", "hr", "my_plan", "'", "#", 0, 7, 1}},
  };
  for (const auto& [missing, expected] : cases) {
    TestModule t;
    t.platform.registry[kKey] = AllEight();
    t.platform.registry[kKey].erase(missing);
    LoadSettings(*t.module);
    EXPECT_EQ(Fields(t.State()), expected) << missing;
  }
}

TEST(SettingsStoreTest, SaveWritesAllEightInOrderEachInItsOwnCreateAndClose) {
  TestModule t;
  t.platform.registry[kKey] = AllEight();
  LoadSettings(*t.module);
  t.platform.registryLog.clear();
  // Nothing changed since the load: every value is still written.
  SaveSettings(*t.module);
  EXPECT_EQ(t.platform.registryLog, CreateSetClose(kSaveOrder));
  EXPECT_EQ(t.platform.registry[kKey].size(), 8u);
  for (const auto& [name, value] : AllEight()) {
    EXPECT_EQ(t.platform.registry[kKey][name].type, value.type) << name;
    EXPECT_EQ(t.platform.registry[kKey][name].data, value.data) << name;
  }
}

TEST(SettingsStoreTest, SavedTextsCountTheirTerminatorAndSwitchesAreFourBytes) {
  TestModule t;
  LoadSettings(*t.module);
  SetText(t.State().Alias, "");
  SetText(t.State().User, "a b");
  const std::string longest(511, 'p');
  SetText(t.State().PlanTable, longest);
  t.State().DropAfterUse = -1;
  SaveSettings(*t.module);
  const auto& key = t.platform.registry[kKey];
  EXPECT_EQ(key.at("Alias").data, std::string(1, '\0'));
  EXPECT_EQ(key.at("User").data, std::string("a b", 4));
  EXPECT_EQ(key.at("PlanTable").data, longest + '\0');
  EXPECT_EQ(key.at("SkipSymbols").data, std::string("\"\\;", 4));
  EXPECT_EQ(key.at("EndLineComments").data, std::string("//,--", 6));
  for (const char* text : {"Alias", "User", "PlanTable", "SkipSymbols", "EndLineComments"})
    EXPECT_EQ(key.at(text).type, kRegSz) << text;
  EXPECT_EQ(key.at("BuildIfNotExist").data, Number(1).data);
  EXPECT_EQ(key.at("DropAfterUse").data, Number(0xFFFFFFFF).data);
  EXPECT_EQ(key.at("AutoDisconnect").data, Number(1).data);
  for (const char* number : {"BuildIfNotExist", "DropAfterUse", "AutoDisconnect"})
    EXPECT_EQ(key.at(number).type, kRegDword) << number;
}

TEST(SettingsStoreTest, NeitherTheLoadNorTheSaveTouchesThePassword) {
  TestModule t;
  t.platform.registry[kKey] = AllEight();
  t.platform.registry[kKey]["Password"] = Text("stored-elsewhere");
  SetText(t.State().Password, "typed-secret");
  LoadSettings(*t.module);
  SaveSettings(*t.module);
  EXPECT_EQ(View(t.State().Password), "typed-secret");
  for (const auto& entry : t.platform.registryLog)
    EXPECT_EQ(entry.find("Password"), std::string::npos) << entry;
  for (const auto& [name, value] : t.platform.registry[kKey])
    EXPECT_EQ(value.data.find("typed-secret"), std::string::npos) << name;
}

TEST(SettingsStoreTest, StoredTextsOfEveryShapeEndAsTerminatedFields) {
  struct Case {
    const char* what;
    RegistryValue stored;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"a number where a text belongs", Number(65), "A"},
      {"no terminator, shorter than the field", {kRegSz, "abc"}, "abc"},
      {"512 bytes with the terminator", Text(std::string(511, 'q')), std::string(511, 'q')},
      {"512 bytes without a terminator", {kRegSz, std::string(512, 'r')}, std::string(511, 'r')},
      {"513 bytes", {kRegSz, std::string(513, 's')}, "plan_table"},
      {"600 bytes", Text(std::string(599, 't')), "plan_table"},
      {"an empty value", {kRegSz, ""}, ""},
      {"a terminator inside", {kRegSz, std::string("ab\0cd", 6)}, "ab"},
  };
  for (const auto& c : cases) {
    TestModule t;
    t.platform.registry[kKey]["PlanTable"] = c.stored;
    // Whatever the field held before, only what was read is left in it.
    t.State().PlanTable.fill('z');
    const int read = ReadSettingText(*t.module, RegistryRoot::CurrentUser, "", "PlanTable",
                                     t.State().PlanTable.data(), "plan_table", kSettingTextSize);
    EXPECT_EQ(View(t.State().PlanTable), c.expected) << c.what;
    EXPECT_EQ(read, c.expected == "plan_table" ? 0 : 1) << c.what;
  }
}

TEST(SettingsStoreTest, StoredNumbersOfEveryShapeAreReadLowestByteFirst) {
  struct Case {
    const char* what;
    RegistryValue stored;
    std::int32_t expected;
    int read;
  };
  const std::vector<Case> cases = {
      {"a dword", Number(0x01020304), 0x01020304, 1},
      {"all bits set", Number(0xFFFFFFFF), -1, 1},
      {"one byte", {kRegDword, "\x05"}, 5, 1},
      {"a short text", Text("a"), 0x61, 1},
      {"no data", {kRegDword, ""}, 0, 1},
      {"five bytes", {kRegDword, std::string(5, '\1')}, 42, 0},
      {"a long text", Text("yess"), 42, 0},
  };
  for (const auto& c : cases) {
    TestModule t;
    t.platform.registry[kKey]["DropAfterUse"] = c.stored;
    std::int32_t value = -1;  // high bytes not written by a short value must not stay
    EXPECT_EQ(
        ReadSettingNumber(*t.module, RegistryRoot::CurrentUser, "", "DropAfterUse", &value, 42),
        c.read)
        << c.what;
    EXPECT_EQ(value, c.expected) << c.what;
    EXPECT_EQ(GetSettingNumber(*t.module, RegistryRoot::CurrentUser, "", "DropAfterUse", 42),
              c.expected)
        << c.what;
  }
}

// 71 characters of root key and "\Kestrin" are 79: the longest working path.
TEST(SettingsStoreTest, AKeyPathThatWouldHaveToBeCutIsNoKeyAtAll) {
  for (std::size_t length : {71u, 72u, 91u, 92u}) {
    TestModule t;
    const std::string root(length, 'k');
    t.host.Record().RootKey = root.c_str();
    t.module->SetStartupInfo(&t.host.Record());
    const std::string key = root + "\\Kestrin";
    // A key under the cut path would be found if the path were cut.
    t.platform.registry[key] = AllEight();
    t.platform.registry[key.substr(0, 79)] = AllEight();
    LoadSettings(*t.module);
    SaveSettings(*t.module);
    if (length == 71) {
      EXPECT_EQ(Fields(t.State()), (Loaded{"prod", "hr", "my_plan", "'", "#", 0, 7, 0}));
      EXPECT_EQ(t.platform.registryLog.size(), 48u);
      EXPECT_EQ(t.platform.registryLog.front(), "open " + key);
    } else {
      EXPECT_EQ(Fields(t.State()), kDefaults) << length;
      EXPECT_TRUE(t.platform.registryLog.empty()) << length;
    }
  }
}

TEST(SettingsStoreTest, ASubKeyIsAppendedAndMustFitTheWorkingPathToo) {
  TestModule t;
  const std::string sub = "Sub";
  t.platform.registry[kKey + "\\" + sub]["User"] = Text("inner");
  t.State().User.fill('z');
  ReadSettingText(*t.module, RegistryRoot::CurrentUser, sub, "User", t.State().User.data(), "scott",
                  kSettingTextSize);
  EXPECT_EQ(View(t.State().User), "inner");
  EXPECT_EQ(t.platform.registryLog, OpenQueryClose({"User"}, kKey + "\\" + sub));

  // kKey is 28 characters; with a backslash and 51 more it no longer fits.
  t.platform.registryLog.clear();
  EXPECT_EQ(OpenSettingsKey(*t.module, RegistryRoot::CurrentUser, std::string(50, 's')), nullptr);
  // 79 characters: tried, and missing.
  EXPECT_EQ(t.platform.registryLog,
            std::vector<std::string>{"open-failed " + kKey + "\\" + std::string(50, 's')});
  EXPECT_EQ(OpenSettingsKey(*t.module, RegistryRoot::CurrentUser, std::string(51, 's')), nullptr);
  EXPECT_EQ(CreateSettingsKey(*t.module, RegistryRoot::CurrentUser, std::string(51, 's')), nullptr);
  WriteSettingNumber(*t.module, RegistryRoot::CurrentUser, std::string(51, 's'), "User", 1);
  EXPECT_EQ(t.platform.registryLog.size(), 1u);
}

TEST(SettingsStoreTest, ATextLongerThanAFieldIsStoredAsAFieldWouldHoldIt) {
  TestModule t;
  const std::string text(600, 'w');
  WriteSettingText(*t.module, RegistryRoot::CurrentUser, "", "Alias", text);
  EXPECT_EQ(t.platform.registry[kKey]["Alias"].data, std::string(511, 'w') + '\0');
}

TEST(SettingsStoreTest, FailedWritesAreSilentAndEveryValueIsStillTried) {
  TestModule t;
  LoadSettings(*t.module);
  const Loaded before = Fields(t.State());

  t.platform.failCreateKey = true;
  t.platform.registryLog.clear();
  SaveSettings(*t.module);
  EXPECT_EQ(t.platform.registryLog, std::vector<std::string>(8, "create-failed " + kKey));

  t.platform.failCreateKey = false;
  t.platform.failSetValue = true;
  t.platform.registryLog.clear();
  SaveSettings(*t.module);
  EXPECT_EQ(t.platform.registryLog, CreateSetClose(kSaveOrder));
  EXPECT_TRUE(t.platform.registry[kKey].empty());
  EXPECT_EQ(Fields(t.State()), before);
  EXPECT_TRUE(t.host.calls.empty());
}

TEST(SettingsStoreTest, ALaterCommandDoesNotReadTheRegistryAgain) {
  TestModule t;
  t.platform.registry[kKey] = AllEight();
  t.host.blockType = 0;
  t.Run();
  SetText(t.State().Password, "kept");
  t.platform.registry[kKey]["User"] = Text("changed");
  t.Run();
  EXPECT_EQ(View(t.State().User), "hr");
  EXPECT_EQ(View(t.State().Password), "kept");
  EXPECT_EQ(t.platform.registryLog, OpenQueryClose(kLoadOrder));
}

}  // namespace
}  // namespace kestrin::test
