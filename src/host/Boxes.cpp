#include "host/Boxes.h"

namespace kestrin {

void ShowNoticeBox(const HostServices& host, unsigned flags, const char* text) {
  const char* items[] = {host.GetMsg(Msg::Title), "", text, "", kSeparator, host.GetMsg(Msg::Ok)};
  host.Message(flags, items, 6, 1);
}

void ShowDetailBox(const HostServices& host, const char* first, const char* second) {
  const char* items[] = {host.GetMsg(Msg::Title), "", first, second, "", kSeparator,
                         host.GetMsg(Msg::Ok)};
  host.Message(kMessageWarning | kMessageLeftAlign, items, 7, 1);
}

void ShowProgressNote(const HostServices& host, Msg text) {
  const char* items[] = {"", "", host.GetMsg(text), ""};
  host.Message(0, items, 4, 0);
}

bool AskDropPlanTable(const HostServices& host) {
  const char* items[] = {host.GetMsg(Msg::Title),
                         "",
                         host.GetMsg(Msg::DropQuestion1),
                         host.GetMsg(Msg::DropQuestion2),
                         "",
                         kSeparator,
                         host.GetMsg(Msg::KeepButton),
                         host.GetMsg(Msg::DropButton)};
  return host.Message(kMessageWarning, items, 8, 2) == 1;
}

}  // namespace kestrin
