// The ten calls of the Oracle Call Interface (version-7 call set) that the
// module uses, the three work areas they operate on, and the table of
// function pointers through which the module reaches whichever client
// library it was given: Oracle's own, or the simulated server.
//
// Every call returns a 32-bit integer; 0 is success for all but oerhms. After a
// failed call other than olog the server's error number stands in the cursor
// area's return code (an unsigned 16-bit value at byte 12); olog returns the
// error number directly.
#pragma once

#include <cstddef>
#include <cstdint>

// The client library's calling convention. Oracle's v7 client exports its
// calls with the C convention; a build for a library that differs can
// override this on the compiler's command line.
#ifndef KESTRIN_OCI_CALL
#if defined(_WIN32) && !defined(_WIN64)
#define KESTRIN_OCI_CALL __cdecl
#else
#define KESTRIN_OCI_CALL
#endif
#endif

namespace kestrin {

// The logon data area. The module reads none of its fields.
struct LogonArea {
  alignas(8) unsigned char bytes[64];
};

// The host data area: zero when the process starts and never cleared.
struct HostDataArea {
  alignas(8) unsigned char bytes[512];
};

// The cursor data area. Of its fields only the return code is used.
struct CursorArea {
  alignas(8) unsigned char bytes[64];
};

static_assert(sizeof(LogonArea) == 64);
static_assert(sizeof(HostDataArea) == 512);
static_assert(sizeof(CursorArea) == 64);

inline constexpr std::size_t kCursorReturnCodeOffset = 12;

// Reads the cursor area's return code: the server's error number after a
// failed call, 0 after a successful one.
inline std::uint16_t CursorReturnCode(const CursorArea& cda) {
  return static_cast<std::uint16_t>(cda.bytes[kCursorReturnCodeOffset] |
                                    (cda.bytes[kCursorReturnCodeOffset + 1] << 8));
}

// Sets the cursor area's return code (the caller does this after fetch
// results 2 and 4; the client library does it after every call).
inline void SetCursorReturnCode(CursorArea& cda, std::uint16_t code) {
  cda.bytes[kCursorReturnCodeOffset] = static_cast<unsigned char>(code & 0xFF);
  cda.bytes[kCursorReturnCodeOffset + 1] = static_cast<unsigned char>(code >> 8);
}

// External data types used with odefin.
inline constexpr int kExtTypeInteger = 3;  // signed integer of the buffer's length
inline constexpr int kExtTypeString = 5;   // NUL-terminated string, cut to the buffer

// Results of ofetch besides 0 (a row stands in the defined buffers).
inline constexpr int kFetchSkipRow = 2;  // the row is passed over; fetch again
inline constexpr int kFetchNoMore = 4;   // no more rows

extern "C" {
using OlogFn = int(KESTRIN_OCI_CALL*)(LogonArea* lda, HostDataArea* hda, const char* uid, int uidl,
                                      const char* pswd, int pswdl, const char* conn, int connl,
                                      unsigned mode);
using OopenFn = int(KESTRIN_OCI_CALL*)(CursorArea* cda, LogonArea* lda, const char* dbn, int dbnl,
                                       int arsize, const char* uid, int uidl);
using OparseFn = int(KESTRIN_OCI_CALL*)(CursorArea* cda, const char* sqlstm, int sqllen, int defflg,
                                        unsigned lngflg);
using OexecFn = int(KESTRIN_OCI_CALL*)(CursorArea* cda);
using OdefinFn = int(KESTRIN_OCI_CALL*)(CursorArea* cda, int pos, void* buf, int bufl, int ftype,
                                        int scale, short* indp, const char* fmt, int fmtl, int fmtt,
                                        unsigned short* rlen, unsigned short* rcode);
using OfetchFn = int(KESTRIN_OCI_CALL*)(CursorArea* cda);
using OcomFn = int(KESTRIN_OCI_CALL*)(LogonArea* lda);
using OcloseFn = int(KESTRIN_OCI_CALL*)(CursorArea* cda);
using OlogofFn = int(KESTRIN_OCI_CALL*)(LogonArea* lda);
using OerhmsFn = int(KESTRIN_OCI_CALL*)(LogonArea* lda, short rcode, char* buf, int bufsiz);
}

// The table of the ten calls. A table is complete when every entry is set.
struct OciCalls {
  OlogFn olog = nullptr;
  OopenFn oopen = nullptr;
  OparseFn oparse = nullptr;
  OexecFn oexec = nullptr;
  OdefinFn odefin = nullptr;
  OfetchFn ofetch = nullptr;
  OcomFn ocom = nullptr;
  OcloseFn oclose = nullptr;
  OlogofFn ologof = nullptr;
  OerhmsFn oerhms = nullptr;
};

// One entry of the client library's export table: the name under which a
// POSIX library exports the call and the ordinal under which OCIW32.dll does.
struct OciCallExport {
  const char* name;
  int ordinal;
};

// The ten calls in table order (the order of the fields of OciCalls).
inline constexpr OciCallExport kOciCallExports[10] = {
    {"olog", 21},   {"oopen", 26}, {"oparse", 28}, {"oexec", 15},  {"odefin", 10},
    {"ofetch", 19}, {"ocom", 8},   {"oclose", 6},  {"ologof", 22}, {"oerhms", 13},
};

// Fills `calls` from the ten entry addresses a loader found, in the order of
// kOciCallExports.
inline void AssignOciCalls(OciCalls& calls, void* const (&entries)[10]) {
  calls.olog = reinterpret_cast<OlogFn>(entries[0]);
  calls.oopen = reinterpret_cast<OopenFn>(entries[1]);
  calls.oparse = reinterpret_cast<OparseFn>(entries[2]);
  calls.oexec = reinterpret_cast<OexecFn>(entries[3]);
  calls.odefin = reinterpret_cast<OdefinFn>(entries[4]);
  calls.ofetch = reinterpret_cast<OfetchFn>(entries[5]);
  calls.ocom = reinterpret_cast<OcomFn>(entries[6]);
  calls.oclose = reinterpret_cast<OcloseFn>(entries[7]);
  calls.ologof = reinterpret_cast<OlogofFn>(entries[8]);
  calls.oerhms = reinterpret_cast<OerhmsFn>(entries[9]);
}

}  // namespace kestrin
