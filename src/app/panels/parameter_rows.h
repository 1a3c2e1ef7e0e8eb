// SPDX-License-Identifier: Apache-2.0
// The parameter rows of the CONFIG group: filling the name and value lists for the
// connected reader, and their buttons, which write or read single parameters.
#pragma once

#include <string>

#include "app/window_context.h"
#include "job/job_result.h"
#include "reader/parameter_catalogue.h"

namespace tagline::app {

class ParameterRows {
 public:
  // The name lists, refilled for the connected reader when they open or take the focus.
  void OnParameterNameDropDown(WindowContext& window);
  void OnNumericNameDropDown(WindowContext& window);
  void OnTagTypesSetFocus(WindowContext& window);
  // The value list of the chosen selection parameter.
  void OnParameterNameKillFocus(WindowContext& window);
  void OnParameterNameSelChange(WindowContext& window);
  // A changed row shows "..." on its button until it is sent.
  static void MarkChanged(WindowContext& window, int buttonId);
  // The up-down control beside the number field: iDelta <= 0 is the up arrow.
  void OnNumericSpin(WindowContext& window, int iDelta);

  // The rows' buttons: write the value given, or read the parameter back without one.
  job::CommandResult OnSelectionButton(WindowContext& window);
  job::CommandResult OnNumericButton(WindowContext& window);
  job::CommandResult OnTagTypeButton(WindowContext& window);

 private:
  static void RefillNames(WindowContext& window, int controlId, reader::ParameterKind kind,
                          protocol::ReaderModel model);
};

}  // namespace tagline::app
