// SPDX-License-Identifier: Apache-2.0
#include "ui/qt_host.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "app/main_dialog.h"
#include "app/settings_dialog.h"
#include "ui/about_box.h"
#include "ui/main_window.h"
#include "ui/port_info_window.h"
#include "ui/settings_window.h"
#include "ui/system_menu.h"
#include "ui/translation.h"
#include "ui/win1252.h"

namespace tagline::ui {

namespace {

namespace mb = app::mb;
namespace id = app::id;

// Windows never runs a window timer faster than this; a period of 0 must not spin.
constexpr std::uint32_t kMinimumTimerMs = 10;

QMessageBox::Icon IconFor(unsigned type) {
  switch (type & mb::kIconMask) {
    case mb::kIconHand:
      return QMessageBox::Critical;
    case mb::kIconQuestion:
      return QMessageBox::Question;
    case mb::kIconExclamation:
      return QMessageBox::Warning;
    case mb::kIconAsterisk:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

QMessageBox::StandardButtons ButtonsFor(unsigned type) {
  switch (type & mb::kButtonMask) {
    case mb::kOkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case mb::kYesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case mb::kYesNo:
      return QMessageBox::Yes | QMessageBox::No;
    default:
      return QMessageBox::Ok;
  }
}

int AnswerFor(QMessageBox::StandardButton button, QMessageBox::StandardButtons offered) {
  switch (button) {
    case QMessageBox::Ok:
      return id::kOk;
    case QMessageBox::Cancel:
      return id::kCancel;
    case QMessageBox::Yes:
      return id::kYes;
    case QMessageBox::No:
      return id::kNo;
    default:
      // Closed without a button: what Esc would have chosen.
      if (offered & QMessageBox::Cancel) return id::kCancel;
      if (offered & QMessageBox::No) return id::kNo;
      return id::kOk;
  }
}

// "Label (*.a *.b)": Qt separates the patterns of one filter with blanks.
QStringList NameFilters(const app::FileDialogRequest& request) {
  QStringList filters;
  for (const auto& [label, pattern] : request.filters) {
    QString patterns = FromWin1252(pattern);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << Shown(label) + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return filters;
}

// A text whose lines hold tab-separated columns (a job's summary) as a table, so that the
// columns line up in any font; empty cells of a double tab are left out.
QString TableOf(const QString& text) {
  QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\">");
  for (QString line : text.split(QLatin1Char('\n'))) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    html += QStringLiteral("<tr>");
    for (const QString& cell : line.split(QLatin1Char('\t'), Qt::SkipEmptyParts)) {
      html += QStringLiteral("<td style=\"padding-right:12px\">") + cell.toHtmlEscaped() +
              QStringLiteral("</td>");
    }
    html += QStringLiteral("</tr>");
  }
  return html + QStringLiteral("</table>");
}

}  // namespace

QtHost::QtHost() = default;

QtHost::~QtHost() {
  for (auto& [timerId, timer] : timers_) timer->stop();
  // No virtual dispatch in a destructor: say which one runs.
  while (waitCursor_ > 0) QtHost::EndWaitCursor();
}

void QtHost::Attach(app::MainDialog* dialog, MainWindow* window) {
  systemMenu_.reset();
  dialog_ = dialog;
  window_ = window;
  if (dialog != nullptr && window != nullptr) {
    systemMenu_ = InstallSystemMenuEntry(
        window, [this](int id) { return dialog_ != nullptr && dialog_->OnSysCommand(id); });
  }
}

QWidget* QtHost::DialogParent() const {
  return window_.data();
}

int QtHost::MessageBox(const std::string& text, const std::string& caption, unsigned type) {
  if (messageBoxHook_) return messageBoxHook_(text, caption, type);
  const QMessageBox::StandardButtons buttons = ButtonsFor(type);
  const QString title = Shown(caption.empty() ? "Tagline Console" : caption);
  const QString shown = Shown(text);
  QMessageBox box(IconFor(type), title, shown, buttons, DialogParent());
  if (shown.contains(QLatin1Char('\t'))) {
    box.setTextFormat(Qt::RichText);
    box.setText(TableOf(shown));
  } else {
    box.setTextFormat(Qt::PlainText);
  }
  // Wide enough for its title, which a window manager would otherwise cut.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int width = box.fontMetrics().horizontalAdvance(title) + 160;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  // The first button is the default one, as with Win32 message boxes.
  box.setDefaultButton((buttons & QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok);
  box.exec();
  return AnswerFor(box.standardButton(box.clickedButton()), buttons);
}

std::optional<std::string> QtHost::FileDialog(const app::FileDialogRequest& request, bool save) {
  QFileDialog dialog(DialogParent(), Shown(request.title));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const QStringList filters = NameFilters(request);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!request.defaultExtension.empty()) {
    dialog.setDefaultSuffix(FromWin1252(request.defaultExtension));
  }
  if (!request.initialPath.empty()) dialog.selectFile(FromWin1252(request.initialPath));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return ToWin1252(dialog.selectedFiles().constFirst());
}

std::optional<std::string> QtHost::SaveFileDialog(const app::FileDialogRequest& request) {
  return FileDialog(request, true);
}

std::optional<std::string> QtHost::OpenFileDialog(const app::FileDialogRequest& request) {
  return FileDialog(request, false);
}

std::optional<int> QtHost::ChoiceDialog(const app::ChoiceRequest& request) {
  // One button per option, as the program's own choice dialogs have them; Esc or the close
  // box leave without a choice.
  QDialog dialog(DialogParent());
  dialog.setWindowTitle(Shown(request.caption));
  dialog.setMinimumWidth(360);
  auto* layout = new QVBoxLayout(&dialog);
  if (!request.prompt.empty()) {
    auto* prompt = new QLabel(Shown(request.prompt), &dialog);
    prompt->setTextFormat(Qt::PlainText);
    prompt->setWordWrap(true);
    layout->addWidget(prompt);
  }
  QLineEdit* edit = nullptr;
  if (request.text != nullptr) {
    edit = new QLineEdit(FromWin1252(*request.text), &dialog);
    layout->addWidget(edit);
  }
  auto* row = new QHBoxLayout();
  layout->addLayout(row);
  std::optional<int> chosen;
  std::vector<QPushButton*> buttons;
  for (std::size_t i = 0; i < request.options.size(); ++i) {
    auto* button = new QPushButton(Shown(request.options[i]), &dialog);
    button->setAutoDefault(false);
    row->addWidget(button);
    buttons.push_back(button);
    QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, &chosen, i] {
      chosen = static_cast<int>(i);
      dialog.accept();
    });
  }
  // Enter in the field takes the first answer (YES to the serial number typed), where it
  // may be taken.
  if (edit != nullptr && !buttons.empty()) {
    QObject::connect(edit, &QLineEdit::returnPressed, &dialog, [first = buttons.front()] {
      if (first->isEnabled()) first->click();
    });
  }
  if (edit != nullptr && request.acceptText && !buttons.empty()) {
    const auto update = [edit, &request, first = buttons.front()] {
      first->setEnabled(request.acceptText(ToWin1252(edit->text())));
    };
    QObject::connect(edit, &QLineEdit::textChanged, &dialog, update);
    update();
  }
  if (request.initial >= 0 && static_cast<std::size_t>(request.initial) < buttons.size()) {
    buttons[static_cast<std::size_t>(request.initial)]->setFocus();
  }
  dialog.exec();
  if (edit != nullptr && request.text != nullptr) *request.text = ToWin1252(edit->text());
  return chosen;
}

