#include "viewers/timeline_window.hpp"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "asf/catalogue.hpp"

namespace corvel::viewers {

namespace {

QColor ColourOf(TimelineColour c) {
  const Rgb v = TimelineRgb(c);
  return QColor(v.r, v.g, v.b);
}

// Text turned 90 degrees counter-clockwise, reading from bottom to top, its
// top-left corner at (x, y).
void RotatedText(QPainter& p, int x, int y, const QString& text) {
  const QFontMetrics fm(p.font());
  p.save();
  p.translate(x, y + fm.horizontalAdvance(text));
  p.rotate(-90);
  p.drawText(0, fm.ascent(), text);
  p.restore();
}

}  // namespace

QImage RenderTimeline(const PacketTable& packets, const HeaderRecords& rec, std::span<const ErrorBlock> blocks,
                      int width, int height, const TimelineCaptions& captions, std::span<const DamagedObject> damaged) {
  QImage img(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
  img.fill(ColourOf(TimelineColour::background));
  const TimelineLayout l = LayoutTimeline(packets, rec, width, height, blocks, captions, damaged);
  if (!l.valid) return img;
  QPainter p(&img);
  // The legend's short lines.
  p.setPen(QPen(Qt::black, 2));
  for (const auto& [y, c] : l.legendLines) {
    p.setPen(QPen(ColourOf(static_cast<TimelineColour>(c)), 2));
    p.drawLine(50, y, 55, y);
  }
  for (const TimelineText& t : l.texts) {
    QFont f = p.font();
    f.setPixelSize(t.size + 4);
    p.setFont(f);
    p.setPen(ColourOf(t.colour));
    const QFontMetrics fm(f);
    const int x = t.rightAligned ? t.x - fm.horizontalAdvance(QString::fromStdString(t.text)) : t.x;
    p.drawText(x, t.y + fm.ascent(), QString::fromStdString(t.text));
  }
  // The unit caption, bottom to top, and its little arrow.
  QFont f = p.font();
  f.setPixelSize(9);
  p.setFont(f);
  p.setPen(Qt::black);
  const QString unit = QString::fromStdString(l.unitCaption);
  RotatedText(p, l.unitX, l.unitY, unit);
  const int captionWidth = QFontMetrics(f).horizontalAdvance(unit);
  p.setPen(QPen(Qt::black, 1));
  p.drawLine(15, l.unitY + captionWidth, 15, l.unitY - 4);
  p.end();
  // Pixels straight into the image: a million packets redraw quickly.
  auto put = [&](int x, int y, TimelineColour c) {
    if (x >= 0 && y >= 0 && x < img.width() && y < img.height()) img.setPixel(x, y, ColourOf(c).rgb());
  };
  for (const TimelinePixel& px : l.axis) put(px.x, px.y, px.colour);
  for (const auto& [from, to] : l.errorBands)
    for (int x = from; x <= to; ++x)
      for (int y = l.baseline + 1; y <= l.baseline + 3; ++y) put(x, y, TimelineColour::error);
  for (const auto& [from, to] : l.damagedBands)
    for (int x = from; x <= to; ++x)
      for (int y = l.baseline + 4; y <= l.baseline + 6; ++y) put(x, y, TimelineColour::damaged);
  ForEachTimelinePoint(packets, l, ColoursOf(rec), put);
  return img;
}

TimelineWindow::TimelineWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("FormTL");
  setWindowTitle(QString::fromUtf8("тайм-лайн"));
  resize(696, 480);
  setMinimumSize(kTimelineMinWidth, kTimelineMinHeight);
  setMouseTracking(true);
}

void TimelineWindow::setData(const PacketTable* packets, const HeaderRecords* rec,
                             std::span<const ErrorBlock> blocks, std::span<const DamagedObject> damaged) {
  packets_ = packets;
  rec_ = rec;
  blocks_ = blocks;
  damaged_ = damaged;
  update();
}

void TimelineWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!rec_ || !packets_) {
    p.fillRect(rect(), ColourOf(TimelineColour::background));
    return;
  }
  p.drawImage(0, 0, RenderTimeline(*packets_, *rec_, blocks_, width(), height(), words_, damaged_));
}

void TimelineWindow::mouseMoveEvent(QMouseEvent* e) {
  if (!rec_ || !packets_) return;
  const TimelineLayout l = LayoutTimeline(*packets_, *rec_, width(), height());
  const std::int64_t k = TimelinePacketAt(l, static_cast<int>(e->position().x()), packets_->size());
  if (k < 0) {
    QToolTip::hideText();
    return;
  }
  const PacketRef pk = (*packets_)[static_cast<std::size_t>(k)];
  QString text = QString("packet %1\nsend time %2 ms").arg(k).arg(pk.sendTime);
  for (std::size_t i = 0; i < pk.payloadCount(); ++i) {
    const Payload pl = pk.payload(i);
    text += QString("\nstream %1: %2 ms").arg(pl.streamNumber).arg(pl.presentationTime);
  }
  QToolTip::showText(e->globalPosition().toPoint(), text, this);
}

void TimelineWindow::contextMenuEvent(QContextMenuEvent* e) {
  QMenu menu(this);
  QAction* save = menu.addAction("PNG...");
  if (menu.exec(e->globalPos()) != save || !rec_ || !packets_) return;
  const QString path = QFileDialog::getSaveFileName(this, QString(), "timeline.png", "PNG (*.png)");
  if (!path.isEmpty()) RenderTimeline(*packets_, *rec_, blocks_, width(), height(), words_, damaged_).save(path);
}

}  // namespace corvel::viewers
