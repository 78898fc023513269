#include "fakes/FakePlatform.h"

#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "text/FixedText.h"

namespace kestrin::test {

namespace fs = std::filesystem;

class FakePlatform::FailingOpenFile final : public OutputFile {
 public:
  explicit FailingOpenFile(OutputFile& real) : real_(real) {}
  bool fail = false;
  bool Open(const char* path) override { return fail ? false : real_.Open(path); }
  void Write(std::string_view text) override { real_.Write(text); }
  void EndLine() override { real_.EndLine(); }
  void Close() override { real_.Close(); }

 private:
  OutputFile& real_;
};

FakePlatform::FakePlatform() {
  std::string pattern = (fs::temp_directory_path() / "kestrin-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("mkdtemp failed");
  tempDir = pattern + "/";
}

FakePlatform::~FakePlatform() {
  for (auto* key : openKeys_)
    delete key;
  std::error_code ignored;
  fs::remove_all(tempDir, ignored);
}

RegistryKey FakePlatform::OpenKey(const char* path) {
  if (registry.find(path) == registry.end()) {
    registryLog.push_back(std::string("open-failed ") + path);
    return nullptr;
  }
  registryLog.push_back(std::string("open ") + path);
  auto* key = new OpenKeyRecord{path, false};
  openKeys_.push_back(key);
  return key;
}

RegistryKey FakePlatform::CreateKey(const char* path) {
  if (failCreateKey) {
    registryLog.push_back(std::string("create-failed ") + path);
    return nullptr;
  }
  registryLog.push_back(std::string("create ") + path);
  registry[path];
  auto* key = new OpenKeyRecord{path, true};
  openKeys_.push_back(key);
  return key;
}

bool FakePlatform::QueryValue(RegistryKey key, const char* name, std::uint32_t* type, void* data,
                              std::uint32_t* size) {
  auto* k = static_cast<OpenKeyRecord*>(key);
  registryLog.push_back(std::string("query ") + name);
  const auto& values = registry[k->path];
  const auto found = values.find(name);
  if (found == values.end() || found->second.data.size() > *size)
    return false;
  *type = found->second.type;
  *size = static_cast<std::uint32_t>(found->second.data.size());
  std::memcpy(data, found->second.data.data(), found->second.data.size());
  return true;
}

bool FakePlatform::SetValue(RegistryKey key, const char* name, std::uint32_t type, const void* data,
                            std::uint32_t size) {
  auto* k = static_cast<OpenKeyRecord*>(key);
  registryLog.push_back(std::string("set ") + name);
  if (failSetValue || !k->writable)
    return false;
  registry[k->path][name] = RegistryValue{type, std::string(static_cast<const char*>(data), size)};
  return true;
}

void FakePlatform::CloseKey(RegistryKey key) {
  auto* k = static_cast<OpenKeyRecord*>(key);
  registryLog.push_back("close " + k->path);
  std::erase(openKeys_, k);
  delete k;
}

std::uint32_t FakePlatform::GetTempPath(std::uint32_t size, char* buffer) {
  if (failTempPath) {
    lastError_ = injectedError;
    return 0;
  }
  if (!CopyText(buffer, size, tempDir)) {
    lastError_ = 36;
    return 0;
  }
  return static_cast<std::uint32_t>(tempDir.size());
}

std::uint32_t FakePlatform::GetTempFileName(const char* directory, const char* prefix,
                                            std::uint32_t unique, char* out) {
  if (failTempFileName) {
    lastError_ = injectedError;
    return 0;
  }
  return PosixPlatform::GetTempFileName(directory, prefix, unique, out);
}

OutputFile& FakePlatform::ReportFile() {
  if (!failingFile_)
    failingFile_ = std::make_unique<FailingOpenFile>(PosixPlatform::ReportFile());
  failingFile_->fail = failReportOpen;
  return *failingFile_;
}

bool FakePlatform::BindClientLibrary(OciCalls& out, char* reason, std::size_t capacity) {
  ++bindAttempts;
  if (!bindFailure.empty()) {
    CopyText(reason, capacity, bindFailure);
    return false;
  }
  out = calls;
  return true;
}

std::vector<std::string> FakePlatform::ReportFiles() const {
  std::vector<std::string> files;
  std::error_code ignored;
  const fs::path dir = fs::path(tempDir) / "VerUdor";
  if (!fs::exists(dir, ignored))
    return files;
  for (const auto& entry : fs::directory_iterator(dir, ignored)) {
    files.push_back(entry.path().string());
  }
  return files;
}

}  // namespace kestrin::test
