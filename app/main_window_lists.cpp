// The window's settings and the join tab's list: shown from the presenter's
// state, changed through its commands.
#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSplitter>
#include <QUrl>

#include "app/main_window.hpp"
#include "app/widgets.hpp"

namespace corvel::app {

// Each option box is a command of the settings; the tab then shows them.
// (A box set from code counts as a click: the tab shows the settings with
// its signals blocked.)
void MainWindow::bindSettings() {
  Settings& settings = presenter_.settings();
  const auto bind = [this, &settings](QAbstractButton* b, void (Settings::*set)(bool)) {
    connect(b, &QAbstractButton::toggled, this, [this, &settings, set](bool on) {
      (settings.*set)(on);
      showSettings();
    });
  };
  bind(highPriorityCheck_, &Settings::setHighPriority);
  bind(unknownObjectsCheck_, &Settings::setListUnknownObjects);
  bind(indexEntriesCheck_, &Settings::setShowIndexEntries);
  bind(setPrerollCheck_, &Settings::setPrerollFixed);
  bind(prerollFromFirstCheck_, &Settings::setPrerollFromFirst);
  bind(approximateSendTimeCheck_, &Settings::setApproximateSendTime);
  bind(videoSendTimeCheck_, &Settings::setSendTimeFromVideo);
  bind(leadByPrerollRadio_, &Settings::setLeadIsPreroll);  // the other radio button unchecks it
  connect(prerollEdit_, &QLineEdit::textEdited, this, [&settings](const QString& t) { settings.setPreroll(t.toStdString()); });
  connect(leadEdit_, &QLineEdit::textEdited, this, [&settings](const QString& t) { settings.setLead(t.toStdString()); });
  // The preroll field takes digits only (and control keys).
  prerollEdit_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), prerollEdit_));
}

void MainWindow::showSettings() {
  const SettingsState& st = presenter_.settings().state();
  const auto check = [](QAbstractButton* b, bool on) {
    const QSignalBlocker block(b);
    b->setChecked(on);
  };
  check(highPriorityCheck_, st.highPriority);
  check(unknownObjectsCheck_, st.listUnknownObjects);
  check(indexEntriesCheck_, st.showIndexEntries);
  check(setPrerollCheck_, st.prerollFixed);
  check(prerollFromFirstCheck_, st.prerollFromFirst);
  check(approximateSendTimeCheck_, st.approximateSendTime);
  check(videoSendTimeCheck_, st.sendTimeFromVideo);
  {
    // Checking one radio button unchecks the other: neither may speak.
    const QSignalBlocker one(leadByPrerollRadio_), two(leadByValueRadio_);
    (st.leadIsPreroll ? leadByPrerollRadio_ : leadByValueRadio_)->setChecked(true);
  }
  prerollEdit_->setText(QString::fromStdString(st.preroll));
  prerollEdit_->setEnabled(st.prerollFixed);
  leadEdit_->setText(QString::fromStdString(st.lead));
  leadEdit_->setEnabled(!st.leadIsPreroll);
  leadPanel_->setVisible(st.approximateSendTime);
}

void MainWindow::applySettingsText(const QString& text) {
  presenter_.settings().apply(text.toStdString());
  showSettings();
  const SettingsState& st = presenter_.settings().state();
  showRepairTab(st.repairTab);
  setLanguage(st.lang);
  if (st.width > 0) resize(st.width, st.height);
  if (st.split > 0) splitter_->setSizes({st.split, std::max(1, splitter_->height() - st.split)});
}

bool MainWindow::loadSettings() {
  QFile f(settingsPath_);
  if (!f.open(QIODevice::ReadOnly)) return false;
  applySettingsText(QString::fromUtf8(f.read(64 << 10)));
  return true;
}

QString MainWindow::settingsText() {
  keepWindowSize();
  return QString::fromStdString(presenter_.settings().text());
}

void MainWindow::keepWindowSize() {
  presenter_.settings().setWindow(width(), height(), splitter_->sizes().value(0));
  RepairTabState tab;
  tab.repairMode = repairMode();
  tab.minRepeat = shortestRepeatEdit_->text().toStdString();
  const FormOptions o = formOptions();
  tab.minimalHeader = o.header == HeaderMode::minimal;
  tab.withoutIndex = !o.writeIndex;
  tab.renumber = o.renumberMediaObjects;
  tab.keepIncomplete = o.keepIncompleteObjects;
  tab.dropDamaged = o.dropDamaged;
  tab.lastFile = presenter_.inputName();
  tab.lastFolder = chooseDir_.toStdString();
  presenter_.settings().setRepairTab(tab);
}

