#include "oracle/Session.h"

#include <cstring>

#include "host/Boxes.h"
#include "plugin/Module.h"

namespace kestrin {

bool EnsureSession(Module& module) {
  RunState& state = module.State();
  const HostServices& host = module.Host();

  state.SavedScreen = host.SaveScreen();
  ShowProgressNote(host, Msg::Connecting);

  // The same text, byte for byte: the held session is the one asked for.
  if (View(state.ConnectString) == View(state.CurrentConnection))
    return true;

  module.ExitFAR();
  OracleClient& oracle = module.Oracle();
  const int logon = oracle.Logon(state.Session, state.ConnectString.data());
  if (logon != 0) {
    ShowOracleError(module, logon, true);
    return false;
  }
  if (oracle.OpenCursor(state.Session) != 0) {
    ShowOracleError(module, CursorReturnCode(state.Session.Cursor), true);
    // The logon succeeded but no session is held: log it off rather than
    // leave it open on the server until the process ends.
    oracle.Logoff(state.Session);
    return false;
  }
  SetText(state.CurrentConnection, View(state.ConnectString));
  return true;
}

void FormatOracleErrorLine(Module& module, int code) {
  RunState& state = module.State();
  auto& line = state.ErrorTextBuffer;
  line[0] = '\0';
  const int found =
      module.Oracle().ErrorText(state.Session, code, line.data(), static_cast<int>(line.size()));
  line[line.size() - 1] = '\0';
  if (found != 0 && line[0] != '\0') {
    if (char* feed = static_cast<char*>(std::memchr(line.data(), '\n', line.size())))
      *feed = '\0';
    return;
  }
  TextWriter text(line.data(), line.size());
  text.AppendFormattedInteger(module.Host().GetMsg(Msg::OracleErrorCode),
                              static_cast<std::int32_t>(code));
  text.AppendNul();
}

void ShowOracleError(Module& module, int code, bool withLogonDetails) {
  RunState& state = module.State();
  const HostServices& host = module.Host();

  // The header line. The password is never shown.
  if (withLogonDetails) {
    TextWriter& header = state.Scratch;
    header.Reset();
    header.Append(host.GetMsg(Msg::LogonErrorHeader));
    header.Append(View(state.User));
    if (!IsEmpty(state.Alias)) {
      header.Append("@");
      header.Append(View(state.Alias));
    }
    header.AppendNul();
  } else {
    CopyText(state.ScratchBuffer.data(), state.ScratchBuffer.size(),
             host.GetMsg(Msg::OracleErrorHeader));
  }

  FormatOracleErrorLine(module, code);
  module.RefreshSavedScreen();
  ShowDetailBox(host, state.ScratchBuffer.data(), state.ErrorTextBuffer.data());
}

}  // namespace kestrin
