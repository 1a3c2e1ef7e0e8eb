// SPDX-License-Identifier: Apache-2.0
#include "app/control_model.h"

namespace tagline::app {

ControlState& ControlModel::Add(ControlState state) {
  const int id = state.id;
  if (!controls_.contains(id)) order_.push_back(id);
  return controls_[id] = std::move(state);
}

void ControlModel::Notify(int id) const {
  if (observer_) observer_(id);
}

void ControlModel::SetText(int id, const std::string& text) {
  auto& c = Mutable(id);
  if (c.text == text) return;
  c.text = text;
  Notify(id);
}

void ControlModel::Show(int id, bool visible) {
  auto& c = Mutable(id);
  if (c.visible == visible) return;
  c.visible = visible;
  Notify(id);
}

void ControlModel::Enable(int id, bool enabled) {
  auto& c = Mutable(id);
  if (c.enabled == enabled) return;
  c.enabled = enabled;
  Notify(id);
}

void ControlModel::SetChecked(int id, bool checked) {
  auto& c = Mutable(id);
  if (c.checked == checked) return;
  c.checked = checked;
  Notify(id);
}

void ControlModel::SetItems(int id, std::vector<std::string> items) {
  auto& c = Mutable(id);
  c.items = std::move(items);
  c.itemChecks.assign(c.items.size(), false);
  c.selection = -1;
  Notify(id);
}

void ControlModel::SetItems(int id, std::vector<std::string> items, std::vector<bool> checks) {
  auto& c = Mutable(id);
  checks.resize(items.size(), false);
  c.items = std::move(items);
  c.itemChecks = std::move(checks);
  c.selection = -1;
  Notify(id);
}

void ControlModel::SetSelection(int id, int index) {
  UserSetSelection(id, index);
  Notify(id);
}

void ControlModel::UserSetSelection(int id, int index) {
  auto& c = Mutable(id);
  const bool valid = index >= 0 && static_cast<std::size_t>(index) < c.items.size();
  c.selection = valid ? index : -1;
  if (c.kind == ControlKind::Combo || c.kind == ControlKind::EditCombo) {
    c.text = valid ? c.items[static_cast<std::size_t>(index)] : std::string();
  }
}

void ControlModel::UserSetItemCheck(int id, int index, bool checked) {
  auto& c = Mutable(id);
  if (index >= 0 && static_cast<std::size_t>(index) < c.itemChecks.size()) {
    c.itemChecks[static_cast<std::size_t>(index)] = checked;
  }
}

void ControlModel::SetProgress(int id, int position) {
  auto& c = Mutable(id);
  if (c.position == position) return;
  c.position = position;
  Notify(id);
}

void ControlModel::SetProgressRange(int id, int low, int high) {
  auto& c = Mutable(id);
  c.rangeMin = low;
  c.rangeMax = high;
  Notify(id);
}

void ControlModel::SetImage(int id, int image) {
  Mutable(id).image = image;
  Notify(id);
}

void ControlModel::SetColors(int id, std::uint32_t text, std::uint32_t background) {
  auto& c = Mutable(id);
  c.textColor = text;
  c.background = background;
  Notify(id);
}

void ControlModel::SetFocus(int id) {
  focus_ = id;
  Notify(id);
}

}  // namespace tagline::app
