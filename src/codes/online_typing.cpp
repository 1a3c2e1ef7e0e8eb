// SPDX-License-Identifier: Apache-2.0
#include "codes/online_typing.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "codes/code_text.h"
#include "codes/online_code_check.h"
#include "codes/online_conversions.h"
#include "platform/home_directory.h"
#include "platform/keyboard.h"
#include "platform/printable_text.h"
#include "serial/frame.h"

namespace tagline::codes {

namespace {

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

struct FileCloser {
  void operator()(std::FILE* file) const { (void)std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Append mode creates a missing file and never truncates it.
File OpenProtocolFile(const std::string& path) {
  return File(std::fopen(path.c_str(), "ab"));
}

// Why the protocol file does not take a character; nullopt when it took it.
std::optional<std::string> AppendToProtocol(const std::string& path, char c) {
  File file = OpenProtocolFile(path);
  if (!file) return std::strerror(errno);
  if (std::fputc(static_cast<unsigned char>(c), file.get()) == EOF) return std::strerror(errno);
  // The byte reaches the file when it is closed (a full disk shows only there).
  if (std::fclose(file.release()) != 0) return std::strerror(errno);
  return std::nullopt;
}

std::string RemoveFrameBytes(std::string text) {
  std::erase_if(text, [](char c) {
    return c == serial::kStx || c == serial::kAck || c == serial::kEtx || c == '\r' || c == '\n';
  });
  return text;
}

}  // namespace

void OnlineTyping::ProcessFrame(job::JobEnvironment& env, OnlineLine& line, FrameEnd end,
                                bool doubleCodes) {
  const bool etx = end == FrameEnd::Etx;
  std::string text = RemoveFrameBytes(std::move(line.buffer));
  line.buffer.clear();
  if (text.empty()) {
    if (etx) env.reader().AcknowledgeCode();
    return;
  }
  CheckedFrame frame{text, FrameCrc::None};
  if (etx) frame = CheckEtxFrame(text, line.crcSeen);
  const bool anyText = env.settings().type_any_text;
  // A damaged frame is no code the reader may take as delivered; an unchecked special
  // reader gets its answer as before.
  if (etx && (frame.crc != FrameCrc::Damaged || anyText)) env.reader().AcknowledgeCode();
  if (frame.crc == FrameCrc::Valid) line.crcSeen = true;

  env.transcript().Received(text + "\r\n");
  env.transcript().Sent("\r\n");
  if (frame.crc == FrameCrc::Damaged && !anyText) {
    // Not remembered either: the same code arriving whole next is no double.
    env.transcript().Received("// damaged code (CRC), not typed\r\n");
    return;
  }
  std::string code = frame.crc == FrameCrc::Valid ? frame.code : text;
  code += "\r\n";

  const bool linkMessage = etx ? HoldsAny(code, {"DISCONNECT"})
                               : HoldsAny(code, {"RING", "CARRIER", "CONNECT", "READY", "CALL",
                                                 "SYNTAX", "CLOSE", "+++", "XXX"});
  const bool plausible =
      anyText || IsPlausibleCode(std::string_view(code).substr(0, code.size() - 2));
  if (!linkMessage && !plausible) {
    env.transcript().Received("// not a tag code, not typed\r\n");
    return;
  }
  // Doubles are told by the text as received; the conversion works on a copy, so an
  // inverted code never stands in for the previous one.
  const bool repeated = code == line.lastCode && !doubleCodes;
  if (!linkMessage && !repeated && typingAllowed_ && !typingAllowed_()) {
    // Not remembered: the same code once the dialog is closed is typed.
    env.transcript().Received("// a window of this program is open, not typed\r\n");
    return;
  }
  if (!linkMessage && !repeated) {
    // Whatever the settings let through, a control byte from the reader is never a key.
    std::string typed = WithoutControlBytes(code.substr(0, code.size() - 2)) + "\r\n";
    TypeCode(env.settings(), ConvertOnlineCode(env.settings(), std::move(typed)));
    ReportUntypable(env);
  }
  line.lastCode = std::move(code);
}

void OnlineTyping::ReportUntypable(job::JobEnvironment& env) {
  if (!keyboard_) return;
  const std::string missing = keyboard_->TakeUntypable();
  if (!missing.empty()) {
    env.transcript().Received("// not on this keyboard layout, not typed: " +
                              platform::EscapeControlBytes(missing) + "\r\n");
  }
}

namespace {

bool ConversionOn(const job::AppSettings& settings, OnlineConversion conversion) {
  using C = OnlineConversion;
  const std::string* flag = nullptr;
  switch (conversion) {
    case C::Invert:
      flag = &settings.invert;
      break;
    case C::HexToDecimal:
      flag = &settings.hex2dez;
      break;
    case C::Hex8ToDecimal8:
      flag = &settings.hex8ToDec8;
      break;
    case C::HexToDecimal10:
      flag = &settings.hex210dez;
      break;
    case C::HexToDecimal10Motorola:
      flag = &settings.hex210dezmotorola;
      break;
    case C::HexLeft8:
      flag = &settings.hex2left8hex;
      break;
    case C::HexLeft8ToDecimal:
      flag = &settings.hex2left8hex2dez;
      break;
    case C::HexToIso:
      flag = &settings.hex2iso;
      break;
    case C::HexToBde:
      flag = &settings.hex2bde;
      break;
  }
  return flag != nullptr && *flag == "1";
}

// The characters of a hex text other than CR and LF; -1 for a text that is no hex text.
int HexCodeLength(const std::string& text) {
  if (IsHexText(text) < 0) return -1;
  return static_cast<int>(
      std::count_if(text.begin(), text.end(), [](char c) { return c != '\r' && c != '\n'; }));
}

}  // namespace

std::string ConvertOnlineCode(const job::AppSettings& settings, std::string code) {
  // "invert" combines with one other conversion; of the others the first that is on and
  // whose length test holds decides. The length is the code's own, without its line end:
  // counting the CR LF would hand a 14-digit code to "hex2iso", which has nothing to show
  // for fewer than 16 digits.
  int digits = HexCodeLength(code);
  if (ConversionOn(settings, OnlineConversion::Invert) && digits > 0) {
    code = ApplyOnlineConversion(OnlineConversion::Invert, code);
    digits = HexCodeLength(code);
  }
  for (const auto conversion : kOnlineConversions) {
    if (conversion == OnlineConversion::Invert) continue;
    if (ConversionOn(settings, conversion) && digits >= MinimumHexLength(conversion)) {
      return ApplyOnlineConversion(conversion, code);
    }
  }
  return code;
}

std::string ComposeTypedText(const job::AppSettings& settings, std::string text) {
  for (std::size_t k = 0; k < 5; ++k) {
    const std::string start = Resolve(settings.addStart[k], kStart);
    if (!start.empty()) text.insert(0, start);
    const std::string from = Resolve(settings.replaceFrom[k], kFrom);
    if (!from.empty()) {
      const std::string to = Resolve(settings.replaceTo[k], kTo);
      // Searching again at the insertion point would find a replacement that holds its
      // own search text forever; then the search goes on after the inserted text.
      const bool selfContaining = to.find(from) != std::string::npos;
      std::size_t p = text.find(from);
      while (p != std::string::npos) {
        text.replace(p, from.size(), to);
        p = text.find(from, selfContaining ? p + to.size() : p);
      }
    }
    const std::string end = Resolve(settings.addEnd[k], kEnd);
    if (!end.empty()) text += end;
  }
  return text;
}

void OnlineTyping::TypeCode(const job::AppSettings& settings, const std::string& code) {
  const std::string text = ComposeTypedText(settings, code);
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
    if (beforeKey_) beforeKey_();
    if (keyboard_) {
      keyboard_->KeyEvent(key, false);
      keyboard_->Pause(kKeyPauseMs);
      keyboard_->KeyEvent(key, true);
      keyboard_->Pause(kKeyPauseMs);
      keyboard_->KeyEvent(platform::kVkShift, true);
      if (key == platform::kVkF12) keyboard_->Pause(kF12PauseMs);
    }
    if (protocolEnabled_) {
      // The character stays typed; a file that does not take it is skipped for it.
      const auto problem = AppendToProtocol(settings.keyboard_sim_prot_path, c);
      if (problem && protocolFailure_) protocolFailure_(*problem);
    }
  }
}

std::optional<std::string> ProtocolFileProblem(const std::string& path) {
  File file = OpenProtocolFile(path);
  if (!file) return std::strerror(errno);
  return std::nullopt;
}

std::string OnlineTyping::DefaultProtocolPath() {
  return platform::DefaultFilePath("KeyboardSimProt.csv");
}

}  // namespace tagline::codes
