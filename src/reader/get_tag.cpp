// Get Tag ("GT"): one read of the transponder in the reader's field, shown in the number
// format the reader itself is set to, and continuous reading on timer 4.
#include <array>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "codes/iso_code.h"
#include "platform/local_time.h"
#include "platform/tick_count.h"
#include "serial/frame.h"

namespace tagline::app {

namespace {

constexpr std::uint32_t kProbeBytes = 32;
constexpr std::uint32_t kProbeMs = 360;
constexpr int kReplyReads = 1000;
constexpr std::uint32_t kPollPeriodMs = 250;
constexpr std::uint32_t kContinuousPeriodMs = 200;
constexpr int kCursorToleranceX = 34;
constexpr int kCursorToleranceY = 6;

struct TagType {
  char character;
  const char* word;
};

constexpr std::array<TagType, 14> kTagTypes = {{{'1', "FDX "},
                                                {'2', "ASK "},
                                                {'3', "TRO "},
                                                {'4', "DAT "},
                                                {'5', "DES "},
                                                {'6', "HDX "},
                                                {'7', "HT1 "},
                                                {'8', "HT2 "},
                                                {'9', "PTH "},
                                                {'A', "PK2 "},
                                                {'B', "PK1 "},
                                                {'C', "UID "},
                                                {'D', "FDX "},
                                                {'E', "HDX "}}};

std::string TypeWord(char type) {
  for (const TagType& t : kTagTypes) {
    if (t.character == type) return t.word;
  }
  return {};
}

// The decoder the reader's output format names for FDX and HDX codes; empty result means
// the code does not fit it.
std::string DecodeByOutputFormat(int outputFormat, const std::string& code, codes::BitOrder order) {
  switch (outputFormat) {
    case 1:
      return codes::DecodeFullAnimal(code, order);
    case 2:
      return codes::DecodeIsoIndustry(code, order);
    case 3:
      return codes::DecodeManufacturerSerial(code, order);
    case 4:
    case 5:
      return codes::DecodeIsoAnimal(code, order);
    default:
      return code;
  }
}

bool HoldsFrameEnd(const std::string& chunk) {
  return chunk.find_first_of(std::string{serial::kEtx, serial::kNak, serial::kCr}) !=
         std::string::npos;
}

// "MM/DD/YY hh:mm:ss" rearranged to "DD.MM.YY hh:mm:ss ".
std::string TimeStamp(const std::tm& now) {
  const std::string c = platform::FormatCTime(now);
  return c.substr(3, 2) + "." + c.substr(0, 2) + "." + c.substr(c.size() - 11) + " ";
}

}  // namespace

void MainDialog::OnGetTag() {
  UpdateData(true);
  host_.KillTimer(timer::kPoll);
  if (exchange_.portOpen != 0) {
    ReadTag();
    exchange_.TrimPanes();
  }
  host_.SetTimer(timer::kPoll, kPollPeriodMs);
  UpdateData(false);
}

void MainDialog::ReadTag() {
  exchange_.FlushInput();

  // Presence probe: a reader that does not answer the version request is not there.
  std::string probe;
  port_.Write(serial::FrameCommand("SV"));
  port_.ReadTimed(probe, kProbeBytes, kProbeMs);
  if (probe.empty()) return;

  gtResult.clear();
  port_.Write(serial::FrameCommand("GT"));
  exchange_.sentPane += "GT\r\n";
  exchange_.sendText = "GT";

  std::string reply;
  for (int i = 0; i < kReplyReads; ++i) {
    std::string chunk;
    port_.ReadTimed(chunk, 1, 1);
    reply += chunk;
    if (HoldsFrameEnd(chunk)) break;
  }
  if (reply.empty()) return;

  const auto show = [this](const std::string& text) {
    exchange_.receivedPane += text;
    gtResult += text;
  };
  if (reply.find_first_of(std::string{serial::kStx, serial::kEtx}) == std::string::npos) {
    show(reply);
    return;
  }

  std::erase_if(reply, [](char c) { return c == serial::kStx || c == serial::kEtx; });
  if (reply.size() > 4) reply.resize(reply.size() - 4);

  char type = '\0';
  std::string code;
  if (reply == "NoREAD" || (!reply.empty() && reply.front() == serial::kNak)) {
    type = '0';
  } else if (!reply.empty()) {
    type = reply.back();
    code = reply.substr(0, reply.size() - 1);
  }

  if (settings_.onltyp != 0) show(TypeWord(type));
  if (settings_.time != 0) show(TimeStamp(localClock_()));

  const int format = settings_.fragmentation;
  bool formatError = false;
  std::string result;
  switch (type) {
    case '0':
      result = reply;
      break;
    case '1':
    case '6': {
      const auto order =
          type == '1' ? codes::BitOrder::TransmissionOrder : codes::BitOrder::NumericOrder;
      result = DecodeByOutputFormat(format, code, order);
      if (format >= 1 && format <= 5 && result.empty()) {
        formatError = true;
        if (settings_.showbadframe == 1) {
          result = code;
        } else {
          exchange_.receivedPane.clear();
          gtResult.clear();
        }
      }
      break;
    }
    case 'C':
      result = code.substr(0, 8);
      break;
    case 'D':
    case 'E':
      if (format == 3) {
        const auto order =
            type == 'D' ? codes::BitOrder::TransmissionOrder : codes::BitOrder::NumericOrder;
        result = codes::DecodeManufacturerSerial(code, order);
        if (result.empty()) result = code;
      } else {
        result = code;
        formatError = format != 0;
      }
      break;
    default:
      result = code;
      formatError = format != 0;
      break;
  }
  show(result);
  exchange_.receivedPane += "\r\n";

  if (settings_.beeper != 0 && type != '0') {
    if (formatError) {
      for (int i = 0; i < 3; ++i) {
        if (i > 0) platform::SleepMs(10);
        host_.Beep(970, 60);
      }
    } else {
      host_.Beep(750, 100);
    }
  }
}

void MainDialog::OnContinuousRead() {
  if (continuousRead) {
    continuousRead = false;
    host_.KillTimer(timer::kGetTag);
  } else {
    continuousRead = true;
    continuousReadCursor = host_.CursorPosition();
    host_.SetTimer(timer::kGetTag, kContinuousPeriodMs);
  }
}

void MainDialog::OnGetTagTimer() {
  OnGetTag();
  currentCursor = host_.CursorPosition();
  const int dx = currentCursor.x - continuousReadCursor.x;
  const int dy = currentCursor.y - continuousReadCursor.y;
  if (dx > kCursorToleranceX || dx < -kCursorToleranceX || dy > kCursorToleranceY ||
      dy < -kCursorToleranceY) {
    OnContinuousRead();
  } else {
    host_.SetTimer(timer::kGetTag, kContinuousPeriodMs);
  }
  UpdateData(false);
}

}  // namespace tagline::app
