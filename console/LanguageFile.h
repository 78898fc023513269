// The host's language files: the module's numbered messages, one quoted text
// a line in number order, after a ".Language=" header. Lines that do not
// begin with a double quote (the header, "//" comments, blank lines) carry no
// message.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrin::console {

// The messages of a language file's content: for each message line the text
// between its first and its last double quote, in order.
std::vector<std::string> ParseLanguageFile(std::string_view content);

// Reads the language file at `path`. Returns false with a one-line reason in
// `error` when it cannot be read or holds fewer than `needed` messages.
bool ReadLanguageFile(const std::string& path, std::size_t needed,
                      std::vector<std::string>& messages, std::string& error);

}  // namespace kestrin::console
