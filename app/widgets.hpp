// Small helpers the window's building shares: Russian texts written as
// UTF-8, named widgets, and the action images (an icon with a caption).
#pragma once

#include <QString>
#include <QStyle>
#include <QToolButton>

namespace corvel::app {

template <typename W>
W* Named(W* w, const char* name) {
  w->setObjectName(name);
  return w;
}

QToolButton* ActionImage(const char* name, const char* icon, QStyle::StandardPixmap fallback, const QString& hint,
                         QWidget* parent);

}  // namespace corvel::app
