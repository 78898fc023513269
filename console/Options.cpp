#include "Options.h"

#include <string_view>
#include <vector>

namespace kestrin::console {

namespace {

enum class Value { None, Text, Switch, DropAnswer };

struct OptionSpec {
  std::string_view name;
  Value value;
};

constexpr OptionSpec kOptions[] = {
    {"help", Value::None},         {"column", Value::None},      {"yes", Value::None},
    {"alias", Value::Text},        {"user", Value::Text},        {"plan-table", Value::Text},
    {"skip-symbols", Value::Text}, {"comments", Value::Text},    {"auto-disconnect", Value::Switch},
    {"build", Value::Switch},      {"drop", Value::Switch},      {"drop-answer", Value::DropAnswer},
    {"module", Value::Text},       {"oci-library", Value::Text}, {"lang", Value::Text},
};

bool Store(Options& o, std::string_view name, const std::string& value, std::string& error) {
  if (name == "help") {
    o.help = true;
  } else if (name == "column") {
    o.column = true;
  } else if (name == "yes") {
    o.yes = true;
  } else if (name == "alias") {
    o.alias = value;
  } else if (name == "user") {
    o.user = value;
  } else if (name == "plan-table") {
    o.planTable = value;
  } else if (name == "skip-symbols") {
    o.skipSymbols = value;
  } else if (name == "comments") {
    o.comments = value;
  } else if (name == "auto-disconnect" || name == "build" || name == "drop") {
    if (value != "0" && value != "1") {
      error = "--" + std::string(name) + " takes 0 or 1, not '" + value + "'";
      return false;
    }
    (name == "build" ? o.build : name == "drop" ? o.drop : o.autoDisconnect) = value == "1";
  } else if (name == "drop-answer") {
    if (value != "drop" && value != "keep") {
      error = "--drop-answer takes drop or keep, not '" + value + "'";
      return false;
    }
    o.dropAnswer = value == "drop";
  } else if (name == "module") {
    o.modulePath = value;
  } else if (name == "oci-library") {
    o.ociLibrary = value;
  } else if (name == "lang") {
    o.langFile = value;
  }
  return true;
}

}  // namespace

bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error) {
  Options o;
  std::vector<std::string> operands;
  bool optionsEnded = false;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i] ? argv[i] : "";
    if (optionsEnded || arg.size() < 2 || arg.substr(0, 2) != "--") {
      // A lone "-" is standard input, an operand like any file name.
      operands.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string_view name = arg.substr(2);
    std::optional<std::string> value;
    if (const std::size_t eq = name.find('='); eq != std::string_view::npos) {
      value = std::string(name.substr(eq + 1));
      name = name.substr(0, eq);
    }
    if (name == "password") {
      error =
          "the password is never taken from the command line: set KESTRIN_PASSWORD or "
          "type it into the dialog";
      return false;
    }
    const OptionSpec* request = nullptr;
    for (const OptionSpec& candidate : kOptions)
      if (candidate.name == name)
        request = &candidate;
    if (request == nullptr) {
      error = "unknown option --" + std::string(name);
      return false;
    }
    if (request->value == Value::None) {
      if (value) {
        error = "--" + std::string(name) + " takes no value";
        return false;
      }
    } else if (!value) {
      if (i + 1 >= argc || argv[i + 1] == nullptr) {
        error = "--" + std::string(name) + " needs a value";
        return false;
      }
      value = std::string(argv[++i]);
    }
    if (!Store(o, name, value.value_or(""), error))
      return false;
  }
  if (!o.help) {
    if (operands.empty()) {
      error = "no file named: give the file to explain from, or - for standard input";
      return false;
    }
    if (operands.size() > 2) {
      error = "too many arguments: one file and at most one block";
      return false;
    }
    o.file = operands[0];
    if (operands.size() == 2)
      o.block = operands[1];
    if (o.column && !o.block) {
      error = "--column needs a block, as in 12:5-16:40";
      return false;
    }
  }
  options = std::move(o);
  return true;
}

std::string HelpText() {
  return R"(Usage: kestrin [OPTION]... FILE [BLOCK]

Explains the SQL statement in FILE (or in BLOCK of it) with Oracle's EXPLAIN
PLAN: the Kestrin plugin module runs in this console host as it runs in the
file manager's editor, and the report (the statement, its plan and the indexes
of every table the plan touches) is shown in $PAGER, or printed when standard
output is not a terminal.

FILE is a text file with LF or CR LF line ends; - reads standard input.
BLOCK (lines and columns count from 1; a tab is one column):
  12-16          lines 12 to 16
  12             line 12
  12:5-16:40     from line 12 column 5 through line 16 column 40 (included)
  --column with 12:5-16:40   columns 5 to 40 of lines 12 to 16
Without BLOCK the whole file is the block.

The connection dialog: the options below are typed into its fields first.
  --alias=TEXT            the database alias (empty: the default database)
  --user=TEXT             the user name
  --plan-table=TEXT       the plan table's name
  --skip-symbols=TEXT     characters read as blanks (default: " \ ;)
  --comments=LIST         end-of-line comment markers, comma-separated
  --auto-disconnect=0|1   log off after the command
  --build=0|1             create the plan table when it is missing
  --drop=0|1              drop the plan table after use
The password is taken from KESTRIN_PASSWORD or typed into the dialog (with
--yes and no KESTRIN_PASSWORD it is asked for on the terminal), never from the
command line.

Answering:
  --yes                   press the dialog's default button and answer every
                          message box with its first button, without showing
                          them (they are written to standard error)
  --drop-answer=drop|keep answer the question whether to drop a plan table
                          that this command did not create
Without --yes, and with standard input a terminal, the dialog and the boxes
are shown on the terminal: Tab and the arrow keys move, Space toggles a check
box, Enter presses the focused or the default button, Esc cancels, Alt+letter
(or the letter away from an edit line) presses a hot key. After the report
the editor is back: Enter (or F11) picks the plugin again, with the password
and the session kept, and Esc (or F10, or q) quits.

Where things are:
  --module=PATH           the plugin module (default: kestrin.so beside this
                          program, else the one it was built with)
  --lang=FILE             the language file (default: kestrin_eng.lng beside
                          this program)
  --oci-library=PATH      the Oracle client library to use instead of the
                          built-in demo database (also KESTRIN_OCI_LIBRARY)
  --help                  show this text

Environment: KESTRIN_PASSWORD, KESTRIN_OCI_LIBRARY, KESTRIN_REGISTRY (the
settings file; default ~/.config/kestrin/registry.reg), PAGER (default less),
NO_COLOR (boxes in plain and reverse video).

Exit status: 0 when a report was shown, 1 when the command ended without one,
2 when the command line, the file, the module or the language file is wrong.

The demo database is a simulation: a stand-in for the Oracle client library
with the SCOTT demo schema (user scott, password tiger), not Oracle.
)";
}

}  // namespace kestrin::console
