// Times one whole explain command in-process: OpenPlugin over the recording
// test host, the test platform (the report really goes to a file) and the
// simulated server, which plans a join of EMP and DEPT and reports their
// indexes. Besides
// the time per command it counts the heap allocations the module's own code
// makes per command: every service of the host, the platform and the client
// library is reached through a guard, and what happens inside a guard is
// theirs, not the module's.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "AllocationCounter.h"
#include "OracleSim.h"
#include "fakes/FakeHost.h"
#include "fakes/FakePlatform.h"
#include "plugin/Module.h"

namespace kestrin {
namespace {

// --- The host's services, guarded ---------------------------------------------

PluginStartupInfo hostRecord{};  // the test host's own record

extern "C" {
const char* KESTRIN_HOST_CALL GuardGetMsg(int module, int msg) {
  bench::Outside o;
  return hostRecord.GetMsg(module, msg);
}
int KESTRIN_HOST_CALL GuardMessage(int module, unsigned flags, const char* help,
                                   const char* const* items, int count, int buttons) {
  bench::Outside o;
  return hostRecord.Message(module, flags, help, items, count, buttons);
}
int KESTRIN_HOST_CALL GuardDialog(int module, int x1, int y1, int x2, int y2, const char* help,
                                  FarDialogItem* items, int count) {
  bench::Outside o;
  return hostRecord.Dialog(module, x1, y1, x2, y2, help, items, count);
}
HostHandle KESTRIN_HOST_CALL GuardSaveScreen(int x1, int y1, int x2, int y2) {
  bench::Outside o;
  return hostRecord.SaveScreen(x1, y1, x2, y2);
}
void KESTRIN_HOST_CALL GuardRestoreScreen(HostHandle screen) {
  bench::Outside o;
  hostRecord.RestoreScreen(screen);
}
int KESTRIN_HOST_CALL GuardViewer(const char* file, const char* title, int x1, int y1, int x2,
                                  int y2, unsigned flags) {
  bench::Outside o;
  return hostRecord.Viewer(file, title, x1, y1, x2, y2, flags);
}
int KESTRIN_HOST_CALL GuardEditorControl(int command, void* param) {
  bench::Outside o;
  return hostRecord.EditorControl(command, param);
}
}

// --- The client library, guarded ------------------------------------------------

OciCalls library{};

extern "C" {
int KESTRIN_OCI_CALL GuardOlog(LogonArea* lda, HostDataArea* hda, const char* uid, int uidl,
                               const char* pswd, int pswdl, const char* conn, int connl,
                               unsigned mode) {
  bench::Outside o;
  return library.olog(lda, hda, uid, uidl, pswd, pswdl, conn, connl, mode);
}
int KESTRIN_OCI_CALL GuardOopen(CursorArea* cda, LogonArea* lda, const char* dbn, int dbnl,
                                int arsize, const char* uid, int uidl) {
  bench::Outside o;
  return library.oopen(cda, lda, dbn, dbnl, arsize, uid, uidl);
}
int KESTRIN_OCI_CALL GuardOparse(CursorArea* cda, const char* sql, int sqll, int defflg,
                                 unsigned lngflg) {
  bench::Outside o;
  return library.oparse(cda, sql, sqll, defflg, lngflg);
}
int KESTRIN_OCI_CALL GuardOexec(CursorArea* cda) {
  bench::Outside o;
  return library.oexec(cda);
}
int KESTRIN_OCI_CALL GuardOdefin(CursorArea* cda, int pos, void* buf, int bufl, int ftype,
                                 int scale, short* indp, const char* fmt, int fmtl, int fmtt,
                                 unsigned short* rlen, unsigned short* rcode) {
  bench::Outside o;
  return library.odefin(cda, pos, buf, bufl, ftype, scale, indp, fmt, fmtl, fmtt, rlen, rcode);
}
int KESTRIN_OCI_CALL GuardOfetch(CursorArea* cda) {
  bench::Outside o;
  return library.ofetch(cda);
}
int KESTRIN_OCI_CALL GuardOcom(LogonArea* lda) {
  bench::Outside o;
  return library.ocom(lda);
}
int KESTRIN_OCI_CALL GuardOclose(CursorArea* cda) {
  bench::Outside o;
  return library.oclose(cda);
}
int KESTRIN_OCI_CALL GuardOlogof(LogonArea* lda) {
  bench::Outside o;
  return library.ologof(lda);
}
int KESTRIN_OCI_CALL GuardOerhms(LogonArea* lda, short code, char* buf, int size) {
  bench::Outside o;
  return library.oerhms(lda, code, buf, size);
}
}

const OciCalls kGuardedCalls{GuardOlog,   GuardOopen, GuardOparse, GuardOexec,  GuardOdefin,
                             GuardOfetch, GuardOcom,  GuardOclose, GuardOlogof, GuardOerhms};

// --- The platform, guarded --------------------------------------------------------

class GuardedFile final : public OutputFile {
 public:
  explicit GuardedFile(OutputFile& file) : file_(file) {}
  bool Open(const char* path) override {
    bench::Outside o;
    return file_.Open(path);
  }
  void Write(std::string_view text) override {
    bench::Outside o;
    file_.Write(text);
  }
  void EndLine() override {
    bench::Outside o;
    file_.EndLine();
  }
  void Close() override {
    bench::Outside o;
    file_.Close();
  }

