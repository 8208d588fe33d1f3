// The window, offscreen, driven through its real controls found by name.
#include <QAbstractItemModel>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryFile>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>
#include <filesystem>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>
#include <functional>
#include <QTemporaryFile>

#include <map>
#include <set>

#include "analysis/timeline.hpp"
#include "app/captions.hpp"
#include "app/main_window.hpp"
#include "asf/catalogue.hpp"
#include "io/output_file.hpp"
#include "support/asf_builder.hpp"
#include "support/clips.hpp"
#include "support/damage.hpp"

using namespace corvel;
using namespace corvel::app;
using namespace corvel::test;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

template <typename W>
W* Find(MainWindow& w, const char* name) {
  W* found = w.findChild<W*>(name);
  if (!found) qFatal("no control %s", name);
  return found;
}

// A rich text label's text as it reads.
QString Shown(const QLabel* l) { return QTextDocumentFragment::fromHtml(l->text()).toPlainText(); }

// Waits for the running job to end (with the event loop turning).
bool WaitForJob(MainWindow& w, int ms = 60000) {
  QElapsedTimer t;
  t.start();
  while (w.presenter().busy() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  QCoreApplication::processEvents();
  return !w.presenter().busy();
}

// A damaged copy of the long clip: 500 zero bytes pushed into packet 20.
std::string DamagedClip(Bytes& sound) {
  sound = ReadFile(Clip("long"));
  Bytes b = sound;
  const Layout l = LayoutOf(b);
  InsertBytes(b, DataArea(b, l, 20), 500, 0);
  const std::string path = TempPath("window-damaged.wmv");
  WriteFile(path, b);
  return path;
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::unique_ptr<MainWindow> fresh() {
    auto w = std::make_unique<MainWindow>();
    w->setSettingsPath(dir_.path() + "/corvel.cfg.ini");
    QFile::remove(w->settingsPath());
    w->show();
    w->setLanguage(Language::eng);
    return w;
  }

 private slots:
  void openShowsTheTree() {
    auto w = fresh();
    Find<QLineEdit>(*w, "EditIN")->setText(Q(Clip("av")));
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnOP"), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(*w, "LabelST")->text(), QString("file opened, header found"));
    QAbstractItemModel* tree = Find<QTreeView>(*w, "TreeWMV")->model();
    QVERIFY(tree->rowCount() >= 2);  // the Header Object and the Data Object at the top
    QCOMPARE(tree->data(tree->index(0, 0)).toString().left(20), QString("'ASF_HEADER_OBJECT' "));
    QVERIFY(Find<QPushButton>(*w, "BitBtnTL")->isEnabled());
  }

  void scanFillsTheGridRepairAndSaveRestoreThePackets() {
    Bytes sound;
    const std::string damaged = DamagedClip(sound);
    auto w = fresh();
    w->openFile(Q(damaged));
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnGO"), Qt::LeftButton);
    QCOMPARE(Find<QPushButton>(*w, "BitBtnGO")->text(), QString("stop"));
    QVERIFY(WaitForJob(*w));
    QVERIFY(Find<QLabel>(*w, "LabelST")->text().startsWith("search finished: packets: "));
    QCOMPARE(Find<QPushButton>(*w, "BitBtnGO")->text(), QString("explore the stream"));
    QAbstractItemModel* grid = Find<QTableView>(*w, "StringER")->model();
    QCOMPARE(static_cast<std::size_t>(grid->rowCount()), w->presenter().session().errorList.size());
    QCOMPARE(grid->rowCount(), 1);
    QCOMPARE(grid->headerData(3, Qt::Horizontal).toString(), QString("offset in file"));
    // The hammer, then the save, with no scan between them.
    QTest::mouseClick(Find<QToolButton>(*w, "ImageHAMMER"), Qt::LeftButton);
    QVERIFY(WaitForJob(*w));
    QCOMPARE(w->presenter().session().file.cuts.ranges().size(), std::size_t{1});
    // What was cut is logged, the marker shows cuts pending, and the error
    // list (offsets of the repaired file now) cannot be saved.
    const CutRange cut = w->presenter().session().file.cuts.ranges()[0];
    QVERIFY(Find<QPlainTextEdit>(*w, "MemoST")->toPlainText().contains(QString("• bytes cut: %1 at %2").arg(cut.length).arg(cut.offset)));
    QVERIFY(!Find<QLabel>(*w, "ImageEX")->isHidden());
    QVERIFY(!w->findChild<QAction*>("MIsoer")->isEnabled());
    const QString out = Q(TempPath("window-saved.wmv"));
    QFile::remove(out);
    Find<QLineEdit>(*w, "EditOUT")->setText(out);
    QTest::mouseClick(Find<QToolButton>(*w, "ImageSA"), Qt::LeftButton);
    QVERIFY(WaitForJob(*w));
    QCOMPARE(Find<QLabel>(*w, "LabelST")->text(), "file saved: " + out);
    // The next proposal is beside what was written.
    QCOMPARE(Find<QLineEdit>(*w, "EditOUT")->text(), Q(TempPath("window-saved.001.wmv")));
    QVERIFY(DataPackets(ReadFile(out.toStdString())) == DataPackets(sound));
  }

  // Bytes deleted inside a packet: the save leaves the frames that lost
  // them out and says how many; with "keep" ticked it writes them as found.
  void saveReportsIncompleteObjectsAndCanKeepThem() {
    Bytes b = ReadFile(Clip("long"));
    const Layout l = LayoutOf(b);
    DeleteBytes(b, DataArea(b, l, 30), 40);
    const std::string damaged = TempPath("window-deleted.wmv");
    WriteFile(damaged, b);
    auto w = fresh();
    w->openFile(Q(damaged));
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnGO"), Qt::LeftButton);
    QVERIFY(WaitForJob(*w));
    const QString out = Q(TempPath("window-whole.wmv"));
    for (const bool keep : {false, true}) {
      QFile::remove(out);
      auto* box = Find<QCheckBox>(*w, "CheckKI");
      if (box->isChecked() != keep) QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
      QCOMPARE(box->isChecked(), keep);
      Find<QLineEdit>(*w, "EditOUT")->setText(out);
      QTest::mouseClick(Find<QToolButton>(*w, "ImageSA"), Qt::LeftButton);
      QVERIFY(WaitForJob(*w));
      const QString status = Find<QLabel>(*w, "LabelST")->text();
      QVERIFY2(status.startsWith("file saved"), qPrintable(status));
      QCOMPARE(status.contains("incomplete media objects left out (video, audio): "), !keep);
      QCOMPARE(w->presenter().session().lastSave.leftOut.total() > 0, !keep);
    }
  }

  // The save's "no index" box reaches the saved file; the verify button
  // starts a verify.
  void noIndexBoxAndVerifyButtonReachTheirJobs() {
    auto w = fresh();
    w->openFile(Q(Clip("av")));
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnGO"), Qt::LeftButton);
    QVERIFY(WaitForJob(*w));
    const QString out = Q(TempPath("window-no-index.wmv"));
    QFile::remove(out);
    auto* box = Find<QCheckBox>(*w, "CheckNOsio");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
    QVERIFY(box->isChecked());
    Find<QLineEdit>(*w, "EditOUT")->setText(out);
    QTest::mouseClick(Find<QToolButton>(*w, "ImageSA"), Qt::LeftButton);
    QVERIFY(WaitForJob(*w));
    Session saved;
    QVERIFY(OpenFile(saved, out.toStdString()));
    QVERIFY(!saved.structure.rec.simpleIndex.present);
    QVERIFY(!w->presenter().session().verified);
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnVD"), Qt::LeftButton);
    QVERIFY(WaitForJob(*w));
    QVERIFY(w->presenter().session().verified);
  }

  void stopAsksThenStops() {
    auto w = fresh();
    w->openFile(Q(Clip("long")));
    Find<QCheckBox>(*w, "CheckHP")->setChecked(false);
    w->presenter().setStepPause(std::chrono::milliseconds(5));  // a scan long enough to stop
    // The event loop keeps turning while the scan runs.
    int ticks = 0;
    qint64 longest = 0;
    QElapsedTimer since;
    since.start();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      longest = std::max(longest, since.restart());
      ++ticks;
    });
    timer.start(20);
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnGO"), Qt::LeftButton);
    QTest::qWait(150);
    w->dialog().setScriptedAnswer(1);
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnGO"), Qt::LeftButton);
    QCOMPARE(w->dialog().lastQuestion(), QString("stop the current process?"));
    QVERIFY(WaitForJob(*w));
    timer.stop();
    QCOMPARE(Find<QLabel>(*w, "LabelST")->text(), QString("interrupted by user"));
    QCOMPARE(Find<QPushButton>(*w, "BitBtnGO")->text(), QString("explore the stream"));
    QVERIFY(!Find<QLabel>(*w, "LabelPTR")->isVisible());
    QVERIFY(ticks > 5);
    QVERIFY2(longest <= 100, qPrintable(QString("the event loop stalled for %1 ms").arg(longest)));
    // No half row: every row of the grid holds a closed block.
    QAbstractItemModel* grid = Find<QTableView>(*w, "StringER")->model();
    for (int r = 0; r < grid->rowCount(); ++r) QVERIFY(!grid->data(grid->index(r, 5)).toString().isEmpty());
  }

  void errorListThroughThePopup() {
    Bytes sound;
    const std::string damaged = DamagedClip(sound);
    auto w = fresh();
    w->openFile(Q(damaged));
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnGO"), Qt::LeftButton);
    QVERIFY(WaitForJob(*w));
    const QString list = Q(damaged) + ".index";
    QFile::remove(list);
    auto* save = w->findChild<QAction*>("MIsoer");
    auto* load = w->findChild<QAction*>("MIzaer");
    QVERIFY(save && load && save->isEnabled());
    save->trigger();
    QCOMPARE(QFileInfo(list).size(), qint64{26});
    // Saved again: the overwrite question goes through the window's dialog.
    w->dialog().setScriptedAnswer(0);
    save->trigger();
    QCOMPARE(w->dialog().lastQuestion(), QString("file already exists. overwrite?"));
    // Loaded into a fresh window: the grid shows the block.
    auto other = fresh();
    other->openFile(Q(damaged));
    QCOMPARE(Find<QTableView>(*other, "StringER")->model()->rowCount(), 0);
    other->findChild<QAction*>("MIzaer")->trigger();
    QCOMPARE(Find<QTableView>(*other, "StringER")->model()->rowCount(), 1);
  }

  void timelineShowsAfterAScan() {
    auto w = fresh();
    w->openFile(Q(Clip("av")));
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnTL"), Qt::LeftButton);
    QVERIFY(!w->timeline().isVisible());  // no scan yet: the log says so
    QTRY_VERIFY(Find<QPlainTextEdit>(*w, "MemoST")->toPlainText().contains("• check the stream first"));
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnGO"), Qt::LeftButton);
    QVERIFY(WaitForJob(*w));
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnTL"), Qt::LeftButton);
    QVERIFY(w->timeline().isVisible());
    QCOMPARE(w->timeline().size(), QSize(696, 480));
  }

  void dumpFromTheGridAndTheTree() {
    Bytes sound;
    const std::string damaged = DamagedClip(sound);
    auto w = fresh();
    w->openFile(Q(damaged));
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnGO"), Qt::LeftButton);
    QVERIFY(WaitForJob(*w));
    auto* grid = Find<QTableView>(*w, "StringER");
    grid->setCurrentIndex(grid->model()->index(0, 0));
    w->findChild<QAction*>("MIdump")->trigger();
    QVERIFY(w->dumpWindow().isVisible());
    const ListedBlock& b = w->presenter().session().errorList[0];
    QVERIFY(w->dumpWindow().text().startsWith(Q(HexDigits(b.offset, 8)) + " 82 00 00 "));
    // The tree: the Header Object's node dumps from offset 0.
    auto* tree = Find<QTreeView>(*w, "TreeWMV");
    tree->setCurrentIndex(tree->model()->index(0, 0));
    w->findChild<QAction*>("MIdumpp")->trigger();
    QVERIFY(w->dumpWindow().text().startsWith("00000000 30 26 B2 75 | "));
  }

  void joinListRules() {
    auto w = fresh();
    auto* list = Find<QListWidget>(*w, "JList");
    auto fill = [&] {
      w->findChild<QAction*>("MIclear")->trigger();
      for (const char* n : {"/v/a.wmv", "/v/b.wmv", "/v/c.wmv", "/v/d.wmv"}) w->appendJoinFile(n);
    };
    auto names = [&] {
      QStringList out;
      for (const std::string& f : w->presenter().joinList().paths()) out << QFileInfo(Q(f)).baseName();
      return out;
    };
    fill();
    w->moveJoinLine(3, 1);  // as a drop makes it (the rules: the presenter's tests)
    QCOMPARE(names(), (QStringList{"a", "d", "b", "c"}));
    // Delete a multi-selection, from the last to the first.
    list->item(1)->setSelected(true);
    list->item(3)->setSelected(true);
    w->findChild<QAction*>("MIdel")->trigger();
    QCOMPARE(names(), (QStringList{"a", "b"}));
    // The name proposal.
    QTest::mouseClick(Find<QToolButton>(*w, "ImageSUM"), Qt::LeftButton);
    QCOMPARE(Find<QLineEdit>(*w, "EditSUM")->text(), QString("/v/a.joined.wmv"));
    w->findChild<QAction*>("MIclear")->trigger();
    QCOMPARE(list->count(), 0);
    QTest::mouseClick(Find<QToolButton>(*w, "ImageSUM"), Qt::LeftButton);
    QVERIFY(Shown(Find<QLabel>(*w, "LabelME")).startsWith("click right mouse button"));
    // The join's refusal, on its tab.
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnSUM"), Qt::LeftButton);
    QCOMPARE(Shown(Find<QLabel>(*w, "LabelME")), QString("nothing to join. add files to list"));
  }

  void joinFromTheWindowEqualsTheCommandLine() {
    const std::string a = Clip("part1"), b = Clip("part2");
    auto w = fresh();
    auto* list = Find<QListWidget>(*w, "JList");
    for (const std::string& f : {a, b}) w->appendJoinFile(Q(f));
    QCOMPARE(list->count(), 2);
    // A click while a scan runs does nothing.
    w->openFile(Q(Clip("long")));
    Find<QCheckBox>(*w, "CheckHP")->setChecked(false);
    w->presenter().setStepPause(std::chrono::milliseconds(5));  // jobs long enough to stop
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnGO"), Qt::LeftButton);
    const QString out = Q(TempPath("window-joined.wmv")), cli = Q(TempPath("cli-joined.wmv"));
    QFile::remove(out);
    Find<QLineEdit>(*w, "EditSUM")->setText(out);
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnSUM"), Qt::LeftButton);
    QVERIFY(w->presenter().running() == JobKind::scan);
    w->presenter().requestStop();
    QVERIFY(WaitForJob(*w));
    Find<QCheckBox>(*w, "CheckHP")->setChecked(true);
    w->presenter().setStepPause({});
    w->presenter().setStepPause(std::chrono::milliseconds(2));
    const QString status = Find<QLabel>(*w, "LabelST")->text();
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnSUM"), Qt::LeftButton);
    // The join says on its own tab which part it copies, and leaves the
    // repair tab's status line alone.
    QTRY_VERIFY(Shown(Find<QLabel>(*w, "LabelME")).startsWith("in progress    [ 2  >>  2 ]\n"));
    QVERIFY(Shown(Find<QLabel>(*w, "LabelME")).contains(" %"));
    QVERIFY(WaitForJob(*w));
    w->presenter().setStepPause({});
    QCOMPARE(Find<QLabel>(*w, "LabelST")->text(), status);
    QVERIFY(Shown(Find<QLabel>(*w, "LabelME")).startsWith("operation complete"));
    QFile::remove(cli);
    QCOMPARE(RunCommand(std::string(CORVEL_CLI) + " join -o " + Quote(cli.toStdString()) + " " + Quote(a) + " " + Quote(b)).exitCode, 0);
    QVERIFY(ReadFile(out.toStdString()) == ReadFile(cli.toStdString()));
    // The stop image stops a join.
    Find<QCheckBox>(*w, "CheckHP")->setChecked(false);
    w->presenter().setStepPause(std::chrono::milliseconds(5));
    w->dialog().setScriptedAnswer(1);
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnSUM"), Qt::LeftButton);
    QVERIFY(w->presenter().running() == JobKind::join);
    QTest::mouseClick(Find<QToolButton>(*w, "ImageZ"), Qt::LeftButton);
    QVERIFY(WaitForJob(*w));
    QCOMPARE(Shown(Find<QLabel>(*w, "LabelME")), QString("interrupted by user"));
  }

  void exportsFromTheWindowEqualTheCommandLine() {
    auto w = fresh();
    auto* pages = Find<QTabWidget>(*w, "PageControl1");
    pages->setCurrentWidget(Find<QWidget>(*w, "TabSheet2AVI"));
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtn2AVI"), Qt::LeftButton);
    QCOMPARE(Shown(Find<QLabel>(*w, "LabelREZ")), QString("open file first"));
    const std::string src = Clip("av");
    w->openFile(Q(src));
    pages->setCurrentWidget(Find<QWidget>(*w, "TabSheetREM"));
    pages->setCurrentWidget(Find<QWidget>(*w, "TabSheet2AVI"));
    QCOMPARE(Find<QLineEdit>(*w, "EditAVI")->text(), Q(src + ".avi"));
    const QString out = Q(TempPath("window.avi")), cli = Q(TempPath("cli.avi"));
    QFile::remove(out);
    Find<QLineEdit>(*w, "EditAVI")->setText(out);
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtn2AVI"), Qt::LeftButton);
    QVERIFY(WaitForJob(*w));
    QVERIFY(Shown(Find<QLabel>(*w, "LabelREZ")).startsWith("operation complete"));
    QCOMPARE(RunCommand(std::string(CORVEL_CLI) + " avi " + Quote(src) + " --force -o " + Quote(cli.toStdString())).exitCode, 0);
    QVERIFY(ReadFile(out.toStdString()) == ReadFile(cli.toStdString()));
    // Frames, N = 3: frame0..frame3 beside the file.
    const QString dir = QFileInfo(Q(src)).path();
    for (int k = 0; k <= 3; ++k) QFile::remove(dir + QString("/frame%1.txt").arg(k));
    Find<QRadioButton>(*w, "Radio2FI")->click();
    QVERIFY(Find<QLineEdit>(*w, "Edit2FI")->isEnabled());
    QVERIFY(!Find<QLineEdit>(*w, "EditAVI")->isEnabled());
    Find<QLineEdit>(*w, "Edit2FI")->setText("3");
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtn2AVI"), Qt::LeftButton);
    QVERIFY(WaitForJob(*w));
    for (int k = 0; k <= 3; ++k) QVERIFY(QFile::exists(dir + QString("/frame%1.txt").arg(k)));
    QVERIFY(!QFile::exists(dir + "/frame4.txt"));
  }

  // With no file name, open and reconstruction ask for one on the status
  // line; the field shows the words as its placeholder, not as text.
  void emptyNameAsksForOne() {
    for (const char* button : {"BitBtnOP", "BitBtnRE", "BitBtnGO"}) {
      auto w = fresh();
      QTest::mouseClick(Find<QPushButton>(*w, button), Qt::LeftButton);
      QCOMPARE(Find<QLineEdit>(*w, "EditIN")->text(), QString());
      QCOMPARE(Find<QLineEdit>(*w, "EditIN")->placeholderText(), QString("put filename here"));
      QCOMPARE(Find<QLabel>(*w, "LabelST")->text(), QString("put filename here"));
      QVERIFY(!w->presenter().busy());
    }
  }

  void reconstructionSelectsTheMinimalHeader() {
    Bytes b = ReadFile(Clip("av"));
    b[0] ^= 0xFF;  // the Header Object's GUID wiped
    const std::string path = TempPath("window-wiped.wmv");
    WriteFile(path, b);
    auto w = fresh();
    Find<QLineEdit>(*w, "EditIN")->setText(Q(path));
    // While it runs its own button says "stop", the status says what runs,
    // and the progress is in percent.
    w->presenter().setStepPause(std::chrono::milliseconds(2));
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnRE"), Qt::LeftButton);
    QCOMPARE(Find<QPushButton>(*w, "BitBtnRE")->text(), QString("stop"));
    QCOMPARE(Find<QLabel>(*w, "LabelST")->text(), QString("• reconstructing header"));
    QTRY_VERIFY(Find<QLabel>(*w, "LabelPTR")->text().endsWith(" %") || !w->presenter().busy());
    QVERIFY(WaitForJob(*w));
    w->presenter().setStepPause({});
    QCOMPARE(Find<QPushButton>(*w, "BitBtnRE")->text(), QString("header reconstruction"));
    QVERIFY(!Find<QRadioButton>(*w, "RadioZI")->isEnabled());
    QVERIFY(Find<QRadioButton>(*w, "RadioZM")->isChecked());
    QVERIFY(Find<QTreeView>(*w, "TreeWMV")->model()->rowCount() > 0);
  }

  // The scan button stops a save as it stops a scan: the job ends at once,
  // and the window is ready for the next (each job's stop: the presenter's tests).
  void saveStopsFromTheButton() {
    auto w = fresh();
    w->openFile(Q(Clip("long")));
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnGO"), Qt::LeftButton);
    QVERIFY(WaitForJob(*w));
    // A pause at each step (a run of packets, a block searched): both jobs
    // take seconds, and a stop must end them at the next step.
    w->presenter().setStepPause(std::chrono::milliseconds(300));
    const QString out = Q(TempPath("window-stopped-save.wmv"));
    Find<QLineEdit>(*w, "EditOUT")->setText(out);
    QFile::remove(out);
    QTest::mouseClick(Find<QToolButton>(*w, "ImageSA"), Qt::LeftButton);
    QVERIFY(w->presenter().busy());
    QCOMPARE(Find<QPushButton>(*w, "BitBtnGO")->text(), QString("stop"));
    QTest::qWait(100);
    w->dialog().setScriptedAnswer(1);
    QElapsedTimer t;
    t.start();
    QTest::mouseClick(Find<QPushButton>(*w, "BitBtnGO"), Qt::LeftButton);
    QVERIFY(WaitForJob(*w));
    QVERIFY2(t.elapsed() < 1000, qPrintable(QString("the save took %1 ms to stop").arg(t.elapsed())));
    QVERIFY2(Find<QLabel>(*w, "LabelST")->text().contains("interrupted"), qPrintable(Find<QLabel>(*w, "LabelST")->text()));
    QCOMPARE(Find<QPushButton>(*w, "BitBtnGO")->text(), QString("explore the stream"));
    QVERIFY(QFile::exists(out));  // a stopped save keeps what it wrote
  }

  void languageSwitchAppliesTheCaptionTable() {
    auto w = fresh();
    auto check = [&](Language lang) {
      for (const CaptionRow& row : kCaptionTable) {
        const QString name = QString::fromUtf8(row.control.data(), static_cast<qsizetype>(row.control.size()));
        const std::string_view want = lang == Language::eng ? row.eng : row.rus;
        QString expected = QString::fromUtf8(want.data(), static_cast<qsizetype>(want.size()));
        QObject* o = w->findChild<QObject*>(name);
        QVERIFY2(o, qPrintable(name));
        QString shown;
        if (auto* b = qobject_cast<QAbstractButton*>(o)) shown = b->text();
        if (auto* l = qobject_cast<QLabel*>(o)) shown = l->text();
        // A caption with a gap for its box: its two parts around the box.
        if (auto* after = w->findChild<QLabel*>(name + "After")) {
          shown += " " + after->text();
          expected = expected.simplified();
        }
        if (auto* a = qobject_cast<QAction*>(o)) shown = a->text();
        auto* pages = Find<QTabWidget>(*w, "PageControl1");
        if (auto* page = qobject_cast<QWidget*>(o); page && pages->indexOf(page) >= 0) shown = pages->tabText(pages->indexOf(page));
        QCOMPARE(shown, expected);
      }
    };
    QTest::mouseClick(Find<QLabel>(*w, "LabelRUS"), Qt::LeftButton);
    check(Language::rus);
    QTest::mouseClick(Find<QLabel>(*w, "LabelENG"), Qt::LeftButton);
    check(Language::eng);
    // Every text the English window shows is English: captions, the texts
    // the window sets itself, tooltips, the log and the grid's titles.
    w->openFile(Q(Clip("av")));
    const QRegularExpression cyrillic("[\\x{0400}-\\x{04FF}]");
    QStringList shown{Find<QPlainTextEdit>(*w, "MemoST")->toPlainText()};
    for (QWidget* c : w->findChildren<QWidget*>()) {
      if (c->objectName() == "LabelRUS") continue;  // the switch names each language in itself
      shown << c->toolTip();
      if (auto* b = qobject_cast<QAbstractButton*>(c)) shown << b->text();
      if (auto* l = qobject_cast<QLabel*>(c)) shown << l->text();
    }
    for (QAction* a : w->findChildren<QAction*>()) shown << a->text();
    auto* pages = Find<QTabWidget>(*w, "PageControl1");
    for (int i = 0; i < pages->count(); ++i) shown << pages->tabText(i);
    auto* grid = Find<QTableView>(*w, "StringER")->model();
    for (int c = 0; c < grid->columnCount(); ++c) shown << grid->headerData(c, Qt::Horizontal).toString();
    for (const QString& t : shown) QVERIFY2(!t.contains(cyrillic), qPrintable(t));
    // One caption row per control.
    std::set<std::string_view> names;
    for (const auto& r : kCaptionTable) names.insert(r.control);
    QCOMPARE(names.size(), kCaptionTable.size());
    QTest::mouseClick(Find<QLabel>(*w, "LabelRUS"), Qt::LeftButton);
    check(Language::rus);
  }

  // The confirmation dialog: an empty question is the default one in the
  // dialog's language; a custom-caption question keeps the caller's words
  // and the next plain one says yes and no again; any close but the two
  // buttons is "no"; a double click on the picture shows the next of four.
  void dialogEdgeCases() {
    auto w = fresh();
    ConfirmDialog& d = w->dialog();
    auto* yes = d.findChild<QPushButton*>("BitBtnDa");
    auto* no = d.findChild<QPushButton*>("BitBtnNet");
    d.setScriptedAnswer(1);
    d.setLanguage(Language::eng);
    QCOMPARE(d.askYesNo({}, w.get()), 1);
    QCOMPARE(d.lastQuestion(), QString("Do you really want\nto delete this record?"));
    d.setLanguage(Language::rus);
    d.askYesNo({}, w.get());
    QCOMPARE(d.lastQuestion(), QString::fromUtf8("Вы действительно хотите\nудалить текущую запись?"));
    d.setLanguage(Language::eng);
    d.askChoice("continue checking?", "continue", "new start", w.get(), 'n');
    QCOMPARE(yes->text(), QString("continue"));
    QCOMPARE(no->text(), QString("new start"));
    d.askYesNo("stop?", w.get());
    QCOMPARE(yes->text(), QString("yes"));
    QCOMPARE(no->text(), QString("no"));
    // Shown for real: closed by Escape, by the window's close, by reject.
    d.setScriptedAnswer(-1);
    for (const auto& close : std::vector<std::function<void()>>{
             [&] { QTest::keyClick(&d, Qt::Key_Escape); }, [&] { d.close(); }, [&] { d.reject(); }}) {
      QTimer::singleShot(50, close);
      QCOMPARE(d.askYesNo("stop?", w.get()), 0);
    }
    QTimer::singleShot(50, [&] { yes->click(); });
    QCOMPARE(d.askYesNo("stop?", w.get()), 1);
    // The picture: q, r, b, y and round again; the quit question hides it.
    auto* picture = d.findChild<QLabel*>("ImageXX");
    QCOMPARE(d.pictureKey(), 'q');
    for (const char next : {'r', 'b', 'y', 'q'}) {
      QTest::mouseDClick(picture, Qt::LeftButton);
      QCOMPARE(d.pictureKey(), next);
    }
    QTimer::singleShot(50, [&] {
      QVERIFY(picture->isHidden());
      d.reject();
    });
    QCOMPARE(d.askQuit(w.get()), 0);
    QCOMPARE(d.lastQuestion(), QString("Do you really want to quit?"));
    QTimer::singleShot(50, [&] {
      QVERIFY(!picture->isHidden());
      d.reject();
    });
    d.askYesNo("stop?", w.get());
  }

  // The rules themselves are the presenter's (unit tests): here, that the
  // boxes reach them and show what they leave.
  void settingsBoxesAndRoundTrip() {
    auto w = fresh();
    w->applySettingsText("lang: eng\r\ncfg.pr: y\r\ncfg.epr: 700\r\ncfg.op: 2\r\ncfg.eop2: 7000\r\n");
    QCOMPARE(w->language(), Language::eng);
    QVERIFY(Find<QCheckBox>(*w, "CheckPR")->isChecked());
    QCOMPARE(Find<QLineEdit>(*w, "EditPR")->text(), QString("700"));
    QCOMPARE(Find<QLineEdit>(*w, "EditOP2")->text(), QString("7000"));
    Find<QCheckBox>(*w, "CheckPR1")->click();
    QVERIFY(!Find<QCheckBox>(*w, "CheckPR")->isChecked());
    QVERIFY(!Find<QLineEdit>(*w, "EditPR")->isEnabled());
    QCOMPARE(Find<QLineEdit>(*w, "EditPR")->text(), QString("0"));
    Find<QCheckBox>(*w, "CheckAST")->click();
    QVERIFY(!Find<QWidget>(*w, "PanelOP")->isHidden());
    const QString text = w->settingsText();
    QVERIFY2(text.contains("cfg.pr: n\r\ncfg.epr: 0\r\ncfg.pr1: y\r\n"), qPrintable(text));
    // Round trip through the file.
    QVERIFY(w->saveSettings());
    auto again = std::make_unique<MainWindow>();
    again->setSettingsPath(w->settingsPath());
    QVERIFY(again->loadSettings());
    QCOMPARE(again->settingsText().section("win.", 0, 0), text.section("win.", 0, 0));
    // The repair tab is remembered too: the repair, its least repeat, the
    // save's boxes, the file named.
    Find<QRadioButton>(*w, "RadioRERE")->click();
    Find<QLineEdit>(*w, "EditMS")->setText("250");
    Find<QCheckBox>(*w, "CheckPere")->click();
    Find<QCheckBox>(*w, "CheckNOsio")->click();
    Find<QLineEdit>(*w, "EditIN")->setText(Q(TempPath("remembered.wmv")));
    QVERIFY(w->saveSettings());
    auto third = std::make_unique<MainWindow>();
    third->setSettingsPath(w->settingsPath());
    QVERIFY(third->loadSettings());
    QVERIFY(Find<QRadioButton>(*third, "RadioRERE")->isChecked());
    QCOMPARE(Find<QLineEdit>(*third, "EditMS")->text(), QString("250"));
    QVERIFY(Find<QCheckBox>(*third, "CheckPere")->isChecked());
    QVERIFY(Find<QCheckBox>(*third, "CheckNOsio")->isChecked());
    QVERIFY(!Find<QCheckBox>(*third, "CheckDD")->isChecked());
    QCOMPARE(Find<QLineEdit>(*third, "EditIN")->text(), Q(TempPath("remembered.wmv")));
    QCOMPARE(third->settingsText().section("win.", 0, 0), w->settingsText().section("win.", 0, 0));

    // Settings that cannot be written: said on closing, with the reason, and
    // the user may stay.
    QTemporaryFile file;
    QVERIFY(file.open());
    const QString bad = file.fileName() + "/corvel.cfg";  // under a file, not a folder
    w->setSettingsPath(bad);
    QString why;
    QVERIFY(!w->saveSettings(&why));
    QVERIFY2(why.contains("could not be made: " + file.fileName() + ": ") && why.contains("Not a directory"), qPrintable(why));
    w->show();
    w->dialog().setScriptedAnswer(0);
    QVERIFY(!w->close());
    QVERIFY(w->dialog().lastQuestion().startsWith(why));
    w->dialog().setScriptedAnswer(1);
    QVERIFY(w->close());
  }
};

QTEST_MAIN(WindowTest)
#include "window.moc"
