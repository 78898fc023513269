#include "platform/win32/Win32Platform.h"

#include <windows.h>
// The seam's operations share their names with the system's A/W macros.
#undef CreateDirectory
#undef GetTempPath
#undef GetTempFileName

#include <cstdio>

#include "text/TextWriter.h"

namespace kestrin {

// --- The report stream --------------------------------------------------------

Win32OutputFile::~Win32OutputFile() {
  Close();
}

bool Win32OutputFile::Open(const char* path) {
  Close();
  HANDLE file = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  handle_ = file;
  Discard();
  return true;
}

std::size_t Win32OutputFile::WriteBytes(const char* data, std::size_t size) {
  DWORD written = 0;
  if (!::WriteFile(static_cast<HANDLE>(handle_), data, static_cast<DWORD>(size), &written, nullptr))
    return 0;
  return written;
}

void Win32OutputFile::Close() {
  if (handle_ == nullptr)
    return;
  Flush();
  ::CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
}

// --- The platform ---------------------------------------------------------------

Win32Platform::~Win32Platform() {
  if (library_)
    ::FreeLibrary(static_cast<HMODULE>(library_));
}

RegistryKey Win32Platform::OpenKey(const char* path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

RegistryKey Win32Platform::CreateKey(const char* path) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        &disposition) != ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

bool Win32Platform::QueryValue(RegistryKey key, const char* name, std::uint32_t* type, void* data,
                               std::uint32_t* size) {
  DWORD valueType = 0;
  DWORD valueSize = *size;
  if (::RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, &valueType,
                         static_cast<BYTE*>(data), &valueSize) != ERROR_SUCCESS) {
    return false;
  }
  *type = valueType;
  *size = valueSize;
  return true;
}

bool Win32Platform::SetValue(RegistryKey key, const char* name, std::uint32_t type,
                             const void* data, std::uint32_t size) {
  return ::RegSetValueExA(static_cast<HKEY>(key), name, 0, type, static_cast<const BYTE*>(data),
                          size) == ERROR_SUCCESS;
}

void Win32Platform::CloseKey(RegistryKey key) {
  if (key)
    ::RegCloseKey(static_cast<HKEY>(key));
}

LocalTime Win32Platform::GetLocalTime() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  LocalTime t;
  t.Year = now.wYear;
  t.Month = now.wMonth;
  t.Day = now.wDay;
  t.Hour = now.wHour;
  t.Minute = now.wMinute;
  t.Second = now.wSecond;
  t.Milliseconds = now.wMilliseconds;
  return t;
}

std::uint32_t Win32Platform::GetTempPath(std::uint32_t size, char* buffer) {
  const DWORD length = ::GetTempPathA(size, buffer);
  // A result of at least `size` is the size the directory would need.
  if (length >= size) {
    if (size > 0)
      buffer[0] = '\0';
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  return length;
}

bool Win32Platform::CreateDirectory(const char* path) {
  return ::CreateDirectoryA(path, nullptr) != 0;
}

std::uint32_t Win32Platform::GetTempFileName(const char* directory, const char* prefix,
                                             std::uint32_t unique, char* out) {
  // The service writes up to MAX_PATH characters; `out` holds 512.
  static_assert(MAX_PATH < 512);
  return ::GetTempFileNameA(directory, prefix, unique, out);
}

std::uint32_t Win32Platform::GetLastError() {
  return ::GetLastError();
}

bool Win32Platform::BindClientLibrary(OciCalls& calls, char* reason, std::size_t capacity) {
  constexpr const char* kLibrary = "OCIW32.dll";
  TextWriter why(reason, capacity);
  const auto explain = [&](const char* what, const char* call) {
    const DWORD error = ::GetLastError();
    why.Append(what);
    if (call)
      why.Append(call);
    char text[256] = {};
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, error, 0, text, sizeof text, nullptr);
    why.Append(": ");
    if (n > 0) {
      // The system's text ends in a line end; the reason is one line.
      std::string_view message(text, n);
      while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                  message.back() == ' ' || message.back() == '.')) {
        message.remove_suffix(1);
      }
      why.Append(message);
    } else {
      char code[32];
      std::snprintf(code, sizeof code, "system error %lu", static_cast<unsigned long>(error));
      why.Append(code);
    }
    why.AppendNul();
  };
  if (library_ == nullptr) {
    library_ = ::LoadLibraryA(kLibrary);
    if (library_ == nullptr) {
      explain("Cannot load the Oracle client library OCIW32.dll", nullptr);
      return false;
    }
  }
  void* entries[10] = {};
  for (int i = 0; i < 10; ++i) {
    FARPROC entry = ::GetProcAddress(static_cast<HMODULE>(library_),
                                     MAKEINTRESOURCEA(kOciCallExports[i].ordinal));
    if (entry == nullptr) {
      explain("The Oracle client library OCIW32.dll has no call ", kOciCallExports[i].name);
      // Let go of the incomplete library, so that the next logon loads
      // whatever OCIW32.dll is found by then.
      ::FreeLibrary(static_cast<HMODULE>(library_));
      library_ = nullptr;
      return false;
    }
    entries[i] = reinterpret_cast<void*>(entry);
  }
  AssignOciCalls(calls, entries);
  return true;
}

Platform& NativePlatform() {
  static Win32Platform platform;
  return platform;
}

}  // namespace kestrin
