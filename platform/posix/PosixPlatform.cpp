#include "platform/posix/PosixPlatform.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "text/FixedText.h"
#include "text/TextWriter.h"

namespace kestrin {

// --- The report stream --------------------------------------------------------

PosixOutputFile::~PosixOutputFile() {
  Close();
}

bool PosixOutputFile::Open(const char* path) {
  Close();
  // The file was made for the user alone by GetTempFileName; a link put in its
  // place is not followed.
  fd_ = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  Discard();
  return fd_ >= 0;
}

std::size_t PosixOutputFile::WriteBytes(const char* data, std::size_t size) {
  for (;;) {
    const ssize_t n = ::write(fd_, data, size);
    if (n < 0 && errno == EINTR)
      continue;
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }
}

void PosixOutputFile::Close() {
  if (fd_ < 0)
    return;
  Flush();
  ::close(fd_);
  fd_ = -1;
}

// --- The platform ---------------------------------------------------------------

PosixPlatform::PosixPlatform() = default;

PosixPlatform::~PosixPlatform() {
  if (library_)
    ::dlclose(library_);
}

RegistryKey PosixPlatform::OpenKey(const char* path) {
  return registry_.OpenKey(path);
}
RegistryKey PosixPlatform::CreateKey(const char* path) {
  return registry_.CreateKey(path);
}
bool PosixPlatform::QueryValue(RegistryKey key, const char* name, std::uint32_t* type, void* data,
                               std::uint32_t* size) {
  return registry_.QueryValue(key, name, type, data, size);
}
bool PosixPlatform::SetValue(RegistryKey key, const char* name, std::uint32_t type,
                             const void* data, std::uint32_t size) {
  return registry_.SetValue(key, name, type, data, size);
}
void PosixPlatform::CloseKey(RegistryKey key) {
  registry_.CloseKey(key);
}

LocalTime PosixPlatform::GetLocalTime() {
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  struct tm parts {};
  ::localtime_r(&now.tv_sec, &parts);
  LocalTime t;
  t.Year = parts.tm_year + 1900;
  t.Month = parts.tm_mon + 1;
  t.Day = parts.tm_mday;
  t.Hour = parts.tm_hour;
  t.Minute = parts.tm_min;
  t.Second = parts.tm_sec;
  t.Milliseconds = static_cast<int>(now.tv_nsec / 1000000);
  return t;
}

std::uint32_t PosixPlatform::GetTempPath(std::uint32_t size, char* buffer) {
  const char* dir = std::getenv("TMPDIR");
  if (dir == nullptr || dir[0] == '\0')
    dir = "/tmp";
  TextWriter path(buffer, size);
  path.Append(dir);
  if (path.Position() == 0 || path.Text().back() != '/')
    path.AppendChar('/');
  path.AppendNul();
  if (path.Overflowed()) {
    lastError_ = ENAMETOOLONG;
    return 0;
  }
  return static_cast<std::uint32_t>(path.Position());
}

bool PosixPlatform::CreateDirectory(const char* path) {
  // The directory name may end in the separator; mkdir accepts that.
  if (::mkdir(path, 0700) == 0)
    return true;
  lastError_ = static_cast<std::uint32_t>(errno);
  return false;
}

std::uint32_t PosixPlatform::GetTempFileName(const char* directory, const char* prefix,
                                             std::uint32_t unique, char* out) {
  // Report files are made only in a real directory of the user's own, so that
  // another user cannot read them or swap the directory for a link. The name
  // is taken without its trailing separators, since with one a link standing
  // in the directory's place would be followed. The copy also lets `out` be
  // the very buffer that holds `directory`.
  char dir[512];
  const std::size_t given = BoundedLength(directory, sizeof dir);
  if (given >= sizeof dir) {
    lastError_ = ENAMETOOLONG;
    return 0;
  }
  std::memcpy(dir, directory, given);
  std::size_t dirLength = given;
  while (dirLength > 1 && dir[dirLength - 1] == '/')
    --dirLength;
  dir[dirLength] = '\0';

  // The checks and the file's creation go through one descriptor of the
  // directory, so what was checked is where the file is made.
  const int dirFd =
      ::open(dirLength > 0 ? dir : ".", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dirFd < 0) {
    lastError_ = static_cast<std::uint32_t>(errno);
    return 0;
  }
  struct stat info {};
  if (::fstat(dirFd, &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
      (info.st_mode & 0077) != 0) {
    lastError_ = EPERM;
    ::close(dirFd);
    return 0;
  }

  const bool needsSeparator = dirLength > 0 && dir[dirLength - 1] != '/';
  std::uint32_t result = 0;
  std::uint32_t error = EEXIST;  // every number tried is in use
  for (int attempt = 0; attempt < 65535; ++attempt) {
    std::uint32_t number = unique;
    if (number == 0) {
      number = ((static_cast<std::uint32_t>(::getpid()) << 8) + ++nameCounter_) & 0xFFFF;
      if (number == 0)
        continue;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%.3s%04X.tmp", prefix, static_cast<unsigned>(number));
    TextWriter path(out, 512);
    path.Append(std::string_view(dir, dirLength));
    if (needsSeparator)
      path.AppendChar('/');
    path.Append(name);
    path.AppendNul();
    if (path.Overflowed()) {
      error = ENAMETOOLONG;
      break;
    }
    if (unique != 0) {
      result = unique;
      break;
    }
    const int fd =
        ::openat(dirFd, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      result = number;
      break;
    }
    if (errno != EEXIST) {
      error = static_cast<std::uint32_t>(errno);
      break;
    }
  }
  ::close(dirFd);
  if (result == 0)
    lastError_ = error;
  return result;
}

bool PosixPlatform::BindClientLibrary(OciCalls& calls, char* reason, std::size_t capacity) {
  const char* name = std::getenv("KESTRIN_OCI_LIBRARY");
  if (name == nullptr || name[0] == '\0')
    name = "libclntsh.so";
  TextWriter why(reason, capacity);
  if (library_ == nullptr) {
    library_ = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) {
      const char* error = ::dlerror();
      why.Append("Cannot load the Oracle client library ");
      why.Append(name);
      why.Append(": ");
      why.Append(error ? error : "unknown reason");
      why.AppendNul();
      return false;
    }
  }
  void* entries[10] = {};
  for (int i = 0; i < 10; ++i) {
    entries[i] = ::dlsym(library_, kOciCallExports[i].name);
    if (entries[i] == nullptr) {
      const char* error = ::dlerror();
      why.Append("The Oracle client library ");
      why.Append(name);
      why.Append(" has no call ");
      why.Append(kOciCallExports[i].name);
      why.Append(": ");
      why.Append(error ? error : "symbol not found");
      why.AppendNul();
      return false;
    }
  }
  AssignOciCalls(calls, entries);
  return true;
}

Platform& NativePlatform() {
  static PosixPlatform platform;
  return platform;
}

}  // namespace kestrin
