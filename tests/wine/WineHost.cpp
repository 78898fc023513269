// A Windows host for the module's end-to-end tests under Wine. It loads
// kestrin.dll the way the file manager does (LoadLibrary, the four entry
// points by name), hands it a services record filled with its own services,
// and plays scripted commands: an editor holding a block, answers to the
// dialog and the boxes. Every service call the module makes is recorded and
// checked. The simulated server beside it, built as OCIW32.dll, is the
// client library; its call log (KESTRIN_SIM_LOG) shows what reached it.
//
// All scenarios run in one process, since starting Wine is slow. The host
// prints one line per check and a closing "N passed, M failed"; its exit
// code is 0 only when every check passed.
#include <windows.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "host/FarAbi.h"

namespace {

using kestrin::EditorGetString;
using kestrin::EditorInfo;
using kestrin::FarDialogItem;
using kestrin::HostHandle;
using kestrin::PluginInfo;
using kestrin::PluginStartupInfo;

// The host's view of the entry points: the platform's own convention for a
// host interface. If the module's declarations disagreed, these would not
// match them and the host would not compile.
using SetStartupInfoProc = void(WINAPI*)(const PluginStartupInfo*);
using GetPluginInfoProc = void(WINAPI*)(PluginInfo*);
using OpenPluginProc = HostHandle(WINAPI*)(int, int);
using ExitFarProc = void(WINAPI*)();
static_assert(std::is_same_v<SetStartupInfoProc, kestrin::SetStartupInfoFn>);
static_assert(std::is_same_v<GetPluginInfoProc, kestrin::GetPluginInfoFn>);
static_assert(std::is_same_v<OpenPluginProc, kestrin::OpenPluginFn>);
static_assert(std::is_same_v<ExitFarProc, kestrin::ExitFarFn>);

// The records' 32-bit layout is checked where they are declared (host/FarAbi.h).

constexpr int kModuleNumber = 7;
constexpr const char* kRootKey = "Software\\Far\\Plugins";
constexpr const char* kSettingsKey = "Software\\Far\\Plugins\\Kestrin";
constexpr int kDefaultButton = 17;
constexpr int kDialogItems = 21;

// Dialog items the scenarios fill in.
constexpr int kItemAlias = 1;
constexpr int kItemUser = 3;
constexpr int kItemPassword = 5;
constexpr int kItemAutoDisconnect = 7;
constexpr int kItemPlanTable = 8;
constexpr int kItemBuildIfNotExist = 10;
constexpr int kItemDropAfterUse = 11;
constexpr int kItemSkipSymbols = 12;
constexpr int kItemEndLineComments = 14;

// --- Checks -----------------------------------------------------------------

int g_passed = 0;
int g_failed = 0;
std::string g_scenario;

bool Check(bool ok, const std::string& what, const std::string& detail = {}) {
  if (ok) {
    ++g_passed;
    std::printf("PASS %s: %s\n", g_scenario.c_str(), what.c_str());
  } else {
    ++g_failed;
    std::printf("FAIL %s: %s%s%s\n", g_scenario.c_str(), what.c_str(), detail.empty() ? "" : " -- ",
                detail.c_str());
  }
  std::fflush(stdout);
  return ok;
}

// Makes control characters of a text readable in a check's line.
std::string Shown(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() &&
         CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.data(),
                        static_cast<int>(prefix.size()), prefix.data(),
                        static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

// --- Files ------------------------------------------------------------------

std::string g_hostDir;  // the folder of this program, ending in a backslash

std::string HostDir() {
  char path[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  const std::size_t slash = dir.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".\\") : dir.substr(0, slash + 1);
}

bool ReadWholeFile(const std::string& path, std::string& out) {
  out.clear();
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr)
    return false;
  char block[4096];
  std::size_t n = 0;
  while ((n = std::fread(block, 1, sizeof block, f)) > 0)
    out.append(block, n);
  std::fclose(f);
  return true;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The texts of a language file in the host's format: one message a line, the
// text between the line's first and last double quote, in number order.
std::vector<std::string> ReadLanguageFile(const std::string& path) {
  std::vector<std::string> texts;
  std::string content;
  if (!ReadWholeFile(path, content))
    return texts;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos)
      end = content.size();
    std::string line = content.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    const std::size_t first = line.find('"');
    const std::size_t last = line.rfind('"');
    if (first == 0 && last > first)
      texts.push_back(line.substr(first + 1, last - first - 1));
  }
  return texts;
}

// --- The recorded host --------------------------------------------------------

struct HostCall {
  explicit HostCall(std::string k) : kind(std::move(k)) {}
  std::string kind;  // "GetMsg", "Message", "Dialog", "SaveScreen", ...
  int module = kModuleNumber;
  int number = 0;  // GetMsg: the message; Dialog: the result
  unsigned flags = 0;
  bool helpIsNull = true;
  int buttons = 0;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::vector<std::string> items;          // Message: the item texts
  std::vector<FarDialogItem> dialogItems;  // Dialog: the items as received
  std::string path, title, content;        // Viewer: the file as handed over
  bool fileExisted = false;
};

