// kestrin: the console host. It loads the plugin module as the file manager
// does, gives it a terminal's services (the edited file and its block, the
// dialog, message boxes, screen snapshots, the viewer), picks the plugin's
// editor menu item once, and shows the report.
#include <fcntl.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "ConsoleHost.h"
#include "EditorText.h"
#include "LanguageFile.h"
#include "ModuleLoader.h"
#include "Options.h"
#include "ReportViewer.h"
#include "Terminal.h"

namespace {

using namespace kestrin;
using namespace kestrin::console;

constexpr int kExitReport = 0;
constexpr int kExitNoReport = 1;
constexpr int kExitUsage = 2;

int Fail(const std::string& message) {
  std::cerr << "kestrin: " << message << '\n';
  return kExitUsage;
}

bool Readable(const std::string& path) {
  return !path.empty() && ::access(path.c_str(), R_OK) == 0;
}

// The directory this program lives in, without a trailing slash; "" when the
// system does not say.
std::string ProgramDirectory() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0)
    return "";
  const std::string program(path, static_cast<std::size_t>(n));
  const std::size_t slash = program.rfind('/');
  return slash == std::string::npos ? "" : program.substr(0, slash);
}

// The first readable of: the path the user gave, the file beside the
// program, the one the build made.
std::string Locate(const std::string& given, const std::string& beside, const char* built) {
  if (!given.empty())
    return given;
  if (Readable(beside))
    return beside;
  return built && Readable(built) ? built : "";
}

bool ReadInput(const std::string& file, std::string& content, std::string& error) {
  std::ostringstream text;
  if (file == "-") {
    text << std::cin.rdbuf();
    if (std::cin.bad()) {
      error = "cannot read standard input";
      return false;
    }
  } else {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
      error = "cannot read " + file + ": " + std::strerror(errno);
      return false;
    }
    if (S_ISDIR(info.st_mode)) {
      error = file + " is a directory";
      return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      error = "cannot read " + file + ": " + std::strerror(errno);
      return false;
    }
    text << in.rdbuf();
  }
  content = text.str();
  return true;
}

// Asks for the password on the terminal without showing it.
std::optional<std::string> PromptPassword(const std::string& prompt) {
  const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0)
    return std::nullopt;
  struct termios saved {};
  const bool isTerminal = ::tcgetattr(fd, &saved) == 0;
  if (isTerminal) {
    struct termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ICANON;
    ::tcsetattr(fd, TCSAFLUSH, &quiet);
  }
  [[maybe_unused]] ssize_t written = ::write(fd, prompt.data(), prompt.size());
  std::string password;
  char ch = 0;
  while (::read(fd, &ch, 1) == 1 && ch != '\n' && ch != '\r')
    password.push_back(ch);
  written = ::write(fd, "\n", 1);
  if (isTerminal)
    ::tcsetattr(fd, TCSAFLUSH, &saved);
  ::close(fd);
  return password;
}

std::string EditorTitle(const Options& options, const EditorText& editor) {
  std::string title = options.file == "-" ? "(standard input)" : options.file;
  if (options.block)
    title += "  " + std::string(options.column ? "column block " : "block ") + *options.block;
  else if (editor.LineCount() > 0)
    title += "  the whole file";
  else
    title += "  (empty)";
  return title;
}

