// SPDX-License-Identifier: Apache-2.0
#include "app/panels/parameter_rows.h"

#include <algorithm>
#include <cctype>

#include "app/control_ids.h"
#include "app/panels/button_command.h"
#include "app/window_environment.h"
#include "job/identification.h"
#include "reader/parameter_commands.h"
#include "reader/tag_type_masks.h"

namespace tagline::app {

namespace {

using protocol::ReaderModel;
using reader::ParameterKind;

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The model of the connected reader, asked quietly with the receive poll stopped.
ReaderModel IdentifyQuietly(WindowContext& window) {
  window.PullControls();
  ReaderModel model;
  {
    const PollPause pause(window.host());
    WindowEnvironment env(window, {});
    model = job::IdentifyReader(env, job::VersionEcho::Quiet);
  }
  window.PushControls();
  return model;
}

ReaderModel LastJobModel(const WindowContext& window) {
  return window.lastJobModel().value_or(ReaderModel::NoReply);
}

}  // namespace

void ParameterRows::RefillNames(WindowContext& window, int controlId, ParameterKind kind,
                                ReaderModel model) {
  ControlModel& controls = window.controls();
  const ControlState& state = controls.at(controlId);
  std::vector<std::string> items = state.items;
  std::vector<bool> checks = state.itemChecks;
  checks.resize(items.size(), false);
  for (const std::string_view name : reader::CatalogueNames(kind)) {
    const auto it = std::find_if(items.begin(), items.end(), [name](const std::string& item) {
      return SameNameIgnoringCase(item, name);
    });
    const bool present = it != items.end();
    const bool offered = reader::IsNameOffered(kind, name, model);
    if (offered && !present) {
      items.emplace_back(name);
      checks.push_back(false);
    } else if (!offered && present) {
      checks.erase(checks.begin() + (it - items.begin()));
      items.erase(it);
    }
  }
  controls.SetItems(controlId, std::move(items), std::move(checks));
}

void ParameterRows::OnParameterNameDropDown(WindowContext& window) {
  RefillNames(window, ctl::kParameterName, ParameterKind::Selection, IdentifyQuietly(window));
}

void ParameterRows::OnNumericNameDropDown(WindowContext& window) {
  RefillNames(window, ctl::kNumericName, ParameterKind::Numeric, IdentifyQuietly(window));
}

void ParameterRows::OnTagTypesSetFocus(WindowContext& window) {
  RefillNames(window, ctl::kTagTypes, ParameterKind::AlgorithmMask, IdentifyQuietly(window));
}

void ParameterRows::OnParameterNameKillFocus(WindowContext& window) {
  const ReaderModel model = IdentifyQuietly(window);
  const std::string name = window.controls().at(ctl::kParameterName).text;
  std::vector<std::string> items;
  if (reader::DescribeParameter(ParameterKind::Selection, name, model, LastJobModel(window))) {
    items.emplace_back();
    for (const auto label : reader::ValueLabelsOffered(name, model, LastJobModel(window))) {
      items.emplace_back(label);
    }
  }
  window.controls().SetItems(ctl::kParameterValue, std::move(items));
}

void ParameterRows::OnParameterNameSelChange(WindowContext& window) {
  window.PullControls();
  window.fields().parameterValue.clear();
  window.controls().SetText(ctl::kParameterButton, "...");
  window.PushControls();
}

void ParameterRows::MarkChanged(WindowContext& window, int buttonId) {
  window.controls().SetText(buttonId, "...");
}

job::CommandResult ParameterRows::OnSelectionButton(WindowContext& window) {
  DialogFields& fields = window.fields();
  return RunButtonCommand(window, fields.parameterResult, [&](job::CommandResult& result) {
    WindowEnvironment env(window, {ctl::kParameterButton, nullptr});
    result = reader::WriteOrReadSelection(env, fields.parameterName, fields.parameterValue,
                                          fields.parameterResult);
    result.sent = true;
    if (!result.recognised) {
      fields.parameterName.clear();
      fields.parameterValue.clear();
    }
  });
}

job::CommandResult ParameterRows::OnNumericButton(WindowContext& window) {
  DialogFields& fields = window.fields();
  return RunButtonCommand(window, fields.numericResult, [&](job::CommandResult& result) {
    WindowEnvironment env(window, {ctl::kNumericButton, nullptr});
    const std::string name = window.controls().at(ctl::kNumericName).text;
    result = reader::WriteOrReadNumeric(env, name, fields.numericValue, fields.numericResult);
    result.sent = true;
  });
}

job::CommandResult ParameterRows::OnTagTypeButton(WindowContext& window) {
  DialogFields& fields = window.fields();
  return RunButtonCommand(window, fields.tagTypeResult, [&](job::CommandResult& result) {
    WindowEnvironment env(window, {ctl::kTagTypeButton, nullptr});
    const std::string ticked = window.controls().at(ctl::kTagTypes).text;
    result = reader::WriteOrReadTagTypes(env, ticked, fields.tagTypeResult);
    result.sent = true;
  });
}

void ParameterRows::OnNumericSpin(WindowContext& window, int iDelta) {
  const std::string name = window.controls().at(ctl::kNumericName).text;
  window.controls().SetText(ctl::kNumericButton, "...");
  const std::string text = window.controls().at(ctl::kNumericValue).text;
  if (const auto stepped = reader::StepNumericValue(name, text, iDelta <= 0)) {
    window.fields().numericValue = *stepped;
  } else {
    window.fields().numericValue = text;
  }
  window.PushControls();
}

}  // namespace tagline::app
