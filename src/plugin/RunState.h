// The module's process-wide state: the settings, the password, the connect
// strings, the Oracle session, the current command's identifiers and paths,
// the comment-marker tables, the copy of the host's services record, and the
// shared buffers every stage works in. All of it is zero when the module is
// loaded; one RunState belongs to one Module.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "host/FarAbi.h"
#include "oracle/OracleClient.h"
#include "text/FixedText.h"
#include "text/TextWriter.h"

namespace kestrin {

inline constexpr std::size_t kSettingTextSize = 512;
inline constexpr std::size_t kScratchBufferSize = 32768;
inline constexpr std::size_t kStatementBufferSize = 32000;
inline constexpr std::size_t kErrorTextBufferSize = 513;
inline constexpr std::size_t kSettingsKeyPathSize = 100;

using SettingText = FixedText<kSettingTextSize>;

// What the running command has done to the plan table and the report.
enum RunFlag : std::uint32_t {
  PlanTableOwned = 1,     // created by this command, or the user chose to drop it
  PlanTableDropped = 2,   // the drop succeeded
  PlanWritten = 4,        // the plan section of the report was fetched to its end
  IndexReportFailed = 8,  // a call of the index report failed
  IndexReportDone = 16,   // the index report was fetched to its end
};

struct RunState {
  // The settings.
  SettingText Alias{};
  SettingText User{};
  SettingText PlanTable{};
  SettingText SkipSymbols{};
  SettingText EndLineComments{};
  std::int32_t BuildIfNotExist = 0;
  std::int32_t DropAfterUse = 0;
  std::int32_t AutoDisconnect = 0;
  std::int32_t SettingsLoaded = 0;

  SettingText Password{};           // typed in the dialog; never stored anywhere else
  SettingText ConnectString{};      // user[/password][@alias], built by the dialog
  SettingText CurrentConnection{};  // the connect string of the held session; "" for none
  OracleSession Session{};
  SettingText StatementId{};
  SettingText ReportPath{};

  // The comment-marker tables of the capture: progress and start positions,
  // one entry per marker; absent (null) when there are no markers or after
  // ExitFAR.
  std::unique_ptr<std::int32_t[]> MarkerProgress;
  std::unique_ptr<std::int32_t[]> MarkerStart;

  PluginStartupInfo HostRecord{};  // the copy of the host's services record
  FixedText<kSettingsKeyPathSize> SettingsKeyPath{};
  HostHandle SavedScreen = nullptr;
  const char* MenuText = nullptr;

  // The shared buffers.
  std::array<char, kScratchBufferSize> ScratchBuffer{};
  std::array<char, kStatementBufferSize> StatementBuffer{};
  std::array<char, kStatementBufferSize> EchoBuffer{};
  std::array<char, kErrorTextBufferSize> ErrorTextBuffer{};

  // The writer over ScratchBuffer, set up with the state.
  TextWriter Scratch{ScratchBuffer.data(), ScratchBuffer.size()};
};

}  // namespace kestrin
