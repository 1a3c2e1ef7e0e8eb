// SPDX-License-Identifier: Apache-2.0
#include "app/settings_dialog.h"

#include <algorithm>
#include <span>

#include "app/host.h"
#include "platform/comm.h"
#include "platform/crt.h"
#include "platform/port_info.h"

namespace tagline::app {

namespace {

namespace sc = settings_ctl;
using K = ControlKind;

constexpr int kClicked = 0;  // BN_CLICKED

constexpr const char* kBaudRates[] = {"110",   "300",   "600",    "1200",   "2400",
                                      "4800",  "9600",  "14400",  "19200",  "38400",
                                      "56000", "57600", "115200", "128000", "256000"};
constexpr const char* kDataBitsList[] = {"4", "5", "6", "7", "8"};
constexpr const char* kParities[] = {"None", "Odd", "Even", "Mark", "Space"};
constexpr const char* kStopBitsList[] = {"1", "1.5", "2"};
// The first entry stands for an empty setting: the system's language.
constexpr const char* kSystemLanguage = "(system)";
constexpr const char* kLanguageList[] = {kSystemLanguage, "English", "Deutsch",
                                         "Fran\xE7"
                                         "ais"};

template <std::size_t N>
std::vector<std::string> List(const char* const (&texts)[N]) {
  return {std::begin(texts), std::end(texts)};
}

// One control of the dialog. A frame opens a section (a titled group, or without a title
// the button row); the controls after it, up to the next frame, lie in that section at
// their row and column. A frame's own row and column place the section in the dialog.
struct ControlSpec {
  int id;
  K kind;
  int row;
  int column;
  const char* text;
};

// In tab order.
constexpr ControlSpec kControls[] = {
    {sc::kFirstStatic + 0, K::Frame, 0, 0, "Com Port Settings"},
    {sc::kFirstStatic + 1, K::Label, 0, 0, "Port"},
    {sc::kPort, K::EditCombo, 0, 1, ""},
    {sc::kFirstStatic + 2, K::Label, 1, 0, "Baud Rate"},
    {sc::kBaudRate, K::EditCombo, 1, 1, ""},
    {sc::kFirstStatic + 3, K::Label, 2, 0, "Data Bits"},
    {sc::kDataBits, K::EditCombo, 2, 1, ""},
    {sc::kFirstStatic + 4, K::Label, 0, 2, "Parity"},
    {sc::kParity, K::EditCombo, 0, 3, ""},
    {sc::kFirstStatic + 5, K::Label, 1, 2, "Stop Bits"},
    {sc::kStopBits, K::EditCombo, 1, 3, ""},
    {sc::kCts, K::CheckBox, 2, 2, "CTS:"},
    {sc::kRts, K::CheckBox, 2, 3, "RTS:"},

    {sc::kFirstStatic + 10, K::Frame, 0, 1, "Protocol"},
    {sc::kProtocolFramed, K::CheckBox, 0, 0, "<STX> <Data> <CRC> <ETX>"},
    {sc::kProtocolDataCr, K::CheckBox, 1, 0, "<Data> <CR>"},
    {sc::kProtocolData, K::CheckBox, 2, 0, "<Data>"},

    {sc::kFirstStatic + 20, K::Frame, 1, 0, "Keyboard Simulation"},
    {sc::kFirstStatic + 21, K::Label, 0, 1, "add start"},
    {sc::kFirstStatic + 22, K::Label, 0, 2, "replace"},
    {sc::kFirstStatic + 23, K::Label, 0, 4, "add end"},
    {sc::kFirstStatic + 24, K::Label, 1, 2, "from"},
    {sc::kFirstStatic + 25, K::Label, 1, 3, "to"},
    // Rows 2 to 6 (the five text rows) follow from the tables in BuildControls.
    {sc::kInvert, K::CheckBox, 7, 1, "HEX Invert"},
    {sc::kHex2Dez, K::CheckBox, 8, 1, "HEX -> DEZ"},
    {sc::kHex8ToDec8, K::CheckBox, 9, 1, "8 HEX -> 8 DEZ"},
    {sc::kHex210Dez, K::CheckBox, 10, 1, "HEX -> 10 DEZ "},
    {sc::kHex210DezMotorola, K::CheckBox, 11, 1, "HEX -> 10 DEZ Motorola"},
    {sc::kHex2Left8Hex, K::CheckBox, 8, 3, "HEX -> Byte 0..3 HEX"},
    {sc::kHex2Left8Hex2Dez, K::CheckBox, 9, 3, "HEX -> Byte 0..3 HEX --> DEZ"},
    {sc::kHex2Iso, K::CheckBox, 10, 3, "HEX -> ISO"},
    {sc::kHex2Bde, K::CheckBox, 11, 3, "HEX -> BDE"},
    {sc::kTypeAnyText, K::CheckBox, 7, 3, "type any text (unsafe)"},
    {sc::kHint, K::Label, 12, 0, kSettingsHint},
    {sc::kFirstStatic + 26, K::Label, 13, 0, "keyboard layout"},
    {sc::kKeyboardLayout, K::Edit, 13, 1, ""},

    {sc::kFirstStatic + 50, K::Frame, 2, 0, "Language"},
    {sc::kLanguage, K::EditCombo, 0, 0, ""},

    {sc::kFirstStatic + 40, K::Frame, 3, 0, ""},
    {sc::kOk, K::Button, 0, 0, "OK"},
    {sc::kCancel, K::Button, 0, 1, "Cancel"},
};

constexpr int kTextRowsFirstRow = 2;
constexpr int kRowLabelsFirstId = sc::kFirstStatic + 30;

// INI keys of the controls, in tab order.
struct KeyEntry {
  const char* key;
  int id;
};

constexpr KeyEntry kKeys[] = {
    {"port", sc::kPort},
    {"baudrate", sc::kBaudRate},
    {"databits", sc::kDataBits},
    {"parity", sc::kParity},
    {"stopbits", sc::kStopBits},
    {"CTS", sc::kCts},
    {"RTS", sc::kRts},
    {"protocol", sc::kProtocolFramed},
    {"add_start_1", sc::kAddStart[0]},
    {"replace_from_1", sc::kReplaceFrom[0]},
    {"replace_to_1", sc::kReplaceTo[0]},
    {"add_end_1", sc::kAddEnd[0]},
    {"add_start_2", sc::kAddStart[1]},
    {"replace_from_2", sc::kReplaceFrom[1]},
    {"replace_to_2", sc::kReplaceTo[1]},
    {"add_end_2", sc::kAddEnd[1]},
    {"add_start_3", sc::kAddStart[2]},
    {"replace_from_3", sc::kReplaceFrom[2]},
    {"replace_to_3", sc::kReplaceTo[2]},
    {"add_end_3", sc::kAddEnd[2]},
    {"add_start_4", sc::kAddStart[3]},
    {"replace_from_4", sc::kReplaceFrom[3]},
    {"replace_to_4", sc::kReplaceTo[3]},
    {"add_end_4", sc::kAddEnd[3]},
    {"add_start_5", sc::kAddStart[4]},
    {"replace_from_5", sc::kReplaceFrom[4]},
    {"replace_to_5", sc::kReplaceTo[4]},
    {"add_end_5", sc::kAddEnd[4]},
    {"invert", sc::kInvert},
    {"hex2dez", sc::kHex2Dez},
    {"8hex28dez", sc::kHex8ToDec8},
    {"hex210dez", sc::kHex210Dez},
    {"hex210dezmotorola", sc::kHex210DezMotorola},
    {"hex2left8hex", sc::kHex2Left8Hex},
    {"hex2left8hex2dez", sc::kHex2Left8Hex2Dez},
    {"hex2iso", sc::kHex2Iso},
    {"hex2bde", sc::kHex2Bde},
    {"type_any_text", sc::kTypeAnyText},
    {"keyboard_layout", sc::kKeyboardLayout},
    {"language", sc::kLanguage},
};

std::optional<int> ControlOfKey(std::string_view key) {
  for (const KeyEntry& entry : kKeys) {
    if (key == entry.key) return entry.id;
  }
  return std::nullopt;
}

constexpr std::array<int, 3> kProtocolButtons = {sc::kProtocolFramed, sc::kProtocolDataCr,
                                                 sc::kProtocolData};

// The conversion members and settings texts, box by box.
struct Conversion {
  int id;
  int SettingsDialog::*member;
  std::string AppSettings::*setting;
};

constexpr Conversion kConversionFields[] = {
    {sc::kInvert, &SettingsDialog::invert, &AppSettings::invert},
    {sc::kHex2Dez, &SettingsDialog::hex2dez, &AppSettings::hex2dez},
    {sc::kHex8ToDec8, &SettingsDialog::hex8ToDec8, &AppSettings::hex8ToDec8},
    {sc::kHex210Dez, &SettingsDialog::hex210dez, &AppSettings::hex210dez},
    {sc::kHex210DezMotorola, &SettingsDialog::hex210dezmotorola, &AppSettings::hex210dezmotorola},
    {sc::kHex2Left8Hex, &SettingsDialog::hex2left8hex, &AppSettings::hex2left8hex},
    {sc::kHex2Left8Hex2Dez, &SettingsDialog::hex2left8hex2dez, &AppSettings::hex2left8hex2dez},
    {sc::kHex2Iso, &SettingsDialog::hex2iso, &AppSettings::hex2iso},
    {sc::kHex2Bde, &SettingsDialog::hex2bde, &AppSettings::hex2bde},
};

struct TextGroup {
  const std::array<int, 5>& ids;
  std::array<std::string, 5> SettingsDialog::*member;
  std::array<std::string, 5> AppSettings::*setting;
};

const TextGroup kTextGroups[] = {
    {sc::kAddStart, &SettingsDialog::addStart, &AppSettings::addStart},
    {sc::kReplaceFrom, &SettingsDialog::replaceFrom, &AppSettings::replaceFrom},
    {sc::kReplaceTo, &SettingsDialog::replaceTo, &AppSettings::replaceTo},
    {sc::kAddEnd, &SettingsDialog::addEnd, &AppSettings::addEnd},
};

bool IsConversion(int id) {
  return std::find(sc::kConversions.begin(), sc::kConversions.end(), id) != sc::kConversions.end();
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Case-insensitive first, as a sorted list box compares; byte order breaks ties so that
// the order never depends on the input order.
bool TextBefore(const std::string& a, const std::string& b) {
  const auto lowerLess = [](char x, char y) {
    return static_cast<unsigned char>(Lower(x)) < static_cast<unsigned char>(Lower(y));
  };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), lowerLess)) {
    return true;
  }
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), lowerLess)) {
    return false;
  }
  return a < b;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Codes and texts

