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
  auto* panelLang = Named(new QWidget(central), "PanelLANG");
  auto* langLayout = new QHBoxLayout(panelLang);
  langLayout->setContentsMargins(0, 0, 0, 0);
  labelRUS_ = Named(new QLabel(QString::fromUtf8("русский"), panelLang), "LabelRUS");  // the language's own name
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
  connect(badge, &QToolButton::clicked, this, &MainWindow::showAbout);
  langRow->addWidget(panelLang);
  langRow->addStretch();
  langRow->addWidget(panelBadge);
  top->addLayout(langRow);
  pages_ = Named(new QTabWidget(central), "PageControl1");
  tabRepair_ = Named(new QWidget, "TabSheetREM");
  tabAvi_ = Named(new QWidget, "TabSheet2AVI");
  tabJoin_ = Named(new QWidget, "TabSheetAD");
  tabConfig_ = Named(new QWidget, "TabSheetCFG");
  pages_->addTab(tabRepair_, QString());
  pages_->addTab(tabAvi_, "=> avi");
  pages_->addTab(tabJoin_, QString());
  pages_->addTab(tabConfig_, QString());
  top->addWidget(pages_);
}

void MainWindow::buildRepairTab(QWidget* tab) {
  auto* layout = new QVBoxLayout(tab);
  auto* panelTT = Named(new QWidget(tab), "PanelTT");
  auto* tt = new QGridLayout(panelTT);
  editIN_ = Named(new QLineEdit(panelTT), "EditIN");
  btnOP_ = Named(new QPushButton("open", panelTT), "BitBtnOP");
  imageFI_ = ActionImage("ImageFI", "document-open", QStyle::SP_DirOpenIcon, QString(), panelTT);
  imageFI_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  imageFI_->setIconSize(QSize(20, 20));
  btnGO_ = Named(new QPushButton(QString(), panelTT), "BitBtnGO");
  btnRE_ = Named(new QPushButton(QString(), panelTT), "BitBtnRE");
  btnTL_ = Named(new QPushButton(QString(), panelTT), "BitBtnTL");
  btnTL_->setEnabled(false);
  btnVD_ = Named(new QPushButton(QString(), panelTT), "BitBtnVD");
  btnVD_->setEnabled(false);
  tt->addWidget(editIN_, 0, 0, 1, 3);
  tt->addWidget(imageFI_, 0, 3);
  tt->addWidget(btnOP_, 0, 4);
  tt->addWidget(btnGO_, 1, 0);
  tt->addWidget(btnRE_, 1, 1);
  tt->addWidget(btnTL_, 1, 2);
  tt->addWidget(btnVD_, 1, 3, 1, 2);
  tree_ = Named(new QTreeView(panelTT), "TreeWMV");
  tree_->setModel(treeModel_);
  tree_->setHeaderHidden(true);
  tree_->setUniformRowHeights(true);
  memo_ = Named(new QPlainTextEdit(panelTT), "MemoST");
  memo_->setReadOnly(true);

  auto* inner = new QSplitter(Qt::Horizontal, panelTT);
  inner->addWidget(tree_);
  inner->addWidget(memo_);
  tt->addWidget(inner, 2, 0, 1, 5);
  tt->setRowStretch(2, 1);
  tt->setColumnStretch(0, 1);
  tt->setColumnStretch(1, 1);
  tt->setColumnStretch(2, 1);
  labelST_ = Named(new QLabel(panelTT), "LabelST");
  labelPTR_ = Named(new QLabel(panelTT), "LabelPTR");
  gauge_ = Named(new Gauge(panelTT), "GaugeZZ");
  tt->addWidget(labelST_, 3, 0, 1, 2);
  tt->addWidget(labelPTR_, 3, 2, 1, 2);
  tt->addWidget(gauge_, 3, 4);
  // The marker that cuts are pending: a repair made them, the next scan and
  // save read the file through them.
  imageEX_ = Named(new QLabel(panelTT), "ImageEX");
  imageEX_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
  tt->addWidget(imageEX_, 3, 5);
  // Shown or hidden, they keep their room: the panes above never move.
  for (QWidget* w : std::initializer_list<QWidget*>{imageEX_, gauge_, labelPTR_}) {
    QSizePolicy keep = w->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    w->setSizePolicy(keep);
    w->hide();
  }
  // A long status never widens the window: it is cut, and whole in its tip.
  labelST_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  labelPTR_->setMinimumWidth(fontMetrics().horizontalAdvance("100 %, left 00:00:00"));

  grid_ = Named(new QTableView(tab), "StringER");
  grid_->setModel(rowsModel_);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->verticalHeader()->hide();
  // The selected cell: pale green, its text black.
  grid_->setStyleSheet("QTableView::item:selected { background: #D0FFD0; color: black; }");
  const int widths[] = {31, 47, 84, 76, 102, 96, 67, 70};
  for (int c = 0; c < 8; ++c) grid_->setColumnWidth(c, widths[c] + 30);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->setContextMenuPolicy(Qt::ActionsContextMenu);
  actDumpGrid_ = Named(new QAction(QString(), grid_), "MIdump");
  actSaveErrors_ = Named(new QAction(QString(), grid_), "MIsoer");
  actLoadErrors_ = Named(new QAction(QString(), grid_), "MIzaer");
  actSaveErrors_->setEnabled(false);
  grid_->addActions({actDumpGrid_, actSaveErrors_, actLoadErrors_});
  tree_->setContextMenuPolicy(Qt::ActionsContextMenu);
  actDumpTree_ = Named(new QAction(QString(), tree_), "MIdumpp");
  tree_->addAction(actDumpTree_);

  splitter_ = Named(new QSplitter(Qt::Vertical, tab), "Splitter1");
  splitter_->addWidget(panelTT);
  splitter_->addWidget(grid_);
  splitter_->setStretchFactor(0, 3);
  splitter_->setStretchFactor(1, 2);
  layout->addWidget(splitter_, 1);

  auto* panelBB = Named(new QWidget(tab), "PanelBB");
  auto* bb = new QGridLayout(panelBB);
  radioEQ_ = Named(new QRadioButton(QString(), panelBB), "RadioEQ");
  radioST_ = Named(new QRadioButton(QString(), panelBB),
                   "RadioST");
  radioST_->setChecked(true);
  checkDP_ = Named(new QCheckBox(QString(), panelBB), "CheckDP");
  checkDP_->setChecked(true);
  checkZR_ = Named(new QCheckBox(QString(), panelBB), "CheckZR");
  checkZR_->setChecked(true);
  editMS_ = Named(new QLineEdit("100", panelBB), "EditMS");
  editMS_->setMaxLength(4);
  editMS_->setMaximumWidth(60);
  // "repeats of at least [100] bytes": the caption's two words around the box.
  QWidget* repeatRow =
      Row(panelBB, {Named(new QLabel(panelBB), "LabelMS"), editMS_, Named(new QLabel(panelBB), "LabelMSAfter")});
  radioRERE_ = Named(new QRadioButton(QString(), panelBB), "RadioRERE");
  radioISALL_ = Named(new QRadioButton(QString(), panelBB), "RadioISALL");
  imageHAMMER_ = ActionImage("ImageHAMMER", "tools-check-spelling", QStyle::SP_BrowserReload, QString(), panelBB);
  auto* repairBox = new QWidget(panelBB);
  auto* rb = new QGridLayout(repairBox);
  rb->setContentsMargins(0, 0, 0, 0);
  rb->addWidget(radioEQ_, 0, 0, 1, 3);
  rb->addWidget(checkDP_, 1, 0);
  rb->addWidget(checkZR_, 1, 1);
  rb->addWidget(repeatRow, 2, 0, 1, 3);
  rb->addWidget(radioRERE_, 3, 0, 1, 3);
  rb->addWidget(radioISALL_, 4, 0, 1, 3);
  rb->addWidget(radioST_, 5, 0, 1, 3);
  bb->addWidget(repairBox, 0, 0, 3, 1);
  bb->addWidget(imageHAMMER_, 0, 1, 3, 1);
  auto* saveBox = new QWidget(panelBB);
  auto* sb = new QVBoxLayout(saveBox);
  sb->setContentsMargins(0, 0, 0, 0);
  radioZM_ = Named(new QRadioButton(QString(), saveBox), "RadioZM");
  radioZI_ = Named(new QRadioButton(QString(), saveBox), "RadioZI");
  radioZI_->setChecked(true);
  checkNOsio_ = Named(new QCheckBox(QString(), saveBox), "CheckNOsio");
  checkPere_ = Named(new QCheckBox(QString(), saveBox), "CheckPere");
  checkKI_ = Named(new QCheckBox(QString(), saveBox), "CheckKI");
  checkDD_ = Named(new QCheckBox(QString(), saveBox), "CheckDD");
  editOUT_ = Named(new QLineEdit(saveBox), "EditOUT");
  for (QWidget* w : std::initializer_list<QWidget*>{radioZM_, radioZI_, checkNOsio_, checkPere_, checkKI_, checkDD_, editOUT_})
    sb->addWidget(w);
  imageSA_ = ActionImage("ImageSA", "document-save", QStyle::SP_DialogSaveButton, QString(), panelBB);
  bb->addWidget(saveBox, 0, 2, 3, 1);
  bb->addWidget(imageSA_, 0, 3, 3, 1);
  bb->setColumnStretch(0, 1);
  bb->setColumnStretch(2, 1);
  layout->addWidget(panelBB);
}

