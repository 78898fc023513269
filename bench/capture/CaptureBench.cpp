// Times CaptureStatement per selected character and counts the heap
// allocations each capture makes. The editor is a minimal host of its own that
// answers line queries from prepared lines without allocating, so every
// allocation counted is the capture's.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "AllocationCounter.h"
#include "capture/CaptureStatement.h"
#include "platform/Platform.h"
#include "plugin/Module.h"

// --- A host with an editor and nothing else -----------------------------------

namespace kestrin {
namespace {

struct BenchEditor {
  std::vector<std::string> lines;
};
BenchEditor* editor = nullptr;

extern "C" {
int KESTRIN_HOST_CALL BenchEditorControl(int command, void* param) {
  if (command != kEditorGetString)
    return 0;
  auto* line = static_cast<EditorGetString*>(param);
  if (line->StringNumber < 0 || line->StringNumber >= static_cast<int>(editor->lines.size()))
    return 0;
  const std::string& text = editor->lines[static_cast<std::size_t>(line->StringNumber)];
  line->StringText = text.data();
  line->StringEOL = "";
  line->StringLength = static_cast<int>(text.size());
  line->SelStart = 0;
  line->SelEnd = -1;
  return 1;
}
const char* KESTRIN_HOST_CALL BenchGetMsg(int, int) {
  return "";
}
int KESTRIN_HOST_CALL BenchMessage(int, unsigned, const char*, const char* const*, int, int) {
  return -1;
}
}

// SQL inside program source, as the capture usually sees it.
const char kSourceText[] = "  \"select a.id, b.name from t a, u b where a.id = b.id;\" // x\n";

std::string SourceLine(std::size_t length) {
  std::string line;
  while (line.size() < length)
    line += kSourceText;
  line.resize(length);
  for (char& c : line) {
    if (c == '\n')
      c = ' ';
  }
  return line;
}

void RunCapture(benchmark::State& run, std::vector<std::string> lines, const char* markers) {
  BenchEditor host{std::move(lines)};
  editor = &host;
  PluginStartupInfo record{};
  record.StructSize = sizeof record;
  record.GetMsg = BenchGetMsg;
  record.Message = BenchMessage;
  record.EditorControl = BenchEditorControl;
  auto module = std::make_unique<Module>(NativePlatform());
  module->SetStartupInfo(&record);
  SetText(module->State().SkipSymbols, "\"\\;");
  SetText(module->State().EndLineComments, markers);

  std::size_t characters = 0;
  for (const auto& line : host.lines)
    characters += line.size();

  if (!CaptureStatement(*module, 0)) {
    run.SkipWithError("the block was not accepted");
    return;
  }
  const long long before = bench::Allocations();
  for (auto _ : run) {
    const bool accepted = CaptureStatement(*module, 0);
    benchmark::DoNotOptimize(accepted);
    benchmark::ClobberMemory();
  }
  const long long made = bench::Allocations() - before;
  run.counters["chars"] = static_cast<double>(characters);
  // Shown as a time: seconds per character with an SI prefix.
  run.counters["per_char"] = benchmark::Counter(
      static_cast<double>(characters),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  run.counters["allocs_per_capture"] =
      static_cast<double>(made) / static_cast<double>(run.iterations());
  editor = nullptr;
}

void BM_OneLineOf31998(benchmark::State& run) {
  RunCapture(run, {std::string(31998, 'x')}, "//,--");
}

void BM_OneSourceLineOf31998(benchmark::State& run) {
  // Quotes, blanks and a marker in every 62 characters; the marker cuts the
  // line at its first occurrence, so it is placed only at the end here.
  std::string line = SourceLine(31998 - 5);
  for (char& c : line) {
    if (c == '/')
      c = '+';
  }
  RunCapture(run, {line + " // x"}, "//,--");
}

void BM_ThousandSourceLinesOf30(benchmark::State& run) {
  std::vector<std::string> lines;
  for (int i = 0; i < 1000; ++i)
    lines.push_back(i % 2 == 0 ? "  \"select a.id, b.name \"  // x"
                               : "  \"from t a where a.id = 1;\"  ");
  for (const auto& line : lines) {
    if (line.size() != 30) {
      run.SkipWithError("the lines must be 30 characters long");
      return;
    }
  }
  RunCapture(run, std::move(lines), "//,--");
}

void BM_ThousandLinesWithoutMarkers(benchmark::State& run) {
  RunCapture(run, std::vector<std::string>(1000, SourceLine(30)), "");
}

BENCHMARK(BM_OneLineOf31998);
BENCHMARK(BM_OneSourceLineOf31998);
BENCHMARK(BM_ThousandSourceLinesOf30);
BENCHMARK(BM_ThousandLinesWithoutMarkers);

}  // namespace
}  // namespace kestrin

BENCHMARK_MAIN();
