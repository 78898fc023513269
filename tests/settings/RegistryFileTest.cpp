// The POSIX registry file under the settings store: the bytes on disk, what a
// hand-written or damaged file gives, what survives a save, and how the file
// is replaced.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "fakes/FakeHost.h"
#include "platform/posix/PosixPlatform.h"
#include "platform/posix/RegistryFile.h"
#include "plugin/Module.h"
#include "settings/Settings.h"

namespace kestrin::test {
namespace {

namespace fs = std::filesystem;

const std::string kSection = "[HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Kestrin]";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Sets an environment variable for the life of the object; null unsets it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name))
      old_ = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A module on the real POSIX platform, as the console host runs it.
struct RealModule {
  FakeHost host;
  PosixPlatform platform;
  Module module{platform};
  RealModule() { module.SetStartupInfo(&host.Record()); }
  RunState& State() { return module.State(); }
};

// Each test has a folder of its own, and the registry file in a folder below
// it that does not exist yet.
class RegistryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kestrin-registry-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    folder_ = root_ + "/conf";
    path_ = folder_ + "/registry.reg";
    env_.emplace("KESTRIN_REGISTRY", path_.c_str());
  }
  void TearDown() override {
    env_.reset();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  // The file with our key holding `lines`.
  void WriteSettingsFile(const std::string& lines) {
    fs::create_directories(folder_);
    WriteFile(path_, "REGEDIT4\n\n" + kSection + "\n" + lines + "\n");
  }

  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string root_, folder_, path_;
  std::optional<ScopedEnv> env_;
};

void FillSettings(RunState& s) {
  SetText(s.Alias, "prod");
  SetText(s.User, "scott");
  SetText(s.PlanTable, "plan_table");
  SetText(s.SkipSymbols, "\"\\;");
  SetText(s.EndLineComments, "//,--");
  s.BuildIfNotExist = 1;
  s.DropAfterUse = 0;
  s.AutoDisconnect = 42;
}

