// SPDX-License-Identifier: Apache-2.0
// The window in German and French: every listed text has its translations, and no caption,
// menu, group title or dialog text of the main window, Settings or the factory dialogs is
// left in English. Texts from the reader, the user and files are not translated.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <functional>
#include <memory>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "app/settings_dialog.h"
#include "app/settings_file.h"
#include "reader/factory_plan.h"
#include "sim/simulated_reader.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"
#include "ui/settings_window.h"
#include "ui/shown_texts.h"
#include "ui/translation.h"

namespace tagline::ui {

namespace ctl = app::ctl;
namespace menu = app::menu;

namespace {

// The texts a language shows for the listed ones (an identical one counts: "Test", "OK").
QSet<QString> TranslatedTexts(const QString& language) {
  QTranslator catalogue;
  QSet<QString> texts;
  if (!catalogue.load(QStringLiteral(":/i18n/tagline_%1.qm").arg(language))) return texts;
  for (const char* text : ShownTexts()) {
    const QString translation = catalogue.translate(kTextContext, text);
    texts.insert(translation.isEmpty() ? QString::fromUtf8(text) : translation);
  }
  return texts;
}

// Texts that are no words of the program: numbers, paths, a row's command ("s22400").
bool IsData(const QString& text) {
  static const QRegularExpression command(QStringLiteral("^[A-Za-z]?[0-9A-Fa-f]{2,}$"));
  return !text.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))) ||
         text.startsWith(QLatin1Char('/')) || command.match(text).hasMatch();
}

void AddMenuTexts(const QMenu* menu, QStringList& texts) {
  texts << menu->title();
  for (const QAction* action : menu->actions()) {
    if (!action->isSeparator()) texts << action->text();
  }
}

// The captions a user reads in `root`: labels, buttons, group titles, the window's title,
// and the lists' entries where `withLists`. `skip` are widgets that show data.
QStringList Captions(QWidget* root, const QSet<const QWidget*>& skip, bool withLists) {
  QStringList texts{root->windowTitle()};
  for (const QWidget* widget : root->findChildren<QWidget*>()) {
    if (skip.contains(widget) || !widget->isVisibleTo(root)) continue;
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
      texts << label->text();
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
      texts << button->text();
    } else if (const auto* box = qobject_cast<const QGroupBox*>(widget)) {
      texts << box->title();
    } else if (const auto* combo = qobject_cast<const QComboBox*>(widget); combo && withLists) {
      for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    }
  }
  return texts;
}

}  // namespace

class TranslationTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void everyListedTextHasItsTranslations();
  void linesAndPartsAreTranslatedApart();
  void germanWindowLeavesNoCaptionInEnglish();
  void frenchWindowLeavesNoCaptionInEnglish();
  void languageChosenInSettingsShowsAtOnce();

 private:
  void Start();
  // Every caption of the main window in each group, Settings and the factory dialogs that
  // is neither data nor one of the texts of `language`.
  QStringList EnglishCaptions(const QString& language);
  // Runs `open`, which shows a modal dialog, and collects that dialog's captions.
  QStringList ModalCaptions(const std::function<void()>& open);

  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<sim::SimulatedReader> reader_;
  std::unique_ptr<QtHost> host_;
  std::unique_ptr<app::MainDialog> dialog_;
  std::unique_ptr<MainWindow> window_;
};

void TranslationTest::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  QVERIFY(dir_->isValid());
}

void TranslationTest::cleanup() {
  window_.reset();
  if (host_) host_->Attach(nullptr, nullptr);
  dialog_.reset();
  host_.reset();
  reader_.reset();
  dir_.reset();
  QVERIFY(InstallTranslations(QStringLiteral("en")));
}

