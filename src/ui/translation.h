// SPDX-License-Identifier: Apache-2.0
// The program's own texts in the user's language. The controller and the jobs speak
// English in Windows-1252; the window translates what it shows, at the one point where a
// text becomes a QString for a caption, a menu or a message. What the reader sends, what
// the user typed and what files hold never pass through here.
#pragma once

#include <QString>
#include <string_view>

namespace tagline::ui {

// The context of every text in the catalogues.
inline constexpr const char* kTextContext = "tagline";

// The languages the program has catalogues for, besides English.
inline constexpr const char* kLanguages[] = {"de", "fr"};

// The text's translation if the catalogue has the whole text; else each line that the
// catalogue has is translated and the others ("no access on DB" and its path) stay.
QString Shown(std::string_view win1252);

// The language a setting asks for: "en", "de" or "fr" by code or by name ("Deutsch"); an
// empty or unknown setting follows the system's locale.
QString LanguageOf(std::string_view setting);

// Loads the program's catalogue for `language` ("de", "fr") and Qt's own (the standard
// buttons, the file dialog) into the running application. English loads none. False when a
// catalogue the language needs is missing.
bool InstallTranslations(const QString& language);

// The language installed last ("en" before any).
QString InstalledLanguage();

}  // namespace tagline::ui
