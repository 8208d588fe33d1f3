#include "app/main_window.hpp"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include "app/captions.hpp"
#include "app/widgets.hpp"

namespace corvel::app {

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), dialog_(new ConfirmDialog(this)), presenter_(*this, *this, *this) {
  setObjectName("FormMain");
  setWindowTitle(QString("Corvel    %1").arg(CORVEL_VERSION));
  setAcceptDrops(true);
  timeline_ = new viewers::TimelineWindow(this);
  dump_ = new viewers::DumpWindow(this);
  rowsModel_ = new ErrorRowsModel(presenter_, this);
  treeModel_ = new TreeModel(presenter_, this);
  auto* central = new QWidget(this);
  buildTop(central);
  setCentralWidget(central);
  buildRepairTab(tabRepair_);
  buildAviTab(tabAvi_);
  buildJoinTab(tabJoin_);
  buildConfigTab(tabConfig_);
  wire();
  resize(900, 700);
  settingsPath_ = QString::fromStdString(SettingsPath(QCoreApplication::applicationDirPath().toStdString(),
                                                     QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString()));
  // A first start speaks the system's language, until a settings file says otherwise.
  // The window's least width is the wider language's: a switch never
  // resizes it.
  int least = 0;
  for (const Language lang : {Language::rus, Language::eng}) {
    setLanguage(lang);
    least = std::max(least, minimumSizeHint().width());
  }
  setMinimumWidth(least);
  setLanguage(LanguageOfLocale(QLocale::system().name().toStdString()));
  showSettings();
}

MainWindow::~MainWindow() {
  presenter_.stopAndWait();
  probes_.waitForDone();  // a part's reading posts back to this window
  timeline_->setData({}, nullptr, {});
  // The views outlive the presenter the models read (children go last).
  errorTable_->setModel(nullptr);
  structureTree_->setModel(nullptr);
}

// What the presenter asks of the window.

void MainWindow::post(std::function<void()> f) { QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection); }

bool MainWindow::ask(MessageId question) {
  const QString q = text(Message(question)).replace("\r\n", "\n");
  if (question == MessageId::ContinueQuestion)
    return dialog_->askChoice(q, text(Message(MessageId::Continue)), text(Message(MessageId::NewStart)), this, 'n') == 1;
  return dialog_->askYesNo(q, this) == 1;
}

// The memo is emptied first once it holds its 500 lines (the presenter's
// log says so by replacing itself).
void MainWindow::logged(const Message& line) { logView_->appendPlainText(text(line)); }

void MainWindow::logReplaced() {
  logView_->clear();
  for (const Message& line : presenter_.log().lines()) logView_->appendPlainText(text(line));
}

// One line: a message of several lines is joined, and whole in the tip.
void MainWindow::statusChanged() {
  const QString said = text(presenter_.status());
  statusLabel_->setText(QString(said).replace("\r\n", "; ").replace('\n', "; "));
  statusLabel_->setToolTip(said);
  // Said at once, also while the header walk holds this thread.
  statusLabel_->repaint();
}

// Every job's gauge the same way: its pie, and the percent and time left.
void MainWindow::progressed(const JobProgress& p) {
  Gauge* gauge = p.kind == JobKind::join                              ? joinGauge_
                 : p.kind == JobKind::avi || p.kind == JobKind::frames ? exportGauge_
                                                                       : repairGauge_;
  const QString said = text(ProgressText(p));
  gauge->setValue(static_cast<int>(p.fraction * 100));
  gauge->setToolTip(said);
  if (gauge == repairGauge_) progressLabel_->setText(said);
}

void MainWindow::errorRowsChanged() { rowsModel_->refresh(); }

// The timeline reads the session's packets: never while a job may replace them.
void MainWindow::structureChanged() {
  treeModel_->refresh();
  const Session& s = presenter_.session();
  if (presenter_.busy()) {
    timeline_->setData({}, nullptr, {});
    return;
  }
  const std::span<const ErrorBlock> blocks(s.errBlocks);
  timeline_->setData(&s.packets, &s.structure.rec, blocks.subspan(std::min(s.lastScanFirstBlock, blocks.size())), s.verify.damaged);
}

