// SPDX-License-Identifier: Apache-2.0
// The factory table. The texts are the reader log's own, misspellings included
// ("Languange", "Continous", "Seperator", "Conductanace"): service staff search logs for
// them.
#include "reader/factory_table.h"

#include <array>
#include <string>

#include "reader/parameter_catalogue.h"

namespace tagline::reader {

namespace {

using D = FactoryDialog;
using C = FactoryChoice;
using V = FactoryValue;
using M = MainWindowValue;

// When a row is sent.
struct Gate {
  D asks = D::None;
  D decidedBy = D::None;
  C choice = C::None;
  bool unlessChosen = false;
};

// Shows `dialog` before the row; the row is sent after `choice`.
constexpr Gate Ask(D dialog, C choice) {
  return {dialog, dialog, choice, false};
}
// Sent after `choice` in a dialog asked earlier.
constexpr Gate After(D dialog, C choice) {
  return {D::None, dialog, choice, false};
}
// Sent unless `choice` was made in a dialog asked earlier (or the dialog was not asked).
constexpr Gate Unless(D dialog, C choice) {
  return {D::None, dialog, choice, true};
}

// The rest of a row, mostly defaults.
struct Extra {
  V value = V::Fixed;
  std::string_view ackSuffix = {};
  std::string_view nakLine = {};
  std::optional<MainWindowChange> change = {};
};

constexpr Extra Sets(M value, std::int32_t to) {
  return {.change = MainWindowChange{value, to}};
}

constexpr FactoryDefaultStep Step(int row, std::string_view command, std::string_view logName,
                                  std::string_view ackLine, ModelSet models, Gate gate = {},
                                  Extra extra = {}) {
  return {row,         command,   logName,        ackLine,     extra.ackSuffix,   extra.nakLine,
          models,      gate.asks, gate.decidedBy, gate.choice, gate.unlessChosen, extra.value,
          extra.change};
}

// Model sets that several rows share.
constexpr ModelSet kStandard = "4-7, 9-13, 22-25, 27-31, 37, 40"_models;
constexpr ModelSet kOnline = "33, 34, 39"_models;
constexpr ModelSet kLanguage = "4-7, 9-13, 16, 21-23, 26, 27, 29, 31, 32, 35-38, 40"_models;
constexpr ModelSet kPairInterface = "11, 13, 22, 23, 25, 27, 28"_models;
constexpr ModelSet kFourInterface = "24, 29-31, 37, 40"_models;
constexpr ModelSet kTimeout = "4, 5, 9-13, 22-25, 27-31, 37, 40"_models;
constexpr ModelSet kReadAndBuzzer = "4-7, 9-13, 22-25, 27-31, 33, 34, 37, 39, 40"_models;
constexpr ModelSet kBurnIn = "4-7, 9, 10, 12"_models;
constexpr ModelSet kShowTime = "4, 6, 9, 11-13, 22-25, 27-31, 37, 40"_models;
constexpr ModelSet kBluetooth = "4, 6, 9, 11-13, 22-25, 27, 28"_models;
constexpr ModelSet kTurnOff = "3, 15-21, 26, 32, 35, 36, 38, 41"_models;
constexpr ModelSet kKeyboard = "16, 21, 26, 32, 35, 36, 38, 41"_models;
constexpr ModelSet kOlderKeyboard = "3, 15, 17-20"_models;
constexpr ModelSet kMirrorCode = "21, 26, 32, 35"_models;
constexpr ModelSet kPin = "15, 16, 18, 21, 26, 32, 35, 36, 38, 41"_models;
constexpr ModelSet kModel1 = "1"_models;
constexpr ModelSet kConductance = "32, 35, 38"_models;

constexpr std::array<FactoryDefaultStep, 90> kTable = {{
    Step(1, "s00000", "Attribute", "// ACK, Attribute -> #",
         "4-7, 9-13, 16, 22-25, 27-31, 33, 34, 36, 37, 39-41"_models),
    Step(2, "s00100", "Operating Mode", "// ACK, Operating Mode -> Standard", kStandard),
    Step(3, "s00101", "Operating Mode", "// ACK, Operating Mode -> Online", kOnline),
    Step(4, "s00300", "Language", "// ACK, Languange -> english", kLanguage,
         Ask(D::Language, C::English)),
    Step(5, "s00301", "Language", "// ACK, Languange -> Deutsch", kLanguage,
         After(D::Language, C::Deutsch)),
    Step(6, "s00300", "Continous Read", "// ACK, Continous Read -> off", kOnline),
    Step(7, "s00401", "Code Format", "// ACK, Code Format -> ISO Animal", kStandard, {},
         Sets(M::Fragmentation, 1)),
    Step(8, "s00500", "Lock Up Reader", "// ACK, Lock Up Reader -> Unlocked", kStandard),
    Step(9, "s00700", "Memory Capacity", "// ACK, Memory Capacity -> 2048", kStandard),
    Step(10, "s00800", "Multiple Records", "// ACK, Multiple Records -> off", kStandard),
    Step(11, "s00900", "Type", "// ACK, Type -> off", kStandard, {}, Sets(M::Onltyp, 0)),
    Step(12, "s00A00", "NoRead", "// ACK, NoRead -> off", kStandard),
    Step(13, "s00B00", "Show Bad Frame", "// ACK, Show Bad Frame -> off", kStandard, {},
         Sets(M::Showbadframe, 0)),
    Step(14, "s00CFF", "Algos1", "// ACK, Algos1 -> all on", kStandard),
    Step(15, "s00DFF", "Algos2", "// ACK, Algos2 -> all on", kStandard),
    Step(16, "s00401", "Code Format", "// ACK, Code Format -> ISO 11784/5", "33"_models, {},
         Sets(M::Fragmentation, 1)),
    Step(17, "s00500", "Lock Up Reader", "// ACK, Lock Up Reader -> Unlocked", kOnline),
    Step(18, "s00700", "Memory Capacity", "// ACK, Memory Capacity -> 2048", kOnline),
    Step(19, "s00800", "Multiple Records", "// ACK, Multiple Records -> off", kOnline),
    Step(20, "s00A00", "NoRead", "// ACK, NoRead -> off", kOnline),
    Step(21, "s00C31", "Algos1", "// ACK, Algos1 -> Trovan, HDX, FDX-B", kOnline),
    Step(22, "s00D03", "Algos2", "// ACK, Algos2 -> UID, Data/Temp", kOnline),
    Step(23, "s00600", "Factory Interface", "// ACK, Factory Interface -> RS232",
         "4-7, 9, 10, 12"_models),
    Step(24, "s00600", "Factory Interface", "// ACK, Factory Interface -> USB/RS232",
         kPairInterface, Ask(D::InterfacePair, C::UsbRs232)),
    Step(25, "s00601", "Factory Interface", "// ACK, Factory Interface -> USB/RS232+Bluetooth",
         kPairInterface, After(D::InterfacePair, C::UsbRs232Bluetooth)),
    Step(26, "s00600", "Factory Interface", "// ACK, Factory Interface -> RS232", kFourInterface,
         Ask(D::InterfaceFour, C::Rs232)),
    Step(27, "s00603", "Factory Interface", "// ACK, Factory Interface -> USB+Bluetooth",
         kFourInterface, After(D::InterfaceFour, C::UsbBluetooth)),
    Step(28, "s00602", "Factory Interface", "// ACK, Factory Interface -> RS232+Bluetooth",
         kFourInterface, After(D::InterfaceFour, C::Rs232Bluetooth)),
    Step(29, "s00601", "Factory Interface", "// ACK, Factory Interface -> USB", kFourInterface,
         After(D::InterfaceFour, C::Usb)),
    Step(30, "s00600", "Factory Interface", "// ACK, Factory Interface -> USB", kOnline,
         Ask(D::InterfacePair, C::UsbRs232)),
    Step(31, "s00601", "Factory Interface", "// ACK, Factory Interface -> USB+Bluetooth", kOnline,
         After(D::InterfacePair, C::UsbRs232Bluetooth)),
    Step(32, "s00200", "Interface", "// ACK, Interface -> RS232",
         "4-7, 9, 11-13, 22-25, 27-31, 37, 40"_models),
    Step(33, "s00200", "Interface", "// ACK, Interface -> USB", kOnline),
    Step(34, "s00E0A", "Timeout", "// ACK, Timeout --> 10 seconds", kTimeout),
    Step(35, "s00F00", "Timeout", "// Timeout -> 10 seconds", kTimeout),
    Step(36, "s00E01", "TurnOffTime", "// ACK, TurnOffTime --> 1 minute", kOnline),
    Step(37, "s00F00", "Mode Selection", "// ACK, Mode Selection -> Database off", kOnline),
    Step(38, "s00E0A", "Timeout Main", "// ACK, Timeout Main -> 10 seconds", "6, 7"_models),
    Step(39, "s00F14", "Timeout Menue", "// ACK, Timeout Menue -> 20 seconds", "6, 7"_models),
    Step(40, "s01032", "Timeout Read", "// ACK, Timeout Read -> 50 cycles", kReadAndBuzzer),
    Step(41, "s01201", "Buzzer", "// ACK, Buzzer -> on", kReadAndBuzzer, {}, Sets(M::Beeper, 1)),
    Step(42, "s01100", "Burn In", "// ACK, Burn In -> off", kBurnIn),
    Step(43, "s01400", "Mirror BDE", "// ACK, Mirror BDE -> off", "41"_models),
    Step(44, "s01100", "Mirror BDE", "// ACK, Mirror BDE -> off", "40"_models),
    Step(45, "s01300", "Show Time", "// ACK, Show Time -> off", kShowTime, {}, Sets(M::Time, 0)),
    Step(46, "s01400", "Handshake RS", "// ACK, Handshake RS -> off", kShowTime),
    Step(47, "s01500", "Bluetooth Role", "// ACK, Bluetooth Role -> Master", kBluetooth),
    Step(48, "s01601", "Handshake Bluetooth", "// ACK, Handshake Bluetooth -> on", kBluetooth),
    Step(49, "s014", "Serial Number 1", "// ACK, Serial Number 1 -> ", kOnline,
         Ask(D::SerialNumber, C::Yes), {.value = V::SerialLow}),
    Step(50, "s015", "Serial Number 2", "// ACK, Serial Number 2 -> ", kOnline,
         After(D::SerialNumber, C::Yes), {.value = V::SerialMiddle}),
    Step(51, "s0160", "Serial Number 3", "// ACK, Serial Number 3 -> 0", kOnline,
         After(D::SerialNumber, C::Yes), {.value = V::SerialHigh}),
    Step(52, "s0172C", "Seperator Delimiter 1", "// ACK, Seperator Delimiter 1 -> ','", kOnline),
    Step(53, "s01800", "Seperator Delimiter 2", "// ACK, Seperator Delimiter 2 -> off", kOnline),
    Step(54, "s0190D", "EOL Delimiter 1", "// ACK, EOL Delimiter 1 -> <CR>", kOnline),
    Step(55, "s01A0A", "EOL Delimiter 2", "// ACK, EOL Delimiter 2 -> <LF>", kOnline),
    Step(56, "s00401", "Set Code Format", "// ACK, Set Code Format -> ISO Animal",
         "3, 15, 16, 18, 36, 41"_models, {}, Sets(M::Fragmentation, 1)),
    Step(57, "s00800", "Multiple Records", "// ACK, Multiple Records -> off", "35"_models),
    Step(58, "s00E04", "Turn Off Time", "// ACK, Turn Off Time -> 20 seconds", kTurnOff),
    Step(59, "s00F01", "Turn On Delay", "// ACK, Turn On Delay -> 0.5 seconds", kTurnOff),
    Step(60, "s01004", "Reading Time", "// ACK, Reading Time -> 2 seconds",
         "3, 15-19, 21, 26, 32, 35, 36, 38, 41"_models),
    Step(61, "s0100E", "Reading Time", "// ACK, Reading Time -> 7 seconds", "20"_models),
    Step(62, "s01102", "Baudrate", "// ACK, Baudrate -> 19200 Baud", "21, 26, 32, 35, 38"_models),
    Step(63, "s01201", "Keyboard Sound", "// ACK, Keyboard Sound -> on", kKeyboard, {},
         Sets(M::Beeper, 1)),
    Step(64, "s08107", "HID-Keyboard", "// ACK, HID-Keyboard -> Deutsch", kKeyboard,
         Unless(D::Language, C::English)),
    Step(65, "s08109", "HID-Keyboard", "// ACK, HID-Keyboard -> English", kKeyboard,
         After(D::Language, C::English)),
    Step(66, "s08200", "Special Features", "// ACK, Special Features -> none", kKeyboard),
    Step(67, "s01201", "Keyboard Sound", "// ACK, Keyboard Sound -> on", kOlderKeyboard, {},
         Sets(M::Beeper, 1)),
    Step(68, "s08107", "HID-Keyboard", "// ACK, HID-Keyboard -> Deutsch", kOlderKeyboard),
    Step(69, "s08200", "Special Features", "// ACK, Special Features -> none", kOlderKeyboard),
    Step(70, "s01300", "Mirror Code", "// ACK, Mirror Code -> off", kMirrorCode),
    Step(71, "s01102", "Baudrate", "// ACK, Baudrate -> 19200 Baud", "15, 16, 18, 36, 41"_models),
    Step(72, "s08300", "PIN", "// ACK, PIN -> off", kPin),
    Step(73, "s084", "PIN Code", "// ACK, PIN Code -> ", kPin, {},
         {.value = V::PinFirst, .ackSuffix = "**"}),
    Step(74, "s085", "PIN Code", "// ACK, PIN Code -> **", kPin, {}, {.value = V::PinLast}),
    // "00" is model 1's code for "USB/RS232", the setting the ACK line reports.
    Step(75, "s00200", "Interface", "// ACK, Interface -> USB/RS232", kModel1),
    Step(76, "s01500", "Bluetooth Role", "// ACK, Bluetooth Role -> Master", kModel1),
    Step(77, "s01100", "Pressure Unit", "// ACK, Pressure Unit -> mbar", kModel1),
    Step(78, "s0100A", "Timeout1", "// ACK, Timeout1 -> 10 cycles", kModel1),
    Step(79, "s00CF4", "Timeout2", "// ACK, Timeout2", kModel1),
    Step(80, "s00D01", "Timeout2", "// ACK, Timeout2 -> 500 milli seconds", kModel1),
    Step(81, "s00E3C", "Timeout3", "// ACK, Timeout3", kModel1),
    Step(82, "s00F00", "Timeout3", "// ACK, Timeout3 -> 60 seconds", kModel1),
    Step(83, "s01202", "Buzzer", "// ACK, Buzzer -> 2, on + intermediate results", kModel1, {},
         Sets(M::Beeper, 1)),
    Step(84, "s014FF", "Algos", "// ACK, Algos -> all on", kModel1, {},
         {.nakLine = "// NAK. Algos"}),
    Step(85, "s01647", "Product Number Version", "// ACK, Product Number Version -> 71", kModel1),
    Step(86, "", "", "", kModel1, {}, {.value = V::CellSets}),
    Step(87, "s0903F", "CW Conductanace ISO 15693", "// ACK, CW Conductanace ISO 15693 -> 0x3F",
         kConductance, Ask(D::Antenna, C::AirCoil)),
    Step(88, "s0913F", "CW Conductanace ISO 14443A", "// ACK, CW Conductanace ISO 14443A -> 0x3F",
         kConductance, After(D::Antenna, C::AirCoil)),
    Step(89, "s0900F", "CW Conductanace ISO 15693", "// ACK, CW Conductanace ISO 15693 -> 0x0F",
         kConductance, After(D::Antenna, C::Ferrite)),
    Step(90, "s0910A", "CW Conductanace ISO 14443A", "// ACK, CW Conductanace ISO 14443A -> 0x0A",
         kConductance, After(D::Antenna, C::Ferrite)),
}};

// The factory values of one antenna or transponder set, in cell order A, L, D, O.
struct CellSetValues {
  std::string_view set;  // "P00" ... "P42", "T0" ... "T2"
  std::array<std::int32_t, 4> values;
};

// The sets a factory reader does not use (a D value of 0 would be written as 1 anyway).
constexpr std::array<std::int32_t, 4> kUnused = {0, 0, 1, 0};
constexpr std::array<CellSetValues, 18> kCellSetValues = {{
    {"P00", {107, 20, 6, 0}},
    {"P10", {168, 21, 21, 0}},
    {"P20", {210, 21, 163, 0}},
    {"P30", kUnused},
    {"P40", kUnused},
    {"P01", {127, 20, 127, 0}},
    {"P11", {189, 21, 1010, 0}},
    {"P21", kUnused},
    {"P31", kUnused},
    {"P41", kUnused},
    {"P02", {147, 21, 2000, 0}},
    {"P12", kUnused},
    {"P22", kUnused},
    {"P32", kUnused},
    {"P42", kUnused},
    {"T0", {75, 16, 233, 0}},
    {"T1", {91, 16, 116, 0}},
    {"T2", kUnused},
}};
constexpr std::array<char, 4> kCellLetters = {'A', 'L', 'D', 'O'};
constexpr int kCellSetRow = 86;

std::vector<FactoryWrite> BuildCellWrites() {
  std::vector<FactoryWrite> writes;
  for (const CellSetValues& set : kCellSetValues) {
    for (std::size_t c = 0; c < kCellLetters.size(); ++c) {
      const std::string name = kCellLetters[c] + std::string(set.set);
      const std::string value = std::to_string(set.values[c]);
      // The catalogue knows the cells and their encoding; two-cell values go low byte first.
      const NumericCommand cells = NumericCommandBodies(name, value);
      for (std::size_t i = 0; i < cells.bodies.size(); ++i) {
        const bool last = i + 1 == cells.bodies.size();
        writes.push_back({kCellSetRow, CellCommand(cells.bodies[i]), name,
                          "// ACK, " + name + (last ? " -> " + value : std::string()),
                          "// NAK, " + name, std::nullopt});
      }
    }
  }
  return writes;
}

}  // namespace

std::span<const FactoryDefaultStep> FactoryTable() {
  return kTable;
}

const std::vector<FactoryWrite>& FactoryCellWrites() {
  static const std::vector<FactoryWrite> writes = BuildCellWrites();
  return writes;
}

}  // namespace tagline::reader
