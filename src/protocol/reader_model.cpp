// SPDX-License-Identifier: Apache-2.0
#include "protocol/reader_model.h"

#include <array>

namespace tagline::protocol {

namespace {

// Indexed by the model's value.
constexpr std::array<std::string_view, kReaderModelCount> kNames{
    "NoReply",
    "B21Vip",
    "KtrH9V2",
    "KtrH9V3",
    "B20",
    "V20",
    "Series6From630",
    "Series6Below630",
    "KtrH9V2Rev5",
    "B21",
    "V21",
    "V22",
    "S320",
    "S321",
    "Unrecognised",
    "KtrH9V40",
    "KtrH9V42",
    "KtrH9HfV11",
    "Talvikko",
    "KtrH9HfV12",
    "Fenra",
    "HfV1Recent",
    "V220011",
    "V240000",
    "V25",
    "V26Build0",
    "HfV43",
    "V24",
    "V26Build1",
    "V27",
    "V28",
    "V29",
    "KtrH9HfV43Build27",
    "V26Build12",
    "V26Build13",
    "KtrH9HfV43Build39",
    "KtrH9V43Build39",
    "V29Rev5",
    "KtrH9HfV10Cs3",
    "V26Build18",
    "V29Rev9",
    "KtrH9V43Build54",
};

}  // namespace

std::string_view ReaderModelName(ReaderModel model) {
  const int value = static_cast<int>(model);
  if (value >= 0 && value < kReaderModelCount) return kNames[static_cast<std::size_t>(value)];
  return value == kFailedModel ? "Failed" : "Invalid";
}

}  // namespace tagline::protocol
