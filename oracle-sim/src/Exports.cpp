// The client library's entry points under Oracle's names. The first call
// applies the settings in the environment (see README.md).
#include "Calls.h"
#include "OracleSim.h"

#if defined(_WIN32)
#define KESTRIN_SIM_EXPORT  // exported by OCIW32.def, at Oracle's ordinals
#else
#define KESTRIN_SIM_EXPORT __attribute__((visibility("default")))
#endif

namespace {

void ConfigureOnce() {
  static const bool configured = (kestrin::sim::ConfigureFromEnvironment(), true);
  static_cast<void>(configured);
}

}  // namespace

using kestrin::CursorArea;
using kestrin::HostDataArea;
using kestrin::LogonArea;

extern "C" {

KESTRIN_SIM_EXPORT int KESTRIN_OCI_CALL olog(LogonArea* lda, HostDataArea* hda, const char* uid,
                                             int uidl, const char* pswd, int pswdl,
                                             const char* conn, int connl, unsigned mode) {
  ConfigureOnce();
  return kestrin::kestrin_sim_olog(lda, hda, uid, uidl, pswd, pswdl, conn, connl, mode);
}

KESTRIN_SIM_EXPORT int KESTRIN_OCI_CALL oopen(CursorArea* cda, LogonArea* lda, const char* dbn,
                                              int dbnl, int arsize, const char* uid, int uidl) {
  ConfigureOnce();
  return kestrin::kestrin_sim_oopen(cda, lda, dbn, dbnl, arsize, uid, uidl);
}

KESTRIN_SIM_EXPORT int KESTRIN_OCI_CALL oparse(CursorArea* cda, const char* sqlstm, int sqllen,
                                               int defflg, unsigned lngflg) {
  ConfigureOnce();
  return kestrin::kestrin_sim_oparse(cda, sqlstm, sqllen, defflg, lngflg);
}

KESTRIN_SIM_EXPORT int KESTRIN_OCI_CALL oexec(CursorArea* cda) {
  ConfigureOnce();
  return kestrin::kestrin_sim_oexec(cda);
}

KESTRIN_SIM_EXPORT int KESTRIN_OCI_CALL odefin(CursorArea* cda, int pos, void* buf, int bufl,
                                               int ftype, int scale, short* indp, const char* fmt,
                                               int fmtl, int fmtt, unsigned short* rlen,
                                               unsigned short* rcode) {
  ConfigureOnce();
  return kestrin::kestrin_sim_odefin(cda, pos, buf, bufl, ftype, scale, indp, fmt, fmtl, fmtt, rlen,
                                     rcode);
}

KESTRIN_SIM_EXPORT int KESTRIN_OCI_CALL ofetch(CursorArea* cda) {
  ConfigureOnce();
  return kestrin::kestrin_sim_ofetch(cda);
}

KESTRIN_SIM_EXPORT int KESTRIN_OCI_CALL ocom(LogonArea* lda) {
  ConfigureOnce();
  return kestrin::kestrin_sim_ocom(lda);
}

KESTRIN_SIM_EXPORT int KESTRIN_OCI_CALL oclose(CursorArea* cda) {
  ConfigureOnce();
  return kestrin::kestrin_sim_oclose(cda);
}

KESTRIN_SIM_EXPORT int KESTRIN_OCI_CALL ologof(LogonArea* lda) {
  ConfigureOnce();
  return kestrin::kestrin_sim_ologof(lda);
}

KESTRIN_SIM_EXPORT int KESTRIN_OCI_CALL oerhms(LogonArea* lda, short rcode, char* buf, int bufsiz) {
  ConfigureOnce();
  return kestrin::kestrin_sim_oerhms(lda, rcode, buf, bufsiz);
}

}  // extern "C"
