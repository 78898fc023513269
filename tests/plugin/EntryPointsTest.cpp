#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <regex>

#include "plugin/TestModule.h"

namespace kestrin::test {
namespace {

TEST(EntryPointsTest, CopiesExactlyTheRecordsOwnSizeWhateverStructSizeSays) {
  FakeHost host;
  FakePlatform platform;
  for (int declared : {0, 12, 1 << 20}) {
    // A record with nothing after it: reading past it would be caught.
    auto record = std::make_unique<PluginStartupInfo>(host.Record());
    record->StructSize = declared;
    Module module(platform);
    module.SetStartupInfo(record.get());
    record.reset();
    EXPECT_EQ(module.State().HostRecord.StructSize, declared);
    EXPECT_EQ(module.State().HostRecord.EditorControl, host.Record().EditorControl);
    EXPECT_EQ(module.State().HostRecord.ModuleNumber, 7);
  }
}

TEST(EntryPointsTest, SettingsKeyIsTheRootKeyWithKestrinBelowIt) {
  TestModule t;
  EXPECT_EQ(View(t.State().SettingsKeyPath), "Software\\Far\\Plugins\\Kestrin");

  // 91 characters and "\Kestrin" fill the 100 bytes exactly; one more would
  // have to be cut, and a cut path names another key: there is none then.
  for (std::size_t length : {91u, 92u, 400u}) {
    const std::string root(length, 'r');
    t.host.Record().RootKey = root.c_str();
    t.module->SetStartupInfo(&t.host.Record());
    EXPECT_EQ(View(t.State().SettingsKeyPath), length == 91 ? root + "\\Kestrin" : "") << length;
  }
}

TEST(EntryPointsTest, PluginInfoOffersOneEditorItemAskingForItsTextEveryTime) {
  TestModule t;
  PluginInfo info;
  std::memset(&info, 0xAB, sizeof info);
  const auto untouched = info;
  for (int round = 1; round <= 2; ++round) {
    t.module->GetPluginInfo(&info);
    const auto asked = t.host.Of(HostCall::GetMsg);
    ASSERT_EQ(asked.size(), static_cast<std::size_t>(round));
    EXPECT_EQ(asked.back().number, 33);
    EXPECT_EQ(asked.back().moduleNumber, 7);
  }
  EXPECT_EQ(info.StructSize, static_cast<int>(sizeof(PluginInfo)));
  EXPECT_EQ(info.Flags, 6u);
  EXPECT_EQ(info.DiskMenuStringsNumber, 0);
  ASSERT_EQ(info.PluginMenuStringsNumber, 1);
  EXPECT_STREQ(info.PluginMenuStrings[0], t.host.Msg(33).c_str());
  EXPECT_EQ(info.PluginConfigStringsNumber, 0);
  // The fields the module does not write keep what the host put there.
  EXPECT_EQ(info.DiskMenuStrings, untouched.DiskMenuStrings);
  EXPECT_EQ(info.DiskMenuNumbers, untouched.DiskMenuNumbers);
  EXPECT_EQ(info.PluginConfigStrings, untouched.PluginConfigStrings);
  EXPECT_EQ(info.CommandPrefix, untouched.CommandPrefix);
}

TEST(EntryPointsTest, WithoutABlockTheCommandShowsOneNoticeAndTakesNoSnapshot) {
  TestModule t;
  t.host.blockType = 0;
  EXPECT_EQ(t.Run(), InvalidHostHandle());

  const auto boxes = t.host.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].flags, 1u);
  EXPECT_EQ(boxes[0].buttons, 1);
  EXPECT_TRUE(boxes[0].helpIsNull);
  EXPECT_EQ(boxes[0].items, (std::vector<std::string>{t.host.Msg(33), "", t.host.Msg(25), "",
                                                      "\x01", t.host.Msg(0)}));
  EXPECT_TRUE(t.host.Of(HostCall::SaveScreen).empty());
  EXPECT_TRUE(t.host.Of(HostCall::Dialog).empty());
  // The first command still loaded the settings.
  EXPECT_EQ(t.State().SettingsLoaded, 1);
  EXPECT_EQ(View(t.State().User), "scott");
}

TEST(EntryPointsTest, ExitFarWithoutASessionOnlyReleasesTheMarkerTables) {
  TestModule t;
  t.State().MarkerProgress = std::make_unique<std::int32_t[]>(2);
  t.State().MarkerStart = std::make_unique<std::int32_t[]>(2);
  int bindAttempts = t.platform.bindAttempts;
  t.module->ExitFAR();
  EXPECT_EQ(t.State().MarkerProgress, nullptr);
  EXPECT_EQ(t.State().MarkerStart, nullptr);
  EXPECT_EQ(t.platform.bindAttempts, bindAttempts);
  EXPECT_TRUE(t.host.calls.empty());
}

// The shared module, loaded through its exported entry points as a host loads it.
TEST(EntryPointsTest, TheSharedModuleExportsTheFourEntryPoints) {
  void* library = ::dlopen(KESTRIN_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  auto setStartupInfo = reinterpret_cast<SetStartupInfoFn>(::dlsym(library, "SetStartupInfo"));
  auto getPluginInfo = reinterpret_cast<GetPluginInfoFn>(::dlsym(library, "GetPluginInfo"));
  auto openPlugin = reinterpret_cast<OpenPluginFn>(::dlsym(library, "OpenPlugin"));
  auto exitFar = reinterpret_cast<ExitFarFn>(::dlsym(library, "ExitFAR"));
  ASSERT_TRUE(setStartupInfo && getPluginInfo && openPlugin && exitFar);
  // Nothing of the module's inside leaks out as an export.
  EXPECT_EQ(::dlsym(library, "_ZN7kestrin6Module7ExitFAREv"), nullptr);

  FakeHost host;
  host.blockType = 0;
  setStartupInfo(&host.Record());
  PluginInfo info{};
  getPluginInfo(&info);
  EXPECT_EQ(info.PluginMenuStringsNumber, 1);
  EXPECT_EQ(openPlugin(0, 0), InvalidHostHandle());
  ASSERT_EQ(host.Boxes().size(), 1u);
  EXPECT_EQ(host.Boxes()[0].items[2], host.Msg(25));
  exitFar();
  ::dlclose(library);
}

TEST(LanguageFileTest, HoldsAllMessagesWithTheirPlaceholders) {
  const auto texts = ReadLanguageFile(EnglishLanguageFile());
  ASSERT_EQ(texts.size(), 34u);
  const std::regex oneInteger("^[^%]*%[-+ #0]*[0-9]*[diu][^%]*$");
  EXPECT_TRUE(std::regex_match(texts[14], oneInteger)) << texts[14];
  EXPECT_TRUE(std::regex_match(texts[29], oneInteger)) << texts[29];
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i != 14 && i != 29) {
      EXPECT_EQ(texts[i].find('%'), std::string::npos) << i;
    }
    EXPECT_FALSE(texts[i].empty()) << i;
  }
  EXPECT_TRUE(std::regex_match(texts[32], std::regex("^[A-Za-z]+$"))) << texts[32];
}

}  // namespace
}  // namespace kestrin::test
