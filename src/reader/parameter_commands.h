// SPDX-License-Identifier: Apache-2.0
// The buttons of the parameter rows: a selection parameter, a numeric parameter or the tag
// types written with "s", or read back with "S" when no value is given. The rows' lists are
// the window's; here are the exchanges and what they change in the settings.
#pragma once

#include <optional>
#include <string>

#include "job/job_environment.h"
#include "job/job_result.h"
#include "protocol/reader_model.h"

namespace tagline::reader {

// The settings' own copies of the values a written cell changes (time, ONLINE type,
// beeper, bad frames, code format), after the reader took the write of `body`.
void NoteWrittenParameter(job::AppSettings& settings, const std::string& body,
                          protocol::ReaderModel model);

// `result` is the row's result text. The returned result says whether the reader took the
// write or gave a value, and whether the name was one of the model's (nothing is sent for
// a name it does not take).
job::CommandResult WriteOrReadSelection(job::JobEnvironment& env, const std::string& name,
                                        const std::string& label, std::string& result);

// `value` is the row's value text; a value outside the parameter's range is replaced there
// by what is written instead.
job::CommandResult WriteOrReadNumeric(job::JobEnvironment& env, const std::string& name,
                                      std::string& value, std::string& result);

// `ticked` lists the ticked tag types as the check list shows them.
job::CommandResult WriteOrReadTagTypes(job::JobEnvironment& env, const std::string& ticked,
                                       std::string& result);

}  // namespace tagline::reader
