// SPDX-License-Identifier: Apache-2.0
#include "ui/port_info_window.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QVBoxLayout>

#include "platform/port_info.h"
#include "ui/translation.h"
#include "ui/win1252.h"

namespace tagline::ui {

namespace {

// The port list hands out the devices' own strings in UTF-8; anything that is not valid
// UTF-8 is shown byte for byte.
QString PortText(const std::string& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  return utf8.hasError() ? FromWin1252(bytes) : text;
}

}  // namespace

PortInfoWindow::PortInfoWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), text_(new QPlainTextEdit(this)) {
  setWindowTitle(Shown("Serial Ports"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

  auto* refresh = new QPushButton(Shown("Refresh"), this);
  connect(refresh, &QPushButton::clicked, this, &PortInfoWindow::Refresh);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(refresh);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_, 1);
  layout->addLayout(buttons);
  resize(640, 420);
}

void PortInfoWindow::keyPressEvent(QKeyEvent* event) {
  // Esc closes it, as it closes the program's dialogs.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void PortInfoWindow::SetText(const std::string& text) {
  text_->setPlainText(PortText(text));
}

QString PortInfoWindow::Text() const {
  return text_->toPlainText();
}

void PortInfoWindow::Refresh() {
  SetText(platform::FormatPortInfo(platform::ListPortInfo()));
}

}  // namespace tagline::ui
