// A Platform for tests: an in-memory registry that records every operation in
// order, a local time the test sets, a temporary directory of the test's own,
// and switches that make each operation fail. The report stream and unique
// file names are the POSIX platform's, working in the test's directory.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "oracle/OciCalls.h"
#include "platform/posix/PosixPlatform.h"

namespace kestrin::test {

struct RegistryValue {
  std::uint32_t type = 0;
  std::string data;  // the stored bytes, exactly
};

class FakePlatform : public PosixPlatform {
 public:
  // Makes a fresh temporary directory for the test; removes it afterwards.
  FakePlatform();
  ~FakePlatform() override;

  // --- Registry -------------------------------------------------------------
  // key path -> value name -> value
  std::map<std::string, std::map<std::string, RegistryValue>> registry;
  // "open PATH", "open-failed PATH", "create PATH", "query NAME", "set NAME",
  // "close PATH", in order.
  std::vector<std::string> registryLog;
  bool failCreateKey = false;
  bool failSetValue = false;

  RegistryKey OpenKey(const char* path) override;
  RegistryKey CreateKey(const char* path) override;
  bool QueryValue(RegistryKey key, const char* name, std::uint32_t* type, void* data,
                  std::uint32_t* size) override;
  bool SetValue(RegistryKey key, const char* name, std::uint32_t type, const void* data,
                std::uint32_t size) override;
  void CloseKey(RegistryKey key) override;

  // --- Time and files -------------------------------------------------------
  LocalTime now{1999, 7, 4, 9, 5, 3, 7};
  LocalTime GetLocalTime() override { return now; }

  std::string tempDir;  // ends in '/'
  bool failTempPath = false;
  bool failTempFileName = false;
  bool failReportOpen = false;
  std::uint32_t injectedError = 0;  // the last error a failure above reports

  std::uint32_t GetTempPath(std::uint32_t size, char* buffer) override;
  std::uint32_t GetTempFileName(const char* directory, const char* prefix, std::uint32_t unique,
                                char* out) override;
  OutputFile& ReportFile() override;

  // --- Client library -------------------------------------------------------
  // The table BindClientLibrary hands out; with `bindFailure` set it fails
  // with that reason instead.
  OciCalls calls{};
  std::string bindFailure;
  int bindAttempts = 0;
  bool BindClientLibrary(OciCalls& out, char* reason, std::size_t capacity) override;

  // The files in the test's VerUdor directory.
  std::vector<std::string> ReportFiles() const;

 private:
  class FailingOpenFile;
  struct OpenKeyRecord {
    std::string path;
    bool writable;
  };
  std::vector<OpenKeyRecord*> openKeys_;
  std::unique_ptr<FailingOpenFile> failingFile_;
};

}  // namespace kestrin::test
