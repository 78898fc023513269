#include "platform/posix/RegistryFile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unordered_map>

namespace kestrin {

namespace {

constexpr std::string_view kHivePrefix = "HKEY_CURRENT_USER\\";
constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kHeaderVersion5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::uint32_t kTypeText = 1;
constexpr std::uint32_t kTypeBinary = 3;
constexpr std::uint32_t kTypeNumber = 4;
// A settings file is a few hundred bytes; anything near this is not one.
constexpr off_t kLargestFile = 16 * 1024 * 1024;
constexpr int kDamagedCopies = 100;
// Hex lists are wrapped the way the registry editor wraps them.
constexpr std::size_t kLineWidth = 80;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  return s;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

std::string_view Trim(std::string_view s) {
  return TrimRight(TrimLeft(s));
}

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i]))
      return false;
  }
  return true;
}

std::string Folded(std::string_view s) {
  std::string folded(s);
  for (char& c : folded)
    c = LowerAscii(c);
  return folded;
}

// A name a line of the file can hold: no line end or other control byte.
bool IsWritableName(std::string_view name) {
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20)
      return false;
  }
  return true;
}

// A key path: parts separated by backslashes, none empty.
bool IsValidKeyPath(std::string_view path) {
  if (path.empty() || path.front() == '\\' || path.back() == '\\' ||
      path.find("\\\\") != std::string_view::npos) {
    return false;
  }
  return IsWritableName(path);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  c = LowerAscii(c);
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

// One to eight hex digits and nothing else.
bool ParseHexNumber(std::string_view digits, std::uint32_t& value) {
  if (digits.empty() || digits.size() > 8)
    return false;
  value = 0;
  for (char c : digits) {
    const int d = HexDigit(c);
    if (d < 0)
      return false;
    value = (value << 4) | static_cast<std::uint32_t>(d);
  }
  return true;
}

// Reads a quoted text at the start of `s` (which starts with the quote),
// undoing the \\ and \" escapes. Returns the bytes consumed, 0 when the text
// is not closed on this line or holds another escape.
std::size_t ParseQuoted(std::string_view s, std::string& out) {
  out.clear();
  for (std::size_t i = 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"')
      return i + 1;
    if (c == '\\') {
      if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"'))
        return 0;
      out.push_back(s[++i]);
    } else {
      out.push_back(c);
    }
  }
  return 0;
}

void AppendQuoted(std::string& out, std::string_view text) {
  out.push_back('"');
  for (char c : text) {
    if (c == '\\' || c == '"')
      out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
}

// Data that "Name"="text" holds exactly: a terminated text whose bytes stay
// on one line and read well.
bool FitsPlainText(const RegistryEntry& entry) {
  if (entry.type != kTypeText || entry.data.empty() || entry.data.back() != '\0')
    return false;
  for (std::size_t i = 0; i + 1 < entry.data.size(); ++i) {
    const auto c = static_cast<unsigned char>(entry.data[i]);
    if ((c < 0x20 && c != '\t') || c == 0x7F)
      return false;
  }
  return true;
}

// The lines of a text, without their line ends (LF or CR LF).
class LineReader {
 public:
  explicit LineReader(std::string_view text) : rest_(text) {}
  bool Next(std::string_view& line) {
    if (done_)
      return false;
    const std::size_t end = rest_.find('\n');
    if (end == std::string_view::npos) {
      line = rest_;
      done_ = true;
    } else {
      line = rest_.substr(0, end);
      rest_.remove_prefix(end + 1);
    }
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    return true;
  }

 private:
  std::string_view rest_;
  bool done_ = false;
};

// The keys being read, with indexes so that a large file is not quadratic.
class ContentsBuilder {
 public:
  explicit ContentsBuilder(RegistryContents& out) : out_(out) {}

  std::size_t Key(std::string_view path) {
    const auto [found, added] = keys_.try_emplace(Folded(path), out_.keys.size());
    if (added) {
      out_.keys.push_back(RegistrySection{std::string(path), {}});
      values_.emplace_back();
    }
    return found->second;
  }

  void Value(std::size_t key, std::string_view name, std::uint32_t type, std::string data) {
    auto& values = out_.keys[key].values;
    const auto [found, added] = values_[key].try_emplace(Folded(name), values.size());
    if (added) {
      values.push_back(RegistryEntry{std::string(name), type, std::move(data)});
    } else {
      values[found->second].type = type;
      values[found->second].data = std::move(data);
    }
  }

 private:
  RegistryContents& out_;
  std::unordered_map<std::string, std::size_t> keys_;
  std::vector<std::unordered_map<std::string, std::size_t>> values_;
};

// The data of a value line after its '='; hex lists may go on over the
// following lines, each but the last ending in a backslash.
bool ParseData(std::string_view data, LineReader& lines, std::uint32_t& type, std::string& out) {
  out.clear();
  if (!data.empty() && data.front() == '"') {
    const std::size_t used = ParseQuoted(data, out);
    if (used == 0 || !Trim(data.substr(used)).empty())
      return false;
    type = kTypeText;
    out.push_back('\0');
    return true;
  }
  constexpr std::string_view kDword = "dword:";
  if (SameName(data.substr(0, kDword.size()), kDword)) {
    std::uint32_t value = 0;
    if (!ParseHexNumber(Trim(data.substr(kDword.size())), value))
      return false;
    type = kTypeNumber;
    for (int i = 0; i < 4; ++i)
      out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return true;
  }
  constexpr std::string_view kHex = "hex";
  if (!SameName(data.substr(0, kHex.size()), kHex))
    return false;
  data.remove_prefix(kHex.size());
  type = kTypeBinary;
  if (!data.empty() && data.front() == '(') {
    const std::size_t close = data.find(')');
    if (close == std::string_view::npos || !ParseHexNumber(data.substr(1, close - 1), type))
      return false;
    data.remove_prefix(close + 1);
  }
  if (data.empty() || data.front() != ':')
    return false;
  data.remove_prefix(1);

  std::string list;
  for (;;) {
    std::string_view part = TrimRight(data);
    if (part.empty() || part.back() != '\\') {
      list.append(part);
      break;
    }
    part.remove_suffix(1);
    list.append(part);
    std::string_view next;
    if (!lines.Next(next))
      return false;
    data = TrimLeft(next);
  }
  std::string_view items = Trim(list);
  if (items.empty())
    return true;
  for (;;) {
    const std::size_t comma = items.find(',');
    const std::string_view item = Trim(items.substr(0, comma));
    std::uint32_t byte = 0;
    if (item.size() > 2 || !ParseHexNumber(item, byte))
      return false;
    out.push_back(static_cast<char>(byte));
    if (comma == std::string_view::npos)
      return true;
    items.remove_prefix(comma + 1);
  }
}

// --- Files ----------------------------------------------------------------------

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos)
    return ".";
  if (slash == 0)
    return "/";
  return path.substr(0, slash);
}

