#include "dialog/ConnectionDialog.h"

#include <array>
#include <optional>

#include "host/Boxes.h"
#include "kestrin/Version.h"
#include "plugin/Module.h"
#include "settings/Settings.h"
#include "text/TextHelpers.h"

namespace kestrin {

namespace {

constexpr const char* kCredits = KESTRIN_NAME " " KESTRIN_VERSION;

using ItemTable = std::array<DialogItemSpec, kDialogItemCount>;
using Items = std::array<FarDialogItem, kDialogItemCount>;

// Where the host hands back a text: its item buffer, terminated or not.
std::string_view ItemText(const FarDialogItem& item) {
  return {item.Data, BoundedLength(item.Data, sizeof item.Data)};
}

void SetItemText(FarDialogItem& item, std::string_view text) {
  CopyText(item.Data, sizeof item.Data, text);
}

// The label of the disconnect item. While no session is held the item is a
// plain text, padded so that the centred row of buttons keeps its place.
const char* DisconnectLabel(Module& module) {
  RunState& s = module.State();
  const char* label = module.Host().GetMsg(Msg::Disconnect);
  s.Scratch.Reset();
  if (IsEmpty(s.CurrentConnection)) {
    s.Scratch.Append("  ");
    s.Scratch.Append(label);
    s.Scratch.Append("    ");
  } else {
    s.Scratch.Append(label);
  }
  s.Scratch.AppendNul();
  return s.Scratch.Data();
}

DialogItemSpec Compact(int type, int x1, int y1, int x2, int y2, std::uintptr_t data,
                       std::uint32_t flags = 0) {
  DialogItemSpec record{};
  record.Type = static_cast<std::uint8_t>(type);
  record.X1 = static_cast<std::uint8_t>(x1);
  record.Y1 = static_cast<std::uint8_t>(y1);
  record.X2 = static_cast<std::uint8_t>(x2);
  record.Y2 = static_cast<std::uint8_t>(y2);
  record.Flags = flags;
  record.Data = data;
  return record;
}

void FillItemTable(const RunState& s, const char* disconnectLabel, ItemTable& records) {
  const bool connected = !IsEmpty(s.CurrentConnection);
  const std::uint32_t separator = kDifSeparator | kDifBoxColor;

  records = ItemTable{
      Compact(kDiDoubleBox, 3, 1, 71, 16, MessageData(Msg::Title)),
      Compact(kDiEdit, 5, 3, 22, 4, TextData(s.Alias.data())),
      Compact(kDiText, 24, 3, 0, 0, MessageData(Msg::AliasLabel)),
      Compact(kDiEdit, 5, 4, 22, 5, TextData(s.User.data())),
      Compact(kDiText, 24, 4, 0, 0, MessageData(Msg::UserLabel)),
      Compact(kDiPasswordEdit, 5, 5, 22, 6, TextData(s.Password.data())),
      Compact(kDiText, 24, 5, 0, 0, MessageData(Msg::PasswordLabel)),
      Compact(kDiCheckBox, 5, 6, 0, 0, MessageData(Msg::AutoDisconnectCheck)),
      Compact(kDiEdit, 5, 8, 22, 9, TextData(s.PlanTable.data())),
      Compact(kDiText, 24, 8, 0, 0, MessageData(Msg::PlanTableLabel)),
      Compact(kDiCheckBox, 5, 9, 0, 0, MessageData(Msg::BuildIfNotExistCheck)),
      Compact(kDiCheckBox, 5, 10, 0, 0, MessageData(Msg::DropAfterUseCheck)),
      Compact(kDiEdit, 5, 12, 22, 13, TextData(s.SkipSymbols.data())),
      Compact(kDiText, 24, 12, 0, 0, MessageData(Msg::SkipSymbolsLabel)),
      Compact(kDiEdit, 5, 13, 22, 14, TextData(s.EndLineComments.data())),
      Compact(kDiText, 24, 13, 0, 0, MessageData(Msg::EndLineCommentsLabel)),
      Compact(kDiText, 0, 14, 0, 0, TextData(""), separator),
      Compact(kDiButton, 0, 15, 0, 0, MessageData(Msg::Explain), kDifCenterGroup),
      Compact(connected ? kDiButton : kDiText, 0, 15, 0, 0, TextData(disconnectLabel),
              kDifCenterGroup),
      Compact(kDiButton, 0, 15, 0, 0, MessageData(Msg::Ok), kDifCenterGroup),
      Compact(kDiText, 5, 17, 0, 0, TextData(kCredits), kDifCenterGroup),
  };
  records[dialog_item::Run].DefaultButton = 1;

  // Each rule on its own: with a password kept from an earlier command the
  // run button and an empty connection field may both ask for the cursor,
  // and the host settles which one gets it.
  const bool noAlias = IsEmpty(s.Alias);
  const bool noUser = IsEmpty(s.User);
  const bool noPassword = IsEmpty(s.Password);
  records[dialog_item::Alias].Focus = !connected && noAlias;
  records[dialog_item::User].Focus = !connected && !noAlias && noUser;
  records[dialog_item::Password].Focus = !connected && !noAlias && !noUser && noPassword;
  records[dialog_item::Run].Focus = connected || !noPassword;
}

// Copies an edit line into its setting, trims it, and shows the trimmed text
// in the field when the dialog comes back.
void TakeTrimmed(FarDialogItem& item, SettingText& setting) {
  SetText(setting, ItemText(item));
  if (TrimBlanks(setting.data()))
    SetItemText(item, View(setting));
}

// The length of user[/password][@alias], without building it.
std::size_t ConnectStringLength(const RunState& s) {
  std::size_t length = View(s.User).size();
  if (!IsEmpty(s.Password))
    length += 1 + View(s.Password).size();
  if (!IsEmpty(s.Alias))
    length += 1 + View(s.Alias).size();
  return length;
}

// The first reason to refuse the values now in RunState, or none.
std::optional<Msg> Refusal(const RunState& s) {
  if (HasForbiddenChar(s.Alias.data()))
    return Msg::BadAlias;
  if (IsEmpty(s.User) || HasForbiddenChar(s.User.data()))
    return Msg::BadUser;
  if (IsEmpty(s.PlanTable) || HasForbiddenChar(s.PlanTable.data()))
    return Msg::BadPlanTable;
  // Cut short, the connect string would log on as someone else, or with
  // another password. Oracle takes the whole text as its user name, so the
  // user's refusal is the one that points at what to shorten.
  if (ConnectStringLength(s) >= sizeof s.ConnectString)
    return Msg::BadUser;
  return std::nullopt;
}

// Takes a confirmed showing's values into RunState, before they are checked,
// so that a refused input is still there for the next dialog.
void TakeInput(RunState& s, Items& items) {
  TakeTrimmed(items[dialog_item::Alias], s.Alias);
  TakeTrimmed(items[dialog_item::User], s.User);
  TakeTrimmed(items[dialog_item::Password], s.Password);
  TakeTrimmed(items[dialog_item::PlanTable], s.PlanTable);

  s.AutoDisconnect = items[dialog_item::AutoDisconnect].Selected;
  s.BuildIfNotExist = items[dialog_item::BuildIfNotExist].Selected;
  s.DropAfterUse = items[dialog_item::DropAfterUse].Selected;

  // The skip symbols may themselves be blanks: taken as typed.
  SetText(s.SkipSymbols, ItemText(items[dialog_item::SkipSymbols]));

  FarDialogItem& comments = items[dialog_item::EndLineComments];
  SetText(s.EndLineComments, ItemText(comments));
  if (NormalizeList(s.EndLineComments.data(), ','))
    SetItemText(comments, View(s.EndLineComments));
}

// Joins user[/password][@alias] in the scratch buffer and copies it out
// before anything else reuses that buffer. The caller has made sure it fits.
void BuildConnectString(RunState& s) {
  s.Scratch.Reset();
  s.Scratch.Append(View(s.User));
  if (!IsEmpty(s.Password)) {
    s.Scratch.Append("/");
    s.Scratch.Append(View(s.Password));
  }
  if (!IsEmpty(s.Alias)) {
    s.Scratch.Append("@");
    s.Scratch.Append(View(s.Alias));
  }
  s.Scratch.AppendNul();
  SetText(s.ConnectString, s.Scratch.Text());
}

}  // namespace

void ExpandDialogItems(const HostServices& host, const DialogItemSpec* records,
                       FarDialogItem* items, int count) {
  for (int i = 0; i < count; ++i) {
    const DialogItemSpec record = records[i];
    FarDialogItem& item = items[i];
    item.Type = record.Type;
    item.X1 = record.X1;
    item.Y1 = record.Y1;
    item.X2 = record.X2;
    item.Y2 = record.Y2;
    item.Focus = record.Focus;
    item.Selected = record.Selected;
    item.Flags = record.Flags;
    item.DefaultButton = record.DefaultButton;
    const char* text = record.Data <= kLastMessageData ? host.GetMsg(static_cast<Msg>(record.Data))
                                                       : reinterpret_cast<const char*>(record.Data);
    // Read no further than the item can hold: the text need not end within
    // any known buffer, and whatever follows the 511th character is dropped.
    std::size_t length = 0;
    while (length < sizeof item.Data - 1 && text[length] != '\0')
      ++length;
    SetItemText(item, std::string_view(text, length));
  }
}

DialogOutcome ConnectionDialog(Module& module) {
  RunState& s = module.State();
  const HostServices& host = module.Host();

  // The disconnect label lives in the scratch buffer only until the items
  // hold their own copies of every text.
  const char* disconnectLabel = DisconnectLabel(module);
  ItemTable records;
  FillItemTable(s, disconnectLabel, records);
  Items items{};
  ExpandDialogItems(host, records.data(), items.data(), kDialogItemCount);

  // Set once: when the dialog comes back after a refusal, the boxes show
  // what the user left them at.
  items[dialog_item::AutoDisconnect].Selected = s.AutoDisconnect;
  items[dialog_item::BuildIfNotExist].Selected = s.BuildIfNotExist;
  items[dialog_item::DropAfterUse].Selected = s.DropAfterUse;

  for (;;) {
    const int result = host.Dialog(items.data(), kDialogItemCount);
    if (result == dialog_item::Disconnect) {
      module.ExitFAR();
      ShowNoticeBox(host, 0, Msg::Disconnected);
      return DialogOutcome::Disconnected;
    }
    if (result != dialog_item::Run)
      return DialogOutcome::Cancelled;

    TakeInput(s, items);
    if (const std::optional<Msg> reason = Refusal(s)) {
      ShowNoticeBox(host, kMessageWarning, *reason);
      continue;
    }
    SaveSettings(module);
    BuildConnectString(s);
    return DialogOutcome::Run;
  }
}

}  // namespace kestrin