int QtHost::RunSettingsDialog(app::SettingsDialog& dialog) {
  dialog.OnInitDialog();
  SettingsWindow window(dialog, DialogParent());
  window.exec();
  if (dialog.ended() && dialog.result() == id::kOk) {
    // Another language shows at once ("(system)" is no language: the system's).
    const QString language = LanguageOf(dialog.language);
    if (language != InstalledLanguage() && InstallTranslations(language) && window_) {
      window_->Retranslate();
    }
  }
  // Closed from outside (the program ending under it): as Cancel.
  return dialog.ended() ? dialog.result() : id::kCancel;
}

void QtHost::ShowAboutBox() {
  // Modal in a loop of its own: the window timers, and with them the poll and any running
  // job, go on behind it.
  AboutBox box(DialogParent());
  box.exec();
}

void QtHost::SetTimer(int id, std::uint32_t periodMs) {
  auto& timer = timers_[id];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, [this, id] {
      if (dialog_ != nullptr) dialog_->OnTimer(id);
    });
  }
  timer->start(static_cast<int>(
      std::clamp<std::uint32_t>(periodMs, kMinimumTimerMs, std::numeric_limits<int>::max())));
}

void QtHost::KillTimer(int id) {
  const auto it = timers_.find(id);
  if (it != timers_.end()) it->second->stop();
}

bool QtHost::TimerActive(int id) const {
  const auto it = timers_.find(id);
  return it != timers_.end() && it->second->isActive();
}

void QtHost::DispatchPendingMessages() {
  QCoreApplication::processEvents();
}

void QtHost::BeginWaitCursor() {
  ++waitCursor_;
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtHost::EndWaitCursor() {
  if (waitCursor_ == 0) return;
  --waitCursor_;
  QApplication::restoreOverrideCursor();
}

app::Point QtHost::CursorPosition() {
  const QPoint p = QCursor::pos();
  return {p.x(), p.y()};
}

void QtHost::Beep(std::uint32_t /*frequencyHz*/, std::uint32_t /*durationMs*/) {
  // The desktop's bell has neither pitch nor length.
  QApplication::beep();
}

bool QtHost::ShellOpen(const std::string& target, const std::string& /*verb*/) {
  // The desktop knows one action per file type; the verb has no counterpart.
  return QDesktopServices::openUrl(QUrl::fromLocalFile(FromWin1252(target)));
}

void QtHost::ScrollToEnd(int controlId) {
  if (window_) window_->ScrollToEnd(controlId);
}

void QtHost::SelectAllText(int controlId) {
  if (window_) window_->SelectAllText(controlId);
}

void QtHost::ShowPortInformation(const std::string& text) {
  if (!portInfo_) {
    portInfo_ = new PortInfoWindow(DialogParent());
    portInfo_->setAttribute(Qt::WA_DeleteOnClose);
  }
  portInfo_->SetText(text);
  portInfo_->show();
  portInfo_->raise();
  portInfo_->activateWindow();
}

void QtHost::EndDialog(int result) {
  endResult_ = result;
  if (window_) window_->close();
}

bool QtHost::OwnPopupOpen() const {
  // A modal dialog (message box, file dialog, Settings), or an open menu or list.
  return QApplication::activeModalWidget() != nullptr ||
         QApplication::activePopupWidget() != nullptr;
}

}  // namespace tagline::ui
