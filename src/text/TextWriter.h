// The append-only text writer over a fixed buffer (the module's scratch
// buffer, and anywhere else a text is assembled piece by piece). It never
// writes past the buffer: whatever does not fit is dropped, the writer
// remembers that it overflowed, and one byte is always kept for the
// terminator that AppendNul writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace kestrin {

class TextWriter {
 public:
  // A writer over `capacity` bytes at `buffer`, positioned at the start.
  // `capacity` must be at least 1.
  TextWriter(char* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {}

  // Back to the start of the buffer; clears the overflow mark.
  void Reset() {
    position_ = 0;
    overflowed_ = false;
  }

  // Appends the text, or as much of it as fits before the terminator's byte.
  // Returns true when all of it was written.
  bool Append(std::string_view text);
  bool AppendChar(char c);

  // Writes a terminator at the position without advancing it, so the buffer
  // holds a NUL-terminated text. Always possible.
  void AppendNul() { buffer_[position_] = '\0'; }

  // Appends `format` with its one integer conversion (%d, %i, %u, %x, %X or
  // %o, with flags, width and precision) filled with `value`, and %% as a
  // percent sign. A format comes from a language file, so anything else that
  // looks like a conversion, and any second conversion, is written as it
  // stands rather than read as an instruction. The value is taken as signed
  // for %d and %i and as its 32 bits without sign otherwise.
  bool AppendFormattedInteger(std::string_view format, std::int64_t value);

  // Appends `pattern` with each %s replaced by the next of `args` in order;
  // a %s without an argument left is written as it stands.
  bool AppendPattern(std::string_view pattern, std::initializer_list<std::string_view> args);

  std::size_t Position() const { return position_; }
  // Moves the position back to `position` (at most the current one).
  void Rewind(std::size_t position) {
    if (position < position_)
      position_ = position;
  }
  bool Overflowed() const { return overflowed_; }
  const char* Data() const { return buffer_; }
  std::string_view Text() const { return {buffer_, position_}; }
  std::size_t Capacity() const { return capacity_; }

 private:
  char* buffer_;
  std::size_t capacity_;
  std::size_t position_ = 0;
  bool overflowed_ = false;
};

}  // namespace kestrin
