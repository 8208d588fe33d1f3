// The one dialog every yes/no question of the window goes through.
#pragma once

#include <QDialog>
#include <QPixmap>

#include "l10n/messages.hpp"

class QLabel;
class QPushButton;

namespace corvel::app {

class ConfirmDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ConfirmDialog(QWidget* parent = nullptr);

  // The language of yes, no and the dialog's own questions.
  void setLanguage(Language lang) { lang_ = lang; }
  Language language() const { return lang_; }
  // Asks `text` (the default question when empty); 1 yes, 0 no or closed.
  int askYesNo(const QString& text, QWidget* owner);
  // As above with the buttons' own captions; `defaultKey` 'y' focuses yes.
  int askChoice(const QString& text, const QString& yes, const QString& no, QWidget* owner, char defaultKey);
  // A note with one "OK" button (rich text: links open in the browser).
  void inform(const QString& richText, QWidget* owner);
  // The quit question ("Do you really want to quit?"), after `first` when given.
  int askQuit(QWidget* owner, const QString& first = {});

  // The picture beside the question: one of "qrby" (question, red, blue,
  // yellow); a double click on it shows the next.
  char pictureKey() const { return picture_; }
  void nextPicture();

  // For tests: the answer a question gets without showing the dialog
  // (-1 shows it).
  void setScriptedAnswer(int answer) { scripted_ = answer; }
  QString lastQuestion() const { return lastQuestion_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  // The window has no caption bar: a press on it (or its text) moves it.
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  int run(const QString& text, QWidget* owner, bool yesFocused, bool quit = false);
  void showPicture();
  QString said(MessageId id) const;
  Language lang_ = Language::rus;
  int scripted_ = -1;
  bool inform_ = false;
  QString lastQuestion_;
  char picture_ = 'q';
  QPoint grab_;  // where the mouse took the window, from its corner
  QPixmap texture_;
  QLabel* pictureLabel_;
  QLabel* label_;
  QPushButton* yes_;
  QPushButton* no_;
};

}  // namespace corvel::app
