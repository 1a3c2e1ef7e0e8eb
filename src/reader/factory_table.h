// SPDX-License-Identifier: Apache-2.0
// The factory-default parameter set as data: which cells each reader model gets written,
// with what value, how each write is logged, and which rows depend on the answers of the
// small choice dialogs asked on the way. Pure data; factory_plan.h turns it into writes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reader/model_set.h"

namespace tagline::reader {

// The choice dialogs of the factory-default job, numbered as their dialog resources.
enum class FactoryDialog : std::uint8_t {
  None = 0,
  Language = 146,          // "Language selection"
  InterfacePair = 147,     // "Factory interface selection", two buttons
  DeleteAttributes = 148,  // "Delete Attributes", asked before the writes
  InterfaceFour = 149,     // "Factory interface selection", four buttons
  Antenna = 150,           // "Antenna selection"
  SerialNumber = 151,      // "Write Serial Number"
};

// The button a dialog was left with. None: closed without one (Esc, close box) or not
// shown.
enum class FactoryChoice : std::uint8_t {
  None,
  English,            // 146
  Deutsch,            // 146
  UsbRs232,           // 147 "USB/RS232"
  UsbRs232Bluetooth,  // 147 "USB/RS232+Bluetooth"
  Rs232,              // 149 "RS232"
  Usb,                // 149 "USB"
  Rs232Bluetooth,     // 149 "RS232+Bluetooth"
  UsbBluetooth,       // 149 "USB+Bluetooth"
  Ferrite,            // 150
  AirCoil,            // 150
  Yes,                // 148, 151
  No,                 // 148, 151
};

// Where the value of a row comes from.
enum class FactoryValue : std::uint8_t {
  Fixed,         // the command and the ACK line are complete
  SerialLow,     // digits 4 and 5 of the serial number (dialog 151)
  SerialMiddle,  // digits 2 and 3
  SerialHigh,    // digit 1
  PinFirst,      // the first two digits of kFactoryPinCode
  PinLast,       // its last two digits
  CellSets,      // the 108 antenna and transponder cell writes of FactoryCellWrites()
};

// The main-window copies of reader parameters (the CONFIG keys "time", "onltyp",
// "fragmentation", "beeper" and "showbadframe") an acknowledged row sets.
enum class MainWindowValue : std::uint8_t { Time, Onltyp, Fragmentation, Beeper, Showbadframe };

struct MainWindowChange {
  MainWindowValue value = MainWindowValue::Time;
  std::int32_t to = 0;
  constexpr bool operator==(const MainWindowChange&) const = default;
};

// One row of the factory table.
struct FactoryDefaultStep {
  int row = 0;                 // 1 to 90, the table order
  std::string_view command;    // complete, or the part the value digits are appended to
  std::string_view logName;    // failure lines: "// NAK, " / "// BEL, " / "// " + log name
  std::string_view ackLine;    // complete, or the part before the value digits
  std::string_view ackSuffix;  // after the value digits
  std::string_view nakLine;    // replaces "// NAK, " + log name when not empty
  ModelSet models;             // the models that execute the row
  FactoryDialog asks = FactoryDialog::None;       // shown before the row, at most once a run
  FactoryDialog decidedBy = FactoryDialog::None;  // None: always sent
  FactoryChoice choice = FactoryChoice::None;     // the answer that sends the row...
  bool unlessChosen = false;                      // ...or, when set, the one that keeps it back
  FactoryValue value = FactoryValue::Fixed;
  std::optional<MainWindowChange> change;  // applied when the row is acknowledged
};

// The 90 rows in sending order.
std::span<const FactoryDefaultStep> FactoryTable();

// The factory PIN code written by rows 73 and 74: four decimal digits.
inline constexpr std::string_view kFactoryPinCode = "1234";

// One parameter write as it is sent and logged.
struct FactoryWrite {
  int row = 0;
  std::string command;  // "s" + three-digit address + two-digit value
  std::string logName;
  std::string ackLine;
  std::string nakLine;
  std::optional<MainWindowChange> change;
  bool operator==(const FactoryWrite&) const = default;
};

// The writes row 86 stands for: the 15 antenna sets in address order (00, 10, 20, 30, 40,
// 01, ..., 42), then the transponder sets 0, 1, 2; each set's A, L, D low, D high, O low
// and O high cells. 108 writes.
const std::vector<FactoryWrite>& FactoryCellWrites();

}  // namespace tagline::reader