// Sets a field's text only when it differs: typing keeps its cursor.
static void ShowText(QLineEdit* e, const std::string& text) {
  const QString t = QString::fromStdString(text);
  if (e->text() != t) e->setText(t);
}

void MainWindow::stateChanged() {
  const Commands c = presenter_.commands();
  const JobKind running = presenter_.running();
  const bool repairJob = c.stop || running == JobKind::repair;
  scanButton_->setText(text(Message(c.stop ? MessageId::Stop : MessageId::ExploreStream)));
  // The reconstruction's own button stops it too.
  reconstructButton_->setText(running == JobKind::reconstruct ? text(Message(MessageId::Stop))
                                                  : QString::fromStdString(CaptionOf("BitBtnRE", language())));
  reconstructButton_->setEnabled(running == JobKind::none || running == JobKind::reconstruct);
  repairGauge_->setVisible(repairJob);
  progressLabel_->setVisible(repairJob);
  if (!repairJob) progressLabel_->clear();
  actSaveErrors_->setEnabled(c.saveErrors);
  actLoadErrors_->setEnabled(c.loadErrors);
  timelineButton_->setEnabled(c.timeline);
  verifyButton_->setEnabled(c.verify);
  // After a reconstruction only the minimal header is sound; a new file
  // offers the source's header again.
  sourceHeaderRadio_->setEnabled(!c.minimalHeaderOnly);
  if (c.minimalHeaderOnly != wasMinimal_) (c.minimalHeaderOnly ? minimalHeaderRadio_ : sourceHeaderRadio_)->setChecked(true);
  wasMinimal_ = c.minimalHeaderOnly;
  ShowText(inputEdit_, presenter_.inputName());
  ShowText(referenceEdit_, presenter_.referenceName());
  ShowText(outputEdit_, presenter_.outputName());
  const std::size_t cuts = presenter_.pendingCuts();
  pendingCutsIcon_->setVisible(cuts > 0);
  pendingCutsIcon_->setToolTip(text(Message(MessageId::CutsPending, std::to_string(cuts))));
  const QString file = QString::fromStdString(presenter_.session().fileName);
  setWindowTitle(file.isEmpty() ? QString("Corvel    %1").arg(CORVEL_VERSION)
                                : QString("Corvel    %1 — %2").arg(CORVEL_VERSION, QFileInfo(file).fileName()));
  // The join's and the export's tabs: their gauges while they run, their
  // message, and a link to the output's folder once one was written.
  joinGauge_->setVisible(c.stopJoin);
  joinStopButton_->setVisible(c.stopJoin);
  exportGauge_->setVisible(c.stopExport);
  exportButton_->setText(c.stopExport ? text(Message(MessageId::Stop)) : QString::fromStdString(CaptionOf("BitBtn2AVI", language())));
  const QString folder = QString::fromStdString(presenter_.outputFolder());
  const QString link = folder.isEmpty() ? QString() : QString("<br><a href=\"%1\">%2</a>").arg(QUrl::fromLocalFile(folder).toString(), folder);
  // (Rich text for the link; the message keeps its spaces and line breaks.)
  const auto message = [&](const Message& m) {
    if (m.empty()) return QString();
    return QString("<span style=\"white-space:pre-wrap\">") + text(m).toHtmlEscaped().replace("\r\n", "<br>").replace("\n", "<br>") + "</span>";
  };
  joinMessageLabel_->setText(message(presenter_.joinMessage()) + (running == JobKind::join ? QString() : link));
  exportMessageLabel_->setText(message(presenter_.exportMessage()) + (c.stopExport ? QString() : link));
}

void MainWindow::jobEnded(JobKind, Outcome) {}

void MainWindow::beep() { QApplication::beep(); }

// Binding.