TEST_F(RegistryFileTest, ASaveWritesTheEightValuesAsARegistryExportForTheOwnerOnly) {
  const mode_t oldMask = ::umask(022);
  RealModule m;
  FillSettings(m.State());
  SaveSettings(m.module);
  ::umask(oldMask);

  EXPECT_EQ(ReadFile(path_),
            "REGEDIT4\n"
            "\n" +
                kSection +
                "\n"
                "\"Alias\"=\"prod\"\n"
                "\"User\"=\"scott\"\n"
                "\"PlanTable\"=\"plan_table\"\n"
                "\"BuildIfNotExist\"=dword:00000001\n"
                "\"DropAfterUse\"=dword:00000000\n"
                "\"SkipSymbols\"=\"\\\"\\\\;\"\n"
                "\"AutoDisconnect\"=dword:0000002a\n"
                "\"EndLineComments\"=\"//,--\"\n"
                "\n");
  struct stat info {};
  ASSERT_EQ(::stat(path_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(folder_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"registry.reg"});

  // The stored sizes: texts with their terminator, numbers four bytes.
  RegistryFile file(path_);
  void* key = file.OpenKey("Software\\Far\\Plugins\\Kestrin");
  ASSERT_NE(key, nullptr);
  const std::vector<std::tuple<const char*, std::uint32_t, std::uint32_t>> sizes = {
      {"Alias", kRegSz, 5},           {"User", kRegSz, 6},
      {"PlanTable", kRegSz, 11},      {"SkipSymbols", kRegSz, 4},
      {"EndLineComments", kRegSz, 6}, {"BuildIfNotExist", kRegDword, 4},
      {"DropAfterUse", kRegDword, 4}, {"AutoDisconnect", kRegDword, 4}};
  for (const auto& [name, type, size] : sizes) {
    std::uint32_t gotType = 0;
    std::uint32_t gotSize = 0;
    EXPECT_TRUE(file.QueryValue(key, name, &gotType, nullptr, &gotSize)) << name;
    EXPECT_EQ(gotType, type) << name;
    EXPECT_EQ(gotSize, size) << name;
  }
  file.CloseKey(key);

  // And the next process reads them back.
  RealModule next;
  LoadSettings(next.module);
  EXPECT_EQ(View(next.State().Alias), "prod");
  EXPECT_EQ(View(next.State().SkipSymbols), "\"\\;");
  EXPECT_EQ(next.State().AutoDisconnect, 42);
}

TEST_F(RegistryFileTest, NoPasswordReachesTheRegistryFile) {
  const std::string password = "Zq7-distinctive-Pa55";
  RealModule m;
  LoadSettings(m.module);
  SetText(m.State().Password, password);
  SetText(m.State().ConnectString, "scott/" + password + "@prod");
  SaveSettings(m.module);
  LoadSettings(m.module);
  SaveSettings(m.module);
  const std::string bytes = ReadFile(path_);
  EXPECT_NE(bytes.find("\"User\"=\"scott\""), std::string::npos);
  EXPECT_EQ(bytes.find(password), std::string::npos);
  EXPECT_EQ(bytes.find("Password"), std::string::npos);
}

TEST_F(RegistryFileTest, HandWrittenValuesReadAsTheStoreDefinesThem) {
  struct Case {
    const char* what;
    std::string lines;
    std::string user, planTable, alias;
    std::int32_t drop;
  };
  const std::string all =
      "\"Alias\"=\"prod\"\n\"PlanTable\"=\"my_plan\"\n\"SkipSymbols\"=\"'\"\n"
      "\"EndLineComments\"=\"#\"\n\"BuildIfNotExist\"=dword:00000000\n"
      "\"DropAfterUse\"=dword:00000003\n\"AutoDisconnect\"=dword:00000000\n";
  const std::vector<Case> cases = {
      {"only User missing", all, "scott", "my_plan", "prod", 3},
      {"User stored as the dword 65", all + "\"User\"=dword:00000041\n", "A", "my_plan", "prod", 3},
      {"a PlanTable of 600 bytes",
       "\"User\"=\"hr\"\n\"PlanTable\"=\"" + std::string(599, 'x') + "\"\n", "hr", "plan_table", "",
       0},
      {"a text without its terminator, a one-byte number",
       "\"User\"=hex(1):68,72\n\"DropAfterUse\"=hex(4):05\n", "hr", "plan_table", "", 5},
  };
  for (const auto& c : cases) {
    WriteSettingsFile(c.lines);
    RealModule m;
    LoadSettings(m.module);
    EXPECT_EQ(View(m.State().User), c.user) << c.what;
    EXPECT_EQ(View(m.State().PlanTable), c.planTable) << c.what;
    EXPECT_EQ(View(m.State().Alias), c.alias) << c.what;
    EXPECT_EQ(m.State().DropAfterUse, c.drop) << c.what;
  }
  // In the first case the other seven were read.
  WriteSettingsFile(all);
  RealModule m;
  LoadSettings(m.module);
  EXPECT_EQ(View(m.State().SkipSymbols), "'");
  EXPECT_EQ(View(m.State().EndLineComments), "#");
  EXPECT_EQ(m.State().BuildIfNotExist, 0);
  EXPECT_EQ(m.State().AutoDisconnect, 0);
}

TEST_F(RegistryFileTest, ExactDataBytesAndSizesSurviveTheFile) {
  const std::vector<RegistryEntry> values = {
      {"plain", kRegSz, std::string("text \t\xE9\xFF \"q\" \\ end") + '\0'},
      {"unterminated", kRegSz, "abc"},
      {"inner nul", kRegSz, std::string("a\0b\0", 4)},
      {"line ends", kRegSz, std::string("a\r\nb", 4) + '\0'},
      {"empty text", kRegSz, ""},
      {"", kRegSz, std::string("unnamed", 8)},
      {"dword", kRegDword, std::string("\x78\x56\x34\x12", 4)},
      {"short dword", kRegDword, "\x01"},
      {"binary", 3, std::string("\0\1\2\xFF", 4)},
      {"empty binary", 3, ""},
      {"odd type", 0x12345, "z"},
      {"name with \"quotes\" and \\", kRegSz, std::string("v", 2)},
      {"long", kRegSz, std::string(600, '\x07')},
  };
  {
    RegistryFile file(path_);
    void* key = file.CreateKey("Software\\Far\\Plugins\\Kestrin");
    ASSERT_NE(key, nullptr);
    for (const auto& v : values)
      EXPECT_TRUE(file.SetValue(key, v.name.c_str(), v.type, v.data.data(),
                                static_cast<std::uint32_t>(v.data.size())))
          << v.name;
    // A name a line cannot hold is refused.
    EXPECT_FALSE(file.SetValue(key, "two\nlines", kRegSz, "", 1));
    file.CloseKey(key);
  }
  RegistryFile file(path_);
  void* key = file.OpenKey("Software\\Far\\Plugins\\Kestrin");
  ASSERT_NE(key, nullptr);
  for (const auto& v : values) {
    std::string data(700, '?');
    std::uint32_t type = 0;
    std::uint32_t size = static_cast<std::uint32_t>(data.size());
    ASSERT_TRUE(file.QueryValue(key, v.name.c_str(), &type, data.data(), &size)) << v.name;
    EXPECT_EQ(type, v.type) << v.name;
    EXPECT_EQ(data.substr(0, size), v.data) << v.name;
  }
  // Data larger than the destination is not copied at all.
  std::string small(599, '?');
  std::uint32_t size = static_cast<std::uint32_t>(small.size());
  std::uint32_t type = 0;
  EXPECT_FALSE(file.QueryValue(key, "long", &type, small.data(), &size));
  EXPECT_EQ(small, std::string(599, '?'));
  EXPECT_EQ(size, 599u);
  EXPECT_FALSE(file.QueryValue(key, "missing", &type, small.data(), &size));
  file.CloseKey(key);

  const std::string text = ReadFile(path_);
  for (const char* line :
       {"\"unterminated\"=hex(1):61,62,63\n", "\"dword\"=dword:12345678\n",
        "\"binary\"=hex:00,01,02,ff\n", "\"empty binary\"=hex:\n", "\"empty text\"=hex(1):\n",
        "@=\"unnamed\"\n", "\"odd type\"=hex(12345):7a\n",
        "\"name with \\\"quotes\\\" and \\\\\"=\"v\"\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  // Long lists are wrapped within 80 columns, continued after ",\".
  std::istringstream lines(text);
  std::string line;
  int continued = 0;
  while (std::getline(lines, line)) {
    EXPECT_LE(line.size(), 80u) << line;
    if (line.rfind("  ", 0) == 0)
      ++continued;
  }
  EXPECT_GT(continued, 20);
}

TEST_F(RegistryFileTest, ASaveKeepsEveryKeyAndValueItDidNotWrite) {
  fs::create_directories(folder_);
  WriteFile(path_,
            "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
            "; kept by hand\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
            "\"Shared\"=dword:00000007\r\n\r\n"
            "[hkey_current_user\\software\\far\\plugins\\kestrin]\r\n"
            "\"user\" = \"hr\"\r\n"
            "\"Theme\"=hex(2):25,00\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Kestrin\\Sub]\r\n"
            "\"Deep\"=hex:01,\\\r\n"
            "  02\r\n");
  RealModule m;
  LoadSettings(m.module);
  EXPECT_EQ(View(m.State().User), "hr");
  SetText(m.State().User, "scott");
  SaveSettings(m.module);

  RegistryContents saved;
  ASSERT_TRUE(ParseRegistryText(ReadFile(path_), saved));
  ASSERT_EQ(saved.keys.size(), 3u);
  EXPECT_EQ(saved.keys[0].path, "HKEY_LOCAL_MACHINE\\Software\\Other");
  ASSERT_EQ(saved.keys[0].values.size(), 1u);
  EXPECT_EQ(saved.keys[0].values[0].data, std::string("\7\0\0\0", 4));
  // Our key keeps its spelling, its other value, and one User written over.
  const RegistrySection& ours = saved.keys[1];
  EXPECT_EQ(ours.path, "hkey_current_user\\software\\far\\plugins\\kestrin");
  ASSERT_EQ(ours.values.size(), 9u);
  EXPECT_EQ(ours.values[0].name, "user");
  EXPECT_EQ(ours.values[0].data, std::string("scott", 6));
  EXPECT_EQ(ours.values[1].name, "Theme");
  EXPECT_EQ(ours.values[1].type, 2u);
  EXPECT_EQ(ours.values[1].data, std::string("%\0", 2));
  EXPECT_EQ(saved.keys[2].values.at(0).data, "\x01\x02");
}

TEST_F(RegistryFileTest, AValueAddedBySomeoneElseSinceTheLoadIsKept) {
  RealModule m;
  LoadSettings(m.module);
  WriteSettingsFile("\"Added\"=\"later\"");
  SaveSettings(m.module);
  RegistryContents saved;
  ASSERT_TRUE(ParseRegistryText(ReadFile(path_), saved));
  ASSERT_EQ(saved.keys.size(), 1u);
  ASSERT_EQ(saved.keys[0].values.size(), 9u);
  EXPECT_EQ(saved.keys[0].values[0].name, "Added");
}

TEST_F(RegistryFileTest, TheFileIsReplacedWholeNeverRewrittenInPlace) {
  WriteSettingsFile("\"User\"=\"old\"");
  const std::string before = ReadFile(path_);
  struct stat oldInfo {};
  ASSERT_EQ(::stat(path_.c_str(), &oldInfo), 0);
  const int old = ::open(path_.c_str(), O_RDONLY);
  ASSERT_GE(old, 0);

  RealModule m;
  LoadSettings(m.module);
  SaveSettings(m.module);

  // Whoever had the old file open still reads all of it.
  std::string oldBytes(before.size() + 16, '\0');
  const ssize_t n = ::pread(old, oldBytes.data(), oldBytes.size(), 0);
  ::close(old);
  EXPECT_EQ(oldBytes.substr(0, n < 0 ? 0 : static_cast<std::size_t>(n)), before);
  struct stat newInfo {};
  ASSERT_EQ(::stat(path_.c_str(), &newInfo), 0);
  EXPECT_NE(newInfo.st_ino, oldInfo.st_ino);
  EXPECT_NE(ReadFile(path_).find("\"User\"=\"old\""), std::string::npos);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"registry.reg"});
}

TEST_F(RegistryFileTest, AFullDiskLeavesTheOldFileAsItWas) {
  WriteSettingsFile("\"User\"=\"old\"");
  const std::string before = ReadFile(path_);
  RealModule m;
  LoadSettings(m.module);
  SetText(m.State().User, std::string(400, 'n'));

  // No file may grow past the old one's size: every new file is cut short.
  struct rlimit limit {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  const struct rlimit small = {before.size(), limit.rlim_max};
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  SaveSettings(m.module);
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(ReadFile(path_), before);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"registry.reg"});
}