std::uint8_t ParityCode(const std::string& text) {
  if (text == "Even") return platform::kEvenParity;
  if (text == "Mark") return platform::kMarkParity;
  if (text == "Odd") return platform::kOddParity;
  if (text == "Space") return platform::kSpaceParity;
  return platform::kNoParity;
}

std::string StopBitsText(std::uint8_t code) {
  if (code == platform::kTwoStopBits) return "2";
  if (code == platform::kOne5StopBits) return "1.5";
  return "1";
}

std::uint8_t StopBitsCode(const std::string& text) {
  if (text == "2") return platform::kTwoStopBits;
  if (text == "1.5") return platform::kOne5StopBits;
  return platform::kOneStopBit;
}

std::vector<std::string> SortedPortNames(const std::string& listText) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start < listText.size()) {
    std::size_t end = listText.find(';', start);
    if (end == std::string::npos) end = listText.size();
    if (end > start) names.push_back(listText.substr(start, end - start));
    start = end + 1;
  }
  std::sort(names.begin(), names.end(), TextBefore);
  return names;
}

// ---------------------------------------------------------------------------------------
// Between the dialog and the settings

void FillSettingsDialog(const AppSettings& s, SettingsDialog& d) {
  d.portName = s.port;
  d.baudRate = platform::FormatInt(s.baudrate);
  d.dataBits = platform::FormatInt(s.databits);
  d.parity = ParityText(s.parity);
  d.stopBits = StopBitsText(s.stopbits);
  d.cts = s.CTS == 1 ? 1 : 0;
  d.rts = s.RTS == 1 ? 1 : 0;
  d.protocol = s.protocol;
  for (const TextGroup& group : kTextGroups) d.*group.member = s.*group.setting;
  for (const Conversion& c : kConversionFields) d.*c.member = (s.*c.setting == "1") ? 1 : 0;
  d.typeAnyText = s.type_any_text ? 1 : 0;
  d.keyboardLayout = s.keyboard_layout;
  d.language = s.language.empty() ? kSystemLanguage : s.language;
}

