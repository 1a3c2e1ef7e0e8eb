// SPDX-License-Identifier: Apache-2.0
// The code conversions and encoders on any text, and the round trips that are meant to
// hold (each abort names a broken inverse):
//   - text -> hex -> text gives the text back, whatever its bytes;
//   - a 64-bit code written in either order and read back is the same code, and the two
//     orders are each other's bit reversal;
//   - ISO animal and industry texts and manufacturer-serial texts of valid field values
//     encode to codes that decode to the same texts;
//   - any code decoded to its display texts and encoded again keeps every field the texts
//     carry (the unused bits 48..54 come back as 0);
//   - a parameter value in range written to cells reads back from them;
//   - a frame of any command unframes to the command.
#include <fuzzer/FuzzedDataProvider.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "codes/code_operations.h"
#include "codes/code_text.h"
#include "codes/iso_code.h"
#include "codes/online_conversions.h"
#include "reader/parameter_encoding.h"
#include "serial/frame.h"

namespace {

using namespace tagline;
using codes::BitOrder;

void Check(bool holds) {
  if (!holds) std::abort();
}

std::string Padded(unsigned long long value, int width) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*llu", width, value);
  return text;
}

std::string AnimalCountryText(unsigned int country) {
  return country < 1000 ? Padded(country, 3) : "A" + Padded(country % 100, 2);
}

// Every operation on any text, in both bit orders: nothing but the result is checked.
void RunEverything(std::string_view text) {
  for (const std::string_view name : codes::CodeOperationNames()) {
    for (const BitOrder order : {BitOrder::NumericOrder, BitOrder::TransmissionOrder}) {
      Check(codes::RunCodeOperation(name, text, order).has_value());
    }
  }
  for (const codes::OnlineConversion conversion : codes::kOnlineConversions) {
    codes::ApplyOnlineConversion(conversion, text);
  }
  codes::IsHexText(text);
  codes::ReverseHexBits(text);
  codes::HexToText(text);
  Check(codes::HexToText(codes::TextToHex(text)) == text);
  Check(serial::UnframeReply(serial::FrameCommand(text)) == std::string(text));
}

void CodeRoundTrips(std::uint64_t raw) {
  for (const BitOrder order : {BitOrder::NumericOrder, BitOrder::TransmissionOrder}) {
    Check(codes::ReadCode(codes::WriteCode(raw, order), order) == raw);
  }
  Check(codes::ReverseBits64(codes::ReverseBits64(raw)) == raw);
  Check(codes::ReverseHexBits(codes::WriteCode(raw, BitOrder::NumericOrder)) ==
        codes::WriteCode(raw, BitOrder::TransmissionOrder));

  // Decoded and encoded again: bits 48..54 are not carried by the texts.
  const std::uint64_t kept = raw & ~(std::uint64_t{0x7F} << 48);
  for (const BitOrder order : {BitOrder::NumericOrder, BitOrder::TransmissionOrder}) {
    const std::string hex = codes::WriteCode(raw, order);
    const std::string retag = codes::DecodeRetagCounter(hex, order);
    const std::string user = codes::DecodeUserInformation(hex, order);
    if ((raw >> 63) != 0) {
      Check(codes::EncodeIsoAnimal(codes::DecodeIsoAnimal(hex, order), retag, user, order) ==
            codes::WriteCode(kept, order));
    } else if (((raw >> 38) & 1023U) < 1000) {
      Check(codes::EncodeIsoIndustry(codes::DecodeIsoIndustry(hex, order), retag, user, order) ==
            codes::WriteCode(kept, order));
    }
  }
}

void FieldRoundTrips(FuzzedDataProvider& input) {
  const auto id = input.ConsumeIntegralInRange<std::uint64_t>(0, (std::uint64_t{1} << 38) - 1);
  const auto country = input.ConsumeIntegralInRange<unsigned int>(0, 1023);
  const auto user = input.ConsumeIntegralInRange<unsigned int>(0, 31);
  const auto retag = input.ConsumeIntegralInRange<unsigned int>(0, 7);
  const auto serialNumber = input.ConsumeIntegralInRange<unsigned int>(0, 4194303);
  const auto manufacturer = input.ConsumeIntegralInRange<unsigned int>(0, 999);
  const std::string retagText = Padded(retag, 1);
  const std::string userText = Padded(user, 2);
  for (const BitOrder order : {BitOrder::NumericOrder, BitOrder::TransmissionOrder}) {
    const std::string animalText = AnimalCountryText(country) + " " + Padded(id, 12);
    const std::string animal = codes::EncodeIsoAnimal(animalText, retagText, userText, order);
    Check(codes::DecodeIsoAnimal(animal, order) == animalText);
    Check(codes::DecodeRetagCounter(animal, order) == retagText);
    Check(codes::DecodeUserInformation(animal, order) == userText);

    if (country < 1000) {
      const std::string industryText = Padded(country, 3) + " " + Padded(id, 12);
      const std::string industry =
          codes::EncodeIsoIndustry(industryText, retagText, userText, order);
      Check(codes::DecodeIsoIndustry(industry, order) == industryText);
    }

    // The 8-bit manufacturer field of TransmissionOrder takes 0..255.
    const unsigned int maker = order == BitOrder::NumericOrder ? manufacturer : manufacturer % 256;
    const std::string serialText = Padded(maker, 3) + " " + Padded(serialNumber, 7);
    Check(codes::DecodeManufacturerSerial(codes::EncodeManufacturerSerial(serialText, order),
                                          order) == serialText);
  }
}

void CellRoundTrips(FuzzedDataProvider& input) {
  using reader::ValueEncoding;
  const auto byte = input.ConsumeIntegral<std::uint8_t>();
  Check(reader::CellNumber(ValueEncoding::Byte, reader::EncodeCellValues(ValueEncoding::Byte, byte),
                           false) == byte);
  Check(reader::ParseHexByte(reader::HexByte(byte)) == byte);
  const auto word = input.ConsumeIntegral<std::int16_t>();
  Check(reader::CellNumber(ValueEncoding::Word16,
                           reader::EncodeCellValues(ValueEncoding::Word16, word), true) == word);
  // Any value at all still gives two-character cells of the encoding's count.
  const auto any = input.ConsumeIntegral<std::int32_t>();
  for (const auto encoding : {ValueEncoding::Byte, ValueEncoding::Word16,
                              ValueEncoding::DecimalPairs4, ValueEncoding::DecimalPairs6}) {
    const auto cells = reader::EncodeCellValues(encoding, any);
    Check(cells.size() == static_cast<std::size_t>(reader::CellCount(encoding)));
    for (const std::string& cell : cells) Check(cell.size() == 2);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  CodeRoundTrips(input.ConsumeIntegral<std::uint64_t>());
  FieldRoundTrips(input);
  CellRoundTrips(input);
  const std::string text = input.ConsumeRemainingBytesAsString();
  RunEverything(text);
  codes::FormatDecimal64(static_cast<std::int64_t>(codes::HexValue(text)), 16, true);
  codes::FormatDecimal64(static_cast<std::int64_t>(codes::HexValue(text)), 0, false);
  return 0;
}
