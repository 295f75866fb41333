// The real coinloft program, started as a child process.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/ledger_fixture.h"
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

// A desktop that logs out, or an operator's Ctrl+C, closes the window as
// its close button does: the ledger client's own signal handlers must not
// leave the program running.
TEST(Program, terminationSignal_closesTheWindowWithStatusZero) {
  ReaderHome home;
  home.AddReader("R");
  Ledger ledger;
  for (int sig : {SIGTERM, SIGINT}) {
    process::Child program({Program(), "A123"}, {"QT_QPA_PLATFORM=offscreen"});
    usleep(1500000);  // built, connected and polling
    kill(program.Pid(), sig);
    const process::Result r = program.Wait(10000);
    EXPECT_EQ(r.exitStatus, 0) << sig << r.stdErr;
    EXPECT_EQ(r.signal, 0) << sig;
  }
}

// A real X server on a display of its own, and real key presses through xdotool.
class OnXvfb : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists("/usr/bin/Xvfb") || !fs::exists("/usr/bin/xdotool")) GTEST_SKIP() << "needs Xvfb and xdotool";
    display = ":" + std::to_string(70 + getpid() % 400);
    server = std::make_unique<process::Child>(
        std::vector<std::string>{"/usr/bin/Xvfb", display, "-nolisten", "tcp", "-screen", "0", "800x600x24"},
        std::vector<std::string>{});
    for (int i = 0; i < 100 && !fs::exists("/tmp/.X11-unix/X" + display.substr(1)); ++i) usleep(50000);
  }
  std::unique_ptr<process::Child> Start(const std::vector<std::string> &argv) {
    return std::make_unique<process::Child>(argv,
                                            std::vector<std::string>{"DISPLAY=" + display, "QT_QPA_PLATFORM=", "WAYLAND_DISPLAY="});
  }
  // Waits for a window of that name (or class), focuses it and types the key.
  bool PressOn(const std::string &search, const std::string &key) {
    const std::string window =
        process::Capture("DISPLAY=" + display + " timeout 20 xdotool search --sync " + search + " 2>/dev/null | head -1");
    if (window.empty()) return false;
    usleep(300000);
    process::Capture("DISPLAY=" + display + " xdotool windowfocus --sync " + window.substr(0, window.size() - 1) +
                     " key " + key);
    return true;
  }
  std::string display;
  std::unique_ptr<process::Child> server;
};

TEST_F(OnXvfb, f6_endsTheProgramWithStatusZero) {
  ReaderHome home;
  home.LaySealedCard("R", "A123", 150, 100, 80, 29);  // a card that fails its check: held, not written
  Ledger ledger;  // the program attaches to it while this process holds it open too
  auto program = Start({Program(), "A123"});
  ASSERT_TRUE(PressOn("--class coinloft", "F6")) << "the window did not appear";
  const process::Result r = program->Wait(10000);
  EXPECT_EQ(r.exitStatus, 0) << r.stdErr;
  EXPECT_EQ(r.signal, 0);
}

TEST_F(OnXvfb, ledgerThatCannotOpen_showsApplicationErrorAndEndsWithStatusOne) {
  ReaderHome home;
  Ledger ledger;
  fs::remove(ledger.Dir() + "/dbxconnections.ini");
  auto program = Start({Program(), "A123"});
  ASSERT_TRUE(PressOn("--name 'Application Error'", "Return")) << "no Application Error box";
  const process::Result r = program->Wait(10000);
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.stdErr.find("Exception EDatabaseError in module coinloft at "), std::string::npos) << r.stdErr;
  EXPECT_NE(r.stdErr.find("\nUnable to open the connection definitions file"), std::string::npos) << r.stdErr;
}

}  // namespace