void MainWindow::buildAviTab(QWidget* tab) {
  auto* l = new QGridLayout(tab);
  radio2AVI_ = Named(new QRadioButton(QString(), tab), "Radio2AVI");
  radio2AVI_->setChecked(true);
  // The frames export and the audio choice work: they are enabled.
  radio2FI_ = Named(new QRadioButton(QString(), tab), "Radio2FI");
  edit2FI_ = Named(new QLineEdit("10", tab), "Edit2FI");
  edit2FI_->setMaxLength(3);
  edit2FI_->setMaximumWidth(60);
  label2FI_ = Named(new QLabel(tab), "Label2FI");
  QWidget* countRow = Row(tab, {label2FI_, edit2FI_, Named(new QLabel(tab), "Label2FIAfter")});
  auto* streams = new QWidget(tab);  // the stream choice is a group of its own
  auto* sl = new QVBoxLayout(streams);
  sl->setContentsMargins(0, 0, 0, 0);
  radioVA_ = Named(new QRadioButton(QString(), streams), "RadioVA");
  radioVA_->setChecked(true);
  radioVI_ = Named(new QRadioButton(QString(), streams), "RadioVI");
  radioAU_ = Named(new QRadioButton(QString(), streams), "RadioAU");
  for (QWidget* w : std::initializer_list<QWidget*>{radioVA_, radioVI_, radioAU_}) sl->addWidget(w);
  labelAVI_ = Named(new QLabel(QString(), tab), "LabelAVI");
  editAVI_ = Named(new QLineEdit(tab), "EditAVI");
  btn2AVI_ = Named(new QPushButton(QString(), tab), "BitBtn2AVI");
  labelREZ_ = Named(new QLabel(tab), "LabelREZ");
  labelREZ_->setTextFormat(Qt::RichText);
  labelREZ_->setWordWrap(true);  // the result names what was left out, a line each
  labelREZ_->setOpenExternalLinks(true);
  gauge2avi_ = Named(new Gauge(tab), "Gauge2avi");
  gauge2avi_->hide();
  l->addWidget(radio2AVI_, 0, 0, 1, 3);
  l->addWidget(labelAVI_, 1, 0);
  l->addWidget(editAVI_, 1, 1, 1, 2);
  l->addWidget(radio2FI_, 2, 0);
  l->addWidget(countRow, 2, 1, 1, 2);
  l->addWidget(streams, 3, 0, 1, 3);
  // The gauge beside the button, in a row of their own: the name field
  // above keeps its width while it shows.
  l->addWidget(Row(tab, {btn2AVI_, gauge2avi_}), 4, 0, 1, 3);
  l->addWidget(labelREZ_, 5, 0, 1, 3);
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
  auto* panelSR = Named(new QWidget(tab), "PanelSR");
  auto* sr = new QVBoxLayout(panelSR);
  editSUM_ = Named(new QLineEdit(panelSR), "EditSUM");
  imageSUM_ = ActionImage("ImageSUM", "document-new", QStyle::SP_FileIcon, QString(), panelSR);
  btnSUM_ = Named(new QPushButton(QString(), panelSR), "BitBtnSUM");
  labelJINFO_ = Named(new QLabel(panelSR), "LabelJINFO");
  labelME_ = Named(new QLabel(panelSR), "LabelME");
  labelME_->setTextFormat(Qt::RichText);
  labelME_->setOpenExternalLinks(true);
  labelME_->setWordWrap(true);
  gaugeZ_ = Named(new Gauge(panelSR), "GaugeZ");
  gaugeZ_->hide();
  imageZ_ = ActionImage("ImageZ", "process-stop", QStyle::SP_BrowserStop, QString(), panelSR);
  imageZ_->hide();
  for (QWidget* w : std::initializer_list<QWidget*>{editSUM_, imageSUM_, btnSUM_, labelJINFO_, labelME_, gaugeZ_, imageZ_})
    sr->addWidget(w);
  sr->addStretch();
  panelSR->setMinimumWidth(320);
  l->addWidget(panelSR);
  connect(imageSUM_, &QToolButton::clicked, this, [this] {
    std::string name = editSUM_->text().toStdString();
    presenter_.proposeJoinName(name);
    editSUM_->setText(QString::fromStdString(name));
  });
  connect(btnSUM_, &QPushButton::clicked, this, [this] { presenter_.join(editSUM_->text().toStdString()); });
  connect(imageZ_, &QToolButton::clicked, this, [this] { presenter_.stopJoin(); });
}