// Creates the folder and those above it that are missing, for the owner only.
// Folders that exist already keep their modes.
bool MakeFolders(const std::string& folder) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) == 0)
    return S_ISDIR(info.st_mode);
  if (errno != ENOENT)
    return false;
  const std::string parent = ParentOf(folder);
  if (parent != folder && !MakeFolders(parent))
    return false;
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// Copies the bytes of `from` into the new file `to`, which must not exist.
// Returns 1 on success, 0 when `to` exists, -1 on any other failure.
int CopyToNewFile(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (in < 0)
    return -1;
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (out < 0) {
    const int why = errno;
    ::close(in);
    return why == EEXIST ? 0 : -1;
  }
  bool ok = true;
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      ok = false;
    if (n <= 0)
      break;
    if (!WriteAll(out, std::string_view(buffer, static_cast<std::size_t>(n)))) {
      ok = false;
      break;
    }
  }
  ok = ::fsync(out) == 0 && ok;
  ok = ::close(out) == 0 && ok;
  ::close(in);
  if (!ok)
    ::unlink(to.c_str());
  return ok ? 1 : -1;
}

}  // namespace

// --- The text -------------------------------------------------------------------

bool ParseRegistryText(std::string_view text, RegistryContents& out) {
  out.keys.clear();
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
    text.remove_prefix(kByteOrderMark.size());
  ContentsBuilder contents(out);
  LineReader lines(text);
  bool sawHeader = false;
  std::optional<std::size_t> key;
  std::string name;
  std::string data;
  const auto fail = [&out] {
    out.keys.clear();
    return false;
  };
  std::string_view line;
  while (lines.Next(line)) {
    line = Trim(line);
    if (line.empty())
      continue;
    if (!sawHeader) {
      if (line != kHeader && line != kHeaderVersion5)
        return fail();
      sawHeader = true;
      continue;
    }
    if (line.front() == ';')
      continue;
    if (line.front() == '[') {
      if (line.size() < 2 || line.back() != ']')
        return fail();
      const std::string_view path = line.substr(1, line.size() - 2);
      // [-KEY] is an instruction to delete a key, not a key.
      if (!IsValidKeyPath(path) || path.front() == '-')
        return fail();
      key = contents.Key(path);
      continue;
    }
    if (!key || (line.front() != '"' && line.front() != '@'))
      return fail();
    std::size_t used = 1;
    name.clear();
    if (line.front() == '"') {
      used = ParseQuoted(line, name);
      if (used == 0 || !IsWritableName(name))
        return fail();
    }
    std::string_view rest = TrimLeft(line.substr(used));
    if (rest.empty() || rest.front() != '=')
      return fail();
    rest = TrimLeft(rest.substr(1));
    std::uint32_t type = 0;
    if (!ParseData(rest, lines, type, data))
      return fail();
    contents.Value(*key, name, type, std::move(data));
  }
  return true;
}

