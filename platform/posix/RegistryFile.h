// The registry of the POSIX platform: the current user's keys and values kept
// in one text file in the Windows registry's export format, so that a person
// can read and edit it and the exact data bytes and sizes survive:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Far\Plugins\Kestrin]
//   "User"="scott"
//   "AutoDisconnect"=dword:00000001
//   "Odd"=hex(1):41,42
//
// A text value ("Name"="text", with \\ and \" escaped) stands for the text and
// one terminating NUL, of type REG_SZ; dword: is a REG_DWORD of exactly four
// bytes; any other data, a text without its terminator or with bytes a line
// cannot hold included, is written as hex(N): (hex: for REG_BINARY) with the
// type N and every byte, long lists continued on the next line after ",\".
// @ is the key's unnamed value; lines starting with ';' are comments.
//
// The file lives at $KESTRIN_REGISTRY when that is set, else at
// $XDG_CONFIG_HOME/kestrin/registry.reg, else ~/.config/kestrin/registry.reg.
// It is read afresh whenever a key is opened while no other is open, so a
// change made by someone else in between is seen and kept. Every change is
// written at once by replacing the whole file atomically (a new file beside
// it, flushed, renamed over the old one); the file is made readable by its
// owner only, and folders that have to be created for it too. Keys and values
// the module never touched are kept as they were; comments and layout are not.
// Names of keys and values are matched without regard to ASCII case, as the
// Windows registry does.
//
// A file that cannot be read, or does not parse completely, is damaged: none
// of its values can be read, and the first change keeps the damaged file
// beside the new one, as <name>.damaged (or .damaged.1 up to .damaged.99),
// before replacing it; when no such copy can be kept, nothing is written.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin {

struct RegistryEntry {
  std::string name;  // "" for the key's unnamed value
  std::uint32_t type = 0;
  std::string data;  // the stored bytes, exactly
};

struct RegistrySection {
  std::string path;  // with the hive: HKEY_CURRENT_USER\Software\...
  std::vector<RegistryEntry> values;
};

// The keys of a registry file in the order of the file, each path once.
struct RegistryContents {
  std::vector<RegistrySection> keys;
};

// Reads the text of a registry file into `out` (replacing what it held).
// Returns false, leaving `out` empty, when the text is not a complete registry
// file; an empty text (nothing but blanks) is an empty registry. Keys given
// more than once are merged, and a value given again replaces the earlier one.
bool ParseRegistryText(std::string_view text, RegistryContents& out);

// The text of a registry file holding `contents`, which ParseRegistryText
// reads back to the same keys and values. Names holding a line end or another
// control character cannot be written: such keys and values must not be in
// `contents` (ParseRegistryText and RegistryFile never put them there).
std::string FormatRegistryText(const RegistryContents& contents);

class RegistryFile {
 public:
  // The registry at the path the environment names, looked up when the file
  // is first needed.
  RegistryFile();
  // The registry at `path`.
  explicit RegistryFile(std::string path);
  RegistryFile(const RegistryFile&) = delete;
  RegistryFile& operator=(const RegistryFile&) = delete;

  // The path of the file: $KESTRIN_REGISTRY, or the XDG configuration folder's
  // kestrin/registry.reg. Empty when neither it nor a home folder is known.
  static std::string DefaultPath();

  // Opens the existing key `path` (below HKEY_CURRENT_USER) for queries. A
  // key exists when it is in the file or a key below it is. Returns the key,
  // or null when it does not exist, the file is damaged, or too many keys are
  // open.
  void* OpenKey(const char* path);

  // Opens the key `path` for writing, creating it (in the file, at once) when
  // missing. Returns null when the path is not a valid key path (empty parts,
  // control characters), the new key cannot be written, or too many keys are
  // open.
  void* CreateKey(const char* path);

  // Copies value `name`'s data into `data` (`*size` bytes) and its type into
  // `*type`, and sets `*size` to the data's size. Returns false, leaving
  // `data` untouched, when the value is missing or its data is larger than
  // `*size`. With `data` null only the type and the size are reported.
  bool QueryValue(void* key, const char* name, std::uint32_t* type, void* data,
                  std::uint32_t* size);

  // Stores value `name` and writes the file. Returns false, changing nothing,
  // when the key was not opened for writing, the name holds a control
  // character, or the file cannot be written.
  bool SetValue(void* key, const char* name, std::uint32_t type, const void* data,
                std::uint32_t size);

  // Releases an open key; its values were written when they were set.
  void CloseKey(void* key);

  // The path in use (after DefaultPath when none was given).
  const std::string& Path();

 private:
  struct OpenSlot {
    bool used = false;
    bool writable = false;
    int section = -1;  // index in contents_.keys; -1 for a key only implied by one below it
  };

  OpenSlot* Allocate();
  OpenSlot* Find(void* key);
  bool AnyOpen() const;
  void Load();
  bool Store();
  bool KeepDamagedCopy(const std::string& target);

  std::string path_;
  bool pathKnown_ = false;
  RegistryContents contents_;
  bool damaged_ = false;
  std::array<OpenSlot, 8> slots_{};
};

}  // namespace kestrin
