// The loadable client library: the ten calls exported under Oracle's names,
// configured from the environment on first use, with a state of its own.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "OracleSim.h"

namespace kestrin::sim::testing {
namespace {

TEST(LibraryTest, ExportsTheTenCallsAndReadsTheEnvironment) {
  const std::string log = ::testing::TempDir() + "kestrin-sim-library-log.txt";
  std::remove(log.c_str());
  setenv("KESTRIN_SIM_FAIL", "oopen#2=1000", 1);
  setenv("KESTRIN_SIM_LOG", log.c_str(), 1);
  void* library = dlopen(KESTRIN_SIM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();

  void* entries[10] = {};
  for (std::size_t i = 0; i < 10; ++i) {
    entries[i] = dlsym(library, kOciCallExports[i].name);
    ASSERT_NE(entries[i], nullptr) << kOciCallExports[i].name;
  }
  OciCalls oci;
  oci.olog = reinterpret_cast<OlogFn>(entries[0]);
  oci.oopen = reinterpret_cast<OopenFn>(entries[1]);
  oci.oparse = reinterpret_cast<OparseFn>(entries[2]);
  oci.oexec = reinterpret_cast<OexecFn>(entries[3]);
  oci.odefin = reinterpret_cast<OdefinFn>(entries[4]);
  oci.ofetch = reinterpret_cast<OfetchFn>(entries[5]);
  oci.ocom = reinterpret_cast<OcomFn>(entries[6]);
  oci.oclose = reinterpret_cast<OcloseFn>(entries[7]);
  oci.ologof = reinterpret_cast<OlogofFn>(entries[8]);
  oci.oerhms = reinterpret_cast<OerhmsFn>(entries[9]);

  Reset();
  LogonArea lda{};
  HostDataArea hda{};
  CursorArea cda{};
  char buf[64] = {};
  ASSERT_EQ(oci.olog(&lda, &hda, "shop/shop@demo", -1, nullptr, -1, nullptr, -1, 0), 0);
  ASSERT_EQ(oci.oopen(&cda, &lda, nullptr, -1, -1, nullptr, -1), 0);
  ASSERT_EQ(oci.oparse(&cda, "select name from customers where customer_id = 3", -1, 1, 1), 0);
  ASSERT_EQ(oci.odefin(&cda, 1, buf, sizeof buf, kExtTypeString, -1, nullptr, nullptr, -1, -1,
                       nullptr, nullptr),
            0);
  ASSERT_EQ(oci.oexec(&cda), 0);
  EXPECT_EQ(oci.ofetch(&cda), 0);
  EXPECT_STREQ(buf, "Lumen & Sons");
  EXPECT_EQ(oci.ofetch(&cda), kFetchNoMore);
  EXPECT_EQ(oci.ocom(&lda), 0);
  EXPECT_EQ(oci.oclose(&cda), 0);
  CursorArea second{};
  EXPECT_EQ(oci.oopen(&second, &lda, nullptr, -1, -1, nullptr, -1), 1000);
  EXPECT_EQ(CursorReturnCode(second), 1000);
  EXPECT_GT(oci.oerhms(&lda, 1000, buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "ORA-01000: maximum open cursors exceeded\n");
  EXPECT_EQ(oci.ologof(&lda), 0);

  // The library keeps its own state: nothing reached the in-process one.
  EXPECT_TRUE(CallLog().empty());
  std::ifstream in(log);
  int lines = 0;
  for (std::string line; std::getline(in, line);) {
    ++lines;
  }
  EXPECT_EQ(lines, 12);

  dlclose(library);
  unsetenv("KESTRIN_SIM_FAIL");
  unsetenv("KESTRIN_SIM_LOG");
  std::remove(log.c_str());
}

}  // namespace
}  // namespace kestrin::sim::testing
