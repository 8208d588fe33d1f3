#include "app/gauge.hpp"

#include <QPainter>
#include <algorithm>

namespace corvel::app {

void Gauge::setValue(int percent) {
  value_ = std::clamp(percent, 0, 100);
  update();
}

void Gauge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
  p.setPen(palette().color(QPalette::Mid));
  p.setBrush(palette().color(QPalette::Base));
  p.drawEllipse(r);
  p.setBrush(palette().color(QPalette::Highlight));
  // Qt's angles are sixteenths of a degree, counter-clockwise from 3 o'clock.
  p.drawPie(r, 90 * 16, -value_ * 360 * 16 / 100);
}

}  // namespace corvel::app