void TranslationTest::Start() {
  std::string error;
  reader_ = sim::SimulatedReader::Start({}, error);
  QVERIFY2(reader_ != nullptr, error.c_str());
  app::MainDialogOptions options;
  options.iniPath = dir_->filePath(QStringLiteral("Tagline_Console.ini")).toStdString();
  options.portOverride = reader_->DevicePath();
  host_ = std::make_unique<QtHost>();
  dialog_ = std::make_unique<app::MainDialog>(*host_, options);
  window_ = std::make_unique<MainWindow>(*dialog_);
  host_->Attach(dialog_.get(), window_.get());
  dialog_->OnInitDialog();
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

QStringList TranslationTest::ModalCaptions(const std::function<void()>& open) {
  // Any dialog that opens meanwhile (the group switches' notices too) is read and closed.
  QStringList texts;
  QTimer closer;
  connect(&closer, &QTimer::timeout, this, [&texts] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    texts << Captions(modal, {}, true);
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
  });
  closer.start(50);
  open();
  return texts;
}

QStringList TranslationTest::EnglishCaptions(const QString& language) {
  QStringList texts;
  for (const QAction* action : window_->menuBar()->actions()) {
    if (action->menu() != nullptr) AddMenuTexts(action->menu(), texts);
  }
  // Results, fields and the parameter lists show what the reader and the user gave.
  QSet<const QWidget*> data;
  for (const int id : dialog_->controls().ids()) {
    const app::ControlKind kind = dialog_->controls().at(id).kind;
    if (kind == app::ControlKind::Result || kind == app::ControlKind::Edit ||
        kind == app::ControlKind::Pane) {
      data.insert(window_->ControlWidget(id));
    }
  }
  for (const int group : {menu::kDb, menu::kConfig, menu::kOnline}) {
    texts << ModalCaptions([&] {
      window_->MenuAction(group)->trigger();
      QTest::qWait(100);
    });
    texts << Captions(window_.get(), data, false);
  }

  app::SettingsDialog settings([] { return std::string("/dev/ttyUSB0;"); });
  settings.OnInitDialog();
  {
    SettingsWindow shown(settings);
    shown.show();
    texts << Captions(&shown, {}, true);
  }
  for (const auto factoryDialog :
       {reader::FactoryDialog::Language, reader::FactoryDialog::InterfacePair,
        reader::FactoryDialog::DeleteAttributes, reader::FactoryDialog::InterfaceFour,
        reader::FactoryDialog::Antenna, reader::FactoryDialog::SerialNumber}) {
    const auto info = reader::DescribeFactoryDialog(factoryDialog);
    app::ChoiceRequest request;
    request.caption = std::string(info->title);
    request.prompt = request.caption;
    for (const auto& button : info->buttons) request.options.emplace_back(button.caption);
    const QStringList shown = ModalCaptions([&] { host_->ChoiceDialog(request); });
    if (shown.isEmpty()) return {QStringLiteral("(no dialog for %1)").arg(request.caption.c_str())};
    texts << shown;
  }
  const QStringList message = ModalCaptions([this] {
    host_->MessageBox("no access on DB\r\n/tmp/db_write.xml\r\nNothing was written.", {},
                      app::mb::kOkCancel);
  });
  if (message.isEmpty()) return {QStringLiteral("(no message box)")};
  texts << message;

  const QSet<QString> translated = TranslatedTexts(language);
  QStringList english;
  for (const QString& text : texts) {
    // A message's lines each stand for themselves.
    bool shown = true;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
      const QString part = line.trimmed();
      shown = shown && (part.isEmpty() || IsData(part) || translated.contains(part) ||
                        translated.contains(line));
    }
    if (!shown && !english.contains(text)) english << text;
  }
  return english;
}