TEST_F(RegistryFileTest, ADamagedFileReadsAsDefaultsAndIsKeptBesideTheNewOne) {
  const std::string head = "REGEDIT4\n" + kSection + "\n\"User\"=\"hr\"\n";
  const std::vector<std::string> damaged = {
      "garbage\n",
      std::string("\0\1\2\xFF\xFE", 5),
      std::string("\xFF\xFE"
                  "W\0i\0n\0",
                  8),  // an export in UTF-16
      "REGEDIT4\n\"User\"=\"no key yet\"\n",
      head + "\"Alias\"=\"unclosed\n",
      head + "\"Alias\"=hex(1):4g\n",
      head + "\"Alias\"=-\n",
      head + "[-HKEY_CURRENT_USER\\Software]\n",
      head + "\"Alias\"=dword:123456789\n",
      head + "\"Alias\"=hex:41,\\\n",
      head + "\"Alias\"=\"a\\tb\"\n",
      head + "[HKEY_CURRENT_USER\\\\Software]\n",
      head + "just words\n",
  };
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    fs::create_directories(folder_);
    WriteFile(path_, damaged[i]);
    RealModule m;
    LoadSettings(m.module);
    EXPECT_EQ(View(m.State().User), "scott") << i;
    EXPECT_EQ(ReadFile(path_), damaged[i]) << i;

    SaveSettings(m.module);
    EXPECT_EQ(ReadFile(path_ + ".damaged"), damaged[i]) << i;
    RegistryContents saved;
    ASSERT_TRUE(ParseRegistryText(ReadFile(path_), saved)) << i;
    ASSERT_EQ(saved.keys.size(), 1u) << i;
    EXPECT_EQ(saved.keys[0].values.size(), 8u) << i;
  }
  // A second damaged file does not take the place of the first copy.
  WriteFile(path_, "second damage\n");
  RealModule m;
  LoadSettings(m.module);
  SaveSettings(m.module);
  EXPECT_EQ(ReadFile(path_ + ".damaged"), damaged.back());
  EXPECT_EQ(ReadFile(path_ + ".damaged.1"), "second damage\n");
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"registry.reg", "registry.reg.damaged",
                                                       "registry.reg.damaged.1"}));
}

