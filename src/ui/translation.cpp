// SPDX-License-Identifier: Apache-2.0
#include "ui/translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTranslator>
#include <memory>
#include <vector>

#include "ui/shown_texts.h"
#include "ui/win1252.h"

namespace tagline::ui {

namespace {

// The catalogues in use; a second install replaces them.
std::vector<std::unique_ptr<QTranslator>>& Installed() {
  static std::vector<std::unique_ptr<QTranslator>> translators;
  return translators;
}

QString& Current() {
  static QString language = QStringLiteral("en");
  return language;
}

// A listed text with "%1" in it, split there once.
struct Pattern {
  const char* listed;
  QString before;
  QString after;
};

const std::vector<Pattern>& Patterns() {
  static const std::vector<Pattern> patterns = [] {
    std::vector<Pattern> found;
    for (const char* listed : ShownTexts()) {
      const QString text = QString::fromUtf8(listed);
      const qsizetype at = text.indexOf(QLatin1String("%1"));
      if (at >= 0) found.push_back({listed, text.left(at), text.mid(at + 2)});
    }
    return found;
  }();
  return patterns;
}

// The catalogue's text for `source`, or a null string when it has none.
QString Lookup(const QString& source) {
  if (source.isEmpty()) return {};
  const QByteArray key = source.toUtf8();
  QString text = QCoreApplication::translate(kTextContext, key.constData());
  if (text != source) return text;
  // A text with a part of its own ("... saved to %1"): the part goes into the translation.
  for (const Pattern& pattern : Patterns()) {
    if (source.size() <= pattern.before.size() + pattern.after.size() ||
        !source.startsWith(pattern.before) || !source.endsWith(pattern.after)) {
      continue;
    }
    const QString translated = QCoreApplication::translate(kTextContext, pattern.listed);
    if (translated == QString::fromUtf8(pattern.listed)) return {};
    return translated.arg(source.mid(pattern.before.size(),
                                     source.size() - pattern.before.size() - pattern.after.size()));
  }
  return {};
}

QString CodeOf(QString name) {
  name = name.trimmed().toLower();
  if (name.startsWith(QLatin1String("de")) || name == QLatin1String("german")) {
    return QStringLiteral("de");
  }
  if (name.startsWith(QLatin1String("fr")) || name == QLatin1String("french")) {
    return QStringLiteral("fr");
  }
  if (name.startsWith(QLatin1String("en")) || name == QLatin1String("english")) {
    return QStringLiteral("en");
  }
  return {};
}

}  // namespace

QString Shown(std::string_view win1252) {
  QString source = FromWin1252(win1252);
  if (Installed().empty()) return source;
  if (QString whole = Lookup(source); !whole.isNull()) return whole;
  if (!source.contains(QLatin1Char('\n'))) return source;
  // Line by line, each line break kept as it was.
  QStringList lines = source.split(QLatin1Char('\n'));
  for (QString& line : lines) {
    const bool cr = line.endsWith(QLatin1Char('\r'));
    const QString translated = Lookup(cr ? line.chopped(1) : line);
    if (!translated.isNull()) line = cr ? translated + QLatin1Char('\r') : translated;
  }
  return lines.join(QLatin1Char('\n'));
}

QString LanguageOf(std::string_view setting) {
  QString chosen = CodeOf(FromWin1252(setting));
  if (!chosen.isEmpty()) return chosen;
  // The system's: LANGUAGE's list first, then LC_ALL, LC_MESSAGES and LANG.
  for (const QString& language : QLocale::system().uiLanguages()) {
    QString code = CodeOf(language);
    if (!code.isEmpty()) return code;
  }
  return QStringLiteral("en");
}

bool InstallTranslations(const QString& language) {
  auto& installed = Installed();
  for (const auto& translator : installed) QCoreApplication::removeTranslator(translator.get());
  installed.clear();
  Current() = QStringLiteral("en");
  if (language == QLatin1String("en")) return true;

  auto own = std::make_unique<QTranslator>();
  if (!own->load(QStringLiteral(":/i18n/tagline_%1.qm").arg(language))) return false;
  QCoreApplication::installTranslator(own.get());
  installed.push_back(std::move(own));
  // Qt's own texts (Yes, No, Cancel, the file dialog), where the system has them.
  auto qt = std::make_unique<QTranslator>();
  if (qt->load(QStringLiteral("qtbase_%1").arg(language),
               QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(qt.get());
    installed.push_back(std::move(qt));
  }
  Current() = language;
  return true;
}

QString InstalledLanguage() {
  return Current();
}

}  // namespace tagline::ui
