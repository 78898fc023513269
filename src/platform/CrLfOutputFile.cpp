#include "platform/CrLfOutputFile.h"

namespace kestrin {

void CrLfOutputFile::Flush() {
  std::size_t done = 0;
  while (IsOpen() && done < used_) {
    const std::size_t n = WriteBytes(buffer_.data() + done, used_ - done);
    if (n == 0)
      break;  // a full disk loses the rest of the line
    done += n;
  }
  used_ = 0;
}

void CrLfOutputFile::Write(std::string_view text) {
  if (!IsOpen())
    return;
  for (char c : text) {
    if (used_ + 2 > buffer_.size())
      Flush();
    if (c == '\n')
      buffer_[used_++] = '\r';
    buffer_[used_++] = c;
  }
}

void CrLfOutputFile::EndLine() {
  Write("\n");
  Flush();
}

}  // namespace kestrin