int Run(int argc, char** argv) {
  std::setlocale(LC_CTYPE, "");
  const bool utf8 = std::strcmp(::nl_langinfo(CODESET), "UTF-8") == 0;

  Options options;
  std::string error;
  if (!ParseOptions(argc - 1, argv + 1, options, error)) {
    std::cerr << "kestrin: " << error << "\nTry 'kestrin --help'.\n";
    return kExitUsage;
  }
  if (options.help) {
    std::cout << HelpText();
    return kExitReport;
  }

  const std::string directory = ProgramDirectory();
#ifdef KESTRIN_BUILT_MODULE
  const char* builtModule = KESTRIN_BUILT_MODULE;
#else
  const char* builtModule = nullptr;
#endif
#ifdef KESTRIN_BUILT_LANGUAGE_FILE
  const char* builtLanguage = KESTRIN_BUILT_LANGUAGE_FILE;
#else
  const char* builtLanguage = nullptr;
#endif
#ifdef KESTRIN_BUILT_DEMO_DATABASE
  const char* builtDemo = KESTRIN_BUILT_DEMO_DATABASE;
#else
  const char* builtDemo = nullptr;
#endif

  const std::string modulePath = Locate(options.modulePath, directory + "/kestrin.so", builtModule);
  if (modulePath.empty())
    return Fail("cannot find the plugin module kestrin.so; name it with --module");
  const std::string languagePath =
      Locate(options.langFile, directory + "/kestrin_eng.lng", builtLanguage);
  if (languagePath.empty())
    return Fail("cannot find the language file kestrin_eng.lng; name it with --lang");
  std::vector<std::string> messages;
  if (!ReadLanguageFile(languagePath, kMessagesNeeded, messages, error))
    return Fail(error);

  // The module binds the client library named here on its first logon.
  if (!options.ociLibrary.empty()) {
    ::setenv("KESTRIN_OCI_LIBRARY", options.ociLibrary.c_str(), 1);
  } else if (const char* named = std::getenv("KESTRIN_OCI_LIBRARY"); !named || !named[0]) {
    const std::string demo = Locate("", directory + "/libkestrin-oracle-sim.so", builtDemo);
    if (!demo.empty())
      ::setenv("KESTRIN_OCI_LIBRARY", demo.c_str(), 1);
  }

  std::string content;
  if (!ReadInput(options.file, content, error))
    return Fail(error);
  EditorText editor(content);
  BlockSpec block;
  if (options.block && !ParseBlock(*options.block, options.column, block, error))
    return Fail(error);
  if (!editor.Select(block, error))
    return Fail(error);

  DialogInput input;
  input.alias = options.alias;
  input.user = options.user;
  input.planTable = options.planTable;
  input.skipSymbols = options.skipSymbols;
  input.comments = options.comments;
  input.autoDisconnect = options.autoDisconnect;
  input.build = options.build;
  input.drop = options.drop;
  input.dropAnswer = options.dropAnswer;
  if (const char* password = std::getenv("KESTRIN_PASSWORD"))
    input.password = password;

  Terminal terminal;
  const bool interactive = !options.yes && ::isatty(STDIN_FILENO);
  const bool colour = std::getenv("NO_COLOR") == nullptr &&
                      !(std::getenv("TERM") && std::strcmp(std::getenv("TERM"), "dumb") == 0);

  LoadedModule module;
  if (!LoadModule(modulePath, module, error))
    return Fail(error);

  // The screen model takes the terminal's size, so the terminal opens first.
  const bool onTerminal = interactive && terminal.Open(utf8, colour);
  int status = kExitNoReport;
  {
    ConsoleHost host(std::move(messages), editor, EditorTitle(options, editor), input,
                     onTerminal ? &terminal : nullptr, std::cerr, utf8 && ::isatty(STDERR_FILENO));
    if (!onTerminal)
      host.SetPasswordPrompt(PromptPassword);

    PluginStartupInfo record;
    host.FillStartupInfo(record, modulePath);
    module.setStartupInfo(&record);

    PluginInfo info;
    std::memset(&info, 0, sizeof info);
    info.StructSize = sizeof info;
    module.getPluginInfo(&info);
    if ((info.Flags & kPluginFlagEditor) == 0 || info.PluginMenuStringsNumber < 1 ||
        info.PluginMenuStrings == nullptr || info.PluginMenuStrings[0] == nullptr) {
      terminal.Close();
      module.exitFar();
      UnloadModule(module);
      return Fail("the plugin module offers no item in the editor's plugin menu");
    }
    host.SetMenuText(info.PluginMenuStrings[0]);
    terminal.SetTitle(SplitHotkey(info.PluginMenuStrings[0]).shown + " - " +
                      EditorTitle(options, editor));

    // As in the file manager's editor, the plugin can be picked again after
    // its report: the password and a held session are still there.
    const bool toTerminal = ::isatty(STDOUT_FILENO);
    host.DrawEditor();
    do {
      module.openPlugin(kOpenFromEditor, 0);
      const std::vector<ViewRequest> views = host.TakeViewRequests();
      if (!views.empty() && toTerminal)
        terminal.Suspend();
      for (const ViewRequest& view : views)
        if (ShowReport(view, toTerminal, std::cout))
          status = kExitReport;
      if (!views.empty() && toTerminal)
        terminal.Resume();
    } while (host.WaitForNextCommand());
    terminal.Close();
    module.exitFar();
  }
  UnloadModule(module);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  return Run(argc, argv);
}
