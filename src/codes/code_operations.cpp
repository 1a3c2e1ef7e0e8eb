// SPDX-License-Identifier: Apache-2.0
#include "codes/code_operations.h"

#include <array>

#include "codes/online_conversions.h"

namespace tagline::codes {

namespace {

struct NamedDecoder {
  std::string_view name;
  std::string (*decode)(std::string_view hex, BitOrder order);
};

constexpr std::array<NamedDecoder, 6> kDecoders = {{
    {"decode-iso-animal", &DecodeIsoAnimal},
    {"decode-full-animal", &DecodeFullAnimal},
    {"decode-iso-industry", &DecodeIsoIndustry},
    {"decode-manufacturer-serial", &DecodeManufacturerSerial},
    {"decode-retag", &DecodeRetagCounter},
    {"decode-user-info", &DecodeUserInformation},
}};

const NamedDecoder* FindDecoder(std::string_view name) {
  for (const NamedDecoder& decoder : kDecoders) {
    if (decoder.name == name) return &decoder;
  }
  return nullptr;
}

}  // namespace

std::vector<std::string_view> CodeOperationNames() {
  std::vector<std::string_view> names;
  names.reserve(kOnlineConversions.size() + kDecoders.size());
  for (const OnlineConversion conversion : kOnlineConversions) {
    names.push_back(OnlineConversionKey(conversion));
  }
  for (const NamedDecoder& decoder : kDecoders) names.push_back(decoder.name);
  return names;
}

bool UsesBitOrder(std::string_view name) {
  return FindDecoder(name) != nullptr;
}

std::string_view BitOrderName(BitOrder order) {
  return order == BitOrder::TransmissionOrder ? "transmission" : "numeric";
}

std::optional<BitOrder> ParseBitOrder(std::string_view name) {
  if (name == BitOrderName(BitOrder::NumericOrder)) return BitOrder::NumericOrder;
  if (name == BitOrderName(BitOrder::TransmissionOrder)) return BitOrder::TransmissionOrder;
  return std::nullopt;
}

std::optional<std::string> RunCodeOperation(std::string_view name, std::string_view code,
                                            BitOrder order) {
  if (const std::optional<OnlineConversion> conversion = FindOnlineConversion(name)) {
    return ApplyOnlineConversion(*conversion, code);
  }
  if (const NamedDecoder* decoder = FindDecoder(name)) return decoder->decode(code, order);
  return std::nullopt;
}

}  // namespace tagline::codes
