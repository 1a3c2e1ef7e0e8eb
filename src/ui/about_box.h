// SPDX-License-Identifier: Apache-2.0
// The program's information window: the program picture under the version caption. Enter
// (its hidden default button) and Esc close it.
#pragma once

#include <QDialog>
#include <QPixmap>

namespace tagline::ui {

inline constexpr const char* kAboutCaption = "Tagline Console   V6.82 - 22.01.2025";
inline constexpr int kProgramPictureSize = 460;

// The program picture, 460 x 460 pixels, drawn by the program itself.
QPixmap ProgramPicture();

class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tagline::ui
