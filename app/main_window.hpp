// The main window: four tabs of named controls bound to the presenter's
// state and commands. It builds and shows; what the commands do, and when
// they may, is the presenter's.
#pragma once

#include <QMainWindow>
#include <QThreadPool>
#include <QString>

#include "app/confirm_dialog.hpp"
#include "app/gauge.hpp"
#include "app/models.hpp"
#include "presenter/presenter.hpp"
#include "viewers/dump_window.hpp"
#include "viewers/timeline_window.hpp"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSplitter;
class QTableView;
class QTabWidget;
class QToolButton;
class QTreeView;
class QAction;
class QListWidget;

namespace corvel::app {

class MainWindow : public QMainWindow, private Dispatcher, private Questions, private PresenterView {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  Presenter& presenter() { return presenter_; }
  ConfirmDialog& dialog() { return *dialog_; }
  viewers::TimelineWindow& timeline() { return *timeline_; }
  viewers::DumpWindow& dumpWindow() { return *dump_; }
  // Where the settings file is read from and written to.
  void setSettingsPath(const QString& path) { settingsPath_ = path; }
  QString settingsPath() const { return settingsPath_; }
  bool loadSettings();
  // False, with the reason in `why` when given, when they could not be written.
  bool saveSettings(QString* why = nullptr);
  // The settings text the window would write.
  QString settingsText();
  void applySettingsText(const QString& text);

  // Opens a file (the command line, a drop, the open button).
  void openFile(const QString& path);
  void setLanguage(Language lang);
  Language language() const { return presenter_.language(); }
  // Appends files to the join list (the add dialog, drops from the file manager).
  void appendJoinFile(const QString& path);
  // The join list's move, as a drop makes it.
  void moveJoinLine(int from, int to);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  // Dispatcher, Questions, PresenterView: what the presenter asks of the window.
  void post(std::function<void()> f) override;
  bool ask(MessageId question) override;
  void logged(const Message& line) override;
  void logReplaced() override;
  void statusChanged() override;
  void progressed(const JobProgress& p) override;
  void errorRowsChanged() override;
  void structureChanged() override;
  void stateChanged() override;
  void jobEnded(JobKind kind, Outcome outcome) override;
  void beep() override;

  void buildTop(QWidget* central);
  void buildRepairTab(QWidget* tab);
  void buildAviTab(QWidget* tab);
  void buildJoinTab(QWidget* tab);
  void buildConfigTab(QWidget* tab);
  void wire();
  void bindSettings();
  void applyCaptions();
  QString text(const Message& m) const { return QString::fromStdString(presenter_.text(m)); }
  FormOptions formOptions() const;
  RepairMode repairMode() const;
  void showRepairTab(const RepairTabState& st);
  QString chooserFolder() const;

  void onRepair();
  void onChooseFile();
  void onTimeline();
  void onDumpRow();
  void onDumpNode();
  void onJoinAdd();
  void onJoinDelete();
  void onExport();
  void onTabShown(int index);
  void showDump(const std::optional<DumpBytes>& d);
  void showJoinList();
  void showSettings();
  void showAbout();
  // The window's size and splitter into the settings.
  void keepWindowSize();

  ConfirmDialog* dialog_;
  Presenter presenter_;
  ErrorRowsModel* rowsModel_;
  TreeModel* treeModel_;
  QString settingsPath_;
  bool settingsLoaded_ = false;

  QTabWidget* tabs_;
  QWidget *tabRepair_, *tabAvi_, *tabJoin_, *tabConfig_;
  QLineEdit *inputEdit_, *outputEdit_, *shortestRepeatEdit_, *exportOutputEdit_, *frameCountEdit_, *joinOutputEdit_, *prerollEdit_, *leadEdit_;
  QPushButton *openButton_, *scanButton_, *reconstructButton_, *timelineButton_, *verifyButton_, *exportButton_, *joinButton_;
  QLineEdit* referenceEdit_ = nullptr;
  QToolButton* chooseReferenceButton_ = nullptr;
  QToolButton *chooseFileButton_, *repairButton_, *saveButton_, *joinNameButton_;
  QTreeView* structureTree_;
  QTableView* errorTable_;
  QPlainTextEdit* logView_;
  QLabel *statusLabel_, *progressLabel_, *russianLabel_, *englishLabel_, *exportMessageLabel_, *joinWarningLabel_, *joinMessageLabel_;
  Gauge* repairGauge_;
  QSplitter* splitter_;
  QRadioButton *cutEqualRepeatsRadio_, *cutByStructureRadio_, *cutAndRescanRadio_, *fixSizesRadio_, *minimalHeaderRadio_, *sourceHeaderRadio_, *leadByPrerollRadio_, *leadByValueRadio_;
  QCheckBox *positiveDeltaCheck_, *zerosOnlyCheck_, *noIndexCheck_, *renumberCheck_, *keepIncompleteCheck_, *dropDamagedCheck_;
  QCheckBox *highPriorityCheck_, *newIndexCheck_, *dumpCheck_, *unknownObjectsCheck_, *indexEntriesCheck_, *setPrerollCheck_, *prerollFromFirstCheck_, *approximateSendTimeCheck_, *videoSendTimeCheck_;
  QWidget* leadPanel_;
  QAction *actDumpTree_, *actDumpGrid_, *actSaveErrors_, *actLoadErrors_;
  QListWidget* joinList_ = nullptr;
  Gauge *joinGauge_, *exportGauge_;
  QToolButton* joinStopButton_;
  QRadioButton *aviRadio_, *framesRadio_, *videoAndAudioRadio_, *videoOnlyRadio_, *audioOnlyRadio_;
  QLabel *exportOutputLabel_, *frameCountLabel_;
  QLabel* pendingCutsIcon_ = nullptr;
  QThreadPool probes_;  // reads the join parts' headers
  QString addDir_, chooseDir_;  // of the join's and the input's file choosers
  int addFilter_ = 0, chooseFilter_ = 0;
  int dragSource_ = -1;
  bool wasMinimal_ = false;
  viewers::TimelineWindow* timeline_;
  viewers::DumpWindow* dump_;
};

}  // namespace corvel::app