void MainWindow::buildConfigTab(QWidget* tab) {
  auto* l = new QVBoxLayout(tab);
  checkHP_ = Named(new QCheckBox(QString(), tab), "CheckHP");
  checkHP_->setChecked(true);
  checkSION_ = Named(new QCheckBox(QString(), tab), "CheckSION");
  checkSION_->setChecked(true);
  checkSION_->setEnabled(false);
  checkDump_ = Named(new QCheckBox(QString(), tab), "CheckDump");
  checkUN_ = Named(new QCheckBox(QString(), tab), "CheckUN");
  checkSIO_ = Named(new QCheckBox(QString(), tab), "CheckSIO");
  for (QWidget* w : std::initializer_list<QWidget*>{checkHP_, checkSION_, checkDump_, checkUN_, checkSIO_}) l->addWidget(w);
  auto* labelJO = Named(new QLabel(QString(), tab), "LabelJO");
  l->addWidget(labelJO);
  auto* prRow = new QHBoxLayout;
  checkPR_ = Named(new QCheckBox(QString(), tab), "CheckPR");
  checkPR_->setChecked(true);
  editPR_ = Named(new QLineEdit("5000", tab), "EditPR");
  editPR_->setMaximumWidth(80);
  editPR_->setValidator(nullptr);
  prRow->addWidget(checkPR_);
  prRow->addWidget(editPR_);
  prRow->addStretch();
  l->addLayout(prRow);
  checkPR1_ = Named(new QCheckBox(QString(), tab), "CheckPR1");
  checkAST_ = Named(new QCheckBox(QString(), tab), "CheckAST");
  l->addWidget(checkPR1_);
  l->addWidget(checkAST_);
  panelOP_ = Named(new QWidget(tab), "PanelOP");
  auto* op = new QHBoxLayout(panelOP_);
  radioOP1_ = Named(new QRadioButton(QString(), panelOP_), "RadioOP1");
  radioOP2_ = Named(new QRadioButton(QString(), panelOP_), "RadioOP2");
  radioOP2_->setChecked(true);
  editOP2_ = Named(new QLineEdit("5000", panelOP_), "EditOP2");
  editOP2_->setMaximumWidth(80);
  op->addWidget(radioOP1_);
  op->addWidget(radioOP2_);
  op->addWidget(editOP2_);
  op->addStretch();
  panelOP_->hide();
  l->addWidget(panelOP_);
  checkPTP_ = Named(new QCheckBox("SendTime = Presentation Time of Video Stream - Preroll", tab), "CheckPTP");
  l->addWidget(checkPTP_);
  l->addStretch();
}

}  // namespace corvel::app
