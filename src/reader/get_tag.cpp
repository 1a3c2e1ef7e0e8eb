// Get Tag ("GT"): one read of the transponder in the reader's field, shown in the number
// format the reader itself is set to, and continuous reading on timer 4.
#include <array>

#include "reader/get_tag.h"

#include "app/control_ids.h"
#include "codes/iso_code.h"
#include "platform/local_time.h"
#include "platform/tick_count.h"
#include "serial/frame.h"

namespace tagline::reader {

namespace {

constexpr std::uint32_t kProbeBytes = 32;
constexpr std::uint32_t kProbeMs = 360;
constexpr int kReplyReads = 1000;
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
                  const app::AppSettings& settings) {
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

// The probe takes only the first bytes of the version reply; the rest of a longer one is
// still arriving and would be read as the tag. Waits for the frame's end (as long as the
// probe may wait) and throws away whatever is queued.
void SkipRestOfVersion(serial::ReaderLink& link, const std::string& probeReply) {
  const bool frameOpen = probeReply.find(serial::kStx) != std::string::npos &&
                         probeReply.find(serial::kEtx) == std::string::npos;
  if (frameOpen) link.CollectUntil(std::string{serial::kEtx}, static_cast<int>(kProbeMs));
  link.FlushInput();
}

}  // namespace

app::CommandResult GetTag::ReadOnce(app::JobContext& ctx) {
  return app::RunButtonCommand(ctx, ctx.fields().gtResult,
                               [&](app::CommandResult& result) { result.ok = Read(ctx); });
}

bool GetTag::Read(app::JobContext& ctx) {
  serial::ReaderLink& link = ctx.link();
  std::string& gtResult = ctx.fields().gtResult;
  const app::AppSettings& settings = ctx.settings();

  // Presence probe: a reader that does not answer the version request is not there.
  serial::ExchangeOptions probe;
  probe.wanted = kProbeBytes;
  probe.timeoutMs = kProbeMs;
  probe.echo = serial::Echo::None;
  const serial::Reply version = link.Exchange("SV", probe);
  if (!version.answered()) return false;
  SkipRestOfVersion(link, version.text);

  gtResult.clear();
  link.Send("GT", serial::Echo::SendField);
  std::string reply =
      link.CollectUntil(std::string{serial::kEtx, serial::kNak, serial::kCr}, kReplyReads);
  if (reply.empty()) return false;

  const auto show = [&](const std::string& text) {
    link.receivedPane() += text;
    gtResult += text;
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
  if (settings.time != 0) show(TimeStamp(ctx.LocalTime()));

  const TagText shown = DecodeTag(type, code, reply, settings);
  if (shown.clearPanes) {
    link.receivedPane().clear();
    gtResult.clear();
  }
  const bool formatError = shown.formatError;
  show(shown.text);
  link.EndReceivedLine();

  if (settings.beeper != 0 && type != '0') {
    if (formatError) {
      for (int i = 0; i < 3; ++i) {
        if (i > 0) platform::SleepMs(10);
        ctx.host().Beep(970, 60);
      }
    } else {
      ctx.host().Beep(750, 100);
    }
  }
  // "NoREAD" and a NAK frame say there is no tag; a code that does not fit the output
  // format was read all the same.
  return type != '0' && !code.empty();
}

void GetTag::ToggleContinuous(app::JobContext& ctx) {
  bool& continuous = ctx.fields().continuousRead;
  if (continuous) {
    continuous = false;
    ctx.host().KillTimer(app::timer::kGetTag);
  } else {
    continuous = true;
    startCursor_ = ctx.host().CursorPosition();
    ctx.host().SetTimer(app::timer::kGetTag, kContinuousPeriodMs);
  }
}

void GetTag::OnTimer(app::JobContext& ctx) {
  ReadOnce(ctx);
  const app::Point now = ctx.host().CursorPosition();
  const int dx = now.x - startCursor_.x;
  const int dy = now.y - startCursor_.y;
  if (dx > kCursorToleranceX || dx < -kCursorToleranceX || dy > kCursorToleranceY ||
      dy < -kCursorToleranceY) {
    ToggleContinuous(ctx);
  } else {
    ctx.host().SetTimer(app::timer::kGetTag, kContinuousPeriodMs);
  }
  ctx.PushControls();
}

}  // namespace tagline::reader