bool LineSettingsChanged(const SettingsDialog& d, const AppSettings& s) {
  const bool unchanged = d.portName == s.port && platform::Atol32(d.baudRate) == s.baudrate &&
                         platform::Atol32(d.dataBits) == s.databits &&
                         ParityCode(d.parity) == s.parity &&
                         StopBitsCode(d.stopBits) == s.stopbits && d.cts == s.CTS && d.rts == s.RTS;
  return !unchanged;
}

void ApplySettingsDialog(const SettingsDialog& d, AppSettings& s) {
  s.port = d.portName;
  s.baudrate = platform::Atol32(d.baudRate);
  s.databits = platform::Atol32(d.dataBits);
  s.parity = ParityCode(d.parity);
  s.stopbits = StopBitsCode(d.stopBits);
  s.CTS = d.cts;
  s.RTS = d.rts;
  s.protocol = d.protocol;
  for (const TextGroup& group : kTextGroups) s.*group.setting = d.*group.member;
  for (const Conversion& c : kConversionFields)
    (s.*c.setting).assign(1, d.*c.member != 0 ? '1' : '0');
  s.type_any_text = d.typeAnyText != 0;
  s.keyboard_layout = d.keyboardLayout;
  s.language = d.language == kSystemLanguage ? "" : d.language;
}

