// SPDX-License-Identifier: Apache-2.0
// The state of the main window's controls, by control identifier: what a view shows
// and what the controller reads back. Views bind their widgets to it generically.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tagline::app {

enum class ControlKind {
  Label,       // static text
  Result,      // static text showing a result
  GroupTitle,  // title of a control group
  Frame,       // group or area frame
  Button,
  PushCheck,  // push-like check box
  CheckBox,
  Edit,            // single-line edit
  Pane,            // multi-line read-only edit
  Combo,           // drop-down list
  EditCombo,       // drop-down with an editable field
  CheckListCombo,  // drop-down whose items carry check marks
  Spin,            // up-down control attached to an edit
  Progress,
  Marker,  // layout marker, never shown
};

// Where a control sits: the terminal area, one of the three groups, or nowhere.
enum class ControlArea { None, Terminal, Db, Config, Online };

// 32-bit colour: 0xFF000000 means the platform's default; otherwise 0x00BBGGRR.
inline constexpr std::uint32_t kDefaultColor = 0xFF000000u;
inline constexpr std::uint32_t Rgb(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}

struct ControlState {
  int id = 0;
  ControlKind kind = ControlKind::Label;
  ControlArea area = ControlArea::None;
  int row = 0;       // layout row inside its area
  int column = 0;    // layout column inside its row
  std::string text;  // window text (Windows-1252)
  bool enabled = true;
  bool visible = true;
  bool checked = false;
  std::vector<std::string> items;  // combo items
  std::vector<bool> itemChecks;    // check-list combo
  int selection = -1;              // combo selection, -1 none
  int rangeMin = 0;                // progress bar
  int rangeMax = 100;
  int position = 0;
  int image = 0;  // bitmap resource shown on a button, 0 none
  std::uint32_t textColor = kDefaultColor;
  std::uint32_t background = kDefaultColor;
};

class ControlModel {
 public:
  // Called after a control changed through the controller, with its identifier.
  using Observer = std::function<void(int id)>;

  ControlState& Add(ControlState state);
  bool Has(int id) const { return controls_.contains(id); }
  const ControlState& at(int id) const { return controls_.at(id); }
  // Identifiers in the order the controls were added (the tab order).
  const std::vector<int>& ids() const { return order_; }

  void SetText(int id, const std::string& text);
  void Show(int id, bool visible);
  void Enable(int id, bool enabled);
  void SetChecked(int id, bool checked);
  void SetItems(int id, std::vector<std::string> items);
  void SetItems(int id, std::vector<std::string> items, std::vector<bool> checks);
  void SetSelection(int id, int index);
  void SetProgress(int id, int position);
  void SetProgressRange(int id, int low, int high);
  void SetImage(int id, int image);
  void SetColors(int id, std::uint32_t text, std::uint32_t background);

  // Edits made by the user in a view; they do not notify the observer.
  void UserSetText(int id, const std::string& text) { Mutable(id).text = text; }
  void UserSetChecked(int id, bool checked) { Mutable(id).checked = checked; }
  void UserSetSelection(int id, int index);
  void UserSetItemCheck(int id, int index, bool checked);

  int focus() const { return focus_; }
  void SetFocus(int id);

  void SetObserver(Observer observer) { observer_ = std::move(observer); }

 private:
  ControlState& Mutable(int id) { return controls_.at(id); }
  void Notify(int id) const;

  std::map<int, ControlState> controls_;
  std::vector<int> order_;
  int focus_ = 0;
  Observer observer_;
};

// Every control of the main window, as its resources lay them out.
void AddMainWindowControls(ControlModel& controls);

}  // namespace tagline::app
