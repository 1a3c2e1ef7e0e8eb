// SPDX-License-Identifier: Apache-2.0
// Reader replies as each consumer parses them. The first byte picks the consumer (and, for
// the ones that depend on them, the reader model and display settings); the rest is the
// reply as it comes off the line:
//   0 the software-version reply (identification and classification)
//   1 the Get Tag reply and its decoders, in every number format
//   2 the clock reply ("R"), and the one-byte answer to setting the clock ("r")
//   3 a parameter read back ("S") through the selection, numeric and tag-type rows, and
//     the pure read-back decoders for every parameter of the model
//   4 reply classes and unframing; a framed reply must unframe to its data
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_context.h"
#include "job/identification.h"
#include "protocol/classify_reader_version.h"
#include "reader/get_tag.h"
#include "reader/parameter_catalogue.h"
#include "reader/parameter_commands.h"
#include "reader/parameter_encoding.h"
#include "reader/reader_clock.h"
#include "reader/tag_type_masks.h"
#include "serial/frame.h"
#include "serial/reply.h"

namespace {

using namespace tagline;
using protocol::ReaderModel;

// A version reply per model group, so the consumers that identify the reader first see
// different models.
constexpr std::string_view kVersions[] = {
    "KTR H9 V2.40", "KTR H9 V3.01", "KTR H9 V4.30054", "KTR H9 V4.20",
    "V2.20011",     "V2.60018",     "V2.90009",        "B2.1 VIP",
    "B2.0",         "S3 2.1",       "Fenra 2.1",       "LMW 1H V4.3",
};

void Version(std::string_view reply) {
  const ReaderModel model = protocol::ClassifyReaderVersion(reply);
  if (protocol::ReaderModelName(model).empty()) std::abort();
  fuzz::FuzzEnvironment env;
  env.line().On("SV", std::string(reply));
  job::IdentifyReader(env, job::VersionEcho::Shown);
}

void GetTag(std::uint8_t selector, std::string_view reply) {
  fuzz::FuzzEnvironment env;
  job::AppSettings& settings = env.settings();
  settings.fragmentation = selector % 7;  // 0..5 are the formats, 6 none of them
  settings.onltyp = (selector >> 3) & 1;
  settings.time = (selector >> 4) & 1;
  settings.showbadframe = (selector >> 5) & 1;
  settings.beeper = 0;  // the beeps of a bad code sleep between them
  env.line().On("SV", serial::FrameCommand("V2.5"));
  env.line().On("GT", std::string(reply));
  std::string result;
  reader::ReadTag(env, result);
}

void Clock(std::string_view reply) {
  fuzz::FuzzEnvironment env;
  env.line().On("R", std::string(reply));
  env.line().On("r", std::string(reply));
  std::string result;
  reader::ReadClock(env, result);
  reader::WriteClock(env, result);
  reader::SetReaderClock(env);
}

// The pure decoders, for every parameter the model offers.
void DecodeParameters(ReaderModel model, std::string_view value) {
  for (const std::string_view name : reader::CatalogueNames(reader::ParameterKind::Selection)) {
    reader::DecodeSelectionValue(name, model, value);
    reader::CodeFormatIndex(value);
    reader::CodeFormatIndexOfCode(value, model);
  }
  // The value split into two-character cells, as several reads deliver them.
  std::vector<std::string> cells;
  for (std::size_t i = 0; i < value.size() && cells.size() < 4; i += 2) {
    cells.emplace_back(value.substr(i, 2));
  }
  for (const std::string_view name : reader::CatalogueNames(reader::ParameterKind::Numeric)) {
    reader::DecodeNumericValue(name, cells);
  }
  for (const auto encoding :
       {reader::ValueEncoding::Byte, reader::ValueEncoding::Word16,
        reader::ValueEncoding::DecimalPairs4, reader::ValueEncoding::DecimalPairs6}) {
    reader::CellNumber(encoding, cells, true);
    reader::CellNumber(encoding, cells, false);
    reader::CellDigits(encoding, cells);
  }
  for (const reader::TagTypeCell& cell : reader::TagTypeCells(model)) {
    reader::DecodeTagTypes(reader::CellAddress(cell.address), value);
  }
  reader::ParseHexByte(value);
}

// The rows' buttons reading a parameter back, the reader answering `reply` to "S".
void ParameterRows(std::uint8_t selector, std::string_view reply) {
  const std::string_view version = kVersions[selector % std::size(kVersions)];
  const ReaderModel model = protocol::ClassifyReaderVersion(version);
  {
    const auto names = reader::OfferedNames(reader::ParameterKind::Selection, model);
    if (!names.empty()) {
      fuzz::FuzzEnvironment env;
      env.line().On("SV", serial::FrameCommand(version));
      env.line().On("S", std::string(reply));
      std::string result;
      reader::WriteOrReadSelection(env, std::string(names[selector % names.size()]), "", result);
    }
  }
  {
    const auto names = reader::OfferedNames(reader::ParameterKind::Numeric, model);
    if (!names.empty()) {
      fuzz::FuzzEnvironment env;
      env.line().On("SV", serial::FrameCommand(version));
      env.line().On("S", std::string(reply));
      std::string value;
      std::string result;
      reader::WriteOrReadNumeric(env, std::string(names[selector % names.size()]), value, result);
    }
  }
  {
    fuzz::FuzzEnvironment env;
    env.line().On("SV", serial::FrameCommand(version));
    env.line().On("S", std::string(reply));
    std::string result;
    reader::WriteOrReadTagTypes(env, "", result);
  }
  // The value as the rows take it: the reply's characters 1 and 2.
  const std::string_view first = reply.substr(0, 3);
  DecodeParameters(model, first.size() > 1 ? first.substr(1) : std::string_view());
  DecodeParameters(model, reply);
}

void Replies(std::string_view reply) {
  for (const auto which : {serial::ReplyByte::First, serial::ReplyByte::Last}) {
    serial::ReplyLogText(serial::ClassifyReply(reply, which));
  }
  if (const auto data = serial::UnframeReply(reply)) {
    // A frame that passes its check is exactly the frame of its data.
    if (serial::FrameCommand(*data) != reply) std::abort();
  }
  // And any data framed passes.
  const auto framed = serial::UnframeReply(serial::FrameCommand(reply));
  if (!framed || *framed != reply) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t consumer = data[0];
  const std::uint8_t selector = data[1];
  const std::string_view reply(reinterpret_cast<const char*>(data + 2), size - 2);
  switch (consumer % 5) {
    case 0:
      Version(reply);
      break;
    case 1:
      GetTag(selector, reply);
      break;
    case 2:
      Clock(reply);
      break;
    case 3:
      ParameterRows(selector, reply);
      break;
    default:
      Replies(reply);
      break;
  }
  return 0;
}
