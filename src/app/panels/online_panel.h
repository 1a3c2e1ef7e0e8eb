// SPDX-License-Identifier: Apache-2.0
// The ONLINE group's buttons: logging the typed characters to the protocol file, and the
// choice of that file.
#pragma once

#include "app/window_context.h"
#include "codes/online_typing.h"

namespace tagline::app {

// The pictures of the logging button (control 1124), as the window's resources number
// them: 145 while logging, 144 while not (also from start-up).
inline constexpr int kLoggingBitmapOn = 145;
inline constexpr int kLoggingBitmapOff = 144;

// The logging button: logging on or off; the file's button is usable only while it is off.
void ToggleProtocol(WindowContext& window, codes::OnlineTyping& typing);
// The file's button ("..."): a file dialog for the protocol file.
void ChooseProtocolFile(WindowContext& window);

}  // namespace tagline::app
