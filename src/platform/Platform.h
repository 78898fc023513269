// The seam between the portable core and the operating system. Everything the
// module needs of the system goes through this one interface: the settings
// store (the registry of the current user), the local time, the temporary
// directory, unique report files, the last error code, the report's output
// stream and the binding of the Oracle client library. There is one
// implementation per platform (win32, posix) and tests put in their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "oracle/OciCalls.h"

namespace kestrin {

// Registry value types as the settings store writes them.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

// An open registry key; null is "none".
using RegistryKey = void*;

struct LocalTime {
  int Year = 0;
  int Month = 0;  // 1-12
  int Day = 0;    // 1-31
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Milliseconds = 0;
};

// The report's output stream: a text-mode file. Every line feed written is
// stored as carriage return plus line feed, on every platform.
class OutputFile {
 public:
  virtual ~OutputFile() = default;

  // Opens `path` for writing, creating the file or cutting it to zero length.
  // Returns true when the stream is in its good state afterwards; on failure
  // nothing is open.
  virtual bool Open(const char* path) = 0;

  // Writes the text; line feeds become CR LF. Failures (a full disk) are not
  // reported: the text that could not be written is lost.
  virtual void Write(std::string_view text) = 0;

  // Writes one line end and flushes, so the line reaches the file now.
  virtual void EndLine() = 0;

  // Flushes and closes the stream; does nothing when nothing is open.
  virtual void Close() = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // --- Registry, in the current user's hive ---------------------------------

  // Opens the existing key `path` with query access. Returns the key, or null
  // when it does not exist or cannot be opened.
  virtual RegistryKey OpenKey(const char* path) = 0;

  // Opens the key `path` with write access, creating it and every missing key
  // above it. Returns the key, or null when that fails.
  virtual RegistryKey CreateKey(const char* path) = 0;

  // Copies the data of value `name` into `data`, whose size `*size` gives in
  // bytes, and reports its type. On success `*size` becomes the data's size.
  // Returns false when the value is missing or its data is larger than
  // `*size`; `data` may then have been written over (the Windows registry
  // leaves it undefined), so a caller puts its own value there.
  virtual bool QueryValue(RegistryKey key, const char* name, std::uint32_t* type, void* data,
                          std::uint32_t* size) = 0;

  // Stores value `name` with its type and `size` bytes of data. Returns false
  // when it could not be stored.
  virtual bool SetValue(RegistryKey key, const char* name, std::uint32_t type, const void* data,
                        std::uint32_t size) = 0;

  // Releases an open key. A key opened for writing has its values stored by
  // the time this returns.
  virtual void CloseKey(RegistryKey key) = 0;

  // --- Time, files, errors ---------------------------------------------------

  // The local time with milliseconds.
  virtual LocalTime GetLocalTime() = 0;

  // The character that separates directories in a path.
  virtual char PathSeparator() const = 0;

  // Writes the temporary directory, ending in the path separator, into
  // `buffer` of `size` bytes. Returns its length, or 0 on failure (the last
  // error says why); a directory that does not fit is a failure.
  virtual std::uint32_t GetTempPath(std::uint32_t size, char* buffer) = 0;

  // Creates the directory with default security (owner-only where the system
  // has the notion). Returns false when it was not created, for instance
  // because it exists.
  virtual bool CreateDirectory(const char* path) = 0;

  // With `unique` 0: picks a file name in `directory` made of `prefix` and a
  // number not yet in use, creates that file empty (for the user alone), and
  // writes its full name into `out` (512 bytes). Returns a non-zero number on
  // success, 0 on failure (the last error says why).
  virtual std::uint32_t GetTempFileName(const char* directory, const char* prefix,
                                        std::uint32_t unique, char* out) = 0;

  // The system's error code of the last failed operation above.
  virtual std::uint32_t GetLastError() = 0;

  // The report's output stream. One stream serves every command, one file at
  // a time.
  virtual OutputFile& ReportFile() = 0;

  // --- The Oracle client library --------------------------------------------

  // Loads the client library (on first need) and fills `calls` with its ten
  // calls. Returns true when all ten were found. On failure `calls` is left
  // incomplete and a one-line reason, naming the library, the missing call
  // when there is one and the system's own reason, is written into `reason`
  // (`capacity` bytes, terminated).
  virtual bool BindClientLibrary(OciCalls& calls, char* reason, std::size_t capacity) = 0;
};

// The platform the module was built for.
Platform& NativePlatform();

}  // namespace kestrin
