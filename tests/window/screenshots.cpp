// Renders the window's tabs and the dialog, with a damaged sample opened and
// scanned, in both languages, into PNG files: `make screenshots`.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include "app/main_window.hpp"
#include "asf/catalogue.hpp"
#include "support/clips.hpp"
#include "support/damage.hpp"
#include "analysis/simple_index.hpp"
#include "join/join.hpp"
#include "repair/save.hpp"
#include "analysis/scan.hpp"

using namespace corvel;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString out = argc > 1 ? argv[1] : "build/screenshots";
  QDir().mkpath(out);
  // A damaged sample: bytes written over frames' data a third and two
  // thirds into the clip (the packets still parse; decoding finds them),
  // and 500 zero bytes pushed into packet 20.
  Bytes b = test::ReadFile(test::Clip("long"));
  const test::Layout l = test::LayoutOf(b);
  for (const std::uint64_t k : {l.count * 2 / 3, l.count / 3}) {
    const std::uint64_t at = test::DataArea(b, l, k);
    for (std::size_t i = 0; i < 40; ++i) b[at + i] = static_cast<std::uint8_t>(i * 37 + 11);
  }
  test::InsertBytes(b, test::DataArea(b, l, 20), 500, 0);
  const std::string sample = test::TempPath("damaged-sample.wmv");
  test::WriteFile(sample, b);

  app::MainWindow w;
  w.setSettingsPath(QDir(out).filePath("corvel.cfg.ini"));
  w.resize(1000, 760);
  w.show();
  w.openFile(QString::fromStdString(sample));
  w.presenter().scanOrStop();
  while (w.presenter().busy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  // Then the verify: its rows after the blocks', its bands on the timeline.
  w.findChild<QPushButton*>("BitBtnVD")->click();
  while (w.presenter().busy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  QCoreApplication::processEvents();
  // A filled join list, and an AVI exported, for their tabs.
  for (const char* part : {"part1", "part2"}) w.appendJoinFile(QString::fromStdString(test::Clip(part)));
  w.findChild<QLineEdit*>("EditSUM")->setText(QString::fromStdString(test::TempPath("joined.wmv")));
  auto* pages = w.findChild<QTabWidget*>("PageControl1");
  for (const Language lang : {Language::rus, Language::eng}) {
    w.setLanguage(lang);
    // As a window manager would: never smaller than the captions need.
    QCoreApplication::processEvents();
    w.resize(w.size().expandedTo(w.minimumSizeHint()));
    const QString tag = lang == Language::eng ? "en" : "ru";
    for (int i = 0; i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      QCoreApplication::processEvents();
      if (pages->widget(i)->objectName() == "TabSheet2AVI") {
        // After an export: its closing word and the folder link.
        w.findChild<QLineEdit*>("EditAVI")->setText(QString::fromStdString(test::TempPath("sample.avi")));
        w.dialog().setScriptedAnswer(1);  // overwrite the first language's AVI
        w.findChild<QPushButton*>("BitBtn2AVI")->click();
        w.dialog().setScriptedAnswer(-1);
        while (w.presenter().busy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents();
      }
      w.grab().save(QDir(out).filePath(QString("tab%1-%2.png").arg(i).arg(tag)));
    }
    // The stop question, as the dialog shows it.
    auto& d = w.dialog();
    QTimer::singleShot(200, [&] {
      d.grab().save(QDir(out).filePath(QString("dialog-%1.png").arg(tag)));
      d.reject();
    });
    d.askYesNo(QString::fromStdString(w.presenter().text(Message(MessageId::StopQuestion))), &w);
    // The About box, from the badge.
    QTimer::singleShot(200, [&] {
      d.grab().save(QDir(out).filePath(QString("about-%1.png").arg(tag)));
      d.reject();
    });
    w.findChild<QToolButton*>("ImageBadge")->click();
  }
  pages->setCurrentIndex(0);
  // The viewers: the timeline of the damaged sample and a dump of its block.
  for (const Language lang : {Language::rus, Language::eng}) {
    w.setLanguage(lang);
    // As a window manager would: never smaller than the captions need.
    QCoreApplication::processEvents();
    w.resize(w.size().expandedTo(w.minimumSizeHint()));
    const QString tag = lang == Language::eng ? "en" : "ru";
    w.findChild<QPushButton*>("BitBtnTL")->click();
    QCoreApplication::processEvents();
    w.timeline().grab().save(QDir(out).filePath(QString("timeline-%1.png").arg(tag)));
  }
  // The timeline of a long recording: 312,509 packets over 50 minutes,
  // video and audio by turns, with a block and a damaged frame banded.
  {
    PacketTable long_;
    const std::uint64_t n = 312509, ms = 3'000'000;
    for (std::uint64_t k = 0; k < n; ++k) {
      ParsedPacket pk;
      pk.kind = PacketKind::single;
      pk.sendTime = static_cast<std::uint32_t>(k * ms / n);
      pk.single.streamNumber = k % 3 == 0 ? 2 : 1;
      pk.single.presentationTime = static_cast<std::uint32_t>(k * ms / n + (pk.single.streamNumber == 2 ? 60000 : 180000));
      long_.push_back(pk);
    }
    HeaderRecords rec;
    rec.fileProperties.playDuration = rec.fileProperties.sendDuration = static_cast<std::int64_t>(ms) * 10000;
    rec.streams.resize(2);
    rec.streams[0].streamType = guid::VideoMedia, rec.streams[0].flags = 1;
    rec.streams[1].streamType = guid::AudioMedia, rec.streams[1].flags = 2;
    ErrorBlock block;
    block.packet = 100000, block.declaredSize = 3200, block.actualSize = 3200 * 900, block.closed = true;
    DamagedObject frame;
    frame.firstPacket = 200000, frame.lastPacket = 201000;
    for (const Language lang : {Language::rus, Language::eng}) {
      const TimelineCaptions words{lang == Language::eng ? "(packets)" : "(пакеты)", TextOf(MessageId::TimelineErrors, lang),
                                   TextOf(MessageId::TimelineDamaged, lang)};
      viewers::RenderTimeline(long_, rec, std::span(&block, 1), 696, 480, words, std::span(&frame, 1))
          .save(QDir(out).filePath(QString("timeline-long-%1.png").arg(lang == Language::eng ? "en" : "ru")));
    }
  }
  // Busy: a save of the sample at about 40 %, its percent and time left.
  for (const Language lang : {Language::rus, Language::eng}) {
    w.setLanguage(lang);
    w.presenter().setStepPause(std::chrono::milliseconds(40));
    w.findChild<QLineEdit*>("EditOUT")->setText(QString::fromStdString(test::TempPath("busy.wmv")));
    w.dialog().setScriptedAnswer(1);
    w.findChild<QToolButton*>("ImageSA")->click();
    while (w.presenter().busy() && (w.presenter().progress().progress.phase != phase::savingStream ||
                                    w.presenter().progress().fraction < 0.4))
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    w.grab().save(QDir(out).filePath(QString("busy-%1.png").arg(lang == Language::eng ? "en" : "ru")));
    w.presenter().requestStop();
    while (w.presenter().busy()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    w.presenter().setStepPause({});
    w.dialog().setScriptedAnswer(-1);
  }
  auto* grid = w.findChild<QTableView*>("StringER");
  grid->setCurrentIndex(grid->model()->index(0, 0));
  w.findChild<QAction*>("MIdump")->trigger();
  QCoreApplication::processEvents();
  w.dumpWindow().grab().save(QDir(out).filePath("dump.png"));
  return 0;
}
