#include "app/main_window.hpp"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QRadioButton>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "asf/bytes.hpp"
#include "analysis/dump_text.hpp"
#include "asf/locators.hpp"
#include "asf/output_file.hpp"
#include "app/widgets.hpp"
#include "l10n/messages.hpp"

namespace corvel::app {

namespace {

// The class names the caption table keys its rows by.
QString ClassKey(const QObject* o) {
  if (qobject_cast<const QRadioButton*>(o)) return "TRadioButton";
  if (qobject_cast<const QCheckBox*>(o)) return "TCheckBox";
  if (qobject_cast<const QPushButton*>(o)) return "TBitBtn";
  if (qobject_cast<const QToolButton*>(o)) return "TImage";
  if (qobject_cast<const QLabel*>(o)) return "TLabel";
  if (qobject_cast<const QLineEdit*>(o)) return "TEdit";
  if (qobject_cast<const QAction*>(o)) return "TMenuItem";
  return {};
}

}  // namespace


MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), controller_(this) {
  setObjectName("FormMain");
  setWindowTitle(QString("Corvel    %1").arg(CORVEL_VERSION));
  setAcceptDrops(true);
  dialog_ = new ConfirmDialog(this);
  timeline_ = new viewers::TimelineWindow(this);
  dump_ = new viewers::DumpWindow(this);
  gridModel_ = new ErrorGridModel(controller_, this);
  treeModel_ = new TreeModel(controller_, this);

  auto* central = new QWidget(this);
  auto* top = new QVBoxLayout(central);
  auto* langRow = new QHBoxLayout;
  auto* panelLang = Named(new QWidget(central), "PanelLANG");
  auto* langLayout = new QHBoxLayout(panelLang);
  langLayout->setContentsMargins(0, 0, 0, 0);
  labelRUS_ = Named(new QLabel(Ru("русский"), panelLang), "LabelRUS");
  labelENG_ = Named(new QLabel("english", panelLang), "LabelENG");
  for (QLabel* l : {labelRUS_, labelENG_}) {
    l->setCursor(Qt::PointingHandCursor);
    l->installEventFilter(this);
    langLayout->addWidget(l);
  }
  auto* panelBadge = Named(new QWidget(central), "PanelBadge");
  auto* badgeLayout = new QHBoxLayout(panelBadge);
  badgeLayout->setContentsMargins(0, 0, 0, 0);
  auto* badge = ActionImage("ImageBadge", "help-about", QStyle::SP_MessageBoxInformation, "Corvel", panelBadge);
  badgeLayout->addWidget(badge);
  badge->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  badge->setIconSize(QSize(16, 16));
  connect(badge, &QToolButton::clicked, this, [this] {
    const bool en = language() == Language::eng;
    dialog_->inform(QString("<b>Corvel %1</b><br>%2<br>%3: MIT<br><a href=\"%4\">README</a>")
                        .arg(CORVEL_VERSION,
                             en ? QString("inspect, repair, join and remux ASF files") : Ru("проверка, ремонт, склейка и перепаковка файлов ASF"),
                             en ? QString("licence") : Ru("лицензия"),
                             QUrl::fromLocalFile(CORVEL_README).toString()),
                    this);
  });
  langRow->addWidget(panelLang);
  langRow->addStretch();
  langRow->addWidget(panelBadge);
  top->addLayout(langRow);

  pages_ = Named(new QTabWidget(central), "PageControl1");
  tabRepair_ = Named(new QWidget, "TabSheetREM");
  tabAvi_ = Named(new QWidget, "TabSheet2AVI");
  tabJoin_ = Named(new QWidget, "TabSheetAD");
  tabConfig_ = Named(new QWidget, "TabSheetCFG");
  pages_->addTab(tabRepair_, Ru("ремонт"));
  pages_->addTab(tabAvi_, "=> avi");
  pages_->addTab(tabJoin_, Ru("сборка"));
  pages_->addTab(tabConfig_, Ru("настройки"));
  top->addWidget(pages_);
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
  settings_.setLanguage(LanguageOfLocale(QLocale::system().name().toStdString()));
  showSettings();
}