// ---------------------------------------------------------------------------------------
// The dialog

SettingsDialog::SettingsDialog(PortLister lister) : lister_(std::move(lister)) {
  BuildControls();
}

void SettingsDialog::BuildControls() {
  const auto add = [this](int id, K kind, int row, int column, std::string text) {
    ControlState state;
    state.id = id;
    state.kind = kind;
    state.row = row;
    state.column = column;
    state.text = std::move(text);
    controls_.Add(std::move(state));
  };
  for (const ControlSpec& entry : kControls) {
    add(entry.id, entry.kind, entry.row, entry.column, entry.text);
    // The five text rows follow the column captions.
    if (entry.id != sc::kFirstStatic + 25) continue;
    for (int row = 0; row < 5; ++row) {
      const auto i = static_cast<std::size_t>(row);
      const int gridRow = kTextRowsFirstRow + row;
      add(kRowLabelsFirstId + row, K::Label, gridRow, 0, std::to_string(row + 1));
      add(sc::kAddStart[i], K::Edit, gridRow, 1, "");
      add(sc::kReplaceFrom[i], K::Edit, gridRow, 2, "");
      add(sc::kReplaceTo[i], K::Edit, gridRow, 3, "");
      add(sc::kAddEnd[i], K::Edit, gridRow, 4, "");
    }
  }
}

bool SettingsDialog::IsProtocolButton(int id) {
  return std::find(kProtocolButtons.begin(), kProtocolButtons.end(), id) != kProtocolButtons.end();
}

void SettingsDialog::FillPortList() {
  const std::string list = lister_ ? lister_() : listPort_.ListPorts();
  std::vector<std::string> names = SortedPortNames(list);
  if (!lister_) {
    // A USB adapter's stable name beside the kernel's, which changes with the order of
    // plugging: picking it keeps the port when the adapter comes back.
    const std::vector<platform::PortInfo> infos = platform::ListPortInfo();
    std::vector<std::string> withLinks;
    for (const std::string& name : names) {
      withLinks.push_back(name);
      for (const platform::PortInfo& info : infos) {
        if (info.name != name) continue;
        withLinks.insert(withLinks.end(), info.byIdNames.begin(), info.byIdNames.end());
      }
    }
    names = std::move(withLinks);
  }
  controls_.SetItems(sc::kPort, names);
}