// One showing of the dialog: texts and check-box states to set, then the
// item that closes it.
struct DialogAnswer {
  std::vector<std::pair<int, std::string>> texts;
  std::vector<std::pair<int, int>> checks;
  int result = kDefaultButton;
};

struct EditorLine {
  std::string text;
  int selStart = 0;  // -1: outside the block
  int selEnd = -1;
};

struct Host {
  std::vector<std::string> messages;
  std::vector<HostCall> calls;
  // The script of the running command.
  int blockType = 1;
  int blockStartLine = 0;
  std::vector<EditorLine> lines;
  std::deque<DialogAnswer> dialogAnswers;
  std::deque<int> boxAnswers;
  // Screen snapshots handed out and not yet restored.
  std::set<std::uintptr_t> liveSnapshots;
  std::uintptr_t nextSnapshot = 0x5000;
  std::vector<std::string> protocolErrors;
};

Host g_host;

const std::string& Msg(int n) {
  static const std::string none;
  return n >= 0 && static_cast<std::size_t>(n) < g_host.messages.size()
             ? g_host.messages[static_cast<std::size_t>(n)]
             : none;
}

const char* WINAPI HostGetMsg(int module, int msg) {
  HostCall c("GetMsg");
  c.module = module;
  c.number = msg;
  g_host.calls.push_back(c);
  if (msg < 0 || static_cast<std::size_t>(msg) >= g_host.messages.size()) {
    g_host.protocolErrors.push_back("GetMsg of unknown message " + std::to_string(msg));
    return "";
  }
  return g_host.messages[static_cast<std::size_t>(msg)].c_str();
}

int WINAPI HostMessage(int module, unsigned flags, const char* help, const char* const* items,
                       int count, int buttons) {
  HostCall c("Message");
  c.module = module;
  c.flags = flags;
  c.helpIsNull = help == nullptr;
  c.buttons = buttons;
  for (int i = 0; i < count; ++i)
    c.items.push_back(items[i] ? items[i] : "(null)");
  g_host.calls.push_back(c);
  if (buttons == 0)
    return 0;
  if (g_host.boxAnswers.empty())
    return 0;
  const int answer = g_host.boxAnswers.front();
  g_host.boxAnswers.pop_front();
  return answer;
}

void SetItemText(FarDialogItem& item, const std::string& text) {
  const std::size_t n = text.size() < sizeof item.Data - 1 ? text.size() : sizeof item.Data - 1;
  std::memcpy(item.Data, text.data(), n);
  item.Data[n] = '\0';
}

int WINAPI HostDialog(int module, int x1, int y1, int x2, int y2, const char* help,
                      FarDialogItem* items, int count) {
  HostCall c("Dialog");
  c.module = module;
  c.x1 = x1;
  c.y1 = y1;
  c.x2 = x2;
  c.y2 = y2;
  c.helpIsNull = help == nullptr;
  c.dialogItems.assign(items, items + (count > 0 ? count : 0));
  DialogAnswer answer;
  if (!g_host.dialogAnswers.empty()) {
    answer = g_host.dialogAnswers.front();
    g_host.dialogAnswers.pop_front();
  }
  for (const auto& [index, text] : answer.texts) {
    if (index >= 0 && index < count)
      SetItemText(items[index], text);
  }
  for (const auto& [index, state] : answer.checks) {
    if (index >= 0 && index < count)
      items[index].Selected = state;
  }
  c.number = answer.result;
  g_host.calls.push_back(c);
  return answer.result;
}

HostHandle WINAPI HostSaveScreen(int x1, int y1, int x2, int y2) {
  HostCall c("SaveScreen");
  c.x1 = x1;
  c.y1 = y1;
  c.x2 = x2;
  c.y2 = y2;
  g_host.calls.push_back(c);
  const std::uintptr_t handle = g_host.nextSnapshot++;
  g_host.liveSnapshots.insert(handle);
  return reinterpret_cast<HostHandle>(handle);
}

void WINAPI HostRestoreScreen(HostHandle screen) {
  g_host.calls.push_back(HostCall("RestoreScreen"));
  // A null handle restores the whole screen without a snapshot.
  if (screen == nullptr)
    return;
  if (g_host.liveSnapshots.erase(reinterpret_cast<std::uintptr_t>(screen)) == 0)
    g_host.protocolErrors.push_back("RestoreScreen of a snapshot that is not live");
}

int WINAPI HostViewer(const char* file, const char* title, int x1, int y1, int x2, int y2,
                      unsigned flags) {
  HostCall c("Viewer");
  c.path = file ? file : "";
  c.title = title ? title : "";
  c.x1 = x1;
  c.y1 = y1;
  c.x2 = x2;
  c.y2 = y2;
  c.flags = flags;
  c.fileExisted = ReadWholeFile(c.path, c.content);
  g_host.calls.push_back(c);
  // The viewer is closed at once; with delete-on-close the file goes with it.
  if (flags & kestrin::kViewerDeleteOnClose)
    DeleteFileA(c.path.c_str());
  return 1;
}

