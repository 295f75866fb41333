// Test entry: one headless Qt application for the whole binary, and message
// boxes closed as soon as they are up unless a test answers them itself.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "platform/db.h"
#include "platform/dialogs.h"
#include "platform/vcl.h"

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static std::string runtime = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/coinloft-test-runtime";
  mkdir(runtime.c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 0);
  static int qtArgc = 1;
  static char name[] = "coinloft-tests";
  static char *qtArgv[] = {name, nullptr};
  vcl::Application->Initialize(qtArgc, qtArgv);
  vcl::boxseam::SetAnswerer([](const vcl::ShownBox &) {});
  const int result = RUN_ALL_TESTS();
  vcl::Application->Finalize();
  vcl::ShutdownDatabaseClient();
  return result;
}
