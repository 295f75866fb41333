// coinloft-screenshot OUT.png [CARD]: builds the window off screen as the
// program does, lets the poll timer run for a moment, and saves a picture of
// it. Message boxes are closed at once. For the README and for reviews.
#include <QApplication>
#include <QPixmap>
#include <QTest>

#include <cstdio>
#include <cstdlib>

#include "app/FormCoinloft.h"
#include "platform/dialogs.h"

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: coinloft-screenshot OUT.png [CARD]\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const char *out = argv[1];
  char *args[] = {argv[0], argc > 2 ? argv[2] : nullptr, nullptr};
  int count = argc > 2 ? 2 : 1;
  vcl::Application->Initialize(count, args);
  vcl::boxseam::SetAnswerer([](const vcl::ShownBox &) {});
  try {
    vcl::Application->CreateForm(FormCoinloft);
  } catch (const std::exception &e) {
    vcl::Application->ShowFatalException(e);
    vcl::Application->Finalize();
    return 1;
  }
  FormCoinloft->Show();
  QTest::qWait(700);
  if (!FormCoinloft->Widget()->grab().save(QString::fromLocal8Bit(out), "PNG")) {
    std::fprintf(stderr, "coinloft-screenshot: cannot write %s\n", out);
    return 1;
  }
  vcl::Application->Finalize();
  return 0;
}