TEST_F(RegistryFileTest, AnEmptyFileIsAnEmptyRegistryAndNoCopyIsKept) {
  fs::create_directories(folder_);
  WriteFile(path_, " \n\n");
  RealModule m;
  LoadSettings(m.module);
  SaveSettings(m.module);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"registry.reg"});
  EXPECT_NE(ReadFile(path_).find(kSection), std::string::npos);
}

TEST_F(RegistryFileTest, WhatIsNoFileAtThePathIsNeverReadNorReplaced) {
  // A folder, and a pipe nobody writes to (which must not block the load).
  for (int kind = 0; kind < 2; ++kind) {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    fs::create_directories(folder_);
    if (kind == 0)
      fs::create_directory(path_);
    else
      ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
    RealModule m;
    LoadSettings(m.module);
    EXPECT_EQ(View(m.State().PlanTable), "plan_table") << kind;
    SaveSettings(m.module);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"registry.reg"}) << kind;
    EXPECT_EQ(fs::is_directory(path_), kind == 0);
    EXPECT_EQ(fs::is_fifo(path_), kind == 1);
  }
  // A path below a plain file cannot be made: nothing is written, nothing breaks.
  fs::remove_all(folder_);
  WriteFile(folder_, "a file");
  RealModule m;
  LoadSettings(m.module);
  SaveSettings(m.module);
  EXPECT_EQ(ReadFile(folder_), "a file");
}

