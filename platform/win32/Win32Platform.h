// The Platform seam on Windows: the registry of the current user, the
// system's local time, temporary directory and unique file names, a text-mode
// report stream, and OCIW32.dll bound by ordinal.
#pragma once

#include <array>
#include <cstdint>

#include "platform/CrLfOutputFile.h"
#include "platform/Platform.h"

namespace kestrin {

class Win32OutputFile final : public CrLfOutputFile {
 public:
  ~Win32OutputFile() override;
  bool Open(const char* path) override;
  void Close() override;

 private:
  bool IsOpen() const override { return handle_ != nullptr; }
  std::size_t WriteBytes(const char* data, std::size_t size) override;

  void* handle_ = nullptr;  // INVALID_HANDLE_VALUE is kept as null
};

class Win32Platform final : public Platform {
 public:
  ~Win32Platform() override;

  RegistryKey OpenKey(const char* path) override;
  RegistryKey CreateKey(const char* path) override;
  bool QueryValue(RegistryKey key, const char* name, std::uint32_t* type, void* data,
                  std::uint32_t* size) override;
  bool SetValue(RegistryKey key, const char* name, std::uint32_t type, const void* data,
                std::uint32_t size) override;
  void CloseKey(RegistryKey key) override;

  LocalTime GetLocalTime() override;
  char PathSeparator() const override { return '\\'; }
  std::uint32_t GetTempPath(std::uint32_t size, char* buffer) override;
  bool CreateDirectory(const char* path) override;
  std::uint32_t GetTempFileName(const char* directory, const char* prefix, std::uint32_t unique,
                                char* out) override;
  std::uint32_t GetLastError() override;
  OutputFile& ReportFile() override { return reportFile_; }
  bool BindClientLibrary(OciCalls& calls, char* reason, std::size_t capacity) override;

 private:
  Win32OutputFile reportFile_;
  void* library_ = nullptr;
};

}  // namespace kestrin
