#include "app/confirm_dialog.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvel::app {

ConfirmDialog::ConfirmDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("FormYesNo");
  setModal(true);
  setMinimumSize(380, 88);
  label_ = new QLabel(this);
  label_->setObjectName("LabelTXT");
  label_->setWordWrap(true);
  label_->setAlignment(Qt::AlignCenter);
  yes_ = new QPushButton(this);
  yes_->setObjectName("BitBtnDa");
  yes_->setFixedSize(97, 25);
  no_ = new QPushButton(this);
  no_->setObjectName("BitBtnNet");
  no_->setFixedSize(97, 25);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(yes_);
  buttons->addSpacing(8);
  buttons->addWidget(no_);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 8);
  layout->addWidget(label_, 1);
  layout->addLayout(buttons);
  connect(yes_, &QPushButton::clicked, this, [this] { done(1); });
  connect(no_, &QPushButton::clicked, this, [this] { done(0); });
}

int ConfirmDialog::run(const QString& text, QWidget* owner, bool yesFocused) {
  lastQuestion_ = text;
  if (scripted_ >= 0) return scripted_;
  label_->setText(text);
  adjustSize();
  if (owner) {
    const QRect o = owner->frameGeometry();
    move(o.left() + (o.width() - width()) / 2, o.top() + (o.height() - height()) / 2);
  }
  no_->setVisible(!inform_);
  label_->setTextFormat(inform_ ? Qt::RichText : Qt::PlainText);
  label_->setOpenExternalLinks(inform_);
  (yesFocused ? yes_ : no_)->setFocus();
  (yesFocused ? yes_ : no_)->setDefault(true);
  // Any close other than the two buttons answers no.
  return exec() == 1 ? 1 : 0;
}

void ConfirmDialog::inform(const QString& richText, QWidget* owner) {
  yes_->setText("OK");
  inform_ = true;
  run(richText, owner, true);
  inform_ = false;
}

int ConfirmDialog::askYesNo(const QString& text, QWidget* owner) {
  const bool en = lang_ == 'e';
  yes_->setText(en ? "yes" : QString::fromUtf8("да"));
  no_->setText(en ? "no" : QString::fromUtf8("нет"));
  const QString question = text.isEmpty() ? (en ? QString("Do you really want\nto delete this record?")
                                                 : QString::fromUtf8("Вы действительно хотите\nудалить текущую запись?"))
                                          : text;
  return run(question, owner, false);
}

int ConfirmDialog::askChoice(const QString& text, const QString& yes, const QString& no, QWidget* owner, char defaultKey) {
  yes_->setText(yes);
  no_->setText(no);
  return run(text, owner, defaultKey == 'y');
}

int ConfirmDialog::askQuit(QWidget* owner, const QString& first) {
  const bool ru = lang_ == 'r';
  yes_->setText(ru ? QString::fromUtf8("да") : "yes");
  no_->setText(ru ? QString::fromUtf8("нет") : "no");
  const QString question = ru ? QString::fromUtf8("Уже уходите?") : QString("Do you really want to quit?");
  return run(first.isEmpty() ? question : first + "\n" + question, owner, false);
}

}  // namespace corvel::app
