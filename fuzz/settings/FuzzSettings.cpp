// Any bytes given as a registry file: reading them never fails hard, and what
// was read, written out and read again is the same keys and values, written
// out the same way.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/posix/RegistryFile.h"

namespace {

bool Same(const kestrin::RegistryContents& a, const kestrin::RegistryContents& b) {
  if (a.keys.size() != b.keys.size())
    return false;
  for (std::size_t k = 0; k < a.keys.size(); ++k) {
    const auto& x = a.keys[k];
    const auto& y = b.keys[k];
    if (x.path != y.path || x.values.size() != y.values.size())
      return false;
    for (std::size_t v = 0; v < x.values.size(); ++v) {
      if (x.values[v].name != y.values[v].name || x.values[v].type != y.values[v].type ||
          x.values[v].data != y.values[v].data) {
        return false;
      }
    }
  }
  return true;
}

// Reads, writes and reads again; stops the run when the two readings differ.
void RoundTrip(std::string_view text) {
  kestrin::RegistryContents first;
  if (!kestrin::ParseRegistryText(text, first)) {
    if (!first.keys.empty())
      std::abort();  // a refused text must leave nothing behind
    return;
  }
  const std::string written = kestrin::FormatRegistryText(first);
  kestrin::RegistryContents second;
  if (!kestrin::ParseRegistryText(written, second) || !Same(first, second) ||
      kestrin::FormatRegistryText(second) != written) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  RoundTrip(text);
  // The same bytes as the body of a file with a header and a key, so that
  // the value forms are reached without first guessing the header.
  RoundTrip("REGEDIT4\n[HKEY_CURRENT_USER\\Software]\n" + std::string(text));
  return 0;
}
