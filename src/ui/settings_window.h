// SPDX-License-Identifier: Apache-2.0
// The settings dialog on Qt: a modal dialog bound to the SettingsDialog controller's control
// model. Each frame of the model is a section (a titled group, or the button row) with its
// controls on a grid by row and column; user input goes back to the model and the
// controller, and the dialog closes when the controller has ended.
#pragma once

#include <QDialog>
#include <map>
#include <string>
#include <vector>

#include "app/control_model.h"
#include "platform/port_info.h"

class QButtonGroup;
class QComboBox;
class QGridLayout;
class QScrollArea;

namespace tagline::app {
class SettingsDialog;
}

namespace tagline::ui {

class SettingsWindow : public QDialog {
  Q_OBJECT
 public:
  explicit SettingsWindow(app::SettingsDialog& dialog, QWidget* parent = nullptr);
  ~SettingsWindow() override;

  // The widget of a control; nullptr for frames and unknown identifiers.
  QWidget* ControlWidget(int id) const;

 public slots:
  // Esc and the close box: the controller's Cancel.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct Section {
    int frameId = 0;
    QWidget* box = nullptr;
    std::vector<int> members;
  };

  void Build();
  void LayOutGrid(QGridLayout* grid, const std::vector<int>& ids);
  QWidget* CreateWidget(const app::ControlState& state, QWidget* parent);
  void ConnectInput(int id, QWidget* widget);
  void Refresh(int id);
  void RefreshCombo(QComboBox* combo, const app::ControlState& state);
  void PullTexts();
  void Command(int id);
  void ShowPortToolTips(QComboBox* combo);

  app::SettingsDialog& dialog_;
  app::ControlModel& model_;
  std::map<int, QWidget*> widgets_;
  QScrollArea* scroll_ = nullptr;
  QWidget* content_ = nullptr;  // the groups, inside the scroll area
  QButtonGroup* protocol_ = nullptr;
  std::vector<platform::PortInfo> ports_;
};

// What the system knows about the port a combo entry names ("ttyUSB0", "/dev/ttyUSB0" or
// "COM3"): the paragraph of the serial-ports window, or empty for a port it does not list.
std::string PortToolTip(const std::vector<platform::PortInfo>& ports, const std::string& name);

}  // namespace tagline::ui