std::string FormatRegistryText(const RegistryContents& contents) {
  std::string out;
  out.append(kHeader);
  out.append("\n\n");
  char hex[16];
  for (const RegistrySection& key : contents.keys) {
    out.push_back('[');
    out.append(key.path);
    out.append("]\n");
    for (const RegistryEntry& value : key.values) {
      const std::size_t lineStart = out.size();
      if (value.name.empty())
        out.push_back('@');
      else
        AppendQuoted(out, value.name);
      out.push_back('=');
      if (FitsPlainText(value)) {
        AppendQuoted(out, std::string_view(value.data).substr(0, value.data.size() - 1));
      } else if (value.type == kTypeNumber && value.data.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 0; i < 4; ++i)
          number |= static_cast<std::uint32_t>(static_cast<unsigned char>(value.data[i]))
                    << (8 * i);
        std::snprintf(hex, sizeof hex, "dword:%08x", static_cast<unsigned>(number));
        out.append(hex);
      } else {
        if (value.type == kTypeBinary) {
          out.append("hex:");
        } else {
          std::snprintf(hex, sizeof hex, "hex(%x):", static_cast<unsigned>(value.type));
          out.append(hex);
        }
        std::size_t column = out.size() - lineStart;
        for (std::size_t i = 0; i < value.data.size(); ++i) {
          if (i > 0) {
            out.push_back(',');
            ++column;
            // Room for the next byte and a following ",\".
            if (column + 4 > kLineWidth) {
              out.append("\\\n  ");
              column = 2;
            }
          }
          std::snprintf(hex, sizeof hex, "%02x",
                        static_cast<unsigned>(static_cast<unsigned char>(value.data[i])));
          out.append(hex);
          column += 2;
        }
      }
      out.push_back('\n');
    }
    out.push_back('\n');
  }
  return out;
}

// --- The file -------------------------------------------------------------------

RegistryFile::RegistryFile() = default;