int WINAPI HostEditorControl(int command, void* param) {
  if (command == kestrin::kEditorGetInfo) {
    g_host.calls.push_back(HostCall("EditorInfo"));
    auto* info = static_cast<EditorInfo*>(param);
    info->BlockType = g_host.blockType;
    info->BlockStartLine = g_host.blockStartLine;
    return 1;
  }
  if (command == kestrin::kEditorGetString) {
    auto* line = static_cast<EditorGetString*>(param);
    HostCall c("EditorLine");
    c.number = line->StringNumber;
    g_host.calls.push_back(c);
    if (line->StringNumber < 0 ||
        static_cast<std::size_t>(line->StringNumber) >= g_host.lines.size())
      return 0;
    const EditorLine& l = g_host.lines[static_cast<std::size_t>(line->StringNumber)];
    line->StringText = l.text.c_str();
    line->StringEOL = "\r\n";
    line->StringLength = static_cast<int>(l.text.size());
    line->SelStart = l.selStart;
    line->SelEnd = l.selEnd;
    return 1;
  }
  g_host.protocolErrors.push_back("EditorControl command " + std::to_string(command));
  return 0;
}

std::vector<HostCall> CallsOf(const std::string& kind) {
  std::vector<HostCall> out;
  for (const HostCall& c : g_host.calls) {
    if (c.kind == kind)
      out.push_back(c);
  }
  return out;
}

// Boxes with at least one button (progress notes have none).
std::vector<HostCall> Boxes() {
  std::vector<HostCall> out;
  for (const HostCall& c : CallsOf("Message")) {
    if (c.buttons > 0)
      out.push_back(c);
  }
  return out;
}

// The editor holds `text`, every line wholly selected, and one line below
// the block that is not.
void SelectLines(const std::vector<std::string>& text) {
  g_host.blockType = 1;
  g_host.blockStartLine = 0;
  g_host.lines.clear();
  for (const std::string& t : text)
    g_host.lines.push_back({t, 0, -1});
  g_host.lines.push_back({"after the block", -1, -1});
}

DialogAnswer Logon(const std::string& user, const std::string& password) {
  DialogAnswer a;
  a.texts = {{kItemUser, user}, {kItemPassword, password}};
  return a;
}

// --- The simulated server's call log --------------------------------------------

std::string g_simLog;

// The calls logged since `from` (a byte offset into the log): one
// "name<TAB>detail<TAB>result" a line.
std::vector<std::vector<std::string>> SimCallsSince(std::size_t from) {
  std::vector<std::vector<std::string>> out;
  std::string content;
  if (!ReadWholeFile(g_simLog, content) || from > content.size())
    return out;
  std::size_t start = from;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos)
      end = content.size();
    std::string line = content.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    std::vector<std::string> fields;
    std::size_t f = 0;
    while (true) {
      const std::size_t tab = line.find('\t', f);
      fields.push_back(line.substr(f, tab == std::string::npos ? std::string::npos : tab - f));
      if (tab == std::string::npos)
        break;
      f = tab + 1;
    }
    out.push_back(fields);
  }
  return out;
}

std::size_t SimLogSize() {
  std::string content;
  return ReadWholeFile(g_simLog, content) ? content.size() : 0;
}

int CountSimCalls(const std::vector<std::vector<std::string>>& log, const std::string& name) {
  int n = 0;
  for (const auto& fields : log) {
    if (!fields.empty() && fields[0] == name)
      ++n;
  }
  return n;
}

// --- Querying the simulated server from the host ---------------------------------

// The client library's calls the host itself uses, by the ordinals the module
// binds.
using OlogProc = int(__cdecl*)(void*, void*, const char*, int, const char*, int, const char*, int,
                               unsigned);
using OopenProc = int(__cdecl*)(void*, void*, const char*, int, int, const char*, int);
using OparseProc = int(__cdecl*)(void*, const char*, int, int, unsigned);
using OexecProc = int(__cdecl*)(void*);
using OdefinProc = int(__cdecl*)(void*, int, void*, int, int, int, short*, const char*, int, int,
                                 unsigned short*, unsigned short*);
using OfetchProc = int(__cdecl*)(void*);
using OcloseProc = int(__cdecl*)(void*);
using OlogofProc = int(__cdecl*)(void*);

