// The progress pie: a small painted gauge, filled clockwise from the top.
#pragma once

#include <QWidget>

namespace corvel::app {

class Gauge : public QWidget {
  Q_OBJECT
 public:
  explicit Gauge(QWidget* parent = nullptr) : QWidget(parent) { setFixedSize(28, 28); }
  void setValue(int percent);
  int value() const { return value_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  int value_ = 0;
};

}  // namespace corvel::app
