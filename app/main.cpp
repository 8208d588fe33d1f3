#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/main_window.hpp"

namespace {

// --help and --version answer without a window (and without a display).
bool answered(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("corvel %s\n", CORVEL_VERSION);
      return true;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf(
          "corvel: inspect, repair, join and remux ASF files (.asf, .wmv, .wma) in a window\n"
          "Usage: corvel [FILE]\n\n"
          "Positionals:\n"
          "  FILE                        ASF file to open; its header is read and shown\n\n"
          "Options:\n"
          "  -h,--help                   Print this help message and exit\n"
          "  --version                   Display program version information and exit\n");
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (answered(argc, argv)) return 0;
  QApplication app(argc, argv);
  QApplication::setApplicationName("corvel");
  QApplication::setApplicationVersion(CORVEL_VERSION);
  corvel::app::MainWindow window;
  window.show();
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) window.openFile(args.at(1));
  return QApplication::exec();
}
