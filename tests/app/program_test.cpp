// The real coinloft program, started as a child process.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "tests/support/process.h"
#include "tests/support/reader_home.h"

namespace {

namespace fs = std::filesystem;

std::string Program() { return process::BuildDir() + "/coinloft"; }

TEST(Program, withoutADisplay_saysSoAndEnds) {
  const process::Result r =
      process::Run({Program(), "A123"}, {"QT_QPA_PLATFORM=", "DISPLAY=", "WAYLAND_DISPLAY="}, 10000);
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.stdErr.find("no display"), std::string::npos) << r.stdErr;
  EXPECT_NE(r.stdErr.find("xvfb-run"), std::string::npos) << r.stdErr;
}

TEST(Program, withoutTheCardLibrary_doesNotStart) {
  const fs::path dir = fs::temp_directory_path() / ("coinloft-nolib-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::copy_file(Program(), dir / "coinloft", fs::copy_options::overwrite_existing);
  const process::Result r = process::Run({(dir / "coinloft").string()}, {"LD_LIBRARY_PATH="}, 10000);
  fs::remove_all(dir);
  EXPECT_NE(r.exitStatus, 0);
  EXPECT_NE(r.stdErr.find("libqv_card.so"), std::string::npos) << r.stdErr;
}

// A real X server and a real key press: F6 ends the program with status 0.
TEST(Program, f6OnARealDisplay_endsWithStatusZero) {
  if (!fs::exists("/usr/bin/Xvfb") || !fs::exists("/usr/bin/xdotool")) GTEST_SKIP() << "needs Xvfb and xdotool";
  ReaderHome home;
  home.LaySealedCard("R", "A123", 150, 100, 80, 29);  // a card that fails its check: held, not written
  const std::string display = ":" + std::to_string(70 + getpid() % 200);
  process::Child server({"/usr/bin/Xvfb", display, "-nolisten", "tcp", "-screen", "0", "800x600x24"}, {});
  for (int i = 0; i < 100 && !fs::exists("/tmp/.X11-unix/X" + display.substr(1)); ++i) {
    usleep(50000);
  }
  process::Child program({Program(), "A123"}, {"DISPLAY=" + display, "QT_QPA_PLATFORM=", "WAYLAND_DISPLAY="});
  const std::string window = process::Capture("DISPLAY=" + display +
                                              " timeout 20 xdotool search --sync --class coinloft 2>/dev/null | head -1");
  ASSERT_FALSE(window.empty()) << "the window did not appear";
  usleep(300000);
  process::Capture("DISPLAY=" + display + " xdotool windowfocus --sync " + window.substr(0, window.size() - 1) +
                   " key F6");
  const process::Result r = program.Wait(10000);
  EXPECT_EQ(r.exitStatus, 0) << r.stdErr;
  EXPECT_EQ(r.signal, 0);
}

}  // namespace
