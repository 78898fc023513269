#include "LanguageFile.h"

#include <fstream>
#include <sstream>

namespace kestrin::console {

std::vector<std::string> ParseLanguageFile(std::string_view content) {
  // A byte-order mark written by some editors is not part of the header.
  if (content.substr(0, 3) == "\xEF\xBB\xBF")
    content.remove_prefix(3);
  std::vector<std::string> messages;
  while (!content.empty()) {
    const std::size_t feed = content.find('\n');
    std::string_view line = content.substr(0, feed);
    content = feed == std::string_view::npos ? std::string_view{} : content.substr(feed + 1);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] != '"')
      continue;
    const std::size_t last = line.rfind('"');
    messages.emplace_back(last > first ? line.substr(first + 1, last - first - 1)
                                       : line.substr(first + 1));
  }
  return messages;
}

bool ReadLanguageFile(const std::string& path, std::size_t needed,
                      std::vector<std::string>& messages, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read the language file " + path;
    return false;
  }
  std::ostringstream content;
  content << in.rdbuf();
  messages = ParseLanguageFile(content.str());
  if (messages.size() < needed) {
    error = "the language file " + path + " holds " + std::to_string(messages.size()) +
            " messages; " + std::to_string(needed) + " are needed";
    return false;
  }
  return true;
}

}  // namespace kestrin::console