// Counts the rows of `sql` (one text column) as `connect`. Returns -1 with
// `why` set when the query could not be run.
int CountRows(const char* connect, const char* sql, std::string& why) {
  HMODULE oci = GetModuleHandleA("OCIW32.dll");
  if (oci == nullptr) {
    why = "OCIW32.dll is not loaded";
    return -1;
  }
  auto entry = [&](int ordinal) {
    return reinterpret_cast<void*>(GetProcAddress(oci, MAKEINTRESOURCEA(ordinal)));
  };
  auto olog = reinterpret_cast<OlogProc>(entry(21));
  auto oopen = reinterpret_cast<OopenProc>(entry(26));
  auto oparse = reinterpret_cast<OparseProc>(entry(28));
  auto oexec = reinterpret_cast<OexecProc>(entry(15));
  auto odefin = reinterpret_cast<OdefinProc>(entry(10));
  auto ofetch = reinterpret_cast<OfetchProc>(entry(19));
  auto oclose = reinterpret_cast<OcloseProc>(entry(6));
  auto ologof = reinterpret_cast<OlogofProc>(entry(22));
  if (!olog || !oopen || !oparse || !oexec || !odefin || !ofetch || !oclose || !ologof) {
    why = "OCIW32.dll lacks a call";
    return -1;
  }
  alignas(8) static unsigned char lda[64];
  alignas(8) static unsigned char hda[512];
  alignas(8) static unsigned char cda[64];
  std::memset(lda, 0, sizeof lda);
  std::memset(cda, 0, sizeof cda);
  if (int rc = olog(lda, hda, connect, -1, nullptr, -1, nullptr, -1, 0); rc != 0) {
    why = "logon failed with " + std::to_string(rc);
    return -1;
  }
  int rows = -1;
  char value[512] = {};
  if (oopen(cda, lda, nullptr, -1, -1, nullptr, -1) != 0) {
    why = "cursor open failed";
  } else {
    if (oparse(cda, sql, -1, 1, 1) != 0 || oexec(cda) != 0 ||
        odefin(cda, 1, value, sizeof value, 5, -1, nullptr, nullptr, -1, -1, nullptr, nullptr) !=
            0) {
      why = "query failed with ORA-" + std::to_string(cda[12] | (cda[13] << 8));
    } else {
      rows = 0;
      while (true) {
        const int rc = ofetch(cda);
        if (rc == 0) {
          ++rows;
        } else if (rc != 2) {
          if (rc != 4 && (cda[12] | (cda[13] << 8)) != 0) {
            why = "fetch failed with ORA-" + std::to_string(cda[12] | (cda[13] << 8));
            rows = -1;
          }
          break;
        }
      }
    }
    oclose(cda);
  }
  ologof(lda);
  return rows;
}

// --- The registry ---------------------------------------------------------------

bool SettingsKeyExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

struct StoredValue {
  bool present = false;
  DWORD type = 0;
  std::string data;  // the stored bytes, as they are
};

std::vector<std::pair<std::string, StoredValue>> ReadSettingsKey() {
  std::vector<std::pair<std::string, StoredValue>> values;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return values;
  for (DWORD i = 0;; ++i) {
    char name[256] = {};
    DWORD nameSize = sizeof name;
    DWORD type = 0;
    BYTE data[2048] = {};
    DWORD dataSize = sizeof data;
    const LONG rc = RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize);
    if (rc != ERROR_SUCCESS)
      break;
    StoredValue v;
    v.present = true;
    v.type = type;
    v.data.assign(reinterpret_cast<const char*>(data), dataSize);
    values.emplace_back(std::string(name, nameSize), v);
  }
  RegCloseKey(key);
  return values;
}

StoredValue Find(const std::vector<std::pair<std::string, StoredValue>>& values,
                 const std::string& name) {
  for (const auto& [n, v] : values) {
    if (n == name)
      return v;
  }
  return {};
}

void CheckStoredText(const std::vector<std::pair<std::string, StoredValue>>& values,
                     const std::string& name, const std::string& expected) {
  const StoredValue v = Find(values, name);
  const std::string stored = expected + std::string(1, '\0');
  Check(v.present && v.type == REG_SZ && v.data == stored,
        name + " stored as REG_SZ " + Shown(expected) + " with its terminator",
        v.present ? "type " + std::to_string(v.type) + ", " + std::to_string(v.data.size()) +
                        " bytes " + Shown(v.data)
                  : "missing");
}

void CheckStoredNumber(const std::vector<std::pair<std::string, StoredValue>>& values,
                       const std::string& name, std::uint32_t expected) {
  const StoredValue v = Find(values, name);
  std::uint32_t number = 0;
  if (v.data.size() == 4)
    std::memcpy(&number, v.data.data(), 4);
  Check(v.present && v.type == REG_DWORD && v.data.size() == 4 && number == expected,
        name + " stored as REG_DWORD " + std::to_string(expected),
        v.present ? "type " + std::to_string(v.type) + ", " + std::to_string(v.data.size()) +
                        " bytes, value " + std::to_string(number)
                  : "missing");
}

// --- The module -------------------------------------------------------------------

struct LoadedModule {
  HMODULE library = nullptr;
  SetStartupInfoProc setStartupInfo = nullptr;
  GetPluginInfoProc getPluginInfo = nullptr;
  OpenPluginProc openPlugin = nullptr;
  ExitFarProc exitFar = nullptr;
};

std::string g_rootKey = kRootKey;

