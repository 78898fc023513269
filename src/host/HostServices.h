// The host's services as the module uses them: one adapter over the copy of
// the services record that SetStartupInfo keeps. Every platform and every host
// (the file manager, the console host, the test hosts) is reached the same
// way, through the record's function pointers.
#pragma once

#include "host/FarAbi.h"
#include "host/Messages.h"

namespace kestrin {

class HostServices {
 public:
  // Uses `record`, which must outlive the adapter and must have been filled
  // by SetStartupInfo before any service is asked for.
  explicit HostServices(const PluginStartupInfo& record) : record_(record) {}

  // The text of message `msg`, asked of the host anew on every call; "" when
  // the host has none.
  const char* GetMsg(Msg msg) const;

  // Shows a message box: item 0 is the title, the last `buttons` items are
  // buttons. Returns the chosen button from 0, or -1 when dismissed; without
  // buttons the box is drawn and the call returns at once.
  int Message(unsigned flags, const char* const* items, int count, int buttons) const;

  // Runs the dialog centred, 75 by 19, without a help topic. The host writes
  // the edited texts and check-box states back into `items`. Returns the
  // number of the item that closed it.
  int Dialog(FarDialogItem* items, int count) const;

  // Takes a snapshot of the whole screen.
  HostHandle SaveScreen() const;
  // Redraws the snapshot and releases it.
  void RestoreScreen(HostHandle screen) const;

  // Opens `path` in a whole-screen viewer with `path` as its title.
  int Viewer(const char* path, unsigned flags) const;

  // The editor's information record; the call's result is not used.
  EditorInfo GetEditorInfo() const;

  // Asks the editor for line `number`. Returns false when there is no such
  // line; otherwise `line` holds the line's text, length and selection.
  bool GetEditorLine(int number, EditorGetString& line) const;

 private:
  const PluginStartupInfo& record_;
};

}  // namespace kestrin