MainWindow::~MainWindow() {
  controller_.stopAndWait();
  probes_.waitForDone();  // a part's reading posts back to this window
  timeline_->setData({}, nullptr, {});
  // The views outlive the controller the models read (children go last).
  grid_->setModel(nullptr);
  tree_->setModel(nullptr);
}

void MainWindow::wire() {
  connect(&controller_, &Controller::logLine, this, &MainWindow::log);
  connect(&controller_, &Controller::statusChanged, this, &MainWindow::setStatus);
  connect(&controller_, &Controller::joinStatus, this, [this](const QString& text) {
    if (controller_.busy()) labelME_->setText(text);
  });
  connect(&controller_, &Controller::progress, this, [this](const Progress& p) {
    const QString count = p.total ? QString("%1 >> %2").arg(p.done).arg(p.total) : QString::number(p.done);
    switch (controller_.running()) {
      case JobKind::join: gaugeZ_->setValue(p.percent()); break;
      case JobKind::avi:
      case JobKind::frames:
        // The frames (AVI chunks or files) saved so far.
        if (controller_.running() == JobKind::frames) gauge2avi_->setValue(p.percent());
        labelREZ_->setText(controller_.text(Message(MessageId::FramesSaved, std::to_string(p.done))));
        break;
      default:
        gauge_->setValue(p.percent());
        labelPTR_->setText(count);
    }
  });
  connect(&controller_, &Controller::structureChanged, treeModel_, &TreeModel::refresh);
  connect(&controller_, &Controller::gridChanged, gridModel_, &ErrorGridModel::refresh);
  connect(&controller_, &Controller::jobEnded, this, &MainWindow::onJobEnded);
  connect(btnOP_, &QPushButton::clicked, this, [this] { openFile(editIN_->text()); });
  connect(imageFI_, &QToolButton::clicked, this, &MainWindow::onChooseFile);
  connect(btnGO_, &QPushButton::clicked, this, &MainWindow::onScan);
  connect(btnRE_, &QPushButton::clicked, this, &MainWindow::onReconstruct);
  connect(btnTL_, &QPushButton::clicked, this, &MainWindow::onTimeline);
  connect(actDumpGrid_, &QAction::triggered, this, &MainWindow::onDumpGrid);
  connect(actDumpTree_, &QAction::triggered, this, &MainWindow::onDumpTree);
  connect(&controller_, &Controller::structureChanged, this, &MainWindow::refreshViewers);
  connect(btn2AVI_, &QPushButton::clicked, this, &MainWindow::onExport);
  connect(radio2AVI_, &QRadioButton::clicked, this, &MainWindow::onExportMode);
  connect(radio2FI_, &QRadioButton::clicked, this, &MainWindow::onExportMode);
  connect(pages_, &QTabWidget::currentChanged, this, &MainWindow::onTabShown);
  onExportMode();
  connect(imageHAMMER_, &QToolButton::clicked, this, &MainWindow::onRepair);
  connect(imageSA_, &QToolButton::clicked, this, &MainWindow::onSave);
  connect(actSaveErrors_, &QAction::triggered, this, &MainWindow::onSaveErrors);
  connect(actLoadErrors_, &QAction::triggered, this, &MainWindow::onLoadErrors);
  // Each option box is a command of the settings; the tab then shows them.
  // (A box set from code counts as a click: the tab shows the settings with
  // its signals blocked.)
  const auto bind = [this](QAbstractButton* b, void (Settings::*set)(bool)) {
    connect(b, &QAbstractButton::toggled, this, [this, set](bool on) {
      (settings_.*set)(on);
      showSettings();
    });
  };
  bind(checkHP_, &Settings::setHighPriority);
  bind(checkUN_, &Settings::setListUnknownObjects);
  bind(checkSIO_, &Settings::setShowIndexEntries);
  bind(checkPR_, &Settings::setPrerollFixed);
  bind(checkPR1_, &Settings::setPrerollFromFirst);
  bind(checkAST_, &Settings::setApproximateSendTime);
  bind(checkPTP_, &Settings::setSendTimeFromVideo);
  bind(radioOP1_, &Settings::setLeadIsPreroll);  // the other radio button unchecks it
  connect(editPR_, &QLineEdit::textEdited, this, [this](const QString& t) { settings_.setPreroll(t.toStdString()); });
  connect(editOP2_, &QLineEdit::textEdited, this, [this](const QString& t) { settings_.setLead(t.toStdString()); });
  // The preroll field takes digits only (and control keys).
  editPR_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), editPR_));
  new QShortcut(QKeySequence::Open, this, [this] { onChooseFile(); });
  new QShortcut(QKeySequence(Qt::Key_F5), this, [this] { onScan(); });
  new QShortcut(QKeySequence(Qt::Key_Escape), this, [this] {
    if (controller_.busy()) onScan();
  });
  new QShortcut(QKeySequence::Save, this, [this] { onSave(); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::MouseButtonRelease && (watched == labelRUS_ || watched == labelENG_)) {
    setLanguage(watched == labelENG_ ? Language::eng : Language::rus);
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

// The memo is emptied first once it holds its 500 lines.
void MainWindow::log(const QString& line) {
  if (memo_->document()->blockCount() >= static_cast<int>(MemoLog::MaxLines)) memo_->clear();
  memo_->appendPlainText(line);
}

void MainWindow::setStatus(const QString& text) { labelST_->setText(text); }

void MainWindow::showProgress(bool on) {
  gauge_->setVisible(on);
  labelPTR_->setVisible(on);
  if (!on) labelPTR_->clear();
}

void MainWindow::setLanguage(Language lang) {
  controller_.session().lang = lang;
  settings_.setLanguage(lang);
  dialog_->setLanguage(lang == Language::eng ? 'e' : 'r');
  labelRUS_->setStyleSheet(lang == Language::rus ? "color: blue" : "color: grey");
  labelENG_->setStyleSheet(lang == Language::eng ? "color: blue" : "color: grey");
  applyLanguage();
}

void MainWindow::applyLanguage() {
  const Language lang = controller_.session().lang;
  // Every named control with a row of the caption table for its class.
  const auto objects = findChildren<QObject*>();
  for (QObject* o : objects) {
    const QString name = o->objectName();
    if (name.isEmpty()) continue;
    for (const CaptionRow& row : kCaptionTable) {
      if (QString::fromUtf8(row.control.data(), static_cast<qsizetype>(row.control.size())) != name) continue;
      const std::string_view caption = lang == Language::eng ? row.eng : row.rus;
      const QString text = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
      if (row.cls == "TTabSheet") {
        if (auto* w = qobject_cast<QWidget*>(o); w && pages_->indexOf(w) >= 0) pages_->setTabText(pages_->indexOf(w), text);
        continue;
      }
      if (ClassKey(o).toStdString() != row.cls) continue;
      if (auto* b = qobject_cast<QAbstractButton*>(o)) b->setText(text);
      if (auto* l = qobject_cast<QLabel*>(o)) l->setText(text);
      if (auto* e = qobject_cast<QLineEdit*>(o)) e->setText(text);
      if (auto* a = qobject_cast<QAction*>(o)) a->setText(text);
    }
  }
  // The log and the status line, said again in the new language (a running
  // job's lines join the session's log only when it ends: they stay).
  if (!controller_.busy()) {
    const Session& s = controller_.session();
    memo_->clear();
    for (const Message& line : s.memo.lines()) memo_->appendPlainText(controller_.text(line));
    setStatus(controller_.text(s.status));
  }
  // Texts the window sets itself.
  if (joinList_) showJoinList();
  btnGO_->setText(controller_.text(Message(stoppable(controller_.running()) ? MessageId::Stop : MessageId::ExploreStream)));
  gridModel_->refresh();
}

void MainWindow::openFile(const QString& path) {
  if (controller_.busy()) return;
  if (path.isEmpty()) {
    askForName();
    return;
  }
  editIN_->setText(path);
  takeOptions();
  memo_->clear();
  if (controller_.open(path)) {
    actSaveErrors_->setEnabled(true);
    radioZI_->setEnabled(true);
    radioZI_->setChecked(true);
    btnTL_->setEnabled(true);
    editOUT_->setText(QString::fromStdString(OutputName(path.toStdString(), OutputNaming::nextFree)));
    setWindowTitle(QString("Corvel    %1 — %2").arg(CORVEL_VERSION, QFileInfo(path).fileName()));
  }
  showCutsMarker();
}

void MainWindow::takeOptions() {
  SessionOptions& o = controller_.session().options;
  o.walk.listUnknownObjects = settings_.state().listUnknownObjects;
  o.walk.showIndexEntries = settings_.state().showIndexEntries;
  o.highPriority = settings_.state().highPriority;
  o.writeDump = checkDump_->isChecked();
  o.save.header = radioZM_->isChecked() ? HeaderMode::minimal : HeaderMode::fromSource;
  o.save.writeIndex = !checkNOsio_->isChecked();
  o.save.renumberMediaObjects = checkPere_->isChecked();
  o.save.keepIncompleteObjects = checkKI_->isChecked();
}

// The chosen file goes into the name field (it is opened by "open" or a
// scan); the folder and the filter are remembered while the program runs.
void MainWindow::onChooseFile() {
  if (controller_.busy()) return;
  const QStringList filters{"ASF (*.asf *.wmv *.wma)", "* (*)"};
  if (chooseDir_.isEmpty()) chooseDir_ = QCoreApplication::applicationDirPath();
  QString chosen = filters.value(chooseFilter_);
  const QString path = QFileDialog::getOpenFileName(this, QString(), chooseDir_, filters.join(";;"), &chosen);
  if (path.isEmpty()) return;
  chooseDir_ = QFileInfo(path).path();
  chooseFilter_ = std::max<int>(0, static_cast<int>(filters.indexOf(chosen)));
  editIN_->setText(path);
  editOUT_->setText(QString::fromStdString(OutputName(path.toStdString(), OutputNaming::nextFree)));
}

// An empty name field asks for a name rather than doing nothing.
bool MainWindow::askForName() {
  if (!editIN_->text().isEmpty()) return false;
  editIN_->setText(controller_.text(Message(MessageId::PutFileNameHere)));
  return true;
}

void MainWindow::onScan() {
  if (askForName()) return;
  // While a job of the open file runs the button stops it.
  if (stoppable(controller_.running())) {
    if (dialog_->askYesNo(controller_.text(Message(MessageId::StopQuestion)), this) == 1) controller_.requestStop();
    return;
  }
  if (controller_.busy()) return;
  // The file in the name field, opened anew when it is not the open one.
  if (editIN_->text().toStdString() != controller_.session().fileName) openFile(editIN_->text());
  if (controller_.session().fileName.empty()) return;
  Session& s = controller_.session();
  if (!s.errorList.empty() || !s.file.cuts.empty()) {
    // "continue" scans the repaired file (the cuts and the list are kept);
    // "new start" scans the file as it is on disk.
    const int answer = dialog_->askChoice(controller_.text(Message(MessageId::ContinueQuestion)).replace("\r\n", "\n"),
                                          Ru("продолжить"), Ru("сначала"), this, 'n');
    if (answer != 1) {
      s.file.cuts.CutsClear();
      s.errorList.clear();
    }
  }
  takeOptions();
  if (controller_.startScan()) jobStarted();
}

bool MainWindow::stoppable(JobKind kind) {
  return kind == JobKind::scan || kind == JobKind::save || kind == JobKind::reconstruct;
}

void MainWindow::jobStarted() {
  btnGO_->setText(controller_.text(Message(MessageId::Stop)));
  gauge_->setValue(0);
  showProgress(true);
}

void MainWindow::onRepair() {
  if (controller_.busy()) return;
  RepairOptions o;
  o.onlyLongerBlocks = checkDP_->isChecked();
  o.onlyZeroRepeats = checkZR_->isChecked();
  const auto minRepeat = OptionNumber(editMS_->text().toStdString(), 100);
  if (minRepeat == 100) editMS_->setText("100");
  o.minRepeat = static_cast<std::uint32_t>(std::min<std::uint64_t>(minRepeat, UINT32_MAX));
  const RepairMode mode = radioRERE_->isChecked()    ? RepairMode::cutAndRemeasure
                          : radioISALL_->isChecked() ? RepairMode::acceptSizes
                          : radioST_->isChecked()    ? RepairMode::cutByStructure
                                                     : RepairMode::cutEqualRepeats;
  controller_.startRepair(mode, o);
}

void MainWindow::onSave() {
  if (controller_.busy()) return;
  const QString out = editOUT_->text();
  if (out.isEmpty()) return;
  if (QFile::exists(out) &&
      dialog_->askYesNo(controller_.text(Message(MessageId::OverwriteQuestion)), this) != 1)
    return;
  takeOptions();
  if (controller_.startSave(out)) jobStarted();
}

void MainWindow::onReconstruct() {
  if (controller_.busy() || askForName()) return;
  if (editIN_->text().toStdString() != controller_.session().fileName) {
    controller_.session().fileName = editIN_->text().toStdString();
    controller_.session().source = SourceRef{controller_.session().fileName, nullptr, StampOf(controller_.session().fileName)};
  }
  takeOptions();
  memo_->clear();
  if (controller_.startReconstruct()) jobStarted();
}

void MainWindow::onSaveErrors() {
  if (controller_.busy() || controller_.session().fileName.empty()) return;
  const QString path = QString::fromStdString(OutputName(controller_.session().fileName, OutputNaming::errorList));
  if (QFile::exists(path) && dialog_->askYesNo(controller_.text(Message(MessageId::OverwriteQuestion)), this) != 1) return;
  QString error;
  if (!controller_.saveErrors(path, error))
    controller_.session().log(Message("• ", MessageId::FileSaveError, ": " + path.toStdString() + ": " + error.toStdString()));
}

void MainWindow::onLoadErrors() {
  if (controller_.busy() || controller_.session().fileName.empty()) return;
  controller_.loadErrors(QString());
  showCutsMarker();
}

void MainWindow::onJobEnded(JobKind kind, bool ok) {
  if (kind == JobKind::join || kind == JobKind::avi || kind == JobKind::frames) {
    onJoinOrExportEnded(kind, ok);
    return;
  }
  btnGO_->setText(controller_.text(Message(MessageId::ExploreStream)));
  showProgress(false);
  if (kind == JobKind::reconstruct) {
    // Only the minimal header is sound now.
    radioZM_->setChecked(true);
    radioZI_->setEnabled(false);
    btnRE_->setText(QString::fromStdString(CaptionOf("BitBtnRE", controller_.session().lang)));
  }
  if (kind == JobKind::save) editOUT_->setText(QString::fromStdString(OutputName(controller_.session().fileName, OutputNaming::nextFree)));
  // The error list holds offsets of the repaired file now: it is not saved.
  if (kind == JobKind::repair) actSaveErrors_->setEnabled(false);
  showCutsMarker();
}

void MainWindow::showCutsMarker() {
  const std::size_t cuts = controller_.session().file.cuts.ranges().size();
  imageEX_->setVisible(cuts > 0);
  imageEX_->setToolTip(language() == Language::eng ? QString("cuts made by the repair, applied on saving: %1").arg(cuts)
                                                   : Ru("вырезки ремонта, применятся при сохранении: %1").arg(cuts));
}

// The timeline reads the session's packets: never while a job may replace them.
void MainWindow::refreshViewers() {
  if (controller_.busy()) {
    timeline_->setData({}, nullptr, {});
    return;
  }
  const Session& s = controller_.session();
  const std::span<const ErrorBlock> blocks(s.errBlocks);
  timeline_->setData(&s.packets, &s.structure.rec, blocks.subspan(std::min(s.lastScanFirstBlock, blocks.size())));
}

void MainWindow::onTimeline() {
  if (controller_.busy()) return;
  if (controller_.session().packets.empty()) {
    controller_.session().log(Message(MessageId::ScanFirst));
    return;
  }
  refreshViewers();
  const bool en = language() == Language::eng;
  timeline_->setCaption(en ? QString("timeline") : Ru("тайм-лайн"), en ? QString("(packets)") : Ru("(пакеты)"));
  timeline_->show();
  timeline_->raise();
}

// Dumps are capped: a Data Object of gigabytes is no text to hold.
constexpr std::uint64_t kMaxDump = 4 << 20;

void MainWindow::onDumpGrid() {
  if (controller_.busy()) return;
  const QModelIndex row = grid_->currentIndex();
  if (!row.isValid()) return;
  const QVariant block = gridModel_->data(gridModel_->index(row.row(), 0), ErrorGridModel::kBlockRole);
  const Session& s = controller_.session();
  if (!block.isValid() || block.toULongLong() >= s.errorList.size()) return;
  const auto index = static_cast<std::size_t>(block.toULongLong());
  const ListedBlock& b = s.errorList[index];
  const auto len = static_cast<std::uint64_t>(std::max<std::int64_t>(b.declSize, static_cast<std::int64_t>(b.realSize)));
  Bytes bytes;
  Message why;
  if (!ReadSourceBytes(s, b.offset, std::min(len, kMaxDump), true, bytes, why)) {
    controller_.session().log(why);
    return;
  }
  dump_->showBytes(std::move(bytes), b.offset);
  dump_->show();
  dump_->raise();
}

void MainWindow::onDumpTree() {
  if (controller_.busy()) return;
  const QModelIndex selected = tree_->currentIndex();
  if (!selected.isValid()) return;
  const Session& s = controller_.session();
  const int node = static_cast<int>(selected.internalId());
  for (const ObjectEntry& e : s.structure.objects) {
    if (e.node != node) continue;
    const auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(e.size, 0));
    if (size > kDumpAskAbove &&
        dialog_->askYesNo(controller_.text(Message(MessageId::LargeBlockQuestion)).replace("\r\n", "\n"), this) != 1)
      return;
    Bytes bytes;
    Message why;
    if (!ReadSourceBytes(s, static_cast<std::uint64_t>(e.offset), std::min(size, kMaxDump), false, bytes, why)) {
      controller_.session().log(why);
      return;
    }
    dump_->showBytes(std::move(bytes), static_cast<std::uint64_t>(e.offset));
    dump_->show();
    dump_->raise();
    return;
  }
}

// The join tab.

QStringList MainWindow::joinFiles() const {
  QStringList files;
  for (const std::string& p : joinParts_.paths()) files << QString::fromStdString(p);
  return files;
}

// A part is listed at once and read on a worker thread (it may lie on a
// slow disk); its line fills in when the reading comes back.
void MainWindow::appendJoinFile(const QString& path) {
  const std::uint64_t id = joinParts_.append(path.toStdString());
  probes_.start([this, id, file = path.toStdString()] {
    const JoinPart part = ProbeJoinPart(file);
    QMetaObject::invokeMethod(this, [this, id, part] {
      joinParts_.probed(id, part);
      showJoinList();
    }, Qt::QueuedConnection);
  });
  showJoinList();
}

// The lines as the list holds them; a part whose packet size differs from
// the first part's is red.
void MainWindow::showJoinList() {
  const int current = joinList_->currentRow();
  joinList_->clear();
  for (std::size_t i = 0; i < joinParts_.size(); ++i) {
    auto* item = new QListWidgetItem(QString::fromStdString(joinParts_.line(i, language())), joinList_);
    item->setForeground(joinParts_.differs(i) ? QColor(200, 0, 0) : QColor(Qt::black));
  }
  joinList_->setCurrentRow(std::min(current, joinList_->count() - 1));
}

void MainWindow::moveJoinLine(int from, int to) {
  if (from < 0 || to < 0 || !joinParts_.move(static_cast<std::size_t>(from), static_cast<std::size_t>(to))) return;
  showJoinList();
  joinList_->setCurrentRow(to);
}

void MainWindow::onJoinAdd() {
  if (addDir_.isEmpty()) addDir_ = QCoreApplication::applicationDirPath();
  const QStringList filters{"*.asf *.wmv (*.asf *.wmv)", Ru("* (все файлы) (*)")};
  QString chosen = filters.value(addFilter_);
  const QStringList files = QFileDialog::getOpenFileNames(this, QString(), addDir_, filters.join(";;"), &chosen);
  if (files.isEmpty()) return;
  for (const QString& f : files) appendJoinFile(f);
  addDir_ = QFileInfo(files.first()).path();
  addFilter_ = std::max<int>(0, static_cast<int>(filters.indexOf(chosen)));
}

void MainWindow::onJoinDelete() {
  std::vector<std::size_t> rows;
  for (int i = 0; i < joinList_->count(); ++i)
    if (joinList_->item(i)->isSelected()) rows.push_back(static_cast<std::size_t>(i));
  joinParts_.remove(rows);
  showJoinList();
}

void MainWindow::onJoinClear() {
  joinParts_.clear();
  showJoinList();
}

void MainWindow::onJoinProposeName() {
  if (joinParts_.size() == 0) {
    labelME_->setText(controller_.text(Message(MessageId::RightClickMenu)).replace("\r\n", "<br>"));
    return;
  }
  editSUM_->setText(QString::fromStdString(OutputName(joinFiles().first().toStdString(), OutputNaming::joined)));
}

void MainWindow::onJoin() {
  if (controller_.busy()) return;
  // Nothing to join, then where to put it, then the parts' packet sizes.
  const MessageId refusal = joinParts_.refusal();
  const MessageId why = refusal == MessageId::NothingToJoin ? refusal : editSUM_->text().isEmpty() ? MessageId::WhereToPut : refusal;
  if (why != MessageId::None) {
    labelME_->setText(controller_.text(Message(why)));
    return;
  }
  if (QFile::exists(editSUM_->text()) && dialog_->askYesNo(controller_.text(Message(MessageId::OverwriteQuestion)), this) != 1)
    return;
  const JoinOptions o = settings_.joinOptions();
  if (!controller_.startJoin(joinParts_.paths(), editSUM_->text().toStdString(), o)) return;
  gaugeZ_->setValue(0);
  gaugeZ_->show();
  imageZ_->show();
  labelME_->setText(controller_.text(Message(MessageId::InProgress)));
}

void MainWindow::onJoinStop() {
  if (controller_.running() != JobKind::join) return;
  if (dialog_->askYesNo(controller_.text(Message(MessageId::StopQuestion)), this) == 1) controller_.requestStop();
}

// The "=> avi" tab.

void MainWindow::onExportMode() {
  const bool avi = radio2AVI_->isChecked();
  labelAVI_->setEnabled(avi);
  editAVI_->setEnabled(avi);
  label2FI_->setEnabled(!avi);
  edit2FI_->setEnabled(!avi);
  labelREZ_->clear();
}

void MainWindow::onExport() {
  if (controller_.running() == JobKind::avi || controller_.running() == JobKind::frames) {
    if (dialog_->askYesNo(controller_.text(Message(MessageId::StopQuestion)), this) == 1) controller_.requestStop();
    return;
  }
  if (controller_.busy()) return;
  const Session& s = controller_.session();
  if (!s.structure.rec.ASFFPO.present || s.fileName.empty()) {
    labelREZ_->setText(controller_.text(Message(MessageId::OpenFileFirst)));
    return;
  }
  const StreamChoice choice = radioVI_->isChecked()   ? StreamChoice::VideoOnly
                              : radioAU_->isChecked() ? StreamChoice::AudioOnly
                                                      : StreamChoice::VideoAndAudio;
  bool started = false;
  if (radio2AVI_->isChecked()) {
    const QString out = editAVI_->text();
    if (out.isEmpty()) return;
    if (QFile::exists(out) && dialog_->askYesNo(controller_.text(Message(MessageId::OverwriteQuestion)), this) != 1) return;
    started = controller_.startAvi(out.toStdString(), choice);
  } else {
    if (!IsNumber(edit2FI_->text().toStdString())) return;
    // The frame files go beside the open file.
    started = controller_.startFrames(edit2FI_->text().toLong(), choice, QFileInfo(QString::fromStdString(s.fileName)).path().toStdString());
  }
  if (!started) {
    // Refused before it began (the source changed on disk): the reason in place of the result.
    if (!controller_.lastMessage().empty()) labelREZ_->setText(controller_.text(controller_.lastMessage()).toHtmlEscaped());
    return;
  }
  btn2AVI_->setText(controller_.text(Message(MessageId::Stop)));
  gauge2avi_->setValue(0);
  gauge2avi_->show();
  labelREZ_->setText(controller_.text(Message(MessageId::FramesSaved)));
}

void MainWindow::onTabShown(int index) {
  if (pages_->widget(index) == tabAvi_) {
    if (!controller_.session().fileName.empty())
      editAVI_->setText(QString::fromStdString(OutputName(controller_.session().fileName, OutputNaming::avi)));
    if (!controller_.busy()) labelREZ_->clear();
  }
  if (pages_->widget(index) == tabJoin_) {
    if (!controller_.busy()) labelME_->clear();
    labelJINFO_->setText(language() == Language::eng
                             ? QString("before join start be sure that\nall files are good and are\nparts of one movie\n")
                             : Ru("перед запуском процесса сборки убедитесь,\nчто все файлы исправны и являются кусками\nодного фильма.\n"));
  }
}

// The end of a join or an export: the closing word, and a link to the
// output's folder.
void MainWindow::onJoinOrExportEnded(JobKind kind, bool ok) {
  const QString message = controller_.text(controller_.lastMessage()).toHtmlEscaped().replace("\n", "<br>");
  auto folderLink = [&](const QString& path) {
    return ok ? QString("<br><a href=\"%1\">%2</a>").arg(QUrl::fromLocalFile(QFileInfo(path).path()).toString(), QFileInfo(path).path())
              : QString();
  };
  if (kind == JobKind::join) {
    gaugeZ_->hide();
    imageZ_->hide();
    labelME_->setText(message + folderLink(editSUM_->text()));
    return;
  }
  btn2AVI_->setText(QString::fromStdString(CaptionOf("BitBtn2AVI", language())));
  gauge2avi_->hide();
  labelREZ_->setText(message + (kind == JobKind::avi ? folderLink(editAVI_->text()) : folderLink(QString::fromStdString(controller_.session().fileName))));
}

void MainWindow::showSettings() {
  const SettingsState& st = settings_.state();
  const auto check = [](QAbstractButton* b, bool on) {
    const QSignalBlocker block(b);
    b->setChecked(on);
  };
  check(checkHP_, st.highPriority);
  check(checkUN_, st.listUnknownObjects);
  check(checkSIO_, st.showIndexEntries);
  check(checkPR_, st.prerollFixed);
  check(checkPR1_, st.prerollFromFirst);
  check(checkAST_, st.approximateSendTime);
  check(checkPTP_, st.sendTimeFromVideo);
  {
    // Checking one radio button unchecks the other: neither may speak.
    const QSignalBlocker one(radioOP1_), two(radioOP2_);
    (st.leadIsPreroll ? radioOP1_ : radioOP2_)->setChecked(true);
  }
  editPR_->setText(QString::fromStdString(st.preroll));
  editPR_->setEnabled(st.prerollFixed);
  editOP2_->setText(QString::fromStdString(st.lead));
  editOP2_->setEnabled(!st.leadIsPreroll);
  panelOP_->setVisible(st.approximateSendTime);
}

bool MainWindow::applySettingsText(const QString& text) {
  settings_.apply(text.toStdString());
  showSettings();
  setLanguage(settings_.state().lang);
  const SettingsState& st = settings_.state();
  if (st.width > 0) resize(st.width, st.height);
  if (st.split > 0) splitter_->setSizes({st.split, std::max(1, splitter_->height() - st.split)});
  return true;
}

bool MainWindow::loadSettings() {
  QFile f(settingsPath_);
  if (!f.open(QIODevice::ReadOnly)) return false;
  return applySettingsText(QString::fromUtf8(f.read(64 << 10)));
}

QString MainWindow::settingsText() {
  keepWindowSize();
  return QString::fromStdString(settings_.text());
}

void MainWindow::keepWindowSize() { settings_.setWindow(width(), height(), splitter_->sizes().value(0)); }

bool MainWindow::saveSettings(QString* why) {
  keepWindowSize();
  Message failure;
  if (SaveSettings(settings_, settingsPath_.toStdString(), failure)) return true;
  if (why) *why = controller_.text(failure);
  return false;
}

void MainWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (!settingsLoaded_) {
    settingsLoaded_ = true;
    loadSettings();
  }
}

void MainWindow::closeEvent(QCloseEvent* e) {
  if (controller_.busy()) {
    if (dialog_->askQuit(this) != 1) {
      e->ignore();
      return;
    }
    controller_.stopAndWait();
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
  if (pages_->currentWidget() == tabJoin_) {
    for (const QUrl& url : urls)
      if (url.isLocalFile()) appendJoinFile(url.toLocalFile());
    return;
  }
  if (!urls.isEmpty() && urls.first().isLocalFile()) openFile(urls.first().toLocalFile());
}

}  // namespace corvel::app