// An exported function by name (or ordinal), as the type the caller knows it
// by; GetProcAddress gives every export one generic type.
template <typename Proc>
Proc Entry(HMODULE library, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// Loads kestrin.dll, finds its entry points and hands it the services record,
// as the file manager does at its start.
bool LoadModule(LoadedModule& m) {
  m = {};
  m.library = LoadLibraryA("kestrin.dll");
  if (!Check(m.library != nullptr, "kestrin.dll loads",
             "LoadLibrary error " + std::to_string(GetLastError())))
    return false;
  m.setStartupInfo = Entry<SetStartupInfoProc>(m.library, "SetStartupInfo");
  m.getPluginInfo = Entry<GetPluginInfoProc>(m.library, "GetPluginInfo");
  m.openPlugin = Entry<OpenPluginProc>(m.library, "OpenPlugin");
  m.exitFar = Entry<ExitFarProc>(m.library, "ExitFAR");
  if (!Check(m.setStartupInfo && m.getPluginInfo && m.openPlugin && m.exitFar,
             "the four entry points are exported under their names"))
    return false;

  // The record lives only for the call, and is scribbled over afterwards:
  // the module must keep its own copy.
  auto* record = new PluginStartupInfo{};
  record->StructSize = sizeof(PluginStartupInfo);
  GetModuleFileNameA(m.library, record->ModuleName, sizeof record->ModuleName - 1);
  record->ModuleNumber = kModuleNumber;
  record->RootKey = g_rootKey.c_str();
  record->Dialog = HostDialog;
  record->Message = HostMessage;
  record->GetMsg = HostGetMsg;
  record->SaveScreen = HostSaveScreen;
  record->RestoreScreen = HostRestoreScreen;
  record->Viewer = HostViewer;
  record->EditorControl = HostEditorControl;
  m.setStartupInfo(record);
  std::memset(static_cast<void*>(record), 0xCD, sizeof *record);
  delete record;
  return true;
}

void UnloadModule(LoadedModule& m) {
  if (m.library == nullptr)
    return;
  m.exitFar();
  FreeLibrary(m.library);
  m.library = nullptr;
  Check(GetModuleHandleA("kestrin.dll") == nullptr, "kestrin.dll is unloaded");
  Check(GetModuleHandleA("OCIW32.dll") == nullptr,
        "the module released OCIW32.dll when it was unloaded");
}

// Runs one explain command from the editor with the script set up, and
// checks what every command must leave: the invalid handle, every snapshot
// restored, the module number on every message service call, no help topic.
void RunCommand(LoadedModule& m) {
  g_host.calls.clear();
  g_host.protocolErrors.clear();
  const HostHandle result = m.openPlugin(5, 0);
  Check(result == INVALID_HANDLE_VALUE, "OpenPlugin returns the invalid handle");
  Check(g_host.liveSnapshots.empty(), "every screen snapshot is restored",
        std::to_string(g_host.liveSnapshots.size()) + " left");
  g_host.liveSnapshots.clear();
  bool numbers = true;
  bool helps = true;
  for (const HostCall& c : g_host.calls) {
    if (c.kind == "GetMsg" || c.kind == "Message" || c.kind == "Dialog")
      numbers = numbers && c.module == kModuleNumber;
    if (c.kind == "Message" || c.kind == "Dialog")
      helps = helps && c.helpIsNull;
  }
  Check(numbers, "the host's module number is passed to its services");
  Check(helps, "no help topic is passed");
  std::string errors;
  for (const std::string& e : g_host.protocolErrors)
    errors += e + "; ";
  Check(errors.empty(), "the services are used as the host defines them", errors);
}

std::string JoinItems(const HostCall& box) {
  std::string out;
  for (const std::string& i : box.items)
    out += (out.empty() ? "" : " | ") + Shown(i);
  return out;
}

// --- The scenarios ------------------------------------------------------------------

void MenuScenario(LoadedModule& m) {
  g_scenario = "menu";
  g_host.calls.clear();
  PluginInfo info{};
  const auto* diskSentinel = reinterpret_cast<const char* const*>(std::uintptr_t{0x1234});
  const char* prefixSentinel = "prefix kept";
  info.StructSize = sizeof info;
  info.DiskMenuStrings = diskSentinel;
  info.CommandPrefix = prefixSentinel;
  m.getPluginInfo(&info);
  Check(info.StructSize == static_cast<int>(sizeof(PluginInfo)), "the record's size is its own");
  Check(info.Flags == 6, "offered in the editor's menu only (flags 6)",
        "flags " + std::to_string(info.Flags));
  Check(info.PluginMenuStringsNumber == 1 && info.PluginMenuStrings != nullptr &&
            info.PluginMenuStrings[0] != nullptr && Msg(33) == info.PluginMenuStrings[0],
        "one menu item, titled " + Shown(Msg(33)));
  Check(info.DiskMenuStringsNumber == 0 && info.PluginConfigStringsNumber == 0,
        "no disk-menu and no configuration item");
  Check(info.DiskMenuStrings == diskSentinel && info.CommandPrefix == prefixSentinel,
        "the fields it does not own keep what the host put there");
  const auto asked = CallsOf("GetMsg");
  Check(asked.size() == 1 && asked[0].number == 33, "message 33 is asked for the item");
}

void NoBlockScenario(LoadedModule& m) {
  g_scenario = "no block";
  g_host.blockType = 0;
  g_host.lines.clear();
  RunCommand(m);
  const auto boxes = CallsOf("Message");
  const std::vector<std::string> expected = {Msg(33), "", Msg(25), "", "\x01", Msg(0)};
  Check(boxes.size() == 1 && boxes[0].flags == 1 && boxes[0].buttons == 1 &&
            boxes[0].items == expected,
        "one warning notice saying " + Shown(Msg(25)),
        boxes.empty() ? "no box" : JoinItems(boxes[0]));
  Check(CallsOf("Dialog").empty() && CallsOf("SaveScreen").empty() && CallsOf("Viewer").empty(),
        "no dialog, no snapshot, no viewer");
  Check(!SettingsKeyExists(), "loading the settings creates no registry key");
}

// The logon box: the header names the user, the second line says why.
bool CheckLogonBox(const std::string& user, const std::string& reasonPart) {
  const auto boxes = Boxes();
  if (!Check(boxes.size() == 1, "one error box", std::to_string(boxes.size()) + " boxes"))
    return false;
  const HostCall& box = boxes[0];
  const bool shape = box.flags == 0x11 && box.buttons == 1 && box.items.size() == 7 &&
                     box.items[0] == Msg(33) && box.items[1].empty() && box.items[4].empty() &&
                     box.items[5] == "\x01" && box.items[6] == Msg(0);
  Check(shape, "the error box has its shape (warning, flush left, one OK button)", JoinItems(box));
  if (box.items.size() < 4)
    return false;
  Check(box.items[2] == Msg(12) + user, "the header names the user: " + Shown(Msg(12) + user),
        Shown(box.items[2]));
  return Check(Contains(box.items[3], reasonPart), "the error line holds " + Shown(reasonPart),
               Shown(box.items[3]));
}

void MissingLibraryScenario(LoadedModule& m) {
  g_scenario = "missing OCIW32.dll";
  const std::string present = g_hostDir + "OCIW32.dll";
  const std::string away = g_hostDir + "OCIW32.dll.away";
  Check(GetModuleHandleA("OCIW32.dll") == nullptr, "OCIW32.dll is not loaded yet");
  if (!Check(MoveFileA(present.c_str(), away.c_str()) != 0, "OCIW32.dll is taken away"))
    return;
  SelectLines({"select ename from emp"});
  g_host.dialogAnswers = {Logon("SCOTT", "tiger")};
  RunCommand(m);
  CheckLogonBox("SCOTT", "OCIW32.dll");
  Check(CallsOf("Viewer").empty(), "no viewer");
  Check(CallsOf("Dialog").size() == 1, "the dialog was shown once");
  Check(MoveFileA(away.c_str(), present.c_str()) != 0, "OCIW32.dll is put back");
}

void IncompleteLibraryScenario(LoadedModule& m) {
  g_scenario = "incomplete OCIW32.dll";
  const std::string present = g_hostDir + "OCIW32.dll";
  const std::string away = g_hostDir + "OCIW32.dll.away";
  const std::string incomplete = g_hostDir + "OCIW32-incomplete.dll";
  if (!Check(MoveFileA(present.c_str(), away.c_str()) != 0 &&
                 CopyFileA(incomplete.c_str(), present.c_str(), TRUE) != 0,
             "an OCIW32.dll without oerhms is put in place"))
    return;
  SelectLines({"select ename from emp"});
  g_host.dialogAnswers = {Logon("SCOTT", "tiger")};
  RunCommand(m);
  CheckLogonBox("SCOTT", "OCIW32.dll has no call oerhms");
  Check(CallsOf("Viewer").empty(), "no viewer");
  Check(GetModuleHandleA("OCIW32.dll") == nullptr, "the module let go of the incomplete library");
  Check(DeleteFileA(present.c_str()) != 0 && MoveFileA(away.c_str(), present.c_str()) != 0,
        "the real OCIW32.dll is put back");
}

void LogonErrorScenario(LoadedModule& m) {
  g_scenario = "logon error";
  const std::size_t logStart = SimLogSize();
  SelectLines({"select ename from emp"});
  g_host.dialogAnswers = {Logon("SCOTT", "wrong")};
  RunCommand(m);
  CheckLogonBox("SCOTT", "ORA-01017");
  Check(CallsOf("Viewer").empty(), "no viewer");
  const auto log = SimCallsSince(logStart);
  bool logged = false;
  for (const auto& f : log)
    logged = logged || (f.size() == 3 && f[0] == "olog" && f[1] == "SCOTT/wrong" && f[2] != "0");
  Check(logged, "the server saw the failed logon as SCOTT/wrong");
  Check(CountSimCalls(log, "oparse") == 0, "no statement reached the server");
}

// Checks a report as the viewer received it: CR LF line ends only, `head`
// (the captured statement, line by line, and an empty line) on top, then the
// plan.
void CheckReport(const HostCall& view, const std::string& head) {
  std::string tempDir(MAX_PATH + 1, '\0');
  tempDir.resize(GetTempPathA(MAX_PATH + 1, tempDir.data()));
  const std::string reportDir = tempDir + "VerUdor\\";
  Check(StartsWithNoCase(view.path, reportDir), "the report lies in " + Shown(reportDir),
        Shown(view.path));
  Check(view.title == view.path, "the viewer's title is the report's path");
  Check(view.flags == 3, "the viewer is non-modal and deletes the file on close (flags 3)",
        "flags " + std::to_string(view.flags));
  Check(view.x1 == 0 && view.y1 == 0 && view.x2 == -1 && view.y2 == -1,
        "the viewer takes the whole screen");
  if (!Check(view.fileExisted && !view.content.empty(), "the report exists and is not empty"))
    return;
  bool crlf = true;
  for (std::size_t i = 0; i < view.content.size(); ++i) {
    if (view.content[i] == '\n' && (i == 0 || view.content[i - 1] != '\r'))
      crlf = false;
    if (view.content[i] == '\r' && (i + 1 >= view.content.size() || view.content[i + 1] != '\n'))
      crlf = false;
  }
  Check(crlf, "every line of the report ends in CR LF");
  Check(view.content.size() >= 2 && view.content.compare(view.content.size() - 2, 2, "\r\n") == 0,
        "the report's last line is ended");
  Check(view.content.compare(0, head.size(), head) == 0,
        "the report starts with the captured statement and an empty line: " + Shown(head),
        Shown(view.content.substr(0, head.size())));
  const std::size_t gap = view.content.find("\r\n\r\n");
  Check(gap != std::string::npos && Contains(view.content.substr(gap), "SELECT STATEMENT"),
        "an empty line, then the plan from its SELECT STATEMENT root", Shown(view.content));
  Check(Contains(view.content, Msg(32) + " SCOTT.EMP: "), "the index report lists SCOTT.EMP");
  Check(Contains(view.content, "PK_EMP: EMPNO"), "the index report lists PK_EMP on EMPNO");
  Check(!FileExists(view.path), "the viewer's delete-on-close removed the report");
}

void FullCommandScenario(LoadedModule& m) {
  g_scenario = "full default command";
  const std::size_t logStart = SimLogSize();
  // A statement as it sits in C source: quoted pieces over several lines,
  // end-of-line comments around them.
  SelectLines({"  \"select e.ename, d.dname \"  // who works where", "  \"from emp e, dept d \"",
               "  \"where e.deptno = d.deptno;\" -- the join"});
  g_host.dialogAnswers = {Logon("SCOTT", "tiger")};
  RunCommand(m);
  const auto dialogs = CallsOf("Dialog");
  Check(dialogs.size() == 1 && dialogs[0].dialogItems.size() == kDialogItems &&
            dialogs[0].x1 == -1 && dialogs[0].y1 == -1 && dialogs[0].x2 == 75 &&
            dialogs[0].y2 == 19,
        "the dialog: 21 items, centred, 75 by 19");
  Check(Boxes().empty(), "no box with buttons", Boxes().empty() ? "" : JoinItems(Boxes()[0]));
  bool connecting = false;
  bool explaining = false;
  for (const HostCall& c : CallsOf("Message")) {
    connecting = connecting || (c.buttons == 0 && c.items.size() == 4 && c.items[2] == Msg(13));
    explaining = explaining || (c.buttons == 0 && c.items.size() == 4 && c.items[2] == Msg(20));
  }
  Check(connecting && explaining, "the connecting and explaining notes were shown");
  const auto views = CallsOf("Viewer");
  if (Check(views.size() == 1, "the viewer is opened once"))
    // Each editor line as captured: quotes and blanks collapsed, comments cut
    // (a comment after a blank leaves two), the whole trimmed at its ends.
    CheckReport(
        views[0],
        "select e.ename, d.dname  \r\n from emp e, dept d \r\n where e.deptno = d.deptno\r\n\r\n");

  const auto log = SimCallsSince(logStart);
  std::size_t deleteAt = log.size();
  std::size_t explainAt = log.size();
  for (std::size_t i = 0; i < log.size(); ++i) {
    if (log[i].size() < 2 || log[i][0] != "oparse")
      continue;
    if (StartsWithNoCase(log[i][1], "explain plan"))
      explainAt = i;
    if (StartsWithNoCase(log[i][1], "delete from plan_table where statement_id") && i > explainAt)
      deleteAt = i;
  }
  bool committed = false;
  for (std::size_t i = deleteAt; i < log.size(); ++i)
    committed = committed || (log[i].size() == 3 && log[i][0] == "ocom" && log[i][2] == "0");
  Check(explainAt < log.size(), "the statement was explained on the server");
  Check(deleteAt < log.size() && committed, "its plan rows were deleted and committed afterwards");
  Check(CountSimCalls(log, "olog") == 1 && CountSimCalls(log, "ologof") == 1,
        "logged on, and off at the end (auto-disconnect)");
  std::string why;
  const int rows = CountRows("SCOTT/tiger", "select statement_id from plan_table", why);
  Check(rows == 0, "the plan table holds no rows afterwards",
        rows < 0 ? why : std::to_string(rows) + " rows");
}

void CheckSettingsKey(std::uint32_t autoDisconnect) {
  const auto values = ReadSettingsKey();
  std::string names;
  for (const auto& [n, v] : values)
    names += n + " ";
  Check(values.size() == 8, "the settings key holds eight values", names);
  CheckStoredText(values, "Alias", "");
  CheckStoredText(values, "User", "SCOTT");
  CheckStoredText(values, "PlanTable", "plan_table");
  CheckStoredText(values, "SkipSymbols", "\"\\;");
  CheckStoredText(values, "EndLineComments", "//,--");
  CheckStoredNumber(values, "BuildIfNotExist", 1);
  CheckStoredNumber(values, "DropAfterUse", 0);
  CheckStoredNumber(values, "AutoDisconnect", autoDisconnect);
  bool password = false;
  for (const auto& [n, v] : values) {
    std::string lower = n + "=" + v.data;
    for (char& c : lower)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    password = password || Contains(lower, "password") || Contains(lower, "tiger");
  }
  Check(!password, "no password in the registry");
}

void RegistryScenario() {
  g_scenario = "settings in the registry";
  CheckSettingsKey(1);
}

void KeptSessionScenario(LoadedModule& m) {
  g_scenario = "auto-disconnect off";
  SelectLines({"select * from dept"});
  DialogAnswer keep = Logon("SCOTT", "tiger");
  keep.checks = {{kItemAutoDisconnect, 0}};

  std::size_t logStart = SimLogSize();
  g_host.dialogAnswers = {keep};
  RunCommand(m);
  auto log = SimCallsSince(logStart);
  Check(CallsOf("Viewer").size() == 1, "the first command's report is shown");
  Check(CountSimCalls(log, "olog") == 1 && CountSimCalls(log, "ologof") == 0,
        "the first command logs on and stays logged on");

  logStart = SimLogSize();
  g_host.dialogAnswers = {keep};
  RunCommand(m);
  log = SimCallsSince(logStart);
  Check(CallsOf("Viewer").size() == 1, "the second command's report is shown");
  Check(CountSimCalls(log, "olog") == 0 && CountSimCalls(log, "oopen") == 0 &&
            CountSimCalls(log, "ologof") == 0,
        "the second command uses the held session: no logon, no new cursor, no logoff");
  Check(CountSimCalls(log, "oparse") > 0, "the second command ran its statements");
  bool connecting = false;
  for (const HostCall& c : CallsOf("Message"))
    connecting = connecting || (c.buttons == 0 && c.items.size() == 4 && c.items[2] == Msg(13));
  Check(connecting, "the connecting note is still shown");
  CheckSettingsKey(0);

  logStart = SimLogSize();
  m.exitFar();
  log = SimCallsSince(logStart);
  Check(CountSimCalls(log, "oclose") == 1 && CountSimCalls(log, "ologof") == 1,
        "ExitFAR closes the cursor and logs off the held session");
}

void ReadBackScenario(LoadedModule& m) {
  g_scenario = "settings read back";
  SelectLines({"select * from emp"});
  DialogAnswer cancel;
  cancel.result = -1;
  g_host.dialogAnswers = {cancel};
  RunCommand(m);
  const auto dialogs = CallsOf("Dialog");
  if (!Check(dialogs.size() == 1 && dialogs[0].dialogItems.size() == kDialogItems,
             "the dialog is shown with its 21 items"))
    return;
  const auto& items = dialogs[0].dialogItems;
  auto text = [&](int i) {
    const FarDialogItem& item = items[static_cast<std::size_t>(i)];
    std::size_t n = 0;
    while (n < sizeof item.Data && item.Data[n] != '\0')
      ++n;
    return std::string(item.Data, n);
  };
  Check(text(kItemUser) == "SCOTT", "the user comes from the registry", Shown(text(kItemUser)));
  Check(text(kItemAlias).empty(), "the alias comes from the registry", Shown(text(kItemAlias)));
  Check(text(kItemPlanTable) == "plan_table", "the plan table comes from the registry",
        Shown(text(kItemPlanTable)));
  Check(text(kItemSkipSymbols) == "\"\\;" && text(kItemEndLineComments) == "//,--",
        "skip symbols and comment markers come from the registry");
  Check(items[kItemAutoDisconnect].Selected == 0, "auto-disconnect is off as stored");
  Check(items[kItemBuildIfNotExist].Selected != 0 && items[kItemDropAfterUse].Selected == 0,
        "build-if-missing on, drop-after-use off, as stored");
  Check(text(kItemPassword).empty(), "the password is not remembered by a new load");
  Check(CallsOf("SaveScreen").empty() && CallsOf("Message").empty(),
        "a cancelled dialog ends the command quietly");
  CheckSettingsKey(0);
}

}  // namespace