void MainWindow::wire() {
  connect(inputEdit_, &QLineEdit::textChanged, this, [this](const QString& t) { presenter_.setInputName(t.toStdString()); });
  connect(outputEdit_, &QLineEdit::textChanged, this, [this](const QString& t) { presenter_.setOutputName(t.toStdString()); });
  connect(openButton_, &QPushButton::clicked, this, [this] { openFile({}); });
  connect(chooseFileButton_, &QToolButton::clicked, this, &MainWindow::onChooseFile);
  connect(referenceEdit_, &QLineEdit::textChanged, this, [this](const QString& t) { presenter_.setReferenceName(t.toStdString()); });
  connect(chooseReferenceButton_, &QToolButton::clicked, this, [this] {
    if (presenter_.busy()) return;
    const QString path = QFileDialog::getOpenFileName(this, QString(), chooserFolder(), "ASF (*.asf *.wmv *.wma);;* (*)");
    if (!path.isEmpty()) referenceEdit_->setText(path);
  });
  const auto withOptions = [this](void (Presenter::*command)()) {
    return [this, command] {
      presenter_.setFormOptions(formOptions());
      (presenter_.*command)();
    };
  };
  connect(scanButton_, &QPushButton::clicked, this, withOptions(&Presenter::scanOrStop));
  connect(reconstructButton_, &QPushButton::clicked, this, withOptions(&Presenter::reconstructOrStop));
  connect(saveButton_, &QToolButton::clicked, this, withOptions(&Presenter::save));
  connect(repairButton_, &QToolButton::clicked, this, &MainWindow::onRepair);
  connect(timelineButton_, &QPushButton::clicked, this, &MainWindow::onTimeline);
  connect(verifyButton_, &QPushButton::clicked, this, withOptions(&Presenter::verify));
  connect(actDumpGrid_, &QAction::triggered, this, &MainWindow::onDumpRow);
  connect(actDumpTree_, &QAction::triggered, this, &MainWindow::onDumpNode);
  connect(actSaveErrors_, &QAction::triggered, this, [this] { presenter_.saveErrors(); });
  connect(actLoadErrors_, &QAction::triggered, this, [this] { presenter_.loadErrors(); });
  connect(exportButton_, &QPushButton::clicked, this, &MainWindow::onExport);
  const auto exportMode = [this] {
    const bool avi = aviRadio_->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(exportOutputLabel_), static_cast<QWidget*>(exportOutputEdit_)}) w->setEnabled(avi);
    for (QWidget* w : {static_cast<QWidget*>(frameCountLabel_), static_cast<QWidget*>(frameCountEdit_), findChild<QWidget*>("Label2FIAfter")})
      w->setEnabled(!avi);
    presenter_.clearTabMessages();
  };
  connect(aviRadio_, &QRadioButton::clicked, this, exportMode);
  connect(framesRadio_, &QRadioButton::clicked, this, exportMode);
  exportMode();
  connect(tabs_, &QTabWidget::currentChanged, this, &MainWindow::onTabShown);
  bindSettings();
  new QShortcut(QKeySequence::Open, this, [this] { onChooseFile(); });
  new QShortcut(QKeySequence(Qt::Key_F5), this, [this] { scanButton_->click(); });
  new QShortcut(QKeySequence(Qt::Key_Escape), this, [this] {
    if (presenter_.commands().stop) scanButton_->click();
  });
  new QShortcut(QKeySequence::Save, this, [this] { saveButton_->click(); });
}

