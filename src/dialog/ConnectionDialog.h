// The connection dialog: alias, user, password, plan table, the capture
// options and three switches, shown until the input is valid, the user
// cancels or the user disconnects. Valid input is saved and joined into the
// connect string the session logs on with.
//
// The dialog is laid out in a compact table of item descriptions, expanded
// into the host's 548-byte items just before the dialog is first shown.
#pragma once

#include <cstdint>

#include "host/FarAbi.h"
#include "host/Messages.h"

namespace kestrin {

class HostServices;
class Module;

// One dialog item in compact form. The fields follow one another without
// gaps: 19 bytes where an address takes 32 bits.
#pragma pack(push, 1)
struct DialogItemSpec {
  std::uint8_t Type;  // host item type (kDiText, kDiEdit, ...)
  std::uint8_t X1;
  std::uint8_t Y1;
  std::uint8_t X2;  // 0 for texts, check boxes and buttons
  std::uint8_t Y2;
  std::uint8_t Focus;          // 1: the item is to receive the cursor when the dialog opens
  std::int32_t Selected;       // check-box state; 0 for every other item
  std::uint32_t Flags;         // host item flags
  std::uint8_t DefaultButton;  // 1 for the button that Enter presses
  // The item's text: a value of at most kLastMessageData is a message number,
  // anything else the address of a NUL-terminated text.
  std::uintptr_t Data;
};
#pragma pack(pop)

static_assert(sizeof(DialogItemSpec) == 15 + sizeof(std::uintptr_t));
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(DialogItemSpec) == 19);
#endif

// The highest message number; no text lives at so low an address.
inline constexpr std::uintptr_t kLastMessageData = kMessageCount - 1;

inline std::uintptr_t MessageData(Msg msg) {
  return static_cast<std::uintptr_t>(msg);
}
inline std::uintptr_t TextData(const char* text) {
  return reinterpret_cast<std::uintptr_t>(text);
}

// Fills `count` host items from `count` compact records, index by index: the
// small fields widened without sign, Selected and Flags as they are, and the
// text (the message's, asked of `host`, or the one Data points at) copied
// into the item and cut at 511 characters if it is longer.
void ExpandDialogItems(const HostServices& host, const DialogItemSpec* records,
                       FarDialogItem* items, int count);

enum class DialogOutcome {
  Run,           // valid input: the settings are saved and ConnectString is built
  Disconnected,  // the disconnect button: logged off and the notice shown
  Cancelled,     // anything else
};

inline constexpr int kDialogItemCount = 21;

// The dialog's items by number, as the host reports them in its result.
namespace dialog_item {
inline constexpr int Frame = 0;
inline constexpr int Alias = 1;
inline constexpr int User = 3;
inline constexpr int Password = 5;
inline constexpr int AutoDisconnect = 7;
inline constexpr int PlanTable = 8;
inline constexpr int BuildIfNotExist = 10;
inline constexpr int DropAfterUse = 11;
inline constexpr int SkipSymbols = 12;
inline constexpr int EndLineComments = 14;
inline constexpr int Run = 17;
inline constexpr int Disconnect = 18;
inline constexpr int Cancel = 19;
inline constexpr int Credits = 20;
}  // namespace dialog_item

// Stage 3 of the explain command. Shows the dialog with the values of the
// module's RunState and repeats it while the confirmed input is refused (a
// warning box says why; the values typed are already in RunState, unsaved).
// Returns Run after valid input has been saved and ConnectString built;
// Disconnected after the disconnect button has logged off and said so;
// Cancelled, silently, for any other way the dialog was closed.
DialogOutcome ConnectionDialog(Module& module);

}  // namespace kestrin
