// The console host's command line: the file and block to explain, the values
// to type into the connection dialog, how to answer it and the boxes, and
// where the module, its language file and the client library are.
#pragma once

#include <optional>
#include <string>

namespace kestrin::console {

struct Options {
  bool help = false;
  std::string file;                  // "-" reads standard input
  std::optional<std::string> block;  // as typed; absent: the whole file
  bool column = false;

  // Typed into the connection dialog's fields before it is shown.
  std::optional<std::string> alias;
  std::optional<std::string> user;
  std::optional<std::string> planTable;
  std::optional<std::string> skipSymbols;
  std::optional<std::string> comments;
  std::optional<bool> autoDisconnect;
  std::optional<bool> build;
  std::optional<bool> drop;

  bool yes = false;                // press the default button, answer every box
  std::optional<bool> dropAnswer;  // the drop question's answer: true drops

  std::string modulePath;  // empty: the host's own choice
  std::string ociLibrary;
  std::string langFile;
};

// Reads the arguments after the program's name. Options take their value as
// "--name=value" or as the next argument. Returns false with a one-line reason
// in `error` for an unknown option, a missing or bad value, or a missing or
// surplus file argument. "--help" needs no file.
bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error);

// The text --help prints.
std::string HelpText();

}  // namespace kestrin::console
