// SPDX-License-Identifier: Apache-2.0
#include "ui/screenshot_tour.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <iostream>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "reader/factory_plan.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"

namespace tagline::ui {

namespace {

// Time for replies, repaints and the window's new size between the steps.
constexpr int kStepMs = 900;

int DefaultAnswer(unsigned type) {
  switch (type & app::mb::kButtonMask) {
    case app::mb::kYesNo:
    case app::mb::kYesNoCancel:
      return app::id::kYes;
    default:
      return app::id::kOk;
  }
}

}  // namespace

ScreenshotTour::ScreenshotTour(app::MainDialog& dialog, MainWindow& window, QtHost& host,
                               QString directory)
    : dialog_(dialog), host_(host), window_(window), directory_(std::move(directory)) {
  host.SetMessageBoxHook([](const std::string& text, const std::string&, unsigned type) {
    std::cerr << "message: " << text << '\n';
    return DefaultAnswer(type);
  });
  namespace ctl = app::ctl;
  namespace menu = app::menu;
  steps_ = {
      [this] {
        // Something in the panes: the reader's version through the terminal.
        dialog_.terminal().panes.sendText = "SV";
        dialog_.UpdateData(false);
        dialog_.OnCommand(ctl::kSend);
      },
      [this] { Save(QStringLiteral("terminal.png")); },
      [this] { dialog_.OnCommand(menu::kDb); },
      [this] { Save(QStringLiteral("db.png")); },
      [this] {
        dialog_.OnCommand(menu::kConfig);
        dialog_.OnCommand(ctl::kSv);
      },
      [this] { Save(QStringLiteral("config.png")); },
      [this] { dialog_.OnCommand(menu::kOnline); },
      [this] { Save(QStringLiteral("online.png")); },
      [this] {
        SaveModal(QStringLiteral("settings.png"), [this] { dialog_.OnCommand(menu::kPort); });
      },
      [this] {
        SaveModal(QStringLiteral("about.png"), [this] { dialog_.OnCommand(menu::kInfo); });
      },
  };
  // The factory-default job's choice dialogs, as the job shows them.
  for (const auto factoryDialog :
       {reader::FactoryDialog::Language, reader::FactoryDialog::InterfacePair,
        reader::FactoryDialog::DeleteAttributes, reader::FactoryDialog::InterfaceFour,
        reader::FactoryDialog::Antenna, reader::FactoryDialog::SerialNumber}) {
    steps_.push_back([this, factoryDialog] {
      const QString name = QStringLiteral("factory-%1.png").arg(static_cast<int>(factoryDialog));
      SaveModal(name, [this, factoryDialog] {
        const auto info = reader::DescribeFactoryDialog(factoryDialog);
        app::ChoiceRequest request;
        request.caption = std::string(info->title);
        request.prompt = request.caption;
        for (const auto& button : info->buttons) request.options.emplace_back(button.caption);
        std::string text = "12345";
        if (info->editId != 0) {
          request.text = &text;
          request.acceptText = [](const std::string& t) {
            return reader::SerialNumberAcceptable(t);
          };
        }
        host_.ChoiceDialog(request);
      });
    });
  }
  steps_.push_back([this] { dialog_.OnClose(); });
}

void ScreenshotTour::Start() {
  QDir().mkpath(directory_);
  QTimer::singleShot(kStepMs, this, &ScreenshotTour::Step);
}

void ScreenshotTour::Step() {
  if (next_ >= steps_.size()) return;
  steps_[next_++]();
  if (next_ < steps_.size()) QTimer::singleShot(kStepMs, this, &ScreenshotTour::Step);
}

void ScreenshotTour::Save(const QString& name) {
  SaveWidget(window_, name);
}

void ScreenshotTour::SaveModal(const QString& name, const std::function<void()>& open) {
  // The dialog runs its own loop inside `open`; the picture is taken from within it.
  QTimer::singleShot(kStepMs, this, [this, name] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
      std::cerr << "no dialog for " << name.toStdString() << '\n';
      ok_ = false;
      return;
    }
    SaveWidget(*modal, name);
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
  });
  open();
}

void ScreenshotTour::SaveWidget(QWidget& widget, const QString& name) {
  const QString path = QDir(directory_).filePath(name);
  if (widget.grab().save(path)) {
    // Whether the window fits its screen: at a large scale factor it must still.
    const QRect frame = widget.frameGeometry();
    const QScreen* screen = widget.screen();
    // Its size, that is: where it goes is the window manager's business.
    const bool fits = screen == nullptr || (frame.width() <= screen->availableGeometry().width() &&
                                            frame.height() <= screen->availableGeometry().height());
    std::cerr << "saved " << path.toStdString() << " (" << frame.width() << "x" << frame.height()
              << (fits ? ", fits the screen)" : ", larger than the screen)") << '\n';
  } else {
    std::cerr << "could not save " << path.toStdString() << '\n';
    ok_ = false;
  }
}

}  // namespace tagline::ui