// The repair tab as the settings file left it; the last file named goes
// into the input field (it opens when the user asks).
void MainWindow::showRepairTab(const RepairTabState& st) {
  switch (st.repairMode) {
    case RepairMode::cutEqualRepeats: cutEqualRepeatsRadio_->setChecked(true); break;
    case RepairMode::cutAndRemeasure: cutAndRescanRadio_->setChecked(true); break;
    case RepairMode::acceptSizes: fixSizesRadio_->setChecked(true); break;
    case RepairMode::cutByStructure: cutByStructureRadio_->setChecked(true); break;
  }
  shortestRepeatEdit_->setText(QString::fromStdString(st.minRepeat));
  if (!presenter_.commands().minimalHeaderOnly) (st.minimalHeader ? minimalHeaderRadio_ : sourceHeaderRadio_)->setChecked(true);
  noIndexCheck_->setChecked(st.withoutIndex);
  renumberCheck_->setChecked(st.renumber);
  keepIncompleteCheck_->setChecked(st.keepIncomplete);
  dropDamagedCheck_->setChecked(st.dropDamaged);
  chooseDir_ = QString::fromStdString(st.lastFolder);
  if (presenter_.inputName().empty() && !st.lastFile.empty()) presenter_.choose(st.lastFile);
}

// Where a file chooser starts: the folder of the file named, else the one
// last chosen from, else the user's home.
QString MainWindow::chooserFolder() const {
  const QString named = QString::fromStdString(presenter_.inputName());
  if (!named.isEmpty() && QFileInfo(named).absoluteDir().exists()) return QFileInfo(named).absolutePath();
  return chooseDir_.isEmpty() ? QDir::homePath() : chooseDir_;
}

bool MainWindow::saveSettings(QString* why) {
  keepWindowSize();
  Message failure;
  if (SaveSettings(presenter_.settings(), settingsPath_.toStdString(), failure)) return true;
  if (why) *why = text(failure);
  return false;
}

// A part is listed at once and read on a worker thread (it may lie on a
// slow disk); its line fills in when the reading comes back.
void MainWindow::appendJoinFile(const QString& path) {
  const std::uint64_t id = presenter_.joinList().append(path.toStdString());
  probes_.start([this, id, file = path.toStdString()] {
    const JoinPart part = ProbeJoinPart(file);
    QMetaObject::invokeMethod(this, [this, id, part] {
      presenter_.joinList().probed(id, part);
      showJoinList();
    }, Qt::QueuedConnection);
  });
  showJoinList();
}

// The lines as the list holds them; a part whose packet size differs from
// the first part's is red.
void MainWindow::showJoinList() {
  const JoinList& parts = presenter_.joinList();
  const int current = joinList_->currentRow();
  joinList_->clear();
  for (std::size_t i = 0; i < parts.size(); ++i) {
    auto* item = new QListWidgetItem(QString::fromStdString(parts.line(i, language())), joinList_);
    item->setForeground(parts.differs(i) ? QColor(200, 0, 0) : QColor(Qt::black));
  }
  joinList_->setCurrentRow(std::min(current, joinList_->count() - 1));
}

void MainWindow::moveJoinLine(int from, int to) {
  if (from < 0 || to < 0 || !presenter_.joinList().move(static_cast<std::size_t>(from), static_cast<std::size_t>(to))) return;
  showJoinList();
  joinList_->setCurrentRow(to);
}

void MainWindow::onJoinAdd() {
  if (addDir_.isEmpty()) addDir_ = chooserFolder();
  const QStringList filters{"*.asf *.wmv *.wma (*.asf *.wmv *.wma)", text(Message(MessageId::AllFilesFilter))};
  QString chosen = filters.value(addFilter_);
  const QStringList files = QFileDialog::getOpenFileNames(this, QString(), addDir_, filters.join(";;"), &chosen);
  if (files.isEmpty()) return;
  for (const QString& f : files) appendJoinFile(f);
  addDir_ = QFileInfo(files.first()).path();
  chooseDir_ = addDir_;
  addFilter_ = std::max<int>(0, static_cast<int>(filters.indexOf(chosen)));
}

void MainWindow::onJoinDelete() {
  std::vector<std::size_t> rows;
  for (int i = 0; i < joinList_->count(); ++i)
    if (joinList_->item(i)->isSelected()) rows.push_back(static_cast<std::size_t>(i));
  presenter_.joinList().remove(rows);
  showJoinList();
}

void MainWindow::showAbout() {
  dialog_->inform(QString("<b>Corvel %1</b><br>%2<br>%3: MIT<br><a href=\"%4\">README</a>")
                      .arg(CORVEL_VERSION,
                           text(Message(MessageId::AboutSummary)), text(Message(MessageId::Licence)), QUrl::fromLocalFile(CORVEL_README).toString()),
                  this);
}

}  // namespace corvel::app