int main() {
  g_hostDir = HostDir();
  g_host.messages = ReadLanguageFile(g_hostDir + "kestrin_eng.lng");
  g_scenario = "setup";
  if (!Check(g_host.messages.size() == 34, "the language file holds messages 0-33",
             std::to_string(g_host.messages.size()) + " messages")) {
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return 1;
  }
  // The simulated server reads its log path when it is first called, from
  // the runtime's environment that it shares with this program.
  g_simLog = g_hostDir + "sim-calls.log";
  DeleteFileA(g_simLog.c_str());
  const std::string logSetting = "KESTRIN_SIM_LOG=" + g_simLog;
  _putenv(logSetting.c_str());
  RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
  std::printf("host: %d-bit, folder %s\n", static_cast<int>(sizeof(void*) * 8), g_hostDir.c_str());

  LoadedModule module;
  if (LoadModule(module)) {
    MenuScenario(module);
    NoBlockScenario(module);
    MissingLibraryScenario(module);
    IncompleteLibraryScenario(module);
    LogonErrorScenario(module);
    FullCommandScenario(module);
    RegistryScenario();
    KeptSessionScenario(module);
    g_scenario = "first load";
    UnloadModule(module);
  }
  g_scenario = "second load";
  if (LoadModule(module)) {
    ReadBackScenario(module);
    g_scenario = "second load";
    UnloadModule(module);
  }

  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}
