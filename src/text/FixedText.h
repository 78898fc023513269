// Fixed-size NUL-terminated text fields and the bounded operations on them.
// Every write into such a field keeps within its size and leaves it
// terminated; a text that does not fit is cut and the operation says so.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace kestrin {

template <std::size_t N>
using FixedText = std::array<char, N>;

// The length of a NUL-terminated text in a buffer of `capacity` bytes; a
// buffer without a terminator counts as `capacity` long.
inline std::size_t BoundedLength(const char* text, std::size_t capacity) {
  const void* end = std::memchr(text, '\0', capacity);
  return end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : capacity;
}

// Copies `source` into `dest` (capacity bytes, at least 1) and terminates it.
// Returns true when the whole text fit; false when it was cut to capacity - 1.
inline bool CopyText(char* dest, std::size_t capacity, std::string_view source) {
  const bool fits = source.size() < capacity;
  const std::size_t n = fits ? source.size() : capacity - 1;
  std::memmove(dest, source.data(), n);
  dest[n] = '\0';
  return fits;
}

template <std::size_t N>
bool SetText(FixedText<N>& dest, std::string_view source) {
  return CopyText(dest.data(), N, source);
}

// The text of a field, up to its terminator (or its whole size without one).
template <std::size_t N>
std::string_view View(const FixedText<N>& text) {
  return {text.data(), BoundedLength(text.data(), N)};
}

template <std::size_t N>
bool IsEmpty(const FixedText<N>& text) {
  return text[0] == '\0';
}

}  // namespace kestrin
