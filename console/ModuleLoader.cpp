#include "ModuleLoader.h"

#include <dlfcn.h>

namespace kestrin::console {

bool LoadModule(const std::string& path, LoadedModule& module, std::string& error) {
  LoadedModule loaded;
  // A name without a slash would be looked up on the library path; the
  // module named here is a file.
  const std::string name = path.find('/') == std::string::npos ? "./" + path : path;
  loaded.library = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (loaded.library == nullptr) {
    const char* why = ::dlerror();
    error = "cannot load the plugin module " + path + ": " + (why ? why : "unknown reason");
    return false;
  }
  struct Entry {
    const char* name;
    void* address;
  } entries[] = {{"SetStartupInfo", nullptr},
                 {"GetPluginInfo", nullptr},
                 {"OpenPlugin", nullptr},
                 {"ExitFAR", nullptr}};
  for (Entry& entry : entries) {
    entry.address = ::dlsym(loaded.library, entry.name);
    if (entry.address == nullptr) {
      error = "the plugin module " + path + " has no entry point " + entry.name;
      ::dlclose(loaded.library);
      return false;
    }
  }
  loaded.setStartupInfo = reinterpret_cast<SetStartupInfoFn>(entries[0].address);
  loaded.getPluginInfo = reinterpret_cast<GetPluginInfoFn>(entries[1].address);
  loaded.openPlugin = reinterpret_cast<OpenPluginFn>(entries[2].address);
  loaded.exitFar = reinterpret_cast<ExitFarFn>(entries[3].address);
  module = loaded;
  return true;
}

void UnloadModule(LoadedModule& module) {
  if (module.library != nullptr)
    ::dlclose(module.library);
  module = LoadedModule{};
}

}  // namespace kestrin::console
