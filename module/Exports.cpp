// The module's four exported entry points. They are thin: each forwards to the
// one Module of the process, which runs on the platform the module was built
// for and binds that platform's Oracle client library on first need.
#include "host/FarAbi.h"
#include "platform/Platform.h"
#include "plugin/Module.h"

#if defined(_WIN32)
#define KESTRIN_EXPORT
#else
#define KESTRIN_EXPORT __attribute__((visibility("default")))
#endif

namespace {

kestrin::Module& TheModule() {
  static kestrin::Module module(kestrin::NativePlatform());
  return module;
}

}  // namespace

extern "C" {

KESTRIN_EXPORT void KESTRIN_HOST_CALL SetStartupInfo(const kestrin::PluginStartupInfo* info) {
  TheModule().SetStartupInfo(info);
}

KESTRIN_EXPORT void KESTRIN_HOST_CALL GetPluginInfo(kestrin::PluginInfo* info) {
  TheModule().GetPluginInfo(info);
}

KESTRIN_EXPORT kestrin::HostHandle KESTRIN_HOST_CALL OpenPlugin(int openFrom, int item) {
  return TheModule().OpenPlugin(openFrom, item);
}

KESTRIN_EXPORT void KESTRIN_HOST_CALL ExitFAR() {
  TheModule().ExitFAR();
}

}  // extern "C"
