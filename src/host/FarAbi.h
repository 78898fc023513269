// The host's plugin interface as the module sees it: the records the file
// manager hands over or fills in, the signatures of its services and of the
// module's four entry points.
//
// These declarations are our own, written from what the host passes and what
// the module relies on. On 32-bit Windows (the product) every offset and size
// is checked below; other builds keep the same fields in the same order with
// pointers widened and natural alignment.
#pragma once

#include <cstddef>
#include <cstdint>

// The host's calling convention for its services and the module's entry points.
#if defined(_WIN32) && !defined(_WIN64)
#define KESTRIN_HOST_CALL __stdcall
#else
#define KESTRIN_HOST_CALL
#endif

namespace kestrin {

using HostHandle = void*;

// The host's invalid handle: all bits set. OpenPlugin always returns it.
inline HostHandle InvalidHostHandle() {
  return reinterpret_cast<HostHandle>(~std::uintptr_t{0});
}

inline constexpr int kDialogItemTextSize = 512;

// One dialog item: nine 32-bit fields, then the NUL-terminated text.
struct FarDialogItem {
  std::int32_t Type;
  std::int32_t X1;
  std::int32_t Y1;
  std::int32_t X2;
  std::int32_t Y2;
  std::int32_t Focus;
  std::int32_t Selected;
  std::uint32_t Flags;
  std::int32_t DefaultButton;
  char Data[kDialogItemTextSize];
};

// The editor's information record (EditorControl command 6): 25 32-bit fields.
struct EditorInfo {
  std::int32_t Fields[11];
  std::int32_t BlockType;       // 0: no block selected
  std::int32_t BlockStartLine;  // first line of the block, from 0
  std::int32_t MoreFields[12];
};

// The editor's line record (EditorControl command 0).
struct EditorGetString {
  std::int32_t StringNumber;  // the line asked for
  const char* StringText;     // the line's text, not terminated
  const char* StringEOL;      // not read by the module
  std::int32_t StringLength;
  std::int32_t SelStart;  // -1: the line holds no part of the block
  std::int32_t SelEnd;    // exclusive; -1: to the end of the line
};

inline constexpr int kEditorGetString = 0;
inline constexpr int kEditorGetInfo = 6;

extern "C" {
using FarGetMsgFn = const char*(KESTRIN_HOST_CALL*)(int module, int msg);
using FarMessageFn = int(KESTRIN_HOST_CALL*)(int module, unsigned flags, const char* help,
                                             const char* const* items, int count, int buttons);
using FarDialogFn = int(KESTRIN_HOST_CALL*)(int module, int x1, int y1, int x2, int y2,
                                            const char* help, FarDialogItem* items, int count);
using FarSaveScreenFn = HostHandle(KESTRIN_HOST_CALL*)(int x1, int y1, int x2, int y2);
using FarRestoreScreenFn = void(KESTRIN_HOST_CALL*)(HostHandle screen);
using FarViewerFn = int(KESTRIN_HOST_CALL*)(const char* file, const char* title, int x1, int y1,
                                            int x2, int y2, unsigned flags);
using FarEditorControlFn = int(KESTRIN_HOST_CALL*)(int command, void* param);
using FarUnusedFn = void*;
}

// The services record the host hands to SetStartupInfo. Only the fields named
// here are used; the unnamed entries are host services the module never calls.
struct PluginStartupInfo {
  std::int32_t StructSize;
  char ModuleName[260];
  std::int32_t ModuleNumber;
  const char* RootKey;  // the host's registry root key text for plugins
  FarUnusedFn Menu;
  FarDialogFn Dialog;
  FarMessageFn Message;
  FarGetMsgFn GetMsg;
  FarUnusedFn Control;
  FarSaveScreenFn SaveScreen;
  FarRestoreScreenFn RestoreScreen;
  FarUnusedFn GetDirList;
  FarUnusedFn GetPluginDirList;
  FarUnusedFn FreeDirList;
  FarViewerFn Viewer;
  FarUnusedFn Editor;
  FarUnusedFn CmpName;
  FarUnusedFn CharTable;
  FarUnusedFn Text;
  FarEditorControlFn EditorControl;
};

// The record the module fills for the host's menus.
struct PluginInfo {
  std::int32_t StructSize;
  std::uint32_t Flags;
  const char* const* DiskMenuStrings;
  const int* DiskMenuNumbers;
  std::int32_t DiskMenuStringsNumber;
  const char* const* PluginMenuStrings;
  std::int32_t PluginMenuStringsNumber;
  const char* const* PluginConfigStrings;
  std::int32_t PluginConfigStringsNumber;
  const char* CommandPrefix;
};

inline constexpr std::uint32_t kPluginFlagEditor = 4;    // offered in the editor's plugin menu
inline constexpr std::uint32_t kPluginFlagDisabled = 2;  // kept out of the panels' plugin menu

// Message box flags.
inline constexpr unsigned kMessageWarning = 0x1;
inline constexpr unsigned kMessageLeftAlign = 0x10;

// Viewer flags: non-modal, and delete the file when the viewer closes.
inline constexpr unsigned kViewerNonModal = 0x1;
inline constexpr unsigned kViewerDeleteOnClose = 0x2;

// Dialog item types and flags.
inline constexpr int kDiText = 0;
inline constexpr int kDiDoubleBox = 3;
inline constexpr int kDiEdit = 4;
inline constexpr int kDiPasswordEdit = 5;
inline constexpr int kDiButton = 7;
inline constexpr int kDiCheckBox = 8;
inline constexpr std::uint32_t kDifBoxColor = 0x200;
inline constexpr std::uint32_t kDifSeparator = 0x10000;
inline constexpr std::uint32_t kDifCenterGroup = 0x4000;

static_assert(sizeof(FarDialogItem) == 548);
static_assert(offsetof(FarDialogItem, Data) == 36);
static_assert(sizeof(EditorInfo) == 100);
static_assert(offsetof(EditorInfo, BlockType) == 44);
static_assert(offsetof(EditorInfo, BlockStartLine) == 48);
static_assert(offsetof(PluginStartupInfo, ModuleNumber) == 264);

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(PluginStartupInfo) == 336);
static_assert(offsetof(PluginStartupInfo, RootKey) == 268);
static_assert(offsetof(PluginStartupInfo, Dialog) == 276);
static_assert(offsetof(PluginStartupInfo, Message) == 280);
static_assert(offsetof(PluginStartupInfo, GetMsg) == 284);
static_assert(offsetof(PluginStartupInfo, SaveScreen) == 292);
static_assert(offsetof(PluginStartupInfo, RestoreScreen) == 296);
static_assert(offsetof(PluginStartupInfo, Viewer) == 312);
static_assert(offsetof(PluginStartupInfo, EditorControl) == 332);
static_assert(sizeof(PluginInfo) == 40);
static_assert(offsetof(PluginInfo, PluginMenuStrings) == 20);
static_assert(offsetof(PluginInfo, PluginMenuStringsNumber) == 24);
static_assert(offsetof(PluginInfo, PluginConfigStringsNumber) == 32);
static_assert(offsetof(PluginInfo, CommandPrefix) == 36);
static_assert(sizeof(EditorGetString) == 24);
static_assert(offsetof(EditorGetString, StringLength) == 12);
static_assert(offsetof(EditorGetString, SelStart) == 16);
static_assert(offsetof(EditorGetString, SelEnd) == 20);
#endif

// The module's entry points, as the host calls them.
extern "C" {
using SetStartupInfoFn = void(KESTRIN_HOST_CALL*)(const PluginStartupInfo* info);
using GetPluginInfoFn = void(KESTRIN_HOST_CALL*)(PluginInfo* info);
using OpenPluginFn = HostHandle(KESTRIN_HOST_CALL*)(int openFrom, int item);
using ExitFarFn = void(KESTRIN_HOST_CALL*)();
}

}  // namespace kestrin
