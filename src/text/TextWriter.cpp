#include "text/TextWriter.h"

#include <cstdio>
#include <cstring>

namespace kestrin {

bool TextWriter::Append(std::string_view text) {
  const std::size_t room = capacity_ - 1 - position_;
  const std::size_t n = text.size() <= room ? text.size() : room;
  std::memcpy(buffer_ + position_, text.data(), n);
  position_ += n;
  if (n < text.size()) {
    overflowed_ = true;
    return false;
  }
  return true;
}

bool TextWriter::AppendChar(char c) {
  return Append(std::string_view(&c, 1));
}

namespace {

// Reads one integer conversion request at format[at] (just past the '%').
// On success fills `request` with a printf request of our own making (flags, width,
// precision and the conversion) and returns the length consumed.
std::size_t ReadIntegerSpec(std::string_view format, std::size_t at, char (&request)[32],
                            char& conversion) {
  std::size_t i = at;
  std::size_t out = 0;
  request[out++] = '%';
  while (i < format.size() && std::strchr("-+ #0", format[i]) != nullptr && out < 8) {
    request[out++] = format[i++];
  }
  for (int digits = 0; i < format.size() && format[i] >= '0' && format[i] <= '9'; ++digits) {
    if (digits >= 3)
      return 0;  // no width beyond what any message needs
    request[out++] = format[i++];
  }
  if (i < format.size() && format[i] == '.') {
    request[out++] = format[i++];
    for (int digits = 0; i < format.size() && format[i] >= '0' && format[i] <= '9'; ++digits) {
      if (digits >= 3)
        return 0;
      request[out++] = format[i++];
    }
  }
  // Length modifiers are accepted and dropped: the value is always 32 bits.
  while (i < format.size() && (format[i] == 'l' || format[i] == 'h'))
    ++i;
  if (i >= format.size() || std::strchr("diuxXo", format[i]) == nullptr)
    return 0;
  conversion = format[i];
  request[out++] = conversion;
  request[out] = '\0';
  return i + 1 - at;
}

}  // namespace

bool TextWriter::AppendFormattedInteger(std::string_view format, std::int64_t value) {
  bool used = false;
  bool whole = true;
  std::size_t i = 0;
  while (i < format.size()) {
    const std::size_t next = format.find('%', i);
    if (next == std::string_view::npos) {
      whole &= Append(format.substr(i));
      break;
    }
    whole &= Append(format.substr(i, next - i));
    if (next + 1 < format.size() && format[next + 1] == '%') {
      whole &= AppendChar('%');
      i = next + 2;
      continue;
    }
    char request[32];
    char conversion = 0;
    const std::size_t length = used ? 0 : ReadIntegerSpec(format, next + 1, request, conversion);
    if (length == 0) {
      whole &= AppendChar('%');
      i = next + 1;
      continue;
    }
    char number[64];
    const bool isSigned = conversion == 'd' || conversion == 'i';
    const int n = isSigned
                      ? std::snprintf(number, sizeof number, request, static_cast<int>(value))
                      : std::snprintf(number, sizeof number, request,
                                      static_cast<unsigned>(static_cast<std::uint32_t>(value)));
    if (n > 0)
      whole &= Append(std::string_view(number, std::strlen(number)));
    used = true;
    i = next + 1 + length;
  }
  return whole;
}

bool TextWriter::AppendPattern(std::string_view pattern,
                               std::initializer_list<std::string_view> args) {
  auto arg = args.begin();
  bool whole = true;
  std::size_t i = 0;
  while (i < pattern.size()) {
    const std::size_t next = pattern.find("%s", i);
    if (next == std::string_view::npos || arg == args.end()) {
      whole &= Append(pattern.substr(i));
      break;
    }
    whole &= Append(pattern.substr(i, next - i));
    whole &= Append(*arg++);
    i = next + 2;
  }
  return whole;
}

}  // namespace kestrin