FormOptions MainWindow::formOptions() const {
  FormOptions o;
  o.header = minimalHeaderRadio_->isChecked() ? HeaderMode::minimal : HeaderMode::fromSource;
  o.writeIndex = !noIndexCheck_->isChecked();
  o.renumberMediaObjects = renumberCheck_->isChecked();
  o.keepIncompleteObjects = keepIncompleteCheck_->isChecked();
  o.dropDamaged = dropDamagedCheck_->isChecked();
  o.writeDump = dumpCheck_->isChecked();
  return o;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::MouseButtonRelease && (watched == russianLabel_ || watched == englishLabel_)) {
    setLanguage(watched == englishLabel_ ? Language::eng : Language::rus);
    return true;
  }
  if (joinList_ && watched == joinList_->viewport()) {
    switch (e->type()) {
      case QEvent::MouseButtonPress:
        // The drag source: the line under the mouse when a drag may start.
        dragSource_ = joinList_->indexAt(static_cast<QMouseEvent*>(e)->position().toPoint()).row();
        break;
      case QEvent::DragEnter:
      case QEvent::DragMove:
        static_cast<QDropEvent*>(e)->acceptProposedAction();
        return true;
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(e);
        if (drop->source() != joinList_ && drop->mimeData()->hasUrls()) {
          // Files from the file manager, appended in the order dropped.
          for (const QUrl& url : drop->mimeData()->urls())
            if (url.isLocalFile()) appendJoinFile(url.toLocalFile());
        } else {
          moveJoinLine(dragSource_, joinList_->indexAt(drop->position().toPoint()).row());
        }
        drop->setDropAction(Qt::IgnoreAction);  // the list moved the line itself
        drop->accept();
        return true;
      }
      default: break;
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void MainWindow::setLanguage(Language lang) {
  dialog_->setLanguage(lang);
  russianLabel_->setStyleSheet(lang == Language::rus ? "color: blue" : "color: grey");
  englishLabel_->setStyleSheet(lang == Language::eng ? "color: blue" : "color: grey");
  presenter_.setLanguage(lang);
  applyCaptions();
  if (joinList_) showJoinList();
  onTabShown(tabs_->currentIndex());
}

// Every named control with a row of the caption table: a tab page's tab,
// a button's text (and an image's hint), a label, a menu entry.
void MainWindow::applyCaptions() {
  const Language lang = presenter_.language();
  const QString nameHere = text(Message(MessageId::PutFileNameHere));
  for (QLineEdit* e : {inputEdit_, outputEdit_, exportOutputEdit_}) e->setPlaceholderText(nameHere);
  frameCountEdit_->setToolTip(text(Message(MessageId::FirstAndAfter)));
  cutEqualRepeatsRadio_->setToolTip(text(Message(MessageId::EqualSizesNeedNoFix)));
  for (const CaptionRow& row : kCaptionTable) {
    QObject* o = findChild<QObject*>(QString::fromUtf8(row.control.data(), static_cast<qsizetype>(row.control.size())));
    if (!o) continue;
    const std::string_view caption = lang == Language::eng ? row.eng : row.rus;
    const QString t = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
    if (auto* page = qobject_cast<QWidget*>(o); page && tabs_->indexOf(page) >= 0) {
      tabs_->setTabText(tabs_->indexOf(page), t);
    } else if (auto* b = qobject_cast<QAbstractButton*>(o)) {
      b->setText(t);
      if (qobject_cast<QToolButton*>(b)) b->setToolTip(t);  // an image's hint is its caption
    } else if (auto* l = qobject_cast<QLabel*>(o)) {
      // A caption with a gap for its box ("first ... pcs."): the words
      // before the gap beside the box, those after it in the label after.
      const qsizetype gap = t.trimmed().indexOf("   ");
      auto* after = findChild<QLabel*>(l->objectName() + "After");
      if (gap >= 0 && after) {
        l->setText(t.trimmed().left(gap).trimmed());
        after->setText(t.trimmed().mid(gap).trimmed());
      } else {
        l->setText(t);
      }
    } else if (auto* a = qobject_cast<QAction*>(o)) {
      a->setText(t);
    }
  }
}

void MainWindow::openFile(const QString& path) {
  presenter_.setFormOptions(formOptions());
  presenter_.open(path.toStdString());
}

// The chosen file goes into the name field (it is opened by "open" or a
// scan); the folder and the filter are remembered while the program runs.
void MainWindow::onChooseFile() {
  if (presenter_.busy()) return;
  const QStringList filters{"ASF (*.asf *.wmv *.wma)", "* (*)"};
  QString chosen = filters.value(chooseFilter_);
  const QString path = QFileDialog::getOpenFileName(this, QString(), chooserFolder(), filters.join(";;"), &chosen);
  if (path.isEmpty()) return;
  chooseDir_ = QFileInfo(path).path();
  chooseFilter_ = std::max<int>(0, static_cast<int>(filters.indexOf(chosen)));
  presenter_.choose(path.toStdString());
}

void MainWindow::onRepair() {
  RepairOptions o;
  o.onlyLongerBlocks = positiveDeltaCheck_->isChecked();
  o.onlyZeroRepeats = zerosOnlyCheck_->isChecked();
  const auto minRepeat = NumberOr(shortestRepeatEdit_->text().toStdString(), 100);
  if (minRepeat == 100) shortestRepeatEdit_->setText("100");
  o.minRepeat = static_cast<std::uint32_t>(std::min<std::uint64_t>(minRepeat, UINT32_MAX));
  presenter_.repair(repairMode(), o);
}

RepairMode MainWindow::repairMode() const {
  return cutAndRescanRadio_->isChecked()    ? RepairMode::cutAndRemeasure
         : fixSizesRadio_->isChecked() ? RepairMode::acceptSizes
         : cutByStructureRadio_->isChecked()    ? RepairMode::cutByStructure
                                    : RepairMode::cutEqualRepeats;
}

void MainWindow::onTimeline() {
  if (!presenter_.timeline()) return;
  structureChanged();
  const auto said = [this](MessageId id) { return presenter_.text(Message(id)); };
  timeline_->setCaption(text(Message(MessageId::TimelineTitle)),
                        TimelineCaptions{said(MessageId::TimelinePackets), said(MessageId::TimelineErrors), said(MessageId::TimelineDamaged)});
  timeline_->show();
  timeline_->raise();
}

void MainWindow::showDump(const std::optional<DumpBytes>& d) {
  if (!d) return;
  dump_->setCyrillic(language() == Language::rus);
  dump_->showBytes(d->bytes, d->offset);
  dump_->show();
  dump_->raise();
}

void MainWindow::onDumpRow() {
  const QVariant entry = rowsModel_->data(rowsModel_->index(errorTable_->currentIndex().row(), 0), ErrorRowsModel::kEntryRole);
  if (entry.isValid()) showDump(presenter_.dumpEntry(static_cast<std::size_t>(entry.toULongLong())));
}

void MainWindow::onDumpNode() {
  const QModelIndex selected = structureTree_->currentIndex();
  if (selected.isValid()) showDump(presenter_.dumpNode(static_cast<int>(selected.internalId())));
}

void MainWindow::onExport() {
  ExportRequest r;
  r.avi = aviRadio_->isChecked();
  r.output = exportOutputEdit_->text().toStdString();
  r.frameCount = frameCountEdit_->text().toStdString();
  r.choice = videoOnlyRadio_->isChecked()   ? StreamChoice::VideoOnly
             : audioOnlyRadio_->isChecked() ? StreamChoice::AudioOnly
                                     : StreamChoice::VideoAndAudio;
  presenter_.exportOrStop(r);
}

void MainWindow::onTabShown(int index) {
  if (tabs_->widget(index) == tabAvi_) ShowText(exportOutputEdit_, presenter_.aviName());
  if (tabs_->widget(index) == tabAvi_ || tabs_->widget(index) == tabJoin_) presenter_.clearTabMessages();
  joinWarningLabel_->setText(text(Message(MessageId::JoinWarning)));
}

void MainWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (!settingsLoaded_) {
    settingsLoaded_ = true;
    loadSettings();
  }
}

void MainWindow::closeEvent(QCloseEvent* e) {
  if (presenter_.busy()) {
    if (dialog_->askQuit(this) != 1) {
      e->ignore();
      return;
    }
    presenter_.stopAndWait();
  }
  // Settings that cannot be kept are said, and the user may stay.
  QString why;
  if (!saveSettings(&why) && dialog_->askQuit(this, why) != 1) {
    e->ignore();
    return;
  }
  e->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

// A file dropped on the window opens; files dropped while the join tab is
// shown join its list, in the order dropped.
void MainWindow::dropEvent(QDropEvent* e) {
  const auto urls = e->mimeData()->urls();
  if (tabs_->currentWidget() == tabJoin_) {
    for (const QUrl& url : urls)
      if (url.isLocalFile()) appendJoinFile(url.toLocalFile());
    return;
  }
  if (!urls.isEmpty() && urls.first().isLocalFile()) openFile(urls.first().toLocalFile());
}

}  // namespace corvel::app
