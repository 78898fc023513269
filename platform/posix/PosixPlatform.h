// The Platform seam on POSIX systems: the console host's and the native
// tests' module. Its registry is a file of our own in the Windows registry's
// export format; the report files are created for the user alone; the client
// library is a shared library named by KESTRIN_OCI_LIBRARY.
#pragma once

#include <array>
#include <cstdint>

#include "platform/CrLfOutputFile.h"
#include "platform/Platform.h"
#include "platform/posix/RegistryFile.h"

namespace kestrin {

// The report stream over a file descriptor, with LF written as CR LF and a
// fixed buffer flushed at every line end.
class PosixOutputFile final : public CrLfOutputFile {
 public:
  ~PosixOutputFile() override;
  bool Open(const char* path) override;
  void Close() override;

 private:
  bool IsOpen() const override { return fd_ >= 0; }
  std::size_t WriteBytes(const char* data, std::size_t size) override;

  int fd_ = -1;
};

class PosixPlatform : public Platform {
 public:
  PosixPlatform();
  ~PosixPlatform() override;

  RegistryKey OpenKey(const char* path) override;
  RegistryKey CreateKey(const char* path) override;
  bool QueryValue(RegistryKey key, const char* name, std::uint32_t* type, void* data,
                  std::uint32_t* size) override;
  bool SetValue(RegistryKey key, const char* name, std::uint32_t type, const void* data,
                std::uint32_t size) override;
  void CloseKey(RegistryKey key) override;

  LocalTime GetLocalTime() override;
  char PathSeparator() const override { return '/'; }
  std::uint32_t GetTempPath(std::uint32_t size, char* buffer) override;
  bool CreateDirectory(const char* path) override;
  std::uint32_t GetTempFileName(const char* directory, const char* prefix, std::uint32_t unique,
                                char* out) override;
  std::uint32_t GetLastError() override { return lastError_; }
  OutputFile& ReportFile() override { return reportFile_; }
  bool BindClientLibrary(OciCalls& calls, char* reason, std::size_t capacity) override;

 protected:
  std::uint32_t lastError_ = 0;

 private:
  PosixOutputFile reportFile_;
  RegistryFile registry_;
  void* library_ = nullptr;
  std::uint32_t nameCounter_ = 0;
};

}  // namespace kestrin