TEST_F(RegistryFileTest, ALinkToTheFileStaysALinkAndItsTargetIsReplaced) {
  fs::create_directories(folder_);
  const std::string target = root_ + "/dotfiles.reg";
  WriteFile(target, "REGEDIT4\n");
  fs::create_symlink(target, path_);
  RealModule m;
  LoadSettings(m.module);
  SaveSettings(m.module);
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_NE(ReadFile(target).find(kSection), std::string::npos);
}

TEST_F(RegistryFileTest, KeysAndNamesAreFoundWithoutRegardToCase) {
  WriteSettingsFile("\"USER\"=\"hr\"");
  RegistryFile file(path_);
  // A key above one in the file exists, with no values of its own.
  void* above = file.OpenKey("software\\FAR");
  ASSERT_NE(above, nullptr);
  std::uint32_t type = 0;
  std::uint32_t size = 4;
  char data[4];
  EXPECT_FALSE(file.QueryValue(above, "User", &type, data, &size));
  file.CloseKey(above);
  EXPECT_EQ(file.OpenKey("Software\\Fa"), nullptr);
  EXPECT_EQ(file.OpenKey("Software\\Far\\Plugins\\Kestrin\\Below"), nullptr);
  for (const char* bad : {"", "\\Software", "Software\\", "Software\\\\Far", "Soft\nware"}) {
    EXPECT_EQ(file.OpenKey(bad), nullptr) << bad;
    EXPECT_EQ(file.CreateKey(bad), nullptr) << bad;
  }

  void* key = file.OpenKey("SOFTWARE\\far\\Plugins\\kestrin");
  ASSERT_NE(key, nullptr);
  EXPECT_TRUE(file.QueryValue(key, "user", &type, data, &size));
  EXPECT_EQ(std::string(data, size), std::string("hr", 3));
  // A key opened for queries takes no values.
  EXPECT_FALSE(file.SetValue(key, "User", kRegSz, "x", 2));
  file.CloseKey(key);
}

