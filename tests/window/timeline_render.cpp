// The timeline's picture against the layout's points: each colour where the
// layout puts it, and the unit caption drawn upright.
#include <QtTest>

#include <map>

#include "analysis/timeline.hpp"
#include "session/actions.hpp"
#include "support/clips.hpp"
#include "viewers/timeline_window.hpp"

using namespace corvel;

class TimelineRender : public QObject {
  Q_OBJECT

 private slots:
  void pointsWhereTheLayoutPutsThem() {
    Session s;
    QVERIFY(OpenFile(s, test::Clip("av")));
    QVERIFY(Scan(s));
    const QImage img = viewers::RenderTimeline(s.packets, s.structure.rec, {}, 696, 480);
    QCOMPARE(QColor(img.pixel(600, 5)), QColor(234, 234, 234));
    const TimelineLayout l = LayoutTimeline(s.packets, s.structure.rec, 696, 480);
    std::map<TimelineColour, int> seen, right;
    ForEachTimelinePoint(s.packets, l, ColoursOf(s.structure.rec), [&](int x, int y, TimelineColour c) {
      ++seen[c];
      const Rgb want = TimelineRgb(c);
      if (QColor(img.pixel(x, y)) == QColor(want.r, want.g, want.b)) ++right[c];
    });
    for (const TimelineColour c : {TimelineColour::send, TimelineColour::video, TimelineColour::audio}) {
      QVERIFY(seen[c] > 0);
      QVERIFY(right[c] > 0);  // points drawn later may cover earlier ones
    }
    // The unit caption reads bottom to top: its ink is taller than wide.
    int top = 480, bottom = 0, left = 696, rightEdge = 0;
    for (int y = l.unitY - 60; y < l.unitY + 60 && y < 480; ++y)
      for (int x = 0; x < 14; ++x)
        if (qGray(img.pixel(x, y)) < 100) {
          top = std::min(top, y), bottom = std::max(bottom, y), left = std::min(left, x), rightEdge = std::max(rightEdge, x);
        }
    QVERIFY(bottom > top && bottom - top > 2 * (rightEdge - left));
  }
};

QTEST_MAIN(TimelineRender)
#include "timeline_render.moc"
