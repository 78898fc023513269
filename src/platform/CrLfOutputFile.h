// The part of the report stream that is the same on every platform: text mode
// with every line feed stored as carriage return plus line feed, through a
// fixed buffer that is flushed at every line end. A platform adds opening,
// writing bytes and closing.
#pragma once

#include <array>
#include <cstddef>

#include "platform/Platform.h"

namespace kestrin {

class CrLfOutputFile : public OutputFile {
 public:
  void Write(std::string_view text) final;
  void EndLine() final;

 protected:
  // Hands the buffered bytes to WriteBytes; what cannot be written (a full
  // disk) is dropped. The buffer is empty afterwards.
  void Flush();
  // Empties the buffer without writing it (after an open).
  void Discard() { used_ = 0; }

  virtual bool IsOpen() const = 0;
  // Writes up to `size` bytes. Returns how many were written, 0 on failure.
  virtual std::size_t WriteBytes(const char* data, std::size_t size) = 0;

 private:
  std::size_t used_ = 0;
  std::array<char, 4096> buffer_{};
};

}  // namespace kestrin
