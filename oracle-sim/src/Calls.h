// The ten calls of the simulated server under names of their own; the
// loadable libraries export them under Oracle's names.
#pragma once

#include "oracle/OciCalls.h"

namespace kestrin {

extern "C" {
int KESTRIN_OCI_CALL kestrin_sim_olog(LogonArea* lda, HostDataArea* hda, const char* uid, int uidl,
                                      const char* pswd, int pswdl, const char* conn, int connl,
                                      unsigned mode);
int KESTRIN_OCI_CALL kestrin_sim_oopen(CursorArea* cda, LogonArea* lda, const char* dbn, int dbnl,
                                       int arsize, const char* uid, int uidl);
int KESTRIN_OCI_CALL kestrin_sim_oparse(CursorArea* cda, const char* sqlstm, int sqllen, int defflg,
                                        unsigned lngflg);
int KESTRIN_OCI_CALL kestrin_sim_oexec(CursorArea* cda);
int KESTRIN_OCI_CALL kestrin_sim_odefin(CursorArea* cda, int pos, void* buf, int bufl, int ftype,
                                        int scale, short* indp, const char* fmt, int fmtl, int fmtt,
                                        unsigned short* rlen, unsigned short* rcode);
int KESTRIN_OCI_CALL kestrin_sim_ofetch(CursorArea* cda);
int KESTRIN_OCI_CALL kestrin_sim_ocom(LogonArea* lda);
int KESTRIN_OCI_CALL kestrin_sim_oclose(CursorArea* cda);
int KESTRIN_OCI_CALL kestrin_sim_ologof(LogonArea* lda);
int KESTRIN_OCI_CALL kestrin_sim_oerhms(LogonArea* lda, short rcode, char* buf, int bufsiz);
}

}  // namespace kestrin