void SettingsDialog::OnInitDialog() {
  FillPortList();
  controls_.SetItems(sc::kBaudRate, List(kBaudRates));
  controls_.SetItems(sc::kDataBits, List(kDataBitsList));
  controls_.SetItems(sc::kParity, List(kParities));
  controls_.SetItems(sc::kStopBits, List(kStopBitsList));
  controls_.SetItems(sc::kLanguage, List(kLanguageList));
  controls_.SetText(sc::kHint, kSettingsHint);
  UpdateData(false);
}

struct SettingsDialog::DataBinding {
  int id;
  std::string* text;
  int* check;
};

std::vector<SettingsDialog::DataBinding> SettingsDialog::DataBindings() {
  std::vector<DataBinding> bindings = {
      {sc::kPort, &portName, nullptr},     {sc::kBaudRate, &baudRate, nullptr},
      {sc::kDataBits, &dataBits, nullptr}, {sc::kParity, &parity, nullptr},
      {sc::kStopBits, &stopBits, nullptr}, {sc::kCts, nullptr, &cts},
      {sc::kRts, nullptr, &rts},
  };
  for (const TextGroup& group : kTextGroups) {
    auto& texts = this->*group.member;
    for (std::size_t i = 0; i < texts.size(); ++i)
      bindings.push_back({group.ids[i], &texts[i], nullptr});
  }
  for (const Conversion& c : kConversionFields)
    bindings.push_back({c.id, nullptr, &(this->*c.member)});
  bindings.push_back({sc::kTypeAnyText, nullptr, &typeAnyText});
  bindings.push_back({sc::kKeyboardLayout, &keyboardLayout, nullptr});
  bindings.push_back({sc::kLanguage, &language, nullptr});
  return bindings;
}

void SettingsDialog::ShowComboText(int id, const std::string& text) {
  // The entry that reads exactly like the text is selected; any other text is shown as
  // typed. (A prefix match would show "COM10" for a configured "COM1" that is missing.)
  const auto& items = controls_.at(id).items;
  const auto it = std::find(items.begin(), items.end(), text);
  if (it != items.end()) {
    controls_.SetSelection(id, static_cast<int>(it - items.begin()));
  } else {
    if (controls_.at(id).selection != -1) controls_.SetSelection(id, -1);
    controls_.SetText(id, text);
  }
}

void SettingsDialog::UpdateData(bool saveAndValidate) {
  for (const DataBinding& b : DataBindings()) {
    const ControlState& c = controls_.at(b.id);
    if (saveAndValidate) {
      if (b.text) *b.text = c.text;
      if (b.check) *b.check = c.checked ? 1 : 0;
    } else if (b.text && c.kind == K::EditCombo) {
      ShowComboText(b.id, *b.text);
    } else if (b.text) {
      controls_.SetText(b.id, *b.text);
    } else if (b.check) {
      controls_.SetChecked(b.id, *b.check != 0);
    }
  }
  // The radio group: the index of the checked button. With none checked (a value from the
  // file outside 0 to 2) the value stays as it was rather than becoming -1.
  for (std::size_t i = 0; i < kProtocolButtons.size(); ++i) {
    const int id = kProtocolButtons[i];
    if (saveAndValidate) {
      if (controls_.at(id).checked) protocol = static_cast<int>(i);
    } else {
      controls_.SetChecked(id, protocol == static_cast<int>(i));
    }
  }
}

void SettingsDialog::OnConversionClicked(int id) {
  UpdateData(true);
  for (const Conversion& c : kConversionFields) {
    if (c.id != id && c.id != sc::kInvert) this->*c.member = 0;
  }
  UpdateData(false);
}