void TranslationTest::everyListedTextHasItsTranslations() {
  QVERIFY(ShownTexts().size() > 100);
  for (const char* language : kLanguages) {
    QTranslator catalogue;
    QVERIFY2(catalogue.load(QStringLiteral(":/i18n/tagline_%1.qm").arg(language)), language);
    for (const char* text : ShownTexts()) {
      const QString source = QString::fromUtf8(text);
      const QString translation = catalogue.translate(kTextContext, text);
      QVERIFY2(!translation.isEmpty(), qPrintable(QStringLiteral("%1: %2").arg(language, source)));
      // A part the text is given, and a menu's mnemonic, survive the translation.
      QCOMPARE(translation.contains(QLatin1String("%1")), source.contains(QLatin1String("%1")));
      QCOMPARE(translation.count(QLatin1Char('&')), source.count(QLatin1Char('&')));
    }
  }
}

void TranslationTest::linesAndPartsAreTranslatedApart() {
  // English: every text as it is.
  const std::string refusal = "no access on DB\r\n/home/t/db_write.xml\r\nNothing was written.";
  QCOMPARE(Shown(refusal), QString::fromLatin1(refusal.c_str()));
  QVERIFY(InstallTranslations(QStringLiteral("de")));
  QCOMPARE(InstalledLanguage(), QStringLiteral("de"));
  QCOMPARE(Shown("Read"), QStringLiteral("Lesen"));
  // Each line that is one of the program's; the path between them stays as it is.
  QCOMPARE(Shown(refusal), QStringLiteral("kein Zugriff auf die DB\r\n/home/t/db_write.xml\r\n"
                                          "Es wurde nichts geschrieben."));
  // A text with a part of its own: the part goes into the translation.
  QCOMPARE(Shown("The settings could not be saved to /home/t/Tagline_Console.ini"),
           QStringLiteral("Die Einstellungen konnten nicht in /home/t/Tagline_Console.ini "
                          "gespeichert werden"));
  // The reader's texts and Windows-1252 bytes pass unchanged.
  QCOMPARE(Shown("KTR H9 V4.30054"), QStringLiteral("KTR H9 V4.30054"));
  QCOMPARE(Shown("Gr\xFC\xDF"
                 "e"),
           QString::fromUtf8("Grüße"));
  QCOMPARE(Shown(""), QString());
  QVERIFY(!InstallTranslations(QStringLiteral("xx")));
  QCOMPARE(Shown("Read"), QStringLiteral("Read"));

  QCOMPARE(LanguageOf("Deutsch"), QStringLiteral("de"));
  QCOMPARE(LanguageOf("Fran\xE7"
                      "ais"),
           QStringLiteral("fr"));
  QCOMPARE(LanguageOf("English"), QStringLiteral("en"));
}

void TranslationTest::germanWindowLeavesNoCaptionInEnglish() {
  QVERIFY(InstallTranslations(QStringLiteral("de")));
  Start();
  const QStringList english = EnglishCaptions(QStringLiteral("de"));
  QVERIFY2(english.isEmpty(), qPrintable(english.join(QStringLiteral(" | "))));
  // Spot checks of what the German user sees.
  QCOMPARE(window_->MenuAction(menu::kQuit)->text(), QStringLiteral("&Beenden"));
  QCOMPARE(qobject_cast<QAbstractButton*>(window_->ControlWidget(ctl::kWrite))->text(),
           QStringLiteral("Schreiben"));
  QCOMPARE(window_->ControlWidget(ctl::kNumericValue)->accessibleName(),
           QStringLiteral("Numerischer Parameter: Wert"));
  // The reader's answer stays as it came, even where it reads like one of the program's
  // words; the Test field's answer is the program's.
  dialog_->controls().SetText(ctl::kSvResult, "Read");
  dialog_->controls().SetText(ctl::kTestResult, "occupied");
  QCOMPARE(qobject_cast<QLabel*>(window_->ControlWidget(ctl::kSvResult))->text(),
           QStringLiteral("Read"));
  QCOMPARE(qobject_cast<QLabel*>(window_->ControlWidget(ctl::kTestResult))->text(),
           QStringLiteral("belegt"));
  QVERIFY(!dialog_->ended());
}

