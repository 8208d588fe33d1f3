#include "viewers/dump_window.hpp"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include "analysis/dump_text.hpp"

namespace corvel::viewers {

DumpWindow::DumpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("FormDU");
  setWindowTitle("dump");
  resize(641, 396);
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  r16_ = new QRadioButton("16", this);
  r16_->setObjectName("Radio16");
  r16_->setChecked(true);
  r24_ = new QRadioButton("24", this);
  r24_->setObjectName("Radio24");
  r32_ = new QRadioButton("32", this);
  r32_->setObjectName("Radio32");
  for (QRadioButton* r : {r16_, r24_, r32_}) {
    row->addWidget(r);
    connect(r, &QRadioButton::clicked, this, &DumpWindow::redraw);
  }
  row->addStretch();
  layout->addLayout(row);
  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName("MemoH");
  memo_->setReadOnly(true);
  memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  memo_->setContextMenuPolicy(Qt::NoContextMenu);
  layout->addWidget(memo_, 1);
}

int DumpWindow::perLine() const { return r32_->isChecked() ? 32 : r24_->isChecked() ? 24 : 16; }

void DumpWindow::showBytes(Bytes bytes, std::uint64_t base) {
  bytes_ = std::move(bytes);
  base_ = base;
  redraw();
}

void DumpWindow::redraw() { memo_->setPlainText(QString::fromStdString(DumpText(bytes_, base_, perLine(), cyrillic_))); }

QString DumpWindow::text() const { return memo_->toPlainText(); }

// Copies the selection as text, or as the hex bytes of the lines it touches.
void DumpWindow::contextMenuEvent(QContextMenuEvent* e) {
  QMenu menu(this);
  QAction* asText = menu.addAction("copy");
  QAction* asHex = menu.addAction("copy hex");
  QAction* chosen = menu.exec(e->globalPos());
  const QTextCursor c = memo_->textCursor();
  if (chosen == asText) {
    QApplication::clipboard()->setText(c.selectedText().replace(QChar(0x2029), '\n'));
  } else if (chosen == asHex) {
    const int n = perLine();
    const int first = memo_->document()->findBlock(c.selectionStart()).blockNumber();
    const int last = memo_->document()->findBlock(c.selectionEnd()).blockNumber();
    QString hex;
    for (int line = first; line <= last; ++line)
      for (int i = 0; i < n; ++i) {
        const std::size_t at = static_cast<std::size_t>(line) * static_cast<std::size_t>(n) + static_cast<std::size_t>(i);
        if (at < bytes_.size()) hex += QString::fromStdString(HexDigits(bytes_[at], 2)) + ' ';
      }
    QApplication::clipboard()->setText(hex.trimmed());
  }
}

}  // namespace corvel::viewers
