// The hex dump window: the text the core makes, in a fixed-width box.
#pragma once

#include <QWidget>

#include "asf/bytes.hpp"

class QPlainTextEdit;
class QRadioButton;

namespace corvel::viewers {

class DumpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit DumpWindow(QWidget* parent = nullptr);
  // Shows `bytes`, the address column counting from `base`.
  void showBytes(Bytes bytes, std::uint64_t base);
  // Bytes above 127 as Cyrillic letters (the Russian window) or as dots.
  void setCyrillic(bool cyrillic) {
    cyrillic_ = cyrillic;
    redraw();
  }
  QString text() const;

 protected:
  void contextMenuEvent(QContextMenuEvent* e) override;

 private:
  void redraw();
  int perLine() const;
  Bytes bytes_;
  std::uint64_t base_ = 0;
  bool cyrillic_ = true;
  QRadioButton *r16_, *r24_, *r32_;
  QPlainTextEdit* memo_;
};

}  // namespace corvel::viewers