void TranslationTest::frenchWindowLeavesNoCaptionInEnglish() {
  Start();
  // The walk sees the captions: in English they are all found.
  const QStringList before = EnglishCaptions(QStringLiteral("fr"));
  for (const char* text : {"&Quit", "Read", " Numeric Parameter", "Parity", "Antenna selection",
                           "Air coil", "no access on DB", "Set reader to Database/PC Mode"}) {
    QVERIFY2(before.contains(QString::fromLatin1(text)) ||
                 before.filter(QString::fromLatin1(text)).size() > 0,
             text);
  }
  QVERIFY(InstallTranslations(QStringLiteral("fr")));
  window_->Retranslate();
  const QStringList english = EnglishCaptions(QStringLiteral("fr"));
  QVERIFY2(english.isEmpty(), qPrintable(english.join(QStringLiteral(" | "))));
  QCOMPARE(window_->MenuAction(menu::kQuit)->text(), QStringLiteral("&Quitter"));
}

void TranslationTest::languageChosenInSettingsShowsAtOnce() {
  QVERIFY(InstallTranslations(QStringLiteral("en")));
  Start();
  QCOMPARE(window_->MenuAction(menu::kQuit)->text(), QStringLiteral("&Quit"));
  // The user picks "Deutsch" and a parity, and presses OK.
  QTimer::singleShot(100, this, [] {
    auto* settings = qobject_cast<SettingsWindow*>(QApplication::activeModalWidget());
    if (settings == nullptr) return;
    auto* language =
        qobject_cast<QComboBox*>(settings->ControlWidget(app::settings_ctl::kLanguage));
    auto* parity = qobject_cast<QComboBox*>(settings->ControlWidget(app::settings_ctl::kParity));
    if (language == nullptr || parity == nullptr) return;
    language->setCurrentIndex(language->findText(QStringLiteral("Deutsch")));
    parity->setCurrentIndex(parity->findText(QStringLiteral("Even")));
    QTest::mouseClick(settings->ControlWidget(app::settings_ctl::kOk), Qt::LeftButton);
  });
  // The port the list offers may not open here: its notice is not what this test is about.
  host_->SetMessageBoxHook(
      [](const std::string&, const std::string&, unsigned) { return app::id::kOk; });
  dialog_->OnCommand(menu::kPort);
  QCOMPARE(InstalledLanguage(), QStringLiteral("de"));
  QCOMPARE(window_->MenuAction(menu::kQuit)->text(), QStringLiteral("&Beenden"));
  QCOMPARE(window_->windowTitle(), QStringLiteral("Tagline Console"));
  QCOMPARE(qobject_cast<QAbstractButton*>(window_->ControlWidget(ctl::kSend))->text(),
           QStringLiteral("Senden"));
  // The file keeps the program's own words, whatever the window shows.
  dialog_->OnClose();
  const app::AppSettings saved =
      app::LoadSettings(dir_->filePath(QStringLiteral("Tagline_Console.ini")).toStdString());
  QCOMPARE(QString::fromStdString(saved.language), QStringLiteral("Deutsch"));
  QCOMPARE(app::ParityText(saved.parity), std::string("Even"));

  // In German, the translated parity ("Gerade") still goes back as "Even".
  app::SettingsDialog settings([] { return std::string("/dev/ttyUSB0;"); });
  settings.parity = "Odd";
  settings.OnInitDialog();
  SettingsWindow shown(settings);
  auto* parity = qobject_cast<QComboBox*>(shown.ControlWidget(app::settings_ctl::kParity));
  QCOMPARE(parity->currentText(), QStringLiteral("Ungerade"));
  parity->setCurrentIndex(parity->findText(QStringLiteral("Gerade")));
  QTest::mouseClick(shown.ControlWidget(app::settings_ctl::kOk), Qt::LeftButton);
  QVERIFY(settings.ended());
  QCOMPARE(settings.parity, std::string("Even"));
}

}  // namespace tagline::ui

QTEST_MAIN(tagline::ui::TranslationTest)
#include "translation_test.moc"
