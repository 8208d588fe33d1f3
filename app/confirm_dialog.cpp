#include "app/confirm_dialog.hpp"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <cstring>

namespace corvel::app {

namespace {

constexpr char kPictures[] = "qrby";

// The texture behind the buttons: a fine weave, drawn once.
QPixmap Weave() {
  QPixmap t(8, 8);
  t.fill(QColor(0xD8, 0xD8, 0xD0));
  QPainter p(&t);
  p.setPen(QColor(0xC4, 0xC4, 0xBA));
  p.drawLine(0, 7, 7, 0);
  p.setPen(QColor(0xE8, 0xE8, 0xE0));
  p.drawLine(0, 0, 7, 7);
  return t;
}

}  // namespace

ConfirmDialog::ConfirmDialog(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName("FormYesNo");
  setModal(true);
  setMinimumSize(380, 88);
  texture_ = Weave();
  pictureLabel_ = new QLabel(this);
  pictureLabel_->setObjectName("ImageXX");
  pictureLabel_->installEventFilter(this);
  showPicture();
  label_ = new QLabel(this);
  label_->setObjectName("LabelTXT");
  label_->installEventFilter(this);
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
  layout->setContentsMargins(12, 16, 16, 8);
  layout->addWidget(pictureLabel_, 0, Qt::AlignVCenter);
  layout->addWidget(label_, 1);
  layout->addSpacing(24);
  layout->addLayout(buttons);
  connect(yes_, &QPushButton::clicked, this, [this] { done(1); });
  connect(no_, &QPushButton::clicked, this, [this] { done(0); });
}

void ConfirmDialog::showPicture() {
  const QStyle::StandardPixmap icon = picture_ == 'r'   ? QStyle::SP_MessageBoxCritical
                                      : picture_ == 'b' ? QStyle::SP_MessageBoxInformation
                                      : picture_ == 'y' ? QStyle::SP_MessageBoxWarning
                                                        : QStyle::SP_MessageBoxQuestion;
  pictureLabel_->setPixmap(style()->standardIcon(icon).pixmap(32, 32));
}

void ConfirmDialog::nextPicture() {
  const char* at = std::strchr(kPictures, picture_);
  picture_ = at && at[1] ? at[1] : kPictures[0];
  showPicture();
}

bool ConfirmDialog::eventFilter(QObject* watched, QEvent* e) {
  if (watched == pictureLabel_ && e->type() == QEvent::MouseButtonDblClick) {
    nextPicture();
    return true;
  }
  if (watched == label_ && (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseMove)) {
    auto* m = static_cast<QMouseEvent*>(e);
    (e->type() == QEvent::MouseButtonPress ? mousePressEvent(m) : mouseMoveEvent(m));
    return true;
  }
  return QDialog::eventFilter(watched, e);
}

void ConfirmDialog::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) grab_ = e->globalPosition().toPoint() - frameGeometry().topLeft();
}

void ConfirmDialog::mouseMoveEvent(QMouseEvent* e) {
  if (e->buttons() & Qt::LeftButton) move(e->globalPosition().toPoint() - grab_);
}

// The texture behind the buttons, then the two-pixel bevel: light grey and
// white on the left and top, black and grey on the right and bottom.
void ConfirmDialog::paintEvent(QPaintEvent* e) {
  QDialog::paintEvent(e);
  QPainter p(this);
  const int left = yes_->x() - 16;
  p.drawTiledPixmap(QRect(left, 2, width() - 2 - left, height() - 4), texture_);
  const int r = width() - 1, b = height() - 1;
  const auto line = [&](QColor c, int x1, int y1, int x2, int y2) {
    p.setPen(c);
    p.drawLine(x1, y1, x2, y2);
  };
  line(QColor(0xE0, 0xE0, 0xE0), 0, 0, r, 0);
  line(QColor(0xE0, 0xE0, 0xE0), 0, 0, 0, b);
  line(Qt::black, r, 0, r, b);
  line(Qt::black, 0, b, r, b);
  line(Qt::white, 1, 1, r - 1, 1);
  line(Qt::white, 1, 1, 1, b - 1);
  line(QColor(0x80, 0x80, 0x80), r - 1, 1, r - 1, b - 1);
  line(QColor(0x80, 0x80, 0x80), 1, b - 1, r - 1, b - 1);
}

int ConfirmDialog::run(const QString& text, QWidget* owner, bool yesFocused, bool quit) {
  lastQuestion_ = text;
  // The quit question shows no picture.
  pictureLabel_->setVisible(!quit && !inform_);
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

QString ConfirmDialog::said(MessageId id) const { return QString::fromStdString(TextOf(id, lang_)); }

int ConfirmDialog::askYesNo(const QString& text, QWidget* owner) {
  yes_->setText(said(MessageId::Yes));
  no_->setText(said(MessageId::No));
  const QString question = text.isEmpty() ? said(MessageId::DeleteRecordQuestion) : text;
  return run(question, owner, false);
}

int ConfirmDialog::askChoice(const QString& text, const QString& yes, const QString& no, QWidget* owner, char defaultKey) {
  yes_->setText(yes);
  no_->setText(no);
  return run(text, owner, defaultKey == 'y');
}

int ConfirmDialog::askQuit(QWidget* owner, const QString& first) {
  yes_->setText(said(MessageId::Yes));
  no_->setText(said(MessageId::No));
  const QString question = said(MessageId::QuitQuestion);
  return run(first.isEmpty() ? question : first + "\n" + question, owner, false, true);
}

}  // namespace corvel::app
