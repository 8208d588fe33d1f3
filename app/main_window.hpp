// The main window: four tabs of named controls mapped onto the controller's
// actions and the session's options. No file format logic lives here.
#pragma once

#include <QMainWindow>
#include <QThreadPool>
#include <QString>

#include "app/confirm_dialog.hpp"
#include "presenter/join_list.hpp"
#include "presenter/settings.hpp"
#include "app/controller.hpp"
#include "app/gauge.hpp"
#include "app/models.hpp"
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

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  Controller& controller() { return controller_; }
  ConfirmDialog& dialog() { return *dialog_; }
  // Where the settings file is read from and written to.
  void setSettingsPath(const QString& path) { settingsPath_ = path; }
  QString settingsPath() const { return settingsPath_; }
  bool loadSettings();
  // False, with the reason in `why` when given, when they could not be written.
  bool saveSettings(QString* why = nullptr);
  // The settings text the window would write.
  QString settingsText();
  bool applySettingsText(const QString& text);

  // Opens a file (the command line, a drop, the open button).
  void openFile(const QString& path);
  void setLanguage(Language lang);
  Language language() const { return controller_.session().lang; }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  void buildRepairTab(QWidget* tab);
  void buildAviTab(QWidget* tab);
  void buildJoinTab(QWidget* tab);
  void buildConfigTab(QWidget* tab);
  void wire();
  void applyLanguage();
  void log(const QString& line);
  void setStatus(const QString& text);
  void showProgress(bool on);
  // The session's options from the controls, before a job starts.
  void takeOptions();

  void onScan();
  void onRepair();
  void onSave();
  void onReconstruct();
  void onChooseFile();
  void onSaveErrors();
  void onLoadErrors();
  void onJobEnded(JobKind kind, bool ok);
  void onTimeline();
  void onDumpGrid();
  void onDumpTree();
  void refreshViewers();
  // The join tab.
  void onJoinAdd();
  void onJoinDelete();
  void onJoinClear();
  void onJoinProposeName();
  void onJoin();
  void onJoinStop();

  void showJoinList();
  // The "=> avi" tab.
  void onExport();
  void onExportMode();
  void onTabShown(int index);
  void onJoinOrExportEnded(JobKind kind, bool ok);
  // Sets a box without running its click handler.
  // Shows the settings' state on the settings tab.
  void showSettings();
  // The window's size and splitter into the settings.
  void keepWindowSize();
  // The jobs the scan button stops while they run, and what it shows then.
  static bool stoppable(JobKind kind);
  void jobStarted();
  // True (and the field says so) when the input name field is empty.
  bool askForName();
  // Shows the marker while cuts are pending.
  void showCutsMarker();

  Controller controller_;
  ConfirmDialog* dialog_;
  ErrorGridModel* gridModel_;
  TreeModel* treeModel_;
  Settings settings_;
  QString settingsPath_;
  bool settingsLoaded_ = false;

  QTabWidget* pages_;
  QWidget *tabRepair_, *tabAvi_, *tabJoin_, *tabConfig_;
  QLineEdit *editIN_, *editOUT_, *editMS_, *editAVI_, *edit2FI_, *editSUM_, *editPR_, *editOP2_;
  QPushButton *btnOP_, *btnGO_, *btnRE_, *btnTL_, *btn2AVI_, *btnSUM_;
  QToolButton *imageFI_, *imageHAMMER_, *imageSA_, *imageSUM_;
  QTreeView* tree_;
  QTableView* grid_;
  QPlainTextEdit* memo_;
  QLabel *labelST_, *labelPTR_, *labelRUS_, *labelENG_, *labelREZ_, *labelJINFO_, *labelME_;
  Gauge* gauge_;
  QSplitter* splitter_;
  QRadioButton *radioEQ_, *radioST_, *radioRERE_, *radioISALL_, *radioZM_, *radioZI_, *radioOP1_, *radioOP2_;
  QCheckBox *checkDP_, *checkZR_, *checkNOsio_, *checkPere_, *checkKI_;
  QCheckBox *checkHP_, *checkSION_, *checkDump_, *checkUN_, *checkSIO_, *checkPR_, *checkPR1_, *checkAST_, *checkPTP_;
  QWidget* panelOP_;
  QAction *actDumpTree_, *actDumpGrid_, *actSaveErrors_, *actLoadErrors_;
  QListWidget* joinList_ = nullptr;
  Gauge *gaugeZ_, *gauge2avi_;
  QToolButton* imageZ_;
  QRadioButton *radio2AVI_, *radio2FI_, *radioVA_, *radioVI_, *radioAU_;
  QLabel *labelAVI_, *label2FI_;
  JoinList joinParts_;
  QThreadPool probes_;  // reads the parts' headers
  QString addDir_;
  int addFilter_ = 0;
  QLabel* imageEX_ = nullptr;
  QString chooseDir_;  // of the input file's chooser
  int chooseFilter_ = 0;
  int dragSource_ = -1;
  viewers::TimelineWindow* timeline_;
  viewers::DumpWindow* dump_;

 public:
  viewers::TimelineWindow& timeline() { return *timeline_; }
  viewers::DumpWindow& dumpWindow() { return *dump_; }
  // The join list's move rule, as a drop applies it.
  void moveJoinLine(int from, int to);
  QStringList joinFiles() const;
  // Appends files to the join list (the add dialog, drops from the file manager).
  void appendJoinFile(const QString& path);
};


}  // namespace corvel::app
