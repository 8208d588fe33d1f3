// The timeline window: draws the layout the core computes into an image.
#pragma once

#include <QImage>
#include <QWidget>
#include <string>
#include <functional>

#include "analysis/timeline.hpp"

namespace corvel::viewers {

// Draws the timeline of `packets` into an image of the given size.
QImage RenderTimeline(const PacketTable& packets, const HeaderRecords& rec, std::span<const ErrorBlock> blocks,
                      int width, int height, const TimelineCaptions& captions = {},
                      std::span<const DamagedObject> damaged = {});

class TimelineWindow : public QWidget {
  Q_OBJECT
 public:
  explicit TimelineWindow(QWidget* parent = nullptr);
  // The packets, records, blocks and damaged media objects it draws; they
  // must outlive the window's use of them (the window reads them only on
  // its own thread).
  void setData(const PacketTable* packets, const HeaderRecords* rec, std::span<const ErrorBlock> blocks,
               std::span<const DamagedObject> damaged = {});
  // The window's title and the packet axis's caption, in the reader's language.
  void setCaption(const QString& caption, const TimelineCaptions& words) {
    setWindowTitle(caption);
    words_ = words;
  }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

 private:
  const PacketTable* packets_ = nullptr;
  const HeaderRecords* rec_ = nullptr;
  std::span<const ErrorBlock> blocks_;
  std::span<const DamagedObject> damaged_;
  TimelineCaptions words_;
};

}  // namespace corvel::viewers
