#include "ReportViewer.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

extern char** environ;

namespace kestrin::console {

namespace {

constexpr unsigned kDeleteOnClose = 0x2;
constexpr int kCommandNotFound = 127;

// Runs the pager on the file through the shell, so that PAGER may carry its
// own options ("less -S"). Returns true when the pager ran.
bool RunPager(const std::string& path) {
  const char* pager = std::getenv("PAGER");
  const std::string command =
      std::string("exec ") + (pager && pager[0] ? pager : "less") + " \"$1\"";
  const char* argv[] = {"sh", "-c", command.c_str(), "kestrin-pager", path.c_str(), nullptr};
  pid_t child = 0;
  if (::posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) !=
      0)
    return false;
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR)
      return false;
  }
  return !(WIFEXITED(status) && WEXITSTATUS(status) == kCommandNotFound);
}

bool Print(const std::string& path, std::ostream& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  std::ostringstream content;
  content << in.rdbuf();
  const std::string text = content.str();
  std::string lines;
  lines.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
      continue;
    lines.push_back(text[i]);
  }
  out << lines;
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace

bool ShowReport(const ViewRequest& request, bool toTerminal, std::ostream& out) {
  bool shown = false;
  if (toTerminal)
    shown = RunPager(request.path);
  if (!shown)
    shown = Print(request.path, out);
  if (request.flags & kDeleteOnClose)
    ::unlink(request.path.c_str());
  return shown;
}

}  // namespace kestrin::console
