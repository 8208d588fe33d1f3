#include <QApplication>

#include "app/main_window.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("corvel");
  corvel::app::MainWindow window;
  window.show();
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) window.openFile(args.at(1));
  return QApplication::exec();
}