 private:
  OutputFile& file_;
};

class GuardedPlatform final : public test::FakePlatform {
 public:
  RegistryKey OpenKey(const char* path) override {
    bench::Outside o;
    return FakePlatform::OpenKey(path);
  }
  RegistryKey CreateKey(const char* path) override {
    bench::Outside o;
    return FakePlatform::CreateKey(path);
  }
  bool QueryValue(RegistryKey key, const char* name, std::uint32_t* type, void* data,
                  std::uint32_t* size) override {
    bench::Outside o;
    return FakePlatform::QueryValue(key, name, type, data, size);
  }
  bool SetValue(RegistryKey key, const char* name, std::uint32_t type, const void* data,
                std::uint32_t size) override {
    bench::Outside o;
    return FakePlatform::SetValue(key, name, type, data, size);
  }
  void CloseKey(RegistryKey key) override {
    bench::Outside o;
    FakePlatform::CloseKey(key);
  }
  LocalTime GetLocalTime() override {
    bench::Outside o;
    return FakePlatform::GetLocalTime();
  }
  std::uint32_t GetTempPath(std::uint32_t size, char* buffer) override {
    bench::Outside o;
    return FakePlatform::GetTempPath(size, buffer);
  }
  bool CreateDirectory(const char* path) override {
    bench::Outside o;
    return FakePlatform::CreateDirectory(path);
  }
  std::uint32_t GetTempFileName(const char* directory, const char* prefix, std::uint32_t unique,
                                char* out) override {
    bench::Outside o;
    return FakePlatform::GetTempFileName(directory, prefix, unique, out);
  }
  std::uint32_t GetLastError() override {
    bench::Outside o;
    return FakePlatform::GetLastError();
  }
  OutputFile& ReportFile() override {
    bench::Outside o;
    if (!file_)
      file_ = std::make_unique<GuardedFile>(FakePlatform::ReportFile());
    return *file_;
  }

 private:
  std::unique_ptr<GuardedFile> file_;
};

// --- The command ------------------------------------------------------------------

void BM_ExplainCommand(benchmark::State& bench) {
  bench::SetCounting(false);  // only the commands themselves are counted
  sim::Reset();
  library = sim::SimCalls();

  test::FakeHost host;
  host.SelectLines({"select e.ename, d.dname -- who works where", "  from emp e, dept d",
                    "  where e.deptno = d.deptno", "  and e.empno = 7788;"});
  hostRecord = host.Record();
  PluginStartupInfo record = hostRecord;
  record.GetMsg = GuardGetMsg;
  record.Message = GuardMessage;
  record.Dialog = GuardDialog;
  record.SaveScreen = GuardSaveScreen;
  record.RestoreScreen = GuardRestoreScreen;
  record.Viewer = GuardViewer;
  record.EditorControl = GuardEditorControl;

  GuardedPlatform platform;
  Module module(platform, &kGuardedCalls);
  module.SetStartupInfo(&record);
  // The settings as a user would have them after the first command: the
  // defaults, with the password typed in the dialog.
  RunState& state = module.State();
  SetText(state.User, "scott");
  SetText(state.Password, "tiger");
  SetText(state.PlanTable, "plan_table");
  SetText(state.SkipSymbols, "\"\\;");
  SetText(state.EndLineComments, "//,--");
  state.BuildIfNotExist = 1;
  state.AutoDisconnect = 1;
  state.SettingsLoaded = 1;

  // The first command creates the plan table; it must get as far as the
  // viewer with the plan written and its rows deleted.
  module.OpenPlugin(0, 0);
  if (host.Of(test::HostCall::Viewer).size() != 1 || host.Boxes().size() != 2) {
    bench.SkipWithError("the explain command did not reach the viewer");
    return;
  }
  host.ClearCalls();
  sim::ClearCallLog();

  long long commands = 0;
  const long long before = bench::Allocations();
  for (auto _ : bench) {
    bench::SetCounting(true);
    benchmark::DoNotOptimize(module.OpenPlugin(0, 0));
    bench::SetCounting(false);
    ++commands;
    // The recording host and server keep every call; their logs are emptied
    // between commands, so that each command costs the same.
    host.ClearCalls();
    sim::ClearCallLog();
  }

  bench.counters["allocations/command"] = benchmark::Counter(
      static_cast<double>(bench::Allocations() - before) / static_cast<double>(commands));
  sim::Reset();
}

BENCHMARK(BM_ExplainCommand);

}  // namespace
}  // namespace kestrin

BENCHMARK_MAIN();
