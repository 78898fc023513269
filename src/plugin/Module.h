// One loaded module: its RunState, the adapter over the host's services, the
// platform it runs on and its way to the database. The exported entry points
// forward to the one Module of the process; tests make their own.
#pragma once

#include "host/HostServices.h"
#include "oracle/OracleClient.h"
#include "plugin/RunState.h"

namespace kestrin {

class Platform;

class Module {
 public:
  // `calls`: a complete client-library table to use as it is; null binds the
  // platform's client library on the first logon.
  explicit Module(Platform& platform, const OciCalls* calls = nullptr);
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // --- The entry points ------------------------------------------------------

  // Keeps a copy of the host's services record (exactly its own size,
  // whatever StructSize says) and forms the settings key path.
  void SetStartupInfo(const PluginStartupInfo* info);
  // Offers the one editor menu item, its text asked anew on every call.
  void GetPluginInfo(PluginInfo* info);
  // Runs the explain command. Always returns the host's invalid handle.
  HostHandle OpenPlugin(int openFrom, int item);
  // The host's shutdown hook and the module's own disconnect operation: logs
  // off a held session and releases the comment-marker tables.
  void ExitFAR();

  // --- What the stages share -------------------------------------------------

  RunState& State() { return state_; }
  const HostServices& Host() const { return host_; }
  Platform& System() { return platform_; }
  OracleClient& Oracle() { return oracle_; }

  // Restores the saved screen and takes a new snapshot, so that no progress
  // note stays under the box that follows.
  void RefreshSavedScreen();

 private:
  Platform& platform_;
  RunState state_;
  HostServices host_{state_.HostRecord};
  OracleClient oracle_;
};

}  // namespace kestrin
