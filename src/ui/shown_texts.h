// SPDX-License-Identifier: Apache-2.0
// The program's own texts that the window shows translated: captions, menus, the questions
// of its dialogs and its fixed messages. A text the window shows and the list lacks stays
// English, which the translation test reports. "%1" stands for a part the text is given
// (a path), and is kept in the translation.
#pragma once

#include <span>

namespace tagline::ui {

std::span<const char* const> ShownTexts();

}  // namespace tagline::ui
