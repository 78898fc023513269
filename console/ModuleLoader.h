// Loading the plugin module as the file manager does: the shared library is
// opened and its four entry points are found by name.
#pragma once

#include <string>

#include "host/FarAbi.h"

namespace kestrin::console {

struct LoadedModule {
  void* library = nullptr;
  SetStartupInfoFn setStartupInfo = nullptr;
  GetPluginInfoFn getPluginInfo = nullptr;
  OpenPluginFn openPlugin = nullptr;
  ExitFarFn exitFar = nullptr;
};

// Opens the module at `path` and finds its entry points. Returns false with
// a one-line reason in `error` (naming the library, and the entry point when
// one is missing) when it cannot be loaded; nothing stays loaded then.
bool LoadModule(const std::string& path, LoadedModule& module, std::string& error);

// Unloads the module; safe to call when nothing is loaded.
void UnloadModule(LoadedModule& module);

}  // namespace kestrin::console
