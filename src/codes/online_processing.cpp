// ONLINE mode: codes the reader sends on its own are acknowledged, shown, filtered,
// converted and typed into the focused application by simulated key presses.
#include <array>
#include <cstdio>
#include <string_view>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "codes/code_text.h"
#include "codes/online_conversions.h"
#include "platform/home_directory.h"
#include "platform/keyboard.h"
#include "serial/frame.h"

namespace tagline::app {

namespace {

constexpr int kBitmapLogOn = 145;
constexpr int kBitmapLogOff = 144;
constexpr std::uint32_t kKeyPauseMs = 5;
constexpr std::uint32_t kF12PauseMs = 250;
constexpr char kF12Char = 0x1E;
constexpr char kShiftEnterChar = 0x1F;

enum TextKind : unsigned { kStart = 1, kEnd = 2, kFrom = 4, kTo = 8 };

struct Token {
  std::string_view text;
  char character;
  unsigned kinds;
};

constexpr std::array<Token, 9> kTokens = {{
    {"<cr>", 0x0D, kStart | kEnd | kFrom | kTo},
    {"<lf>", 0x0A, kStart | kEnd | kFrom | kTo},
    {"<stx>", 0x02, kStart | kEnd | kFrom | kTo},
    {"<etx>", 0x03, kStart | kEnd | kFrom | kTo},
    {"<ack>", 0x06, kStart | kEnd | kFrom | kTo},
    {"<nak>", 0x15, kStart | kEnd | kFrom | kTo},
    {"<tab>", 0x09, kStart | kEnd | kFrom | kTo},
    {"<F12>", kF12Char, kStart | kEnd | kTo},
    {"<CR>", kShiftEnterChar, kEnd | kTo},
}};

// A text that is exactly one token the kind accepts stands for its character.
std::string Resolve(const std::string& text, TextKind kind) {
  for (const Token& token : kTokens) {
    if ((token.kinds & kind) != 0 && text == token.text) return std::string(1, token.character);
  }
  return text;
}

bool HoldsAny(const std::string& text, std::initializer_list<std::string_view> words) {
  for (const std::string_view word : words) {
    if (text.find(word) != std::string::npos) return true;
  }
  return false;
}

std::string RemoveFrameBytes(std::string text) {
  std::erase_if(text, [](char c) {
    return c == serial::kStx || c == serial::kAck || c == serial::kEtx || c == '\r' || c == '\n';
  });
  return text;
}

}  // namespace

void MainDialog::ProcessOnlineFrame(serial::CommandExchange::FrameEnd end) {
  const bool etx = end == serial::CommandExchange::FrameEnd::Etx;
  std::string& buffer = exchange_.onlineBuffer;
  if (etx) port_.Write(std::string{serial::kStx, serial::kAck, serial::kEtx});

  buffer = RemoveFrameBytes(std::move(buffer));
  if (buffer.empty()) return;
  buffer += "\r\n";
  exchange_.receivedPane += buffer;
  exchange_.sentPane += "\r\n";

  const bool linkMessage = etx ? HoldsAny(buffer, {"DISCONNECT"})
                               : HoldsAny(buffer, {"RING", "CARRIER", "CONNECT", "READY", "CALL",
                                                   "SYNTAX", "CLOSE", "+++", "XXX"});
  const bool repeated = buffer == exchange_.lastOnlineCode && !doubleCodes;
  if (!linkMessage && !repeated) TypeCode(ConvertOnlineCode(buffer));

  exchange_.lastOnlineCode = buffer;
  buffer.clear();
}

bool MainDialog::ConversionOn(codes::OnlineConversion conversion) const {
  using C = codes::OnlineConversion;
  const std::string* flag = nullptr;
  switch (conversion) {
    case C::Invert:
      flag = &settings_.invert;
      break;
    case C::HexToDecimal:
      flag = &settings_.hex2dez;
      break;
    case C::Hex8ToDecimal8:
      flag = &settings_.hex8ToDec8;
      break;
    case C::HexToDecimal10:
      flag = &settings_.hex210dez;
      break;
    case C::HexToDecimal10Motorola:
      flag = &settings_.hex210dezmotorola;
      break;
    case C::HexLeft8:
      flag = &settings_.hex2left8hex;
      break;
    case C::HexLeft8ToDecimal:
      flag = &settings_.hex2left8hex2dez;
      break;
    case C::HexToIso:
      flag = &settings_.hex2iso;
      break;
    case C::HexToBde:
      flag = &settings_.hex2bde;
      break;
  }
  return flag != nullptr && *flag == "1";
}

std::string MainDialog::ConvertOnlineCode(std::string& code) const {
  // "invert" combines with one other conversion; of the others the first that is on and
  // whose length test holds decides.
  int hex = codes::IsHexText(code);
  if (ConversionOn(codes::OnlineConversion::Invert) && hex > 0) {
    code = codes::ApplyOnlineConversion(codes::OnlineConversion::Invert, code);
    hex = codes::IsHexText(code);
  }
  for (const auto conversion : codes::kOnlineConversions) {
    if (conversion == codes::OnlineConversion::Invert) continue;
    if (ConversionOn(conversion) && hex >= codes::MinimumHexLength(conversion)) {
      return codes::ApplyOnlineConversion(conversion, code);
    }
  }
  return code;
}

std::string MainDialog::ComposeTypedText(std::string text) const {
  for (std::size_t k = 0; k < 5; ++k) {
    const std::string start = Resolve(settings_.addStart[k], kStart);
    if (!start.empty()) text.insert(0, start);
    const std::string from = Resolve(settings_.replaceFrom[k], kFrom);
    if (!from.empty()) {
      const std::string to = Resolve(settings_.replaceTo[k], kTo);
      // Searching again at the insertion point would find a replacement that holds its
      // own search text forever; then the search goes on after the inserted text.
      const bool selfContaining = to.find(from) != std::string::npos;
      std::size_t p = text.find(from);
      while (p != std::string::npos) {
        text.replace(p, from.size(), to);
        p = text.find(from, selfContaining ? p + to.size() : p);
      }
    }
    const std::string end = Resolve(settings_.addEnd[k], kEnd);
    if (!end.empty()) text += end;
  }
  return text;
}

void MainDialog::TypeCode(const std::string& code) {
  const std::string text = ComposeTypedText(code);
  for (const char c : text) {
    const bool shift = (c >= 'A' && c <= 'Z') || c == ':' || c == kShiftEnterChar;
    if (keyboard_) keyboard_->Character(c);
    if (shift && keyboard_) keyboard_->KeyEvent(platform::kVkShift, false);
    std::uint8_t key = 0;
    switch (c) {
      case '\r':
        key = platform::kVkReturn;
        break;
      case '\n':
        key = 0x0A;
        break;
      case kF12Char:
        key = platform::kVkF12;
        break;
      case kShiftEnterChar:
        key = platform::kVkReturn;
        break;
      default: {
        const std::int16_t scan = keyboard_ ? keyboard_->KeyScan(c) : platform::VkKeyScanA(c);
        key = static_cast<std::uint8_t>(scan & 0xFF);
        break;
      }
    }
    controls_.SetFocus(ctl::kKeyboardField);
    if (keyboard_) {
      keyboard_->KeyEvent(key, false);
      keyboard_->Pause(kKeyPauseMs);
      keyboard_->KeyEvent(key, true);
      keyboard_->Pause(kKeyPauseMs);
      keyboard_->KeyEvent(platform::kVkShift, true);
      if (key == platform::kVkF12) keyboard_->Pause(kF12PauseMs);
    }
    if (protocolEnabled) AppendToProtocol(c);
  }
}

void MainDialog::AppendToProtocol(char c) const {
  // Append mode creates a missing file and never truncates; a file that cannot be opened
  // is skipped for this character.
  std::FILE* file = std::fopen(settings_.keyboard_sim_prot_path.c_str(), "ab");
  if (file == nullptr) return;
  std::fputc(static_cast<unsigned char>(c), file);
  std::fclose(file);
}

void MainDialog::OnProtocolToggle() {
  UpdateData(true);
  if (protocolEnabled) {
    protocolEnabled = false;
    controls_.SetImage(ctl::kLogging, kBitmapLogOff);
    controls_.Enable(ctl::kLogFile, true);
  } else {
    protocolEnabled = true;
    controls_.SetImage(ctl::kLogging, kBitmapLogOn);
    controls_.Enable(ctl::kLogFile, false);
  }
  UpdateData(false);
}

void MainDialog::OnChooseProtocolFile() {
  UpdateData(true);
  FileDialogRequest request;
  request.title = "Keyboard simulation protocol file";
  request.initialPath = settings_.keyboard_sim_prot_path;
  request.defaultExtension = "csv";
  request.filters = {{"Comma Separated Values (*.csv)", "*.csv"}, {"Alle (*.*)", "*.*"}};
  if (const auto chosen = host_.SaveFileDialog(request)) settings_.keyboard_sim_prot_path = *chosen;
  if (settings_.keyboard_sim_prot_path.empty()) {
    settings_.keyboard_sim_prot_path = DefaultProtocolPath();
  }
  UpdateData(false);
}

std::string MainDialog::DefaultProtocolPath() {
#ifdef _WIN32
  return "C:\\KeyboardSimProt.csv";
#else
  return platform::HomeDirectory() + "/KeyboardSimProt.csv";
#endif
}

}  // namespace tagline::app
