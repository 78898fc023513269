#include "plugin/ExplainCommand.h"

#include "capture/CaptureStatement.h"
#include "dialog/ConnectionDialog.h"
#include "host/Boxes.h"
#include "oracle/Session.h"
#include "plan/PlanRun.h"
#include "plan/Report.h"
#include "plugin/Module.h"
#include "settings/Settings.h"

namespace kestrin {

namespace {

// Stages 6 to 9: everything that works under the command's saved screen once
// the session is open.
void RunUnderSnapshot(Module& module) {
  std::uint32_t flags = 0;
  const PlanOutcome outcome = PlanRun(module, flags);
  if (outcome != PlanOutcome::Restore) {
    if (outcome == PlanOutcome::Report)
      WriteReport(module, flags);
    CleanUpPlanTable(module, flags);
  }
  module.Host().RestoreScreen(module.State().SavedScreen);
  module.State().SavedScreen = nullptr;
  if (flags & PlanWritten)
    ViewReport(module);
}

}  // namespace

void ExplainCommand(Module& module) {
  RunState& state = module.State();

  // 1. First use of the process: the settings, and no password or session yet.
  if (state.SettingsLoaded == 0) {
    state.Password[0] = '\0';
    state.CurrentConnection[0] = '\0';
    LoadSettings(module);
    state.SettingsLoaded = 1;
  }

  // 2. The editor must hold a selected block.
  const EditorInfo editor = module.Host().GetEditorInfo();
  if (editor.BlockType == 0) {
    ShowNoticeBox(module.Host(), kMessageWarning, Msg::NoBlock);
    return;
  }

  // 3. The connection dialog; only a confirmed, valid input goes on.
  if (ConnectionDialog(module) != DialogOutcome::Run)
    return;

  // 4. The statement; an empty or over-long one has shown its notice.
  if (!CaptureStatement(module, editor.BlockStartLine))
    return;

  // 5. The session, under the command's first snapshot. A failure skips the
  // plan stages and goes straight to the auto-disconnect.
  if (EnsureSession(module)) {
    RunUnderSnapshot(module);
  } else if (state.SavedScreen != nullptr) {
    // The error box left a snapshot of the clean screen; restoring it changes
    // nothing on the screen and gives the host its snapshot back.
    module.Host().RestoreScreen(state.SavedScreen);
    state.SavedScreen = nullptr;
  }

  // 10. Auto-disconnect.
  if (state.AutoDisconnect != 0)
    module.ExitFAR();
}

}  // namespace kestrin
