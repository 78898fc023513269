// A client library that lacks one of the ten calls (oerhms): the host puts
// it in place of OCIW32.dll to see the module refuse it with a clear reason
// and let go of it. None of its calls is ever reached; each fails.

namespace {
constexpr int kNotServed = 3114;  // "not connected to Oracle"
}

extern "C" {
int oclose(void*) {
  return kNotServed;
}
int ocom(void*) {
  return kNotServed;
}
int odefin(void*) {
  return kNotServed;
}
int oexec(void*) {
  return kNotServed;
}
int ofetch(void*) {
  return kNotServed;
}
int olog(void*) {
  return kNotServed;
}
int ologof(void*) {
  return kNotServed;
}
int oopen(void*) {
  return kNotServed;
}
int oparse(void*) {
  return kNotServed;
}
}
