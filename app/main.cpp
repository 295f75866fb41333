// Program entry: builds the window, runs the event loop until it closes.
// Exit status 0 when the window closes, 1 when the window cannot be built.
#include <cstdio>

#include "app/FormCoinloft.h"
#include "platform/db.h"
#include "platform/vcl.h"

int main(int argc, char **argv) {
  if (!vcl::HaveDisplay()) {
    std::fprintf(stderr,
                 "coinloft: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                 "Start it from an X11 or Wayland desktop, or try it with: xvfb-run -a coinloft [CARD]\n");
    return 1;
  }
  vcl::Application->Initialize(argc, argv);
  try {
    vcl::Application->CreateForm(FormCoinloft);
  } catch (const std::exception &e) {
    vcl::Application->ShowFatalException(e);
    vcl::Application->Finalize();
    vcl::ShutdownDatabaseClient();
    return 1;
  }
  vcl::Application->HandleTerminationSignals();
  vcl::Application->Run();
  vcl::Application->Finalize();
  vcl::ShutdownDatabaseClient();
  return 0;
}
