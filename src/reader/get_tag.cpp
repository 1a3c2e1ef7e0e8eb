// SPDX-License-Identifier: Apache-2.0
#include "reader/get_tag.h"

#include <array>

#include "codes/iso_code.h"
#include "platform/local_time.h"
#include "platform/tick_count.h"
#include "serial/frame.h"

namespace tagline::reader {

namespace {

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

// "MM/DD/YY hh:mm:ss" rearranged to "DD.MM.YY hh:mm:ss ".
std::string TimeStamp(const std::tm& now) {
  const std::string c = platform::FormatCTime(now);
  return c.substr(3, 2) + "." + c.substr(0, 2) + "." + c.substr(c.size() - 11) + " ";
}

// What the GT row shows of a reply: the code in the number format the reader is set to.
struct TagText {
  std::string text;
  bool formatError = false;  // the code does not fit the format
  bool clearPanes = false;   // a bad frame that is not to be shown
};

TagText DecodeTag(char type, const std::string& code, const std::string& reply,
                  const job::AppSettings& settings) {
  const int format = settings.fragmentation;
  TagText out;
  std::string& result = out.text;
  bool& formatError = out.formatError;
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
        if (settings.showbadframe == 1) {
          result = code;
        } else {
          out.clearPanes = true;
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
  return out;
}

}  // namespace

bool ReadTag(job::JobEnvironment& env, std::string& result) {
  protocol::ReaderProtocol& reader = env.reader();
  job::Transcript& transcript = env.transcript();
  const job::AppSettings& settings = env.settings();

  // Presence probe: a reader that does not answer the version request is not there.
  if (!reader.ProbeVersion()) return false;

  result.clear();
  const protocol::Reply tag = reader.GetTag();
  std::string reply = tag.raw;
  if (reply.empty()) return false;
  // A frame damaged on the way holds no code to show; shown as such, it is no read.
  if (tag.damaged() && reply.find(serial::kStx) != std::string::npos) {
    transcript.Received(protocol::kBadFrameText);
    transcript.EndLine();
    result = protocol::kBadFrameText;
    return false;
  }

  const auto show = [&](const std::string& text) {
    transcript.Received(text);
    result += text;
  };
  // A lone NAK or BEL, or any other unframed answer, holds no code.
  if (reply.find_first_of(std::string{serial::kStx, serial::kEtx}) == std::string::npos) {
    show(reply);
    return false;
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

  if (settings.onltyp != 0) show(TypeWord(type));
  if (settings.time != 0) show(TimeStamp(env.LocalTime()));

  const TagText shown = DecodeTag(type, code, reply, settings);
  if (shown.clearPanes) {
    transcript.ClearReceived();
    result.clear();
  }
  const bool formatError = shown.formatError;
  show(shown.text);
  transcript.EndLine();

  if (settings.beeper != 0 && type != '0') {
    if (formatError) {
      for (int i = 0; i < 3; ++i) {
        if (i > 0) platform::SleepMs(10);
        env.Beep(970, 60);
      }
    } else {
      env.Beep(750, 100);
    }
  }
  // "NoREAD" and a NAK frame say there is no tag; a code that does not fit the output
  // format was read all the same.
  return type != '0' && !code.empty();
}

}  // namespace tagline::reader
