// SPDX-License-Identifier: Apache-2.0
#include "ui/about_box.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadialGradient>

namespace tagline::ui {

namespace {

// A transponder card with its antenna coil and chip, and the radio waves of a reader.
void DrawEmblem(QPainter& p, QPointF centre) {
  // Radio waves to both sides of the card.
  for (int i = 0; i < 3; ++i) {
    const qreal radius = 128 + 24 * i;
    QColor wave(143, 227, 255);
    wave.setAlphaF(0.85f - 0.25f * static_cast<float>(i));
    p.setPen(QPen(wave, 7, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    p.drawArc(circle, -32 * 16, 64 * 16);
    p.drawArc(circle, 148 * 16, 64 * 16);
  }

  p.save();
  p.translate(centre);
  p.rotate(-10);
  const QRectF card(-96, -62, 192, 124);
  // Shadow, then the card.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 70));
  p.drawRoundedRect(card.translated(6, 8), 16, 16);
  QLinearGradient face(card.topLeft(), card.bottomRight());
  face.setColorAt(0, QColor(255, 255, 255));
  face.setColorAt(1, QColor(222, 232, 240));
  p.setBrush(face);
  p.drawRoundedRect(card, 16, 16);

  // The antenna coil: windings round the card's edge, ending at the chip.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(196, 128, 52), 3));
  for (int turn = 0; turn < 4; ++turn) {
    const qreal inset = 12 + 8 * turn;
    p.drawRoundedRect(card.adjusted(inset, inset, -inset, -inset), 10, 10);
  }
  // The chip on its pads.
  const QRectF chip(-17, -17, 34, 34);
  p.setPen(QPen(QColor(214, 170, 60), 2));
  p.setBrush(QColor(44, 52, 64));
  p.drawRoundedRect(chip, 4, 4);
  p.setPen(QPen(QColor(214, 170, 60), 2));
  for (int i = -1; i <= 1; ++i) {
    p.drawLine(QPointF(-24, i * 9), QPointF(-17, i * 9));
    p.drawLine(QPointF(17, i * 9), QPointF(24, i * 9));
  }
  p.restore();
}

}  // namespace

QPixmap ProgramPicture() {
  const int size = kProgramPictureSize;
  QPixmap picture(size, size);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  QLinearGradient sky(0, 0, size, size);
  sky.setColorAt(0, QColor(12, 40, 72));
  sky.setColorAt(1, QColor(22, 104, 132));
  p.fillRect(picture.rect(), sky);
  QRadialGradient glow(QPointF(size / 2.0, 190), 200);
  glow.setColorAt(0, QColor(255, 255, 255, 46));
  glow.setColorAt(1, QColor(255, 255, 255, 0));
  p.fillRect(picture.rect(), glow);

  DrawEmblem(p, QPointF(size / 2.0, 188));

  QFont title = p.font();
  title.setPixelSize(40);
  title.setBold(true);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRectF(0, 330, size, 52), Qt::AlignCenter, QStringLiteral("Tagline Console"));

  p.setPen(QPen(QColor(143, 227, 255, 160), 2));
  p.drawLine(QPointF(size / 2.0 - 120, 390), QPointF(size / 2.0 + 120, 390));

  QFont version = p.font();
  version.setPixelSize(18);
  version.setBold(false);
  p.setFont(version);
  p.setPen(QColor(210, 232, 244));
  p.drawText(QRectF(0, 398, size, 30), Qt::AlignCenter, QStringLiteral("Version 6.82"));
  p.end();
  return picture;
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromLatin1(kAboutCaption));
  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("picture"));
  picture->setPixmap(ProgramPicture());
  picture->setGeometry(0, 0, kProgramPictureSize, kProgramPictureSize);
  // The template's OK button is hidden; Enter reaches it all the same (keyPressEvent).
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  ok->hide();
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  setFixedSize(kProgramPictureSize, kProgramPictureSize);
}

void AboutBox::keyPressEvent(QKeyEvent* event) {
  // A hidden default button takes no Enter in Qt; the dialog presses it itself.
  if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      event->accept();
      accept();
      return;
    }
  }
  QDialog::keyPressEvent(event);
}

}  // namespace tagline::ui
