// The window's widgets, tab by tab, with their names and first captions.
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
#include "io/output_file.hpp"
#include "app/widgets.hpp"
#include "l10n/messages.hpp"

namespace corvel::app {

namespace {

// Widgets side by side from the left, in a row of their own.
QWidget* Row(QWidget* parent, std::initializer_list<QWidget*> widgets) {
  auto* row = new QWidget(parent);
  auto* l = new QHBoxLayout(row);
  l->setContentsMargins(0, 0, 0, 0);
  for (QWidget* w : widgets) l->addWidget(w);
  l->addStretch(1);
  return row;
}

}  // namespace

QToolButton* ActionImage(const char* name, const char* icon, QStyle::StandardPixmap fallback, const QString& hint,
                         QWidget* parent) {
  auto* b = Named(new QToolButton(parent), name);
  // The theme's icon, or the style's own where there is no icon theme.
  b->setIcon(QIcon::fromTheme(icon, parent->style()->standardIcon(fallback)));
  b->setAutoRaise(true);  // a raised frame on hover
  b->setIconSize(QSize(32, 32));
  b->setToolTip(hint);
  b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  b->setText(hint);
  return b;
}

// The language switch and the badge above the tabs.
void MainWindow::buildTop(QWidget* central) {
  auto* top = new QVBoxLayout(central);
  auto* langRow = new QHBoxLayout;
  auto* languagePanel = Named(new QWidget(central), "PanelLANG");
  auto* langLayout = new QHBoxLayout(languagePanel);
  langLayout->setContentsMargins(0, 0, 0, 0);
  russianLabel_ = Named(new QLabel(QString::fromUtf8("русский"), languagePanel), "LabelRUS");  // the language's own name
  englishLabel_ = Named(new QLabel("english", languagePanel), "LabelENG");
  for (QLabel* l : {russianLabel_, englishLabel_}) {
    l->setCursor(Qt::PointingHandCursor);
    l->installEventFilter(this);
    langLayout->addWidget(l);
  }
  auto* badgePanel = Named(new QWidget(central), "PanelBadge");
  auto* badgeLayout = new QHBoxLayout(badgePanel);
  badgeLayout->setContentsMargins(0, 0, 0, 0);
  auto* badge = ActionImage("ImageBadge", "help-about", QStyle::SP_MessageBoxInformation, "Corvel", badgePanel);
  badgeLayout->addWidget(badge);
  badge->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  badge->setIconSize(QSize(16, 16));
  connect(badge, &QToolButton::clicked, this, &MainWindow::showAbout);
  langRow->addWidget(languagePanel);
  langRow->addStretch();
  langRow->addWidget(badgePanel);
  top->addLayout(langRow);
  tabs_ = Named(new QTabWidget(central), "PageControl1");
  tabRepair_ = Named(new QWidget, "TabSheetREM");
  tabAvi_ = Named(new QWidget, "TabSheet2AVI");
  tabJoin_ = Named(new QWidget, "TabSheetAD");
  tabConfig_ = Named(new QWidget, "TabSheetCFG");
  tabs_->addTab(tabRepair_, QString());
  tabs_->addTab(tabAvi_, "=> avi");
  tabs_->addTab(tabJoin_, QString());
  tabs_->addTab(tabConfig_, QString());
  top->addWidget(tabs_);
}

void MainWindow::buildRepairTab(QWidget* tab) {
  auto* layout = new QVBoxLayout(tab);
  auto* filePanel = Named(new QWidget(tab), "PanelTT");
  auto* tt = new QGridLayout(filePanel);
  inputEdit_ = Named(new QLineEdit(filePanel), "EditIN");
  openButton_ = Named(new QPushButton("open", filePanel), "BitBtnOP");
  chooseFileButton_ = ActionImage("ImageFI", "document-open", QStyle::SP_DirOpenIcon, QString(), filePanel);
  chooseFileButton_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  chooseFileButton_->setIconSize(QSize(20, 20));
  scanButton_ = Named(new QPushButton(QString(), filePanel), "BitBtnGO");
  reconstructButton_ = Named(new QPushButton(QString(), filePanel), "BitBtnRE");
  timelineButton_ = Named(new QPushButton(QString(), filePanel), "BitBtnTL");
  timelineButton_->setEnabled(false);
  verifyButton_ = Named(new QPushButton(QString(), filePanel), "BitBtnVD");
  verifyButton_->setEnabled(false);
  // A recording whose header an input that lost its own is opened with.
  auto* referenceRow = new QHBoxLayout;
  referenceRow->addWidget(Named(new QLabel(filePanel), "referenceLabel"));
  referenceEdit_ = Named(new QLineEdit(filePanel), "referenceEdit");
  referenceRow->addWidget(referenceEdit_, 1);
  chooseReferenceButton_ = ActionImage("referenceChooser", "document-open", QStyle::SP_DirOpenIcon, QString(), filePanel);
  chooseReferenceButton_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  chooseReferenceButton_->setIconSize(QSize(20, 20));
  referenceRow->addWidget(chooseReferenceButton_);
  tt->addWidget(inputEdit_, 0, 0, 1, 3);
  tt->addWidget(chooseFileButton_, 0, 3);
  tt->addWidget(openButton_, 0, 4);
  tt->addLayout(referenceRow, 1, 0, 1, 5);
  tt->addWidget(scanButton_, 2, 0);
  tt->addWidget(reconstructButton_, 2, 1);
  tt->addWidget(timelineButton_, 2, 2);
  tt->addWidget(verifyButton_, 2, 3, 1, 2);
  structureTree_ = Named(new QTreeView(filePanel), "TreeWMV");
  structureTree_->setModel(treeModel_);
  structureTree_->setHeaderHidden(true);
  structureTree_->setUniformRowHeights(true);
  logView_ = Named(new QPlainTextEdit(filePanel), "MemoST");
  logView_->setReadOnly(true);

  auto* inner = new QSplitter(Qt::Horizontal, filePanel);
  inner->addWidget(structureTree_);
  inner->addWidget(logView_);
  tt->addWidget(inner, 3, 0, 1, 5);
  tt->setRowStretch(3, 1);
  tt->setColumnStretch(0, 1);
  tt->setColumnStretch(1, 1);
  tt->setColumnStretch(2, 1);
  statusLabel_ = Named(new QLabel(filePanel), "LabelST");
  progressLabel_ = Named(new QLabel(filePanel), "LabelPTR");
  repairGauge_ = Named(new Gauge(filePanel), "GaugeZZ");
  tt->addWidget(statusLabel_, 4, 0, 1, 2);
  tt->addWidget(progressLabel_, 4, 2, 1, 2);
  tt->addWidget(repairGauge_, 4, 4);
  // The marker that cuts are pending: a repair made them, the next scan and
  // save read the file through them.
  pendingCutsIcon_ = Named(new QLabel(filePanel), "ImageEX");
  pendingCutsIcon_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
  tt->addWidget(pendingCutsIcon_, 4, 5);
  // Shown or hidden, they keep their room: the panes above never move.
  for (QWidget* w : std::initializer_list<QWidget*>{pendingCutsIcon_, repairGauge_, progressLabel_}) {
    QSizePolicy keep = w->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    w->setSizePolicy(keep);
    w->hide();
  }
  // A long status never widens the window: it is cut, and whole in its tip.
  statusLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  progressLabel_->setMinimumWidth(fontMetrics().horizontalAdvance("100 %, left 00:00:00"));

  errorTable_ = Named(new QTableView(tab), "StringER");
  errorTable_->setModel(rowsModel_);
  errorTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
  errorTable_->verticalHeader()->hide();
  // The selected cell: pale green, its text black.
  errorTable_->setStyleSheet("QTableView::item:selected { background: #D0FFD0; color: black; }");
  const int widths[] = {31, 47, 84, 76, 102, 96, 67, 70};
  for (int c = 0; c < 8; ++c) errorTable_->setColumnWidth(c, widths[c] + 30);
  errorTable_->horizontalHeader()->setStretchLastSection(true);
  errorTable_->setContextMenuPolicy(Qt::ActionsContextMenu);
  actDumpGrid_ = Named(new QAction(QString(), errorTable_), "MIdump");
  actSaveErrors_ = Named(new QAction(QString(), errorTable_), "MIsoer");
  actLoadErrors_ = Named(new QAction(QString(), errorTable_), "MIzaer");
  actSaveErrors_->setEnabled(false);
  errorTable_->addActions({actDumpGrid_, actSaveErrors_, actLoadErrors_});
  structureTree_->setContextMenuPolicy(Qt::ActionsContextMenu);
  actDumpTree_ = Named(new QAction(QString(), structureTree_), "MIdumpp");
  structureTree_->addAction(actDumpTree_);

  splitter_ = Named(new QSplitter(Qt::Vertical, tab), "Splitter1");
  splitter_->addWidget(filePanel);
  splitter_->addWidget(errorTable_);
  splitter_->setStretchFactor(0, 3);
  splitter_->setStretchFactor(1, 2);
  layout->addWidget(splitter_, 1);

  auto* repairPanel = Named(new QWidget(tab), "PanelBB");
  auto* bb = new QGridLayout(repairPanel);
  cutEqualRepeatsRadio_ = Named(new QRadioButton(QString(), repairPanel), "RadioEQ");
  cutByStructureRadio_ = Named(new QRadioButton(QString(), repairPanel),
                   "RadioST");
  cutByStructureRadio_->setChecked(true);
  positiveDeltaCheck_ = Named(new QCheckBox(QString(), repairPanel), "CheckDP");
  positiveDeltaCheck_->setChecked(true);
  zerosOnlyCheck_ = Named(new QCheckBox(QString(), repairPanel), "CheckZR");
  zerosOnlyCheck_->setChecked(true);
  shortestRepeatEdit_ = Named(new QLineEdit("100", repairPanel), "EditMS");
  shortestRepeatEdit_->setMaxLength(4);
  shortestRepeatEdit_->setMaximumWidth(60);
  // "repeats of at least [100] bytes": the caption's two words around the box.
  QWidget* repeatRow =
      Row(repairPanel, {Named(new QLabel(repairPanel), "LabelMS"), shortestRepeatEdit_, Named(new QLabel(repairPanel), "LabelMSAfter")});
  cutAndRescanRadio_ = Named(new QRadioButton(QString(), repairPanel), "RadioRERE");
  fixSizesRadio_ = Named(new QRadioButton(QString(), repairPanel), "RadioISALL");
  repairButton_ = ActionImage("ImageHAMMER", "tools-check-spelling", QStyle::SP_BrowserReload, QString(), repairPanel);
  auto* repairBox = new QWidget(repairPanel);
  auto* rb = new QGridLayout(repairBox);
  rb->setContentsMargins(0, 0, 0, 0);
  rb->addWidget(cutEqualRepeatsRadio_, 0, 0, 1, 3);
  rb->addWidget(positiveDeltaCheck_, 1, 0);
  rb->addWidget(zerosOnlyCheck_, 1, 1);
  rb->addWidget(repeatRow, 2, 0, 1, 3);
  rb->addWidget(cutAndRescanRadio_, 3, 0, 1, 3);
  rb->addWidget(fixSizesRadio_, 4, 0, 1, 3);
  rb->addWidget(cutByStructureRadio_, 5, 0, 1, 3);
  bb->addWidget(repairBox, 0, 0, 3, 1);
  bb->addWidget(repairButton_, 0, 1, 3, 1);
  auto* saveBox = new QWidget(repairPanel);
  auto* sb = new QVBoxLayout(saveBox);
  sb->setContentsMargins(0, 0, 0, 0);
  minimalHeaderRadio_ = Named(new QRadioButton(QString(), saveBox), "RadioZM");
  sourceHeaderRadio_ = Named(new QRadioButton(QString(), saveBox), "RadioZI");
  sourceHeaderRadio_->setChecked(true);
  noIndexCheck_ = Named(new QCheckBox(QString(), saveBox), "CheckNOsio");
  renumberCheck_ = Named(new QCheckBox(QString(), saveBox), "CheckPere");
  keepIncompleteCheck_ = Named(new QCheckBox(QString(), saveBox), "CheckKI");
  dropDamagedCheck_ = Named(new QCheckBox(QString(), saveBox), "CheckDD");
  outputEdit_ = Named(new QLineEdit(saveBox), "EditOUT");
  for (QWidget* w : std::initializer_list<QWidget*>{minimalHeaderRadio_, sourceHeaderRadio_, noIndexCheck_, renumberCheck_, keepIncompleteCheck_, dropDamagedCheck_, outputEdit_})
    sb->addWidget(w);
  saveButton_ = ActionImage("ImageSA", "document-save", QStyle::SP_DialogSaveButton, QString(), repairPanel);
  bb->addWidget(saveBox, 0, 2, 3, 1);
  bb->addWidget(saveButton_, 0, 3, 3, 1);
  bb->setColumnStretch(0, 1);
  bb->setColumnStretch(2, 1);
  layout->addWidget(repairPanel);
}

void MainWindow::buildAviTab(QWidget* tab) {
  auto* l = new QGridLayout(tab);
  aviRadio_ = Named(new QRadioButton(QString(), tab), "Radio2AVI");
  aviRadio_->setChecked(true);
  // The frames export and the audio choice work: they are enabled.
  framesRadio_ = Named(new QRadioButton(QString(), tab), "Radio2FI");
  frameCountEdit_ = Named(new QLineEdit("10", tab), "Edit2FI");
  frameCountEdit_->setMaxLength(3);
  frameCountEdit_->setMaximumWidth(60);
  frameCountLabel_ = Named(new QLabel(tab), "Label2FI");
  QWidget* countRow = Row(tab, {frameCountLabel_, frameCountEdit_, Named(new QLabel(tab), "Label2FIAfter")});
  auto* streams = new QWidget(tab);  // the stream choice is a group of its own
  auto* sl = new QVBoxLayout(streams);
  sl->setContentsMargins(0, 0, 0, 0);
  videoAndAudioRadio_ = Named(new QRadioButton(QString(), streams), "RadioVA");
  videoAndAudioRadio_->setChecked(true);
  videoOnlyRadio_ = Named(new QRadioButton(QString(), streams), "RadioVI");
  audioOnlyRadio_ = Named(new QRadioButton(QString(), streams), "RadioAU");
  for (QWidget* w : std::initializer_list<QWidget*>{videoAndAudioRadio_, videoOnlyRadio_, audioOnlyRadio_}) sl->addWidget(w);
  exportOutputLabel_ = Named(new QLabel(QString(), tab), "LabelAVI");
  exportOutputEdit_ = Named(new QLineEdit(tab), "EditAVI");
  exportButton_ = Named(new QPushButton(QString(), tab), "BitBtn2AVI");
  exportMessageLabel_ = Named(new QLabel(tab), "LabelREZ");
  exportMessageLabel_->setTextFormat(Qt::RichText);
  exportMessageLabel_->setWordWrap(true);  // the result names what was left out, a line each
  exportMessageLabel_->setOpenExternalLinks(true);
  exportGauge_ = Named(new Gauge(tab), "Gauge2avi");
  exportGauge_->hide();
  l->addWidget(aviRadio_, 0, 0, 1, 3);
  l->addWidget(exportOutputLabel_, 1, 0);
  l->addWidget(exportOutputEdit_, 1, 1, 1, 2);
  l->addWidget(framesRadio_, 2, 0);
  l->addWidget(countRow, 2, 1, 1, 2);
  l->addWidget(streams, 3, 0, 1, 3);
  // The gauge beside the button, in a row of their own: the name field
  // above keeps its width while it shows.
  l->addWidget(Row(tab, {exportButton_, exportGauge_}), 4, 0, 1, 3);
  l->addWidget(exportMessageLabel_, 5, 0, 1, 3);
  l->setRowStretch(6, 1);
  l->setColumnStretch(2, 1);
}

void MainWindow::buildJoinTab(QWidget* tab) {
  auto* l = new QHBoxLayout(tab);
  joinList_ = Named(new QListWidget(tab), "JList");
  joinList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  joinList_->setDragDropMode(QAbstractItemView::DragDrop);
  joinList_->setDragEnabled(true);
  joinList_->setAcceptDrops(true);
  joinList_->viewport()->setAcceptDrops(true);
  joinList_->viewport()->installEventFilter(this);
  // Selected lines on light green, text black.
  joinList_->setStyleSheet("QListWidget::item:selected { background: rgb(192,255,176); color: black; }");
  joinList_->setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* clear = Named(new QAction(QString(), joinList_), "MIclear");
  auto* add = Named(new QAction(QString(), joinList_), "MIadd");
  auto* del = Named(new QAction(QString(), joinList_), "MIdel");
  joinList_->addActions({clear, add, del});
  connect(clear, &QAction::triggered, this, [this] {
    presenter_.joinList().clear();
    showJoinList();
  });
  connect(add, &QAction::triggered, this, &MainWindow::onJoinAdd);
  connect(del, &QAction::triggered, this, &MainWindow::onJoinDelete);
  l->addWidget(joinList_, 1);
  auto* joinPanel = Named(new QWidget(tab), "PanelSR");
  auto* sr = new QVBoxLayout(joinPanel);
  joinOutputEdit_ = Named(new QLineEdit(joinPanel), "EditSUM");
  joinNameButton_ = ActionImage("ImageSUM", "document-new", QStyle::SP_FileIcon, QString(), joinPanel);
  joinButton_ = Named(new QPushButton(QString(), joinPanel), "BitBtnSUM");
  joinWarningLabel_ = Named(new QLabel(joinPanel), "LabelJINFO");
  joinMessageLabel_ = Named(new QLabel(joinPanel), "LabelME");
  joinMessageLabel_->setTextFormat(Qt::RichText);
  joinMessageLabel_->setOpenExternalLinks(true);
  joinMessageLabel_->setWordWrap(true);
  joinGauge_ = Named(new Gauge(joinPanel), "GaugeZ");
  joinGauge_->hide();
  joinStopButton_ = ActionImage("ImageZ", "process-stop", QStyle::SP_BrowserStop, QString(), joinPanel);
  joinStopButton_->hide();
  for (QWidget* w : std::initializer_list<QWidget*>{joinOutputEdit_, joinNameButton_, joinButton_, joinWarningLabel_, joinMessageLabel_, joinGauge_, joinStopButton_})
    sr->addWidget(w);
  sr->addStretch();
  joinPanel->setMinimumWidth(320);
  l->addWidget(joinPanel);
  connect(joinNameButton_, &QToolButton::clicked, this, [this] {
    std::string name = joinOutputEdit_->text().toStdString();
    presenter_.proposeJoinName(name);
    joinOutputEdit_->setText(QString::fromStdString(name));
  });
  connect(joinButton_, &QPushButton::clicked, this, [this] { presenter_.join(joinOutputEdit_->text().toStdString()); });
  connect(joinStopButton_, &QToolButton::clicked, this, [this] { presenter_.stopJoin(); });
}

void MainWindow::buildConfigTab(QWidget* tab) {
  auto* l = new QVBoxLayout(tab);
  highPriorityCheck_ = Named(new QCheckBox(QString(), tab), "CheckHP");
  highPriorityCheck_->setChecked(true);
  newIndexCheck_ = Named(new QCheckBox(QString(), tab), "CheckSION");
  newIndexCheck_->setChecked(true);
  newIndexCheck_->setEnabled(false);
  dumpCheck_ = Named(new QCheckBox(QString(), tab), "CheckDump");
  unknownObjectsCheck_ = Named(new QCheckBox(QString(), tab), "CheckUN");
  indexEntriesCheck_ = Named(new QCheckBox(QString(), tab), "CheckSIO");
  for (QWidget* w : std::initializer_list<QWidget*>{highPriorityCheck_, newIndexCheck_, dumpCheck_, unknownObjectsCheck_, indexEntriesCheck_}) l->addWidget(w);
  auto* joinLabel = Named(new QLabel(QString(), tab), "LabelJO");
  l->addWidget(joinLabel);
  auto* prRow = new QHBoxLayout;
  setPrerollCheck_ = Named(new QCheckBox(QString(), tab), "CheckPR");
  setPrerollCheck_->setChecked(true);
  prerollEdit_ = Named(new QLineEdit("5000", tab), "EditPR");
  prerollEdit_->setMaximumWidth(80);
  prerollEdit_->setValidator(nullptr);
  prRow->addWidget(setPrerollCheck_);
  prRow->addWidget(prerollEdit_);
  prRow->addStretch();
  l->addLayout(prRow);
  prerollFromFirstCheck_ = Named(new QCheckBox(QString(), tab), "CheckPR1");
  approximateSendTimeCheck_ = Named(new QCheckBox(QString(), tab), "CheckAST");
  l->addWidget(prerollFromFirstCheck_);
  l->addWidget(approximateSendTimeCheck_);
  leadPanel_ = Named(new QWidget(tab), "PanelOP");
  auto* op = new QHBoxLayout(leadPanel_);
  leadByPrerollRadio_ = Named(new QRadioButton(QString(), leadPanel_), "RadioOP1");
  leadByValueRadio_ = Named(new QRadioButton(QString(), leadPanel_), "RadioOP2");
  leadByValueRadio_->setChecked(true);
  leadEdit_ = Named(new QLineEdit("5000", leadPanel_), "EditOP2");
  leadEdit_->setMaximumWidth(80);
  op->addWidget(leadByPrerollRadio_);
  op->addWidget(leadByValueRadio_);
  op->addWidget(leadEdit_);
  op->addStretch();
  leadPanel_->hide();
  l->addWidget(leadPanel_);
  videoSendTimeCheck_ = Named(new QCheckBox("SendTime = Presentation Time of Video Stream - Preroll", tab), "CheckPTP");
  l->addWidget(videoSendTimeCheck_);
  l->addStretch();
}

}  // namespace corvel::app