TEST(RegistryFilePathTest, TheFileIsNamedByTheEnvironment) {
  struct Case {
    const char* registry;
    const char* config;
    const char* home;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"/x/mine.reg", "/cfg", "/home/u", "/x/mine.reg"},
      {nullptr, "/cfg", "/home/u", "/cfg/kestrin/registry.reg"},
      {"", "/cfg", "/home/u", "/cfg/kestrin/registry.reg"},
      {nullptr, "relative", "/home/u", "/home/u/.config/kestrin/registry.reg"},
      {nullptr, nullptr, "/home/u", "/home/u/.config/kestrin/registry.reg"},
      {nullptr, "", "/home/u", "/home/u/.config/kestrin/registry.reg"},
  };
  for (const auto& c : cases) {
    ScopedEnv registry("KESTRIN_REGISTRY", c.registry);
    ScopedEnv config("XDG_CONFIG_HOME", c.config);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(RegistryFile::DefaultPath(), c.expected);
    RegistryFile file;
    EXPECT_EQ(file.Path(), c.expected);
  }
}

TEST(RegistryTextTest, ReadsTheExportFormsItDoesNotWriteItself) {
  RegistryContents contents;
  ASSERT_TRUE(
      ParseRegistryText("\n  REGEDIT4  \r\n"
                        "[HKEY_CURRENT_USER\\A]\n"
                        "\"x\" =\tDWORD:2A\n"
                        "\"y\"=HEX(3): 1 , ff ,\\\n"
                        "\t  0a\n"
                        "@=\"d\"\n"
                        "[hkey_current_user\\a]\n"
                        "\"X\"=\"later wins\"\n"
                        "\"e\"=\"\\\\\\\"\"\n",
                        contents));
  ASSERT_EQ(contents.keys.size(), 1u);
  const auto& v = contents.keys[0].values;
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(v[0].name, "x");
  EXPECT_EQ(v[0].type, kRegSz);
  EXPECT_EQ(v[0].data, std::string("later wins", 11));
  EXPECT_EQ(v[1].type, 3u);
  EXPECT_EQ(v[1].data, "\x01\xff\x0a");
  EXPECT_EQ(v[2].name, "");
  EXPECT_EQ(v[3].data, std::string("\\\"", 3));

  for (const char* empty : {"", "\n \r\n", "REGEDIT4", "\xEF\xBB\xBF"}) {
    contents.keys.push_back({});
    EXPECT_TRUE(ParseRegistryText(empty, contents)) << empty;
    EXPECT_TRUE(contents.keys.empty()) << empty;
  }
}

}  // namespace
}  // namespace kestrin::test