RegistryFile::RegistryFile(std::string path) : path_(std::move(path)), pathKnown_(true) {}

std::string RegistryFile::DefaultPath() {
  const char* chosen = std::getenv("KESTRIN_REGISTRY");
  if (chosen != nullptr && chosen[0] != '\0')
    return chosen;
  // A relative XDG_CONFIG_HOME is not valid and is ignored.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/')
    return std::string(config) + "/kestrin/registry.reg";
  const char* home = std::getenv("HOME");
  std::string homeFolder;
  if (home != nullptr && home[0] != '\0') {
    homeFolder = home;
  } else {
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] != '\0') {
      homeFolder = found->pw_dir;
    }
  }
  if (homeFolder.empty())
    return {};
  return homeFolder + "/.config/kestrin/registry.reg";
}

const std::string& RegistryFile::Path() {
  if (!pathKnown_) {
    path_ = DefaultPath();
    pathKnown_ = true;
  }
  return path_;
}

RegistryFile::OpenSlot* RegistryFile::Allocate() {
  for (OpenSlot& slot : slots_) {
    if (!slot.used)
      return &slot;
  }
  return nullptr;
}

RegistryFile::OpenSlot* RegistryFile::Find(void* key) {
  for (OpenSlot& slot : slots_) {
    if (&slot == key)
      return slot.used ? &slot : nullptr;
  }
  return nullptr;
}

bool RegistryFile::AnyOpen() const {
  for (const OpenSlot& slot : slots_) {
    if (slot.used)
      return true;
  }
  return false;
}

void RegistryFile::Load() {
  contents_.keys.clear();
  damaged_ = false;
  const std::string& path = Path();
  if (path.empty())
    return;
  // Not blocking on a pipe put in the file's place.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    damaged_ = errno != ENOENT;
    return;
  }
  std::string text;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kLargestFile;
  if (ok) {
    text.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    // The file may change size under us; what is read is what counts.
    for (;;) {
      if (done == text.size()) {
        if (text.size() > static_cast<std::size_t>(kLargestFile)) {
          ok = false;
          break;
        }
        text.resize(text.size() + 4096);
      }
      const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR)
        continue;
      if (n < 0)
        ok = false;
      if (n <= 0)
        break;
      done += static_cast<std::size_t>(n);
    }
    text.resize(done);
  }
  ::close(fd);
  damaged_ = !ok || !ParseRegistryText(text, contents_);
  if (damaged_)
    contents_.keys.clear();
}

bool RegistryFile::KeepDamagedCopy(const std::string& target) {
  struct stat info {};
  if (::lstat(target.c_str(), &info) != 0)
    return errno == ENOENT;  // gone: nothing left to keep
  if (!S_ISREG(info.st_mode))
    return false;
  for (int i = 0; i < kDamagedCopies; ++i) {
    std::string copy = target + ".damaged";
    if (i > 0) {
      // Appended piece by piece: GCC 12 at -O2 warns wrongly (-Wrestrict)
      // about "." + std::to_string(i).
      copy += '.';
      copy += std::to_string(i);
    }
    // A second name for the same file keeps it whole at no cost; where links
    // are not possible, its bytes are copied.
    if (::link(target.c_str(), copy.c_str()) == 0)
      return true;
    if (errno == EEXIST)
      continue;
    const int copied = CopyToNewFile(target, copy);
    if (copied == 1)
      return true;
    if (copied < 0)
      return false;
  }
  return false;
}

bool RegistryFile::Store() {
  const std::string& path = Path();
  if (path.empty())
    return false;
  // A link to the file (a kept dotfile, say) stays a link: its target is
  // replaced.
  std::string target = path;
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
      target = resolved;
      std::free(resolved);
    }
  }
  const std::string folder = ParentOf(target);
  if (!MakeFolders(folder))
    return false;

  std::string temporary = target + ".tmp-XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0)
    return false;
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  const std::string text = FormatRegistryText(contents_);
  bool ok = ::fchmod(fd, 0600) == 0;
  ok = ok && WriteAll(fd, text);
  ok = ok && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && (!damaged_ || KeepDamagedCopy(target));
  ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  // The new name itself must survive a crash too.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  damaged_ = false;
  return true;
}