bool SettingsDialog::OnCommand(int id, int code) {
  if (ended() || code != kClicked) return false;
  if (id == sc::kOk) {
    OnOK();
  } else if (id == sc::kCancel) {
    OnCancel();
  } else if (IsConversion(id)) {
    OnConversionClicked(id);
  } else {
    return false;
  }
  return true;
}

void SettingsDialog::OnOK() {
  UpdateData(true);
  result_ = id::kOk;
}

void SettingsDialog::OnCancel() {
  result_ = id::kCancel;
}

// ---------------------------------------------------------------------------------------
// Scripted input

std::vector<std::string> SettingsDialog::Keys() {
  std::vector<std::string> keys;
  for (const KeyEntry& entry : kKeys) keys.emplace_back(entry.key);
  return keys;
}

bool SettingsDialog::SetValue(std::string_view key, const std::string& value) {
  const std::optional<int> id = ControlOfKey(key);
  if (!id) return false;
  if (*id == sc::kProtocolFramed) {
    if (value.size() != 1 || value[0] < '0' || value[0] > '2') return false;
    const int chosen = kProtocolButtons[static_cast<std::size_t>(value[0] - '0')];
    for (const int button : kProtocolButtons) controls_.UserSetChecked(button, button == chosen);
    OnCommand(chosen);
    return true;
  }
  const ControlState& c = controls_.at(*id);
  if (c.kind == K::CheckBox) {
    if (value != "0" && value != "1") return false;
    controls_.UserSetChecked(*id, value == "1");
    OnCommand(*id);
    return true;
  }
  // A typed text; a combo shows its entry as selected when the text matches one.
  const auto it = std::find(c.items.begin(), c.items.end(), value);
  controls_.UserSetSelection(*id,
                             it != c.items.end() ? static_cast<int>(it - c.items.begin()) : -1);
  controls_.UserSetText(*id, value);
  return true;
}

std::optional<std::string> SettingsDialog::ValueProblem(std::string_view key,
                                                        std::string_view value) {
  const std::optional<int> id = ControlOfKey(key);
  if (!id) return std::string(key) + " is no setting";
  const auto oneOf = [&](std::span<const char* const> texts) -> std::optional<std::string> {
    if (std::find(texts.begin(), texts.end(), value) != texts.end()) return std::nullopt;
    std::string rule = std::string(key) + " takes ";
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (i > 0) rule += i + 1 == texts.size() ? " or " : ", ";
      rule += texts[i];
    }
    return rule;
  };
  static constexpr const char* kProtocols[] = {"0", "1", "2"};
  static constexpr const char* kSwitch[] = {"0", "1"};
  if (*id == sc::kProtocolFramed) return oneOf(kProtocols);
  if (*id == sc::kDataBits) return oneOf(kDataBitsList);
  if (*id == sc::kParity) return oneOf(kParities);
  if (*id == sc::kStopBits) return oneOf(kStopBitsList);
  if (*id == sc::kBaudRate) {
    const bool digits =
        !value.empty() && value.size() <= 9 &&
        std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits && platform::Atol32(value) > 0) return std::nullopt;
    return std::string(key) + " takes a whole number of bits per second";
  }
  if (*id == sc::kCts || *id == sc::kRts || *id == sc::kInvert || *id == sc::kTypeAnyText ||
      IsConversion(*id)) {
    return oneOf(kSwitch);
  }
  // The settings file keeps one line per key.
  if (value.find_first_of("\r\n") != std::string_view::npos) {
    return std::string(key) + " takes no line break";
  }
  return std::nullopt;
}

std::optional<std::string> SettingsDialog::Value(std::string_view key) const {
  const std::optional<int> id = ControlOfKey(key);
  if (!id) return std::nullopt;
  if (*id == sc::kProtocolFramed) {
    for (std::size_t i = 0; i < kProtocolButtons.size(); ++i) {
      if (controls_.at(kProtocolButtons[i]).checked) return std::to_string(i);
    }
    return std::string();
  }
  const ControlState& c = controls_.at(*id);
  if (c.kind == K::CheckBox) return std::string(c.checked ? "1" : "0");
  return c.text;
}

}  // namespace tagline::app
