// The parameter rows of the CONFIG group: filling the name and value lists for the
// connected reader, and writing or reading single parameters with "s" / "S".
#pragma once

#include <string>

#include "app/job_context.h"
#include "app/job_result.h"
#include "reader/parameter_catalogue.h"

namespace tagline::reader {

class ParameterRows {
 public:
  // The name lists, refilled for the connected reader when they open or take the focus.
  void OnParameterNameDropDown(app::JobContext& ctx);
  void OnNumericNameDropDown(app::JobContext& ctx);
  void OnTagTypesSetFocus(app::JobContext& ctx);
  // The value list of the chosen selection parameter.
  void OnParameterNameKillFocus(app::JobContext& ctx);
  void OnParameterNameSelChange(app::JobContext& ctx);
  // A changed row shows "..." on its button until it is sent.
  static void MarkChanged(app::JobContext& ctx, int buttonId);
  // The up-down control beside the number field: iDelta <= 0 is the up arrow.
  void OnNumericSpin(app::JobContext& ctx, int iDelta);

  // The rows' buttons: write the value given, or read the parameter back without one.
  app::CommandResult OnSelectionButton(app::JobContext& ctx);
  app::CommandResult OnNumericButton(app::JobContext& ctx);
  app::CommandResult OnTagTypeButton(app::JobContext& ctx);

 private:
  static void RefillNames(app::JobContext& ctx, int controlId, ParameterKind kind,
                          ReaderModel model);
};

}  // namespace tagline::reader