void* RegistryFile::OpenKey(const char* path) {
  if (path == nullptr || !IsValidKeyPath(path))
    return nullptr;
  OpenSlot* slot = Allocate();
  if (slot == nullptr)
    return nullptr;
  if (!AnyOpen())
    Load();
  if (damaged_)
    return nullptr;
  const std::string full = std::string(kHivePrefix) + path;
  int section = -1;
  bool implied = false;
  for (std::size_t i = 0; i < contents_.keys.size(); ++i) {
    const std::string& candidate = contents_.keys[i].path;
    if (SameName(candidate, full)) {
      section = static_cast<int>(i);
      break;
    }
    implied = implied || (candidate.size() > full.size() && candidate[full.size()] == '\\' &&
                          SameName(std::string_view(candidate).substr(0, full.size()), full));
  }
  if (section < 0 && !implied)
    return nullptr;
  *slot = OpenSlot{true, false, section};
  return slot;
}

void* RegistryFile::CreateKey(const char* path) {
  if (path == nullptr || !IsValidKeyPath(path))
    return nullptr;
  OpenSlot* slot = Allocate();
  if (slot == nullptr)
    return nullptr;
  if (!AnyOpen())
    Load();
  const std::string full = std::string(kHivePrefix) + path;
  for (std::size_t i = 0; i < contents_.keys.size(); ++i) {
    if (SameName(contents_.keys[i].path, full)) {
      *slot = OpenSlot{true, true, static_cast<int>(i)};
      return slot;
    }
  }
  contents_.keys.push_back(RegistrySection{full, {}});
  if (!Store()) {
    contents_.keys.pop_back();
    return nullptr;
  }
  *slot = OpenSlot{true, true, static_cast<int>(contents_.keys.size() - 1)};
  return slot;
}

bool RegistryFile::QueryValue(void* key, const char* name, std::uint32_t* type, void* data,
                              std::uint32_t* size) {
  const OpenSlot* slot = Find(key);
  if (slot == nullptr || slot->section < 0 || name == nullptr || size == nullptr)
    return false;
  for (const RegistryEntry& value :
       contents_.keys[static_cast<std::size_t>(slot->section)].values) {
    if (!SameName(value.name, name))
      continue;
    if (data != nullptr && value.data.size() > *size)
      return false;
    if (data != nullptr && !value.data.empty())
      std::memcpy(data, value.data.data(), value.data.size());
    if (type != nullptr)
      *type = value.type;
    *size = static_cast<std::uint32_t>(value.data.size());
    return true;
  }
  return false;
}

bool RegistryFile::SetValue(void* key, const char* name, std::uint32_t type, const void* data,
                            std::uint32_t size) {
  const OpenSlot* slot = Find(key);
  if (slot == nullptr || !slot->writable || name == nullptr || !IsWritableName(name) ||
      (data == nullptr && size > 0)) {
    return false;
  }
  auto& values = contents_.keys[static_cast<std::size_t>(slot->section)].values;
  std::string bytes = data ? std::string(static_cast<const char*>(data), size) : std::string();
  for (RegistryEntry& value : values) {
    if (!SameName(value.name, name))
      continue;
    RegistryEntry before = value;
    value.type = type;
    value.data = std::move(bytes);
    if (Store())
      return true;
    value = std::move(before);
    return false;
  }
  values.push_back(RegistryEntry{name, type, std::move(bytes)});
  if (Store())
    return true;
  values.pop_back();
  return false;
}

void RegistryFile::CloseKey(void* key) {
  if (OpenSlot* slot = Find(key))
    *slot = OpenSlot{};
}

}  // namespace kestrin
