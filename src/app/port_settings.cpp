// SPDX-License-Identifier: Apache-2.0
// Settings > Port: the settings dialog, and the serial line closed and opened again when
// one of its settings changed.
#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "app/panels/button_command.h"
#include "app/settings_dialog.h"

namespace tagline::app {

namespace {

// The port takes the data bits as one byte. A number outside a byte must not wrap round to
// a valid size ("264" would open with 8 data bits): it goes to the driver as 0, which
// refuses it like any other bad size.
std::uint8_t DataBitsByte(std::int32_t value) {
  return value >= 0 && value <= 255 ? static_cast<std::uint8_t>(value) : 0;
}

void ConfigurePort(serial::SerialPort& port, const std::string& name, const AppSettings& s) {
  port.SetSettings(name, static_cast<std::uint32_t>(s.baudrate), DataBitsByte(s.databits), s.parity,
                   s.stopbits, s.CTS, s.RTS);
}

// Opens the port with the settings; a failed open leaves the port in a state in which it
// takes no new settings, so the second try starts from a closed port.
bool OpenWithSettings(serial::SerialPort& port, const std::string& name, const AppSettings& s) {
  ConfigurePort(port, name, s);
  if (port.Open()) return true;
  port.Close();
  ConfigurePort(port, name, s);
  return port.Open();
}

}  // namespace

bool MainDialog::ReconnectLostPort() {
  if (link_.open()) return true;
  if (link_.lostReads() == lostReadsAtOpen_ || AnyJobRunning()) return false;
  // The port keeps its name and line values when it closes: it opens again as it was.
  port_.Close();
  if (!port_.Open()) {
    port_.Close();
    return false;
  }
  link_.SetOpen(true);
  lostReadsAtOpen_ = link_.lostReads();
  terminal_.AddNote("// " + port_.portName() + " reopened");
  return true;
}

void MainDialog::OnPortSettings() {
  SettingsDialog dialog;
  UpdateData(true);
  StopPoll(host_);

  // The line as the port uses it. A run on a port of its own (a simulated reader) shows
  // that port and the line values it was opened with where the file has none yet.
  AppSettings line = settings_;
  if (options_.portOverride) {
    line.port = *options_.portOverride;
    if (line.baudrate == 0) line.baudrate = static_cast<std::int32_t>(port_.dcb().BaudRate);
    if (line.databits == 0) line.databits = port_.dcb().ByteSize;
  }
  FillSettingsDialog(line, dialog);

  if (host_.RunSettingsDialog(dialog) == id::kOk) {
    if (LineSettingsChanged(dialog, line) && link_.open()) {
      if (port_.Close()) {
        link_.SetOpen(false);
      } else {
        Message("error on close com port", mb::kOk | mb::kIconHand, "close com port error");
      }
    }

    const std::string savedPort = settings_.port;
    ApplySettingsDialog(dialog, settings_);
    const std::string portName = settings_.port;
    if (options_.portOverride) {
      // The run's own port is not saved; a port the user picked instead is, and from then
      // on the run uses the settings like any other.
      if (portName == *options_.portOverride) {
        settings_.port = savedPort;
      } else {
        options_.portOverride.reset();
      }
    }

    if (!link_.open()) {
      if (OpenWithSettings(port_, portName, settings_)) {
        link_.SetOpen(true);
        lostReadsAtOpen_ = link_.lostReads();
        // Another line may hold a reader that sends no CRCs.
        terminal_.online.crcSeen = false;
      } else {
        Message("error on open com port", mb::kOk | mb::kIconHand, "open com port error");
      }
    }
  }

  StartPoll(host_);
  UpdateData(false);
}

}  // namespace tagline::app
