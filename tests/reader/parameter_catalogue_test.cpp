// SPDX-License-Identifier: Apache-2.0
#include "reader/parameter_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/reader_model.h"
#include "reader/parameter_encoding.h"
#include "reader/tag_type_masks.h"

namespace tagline::reader {
namespace {

using enum ReaderModel;
using Strings = std::vector<std::string>;
using Names = std::vector<std::string_view>;

ReaderModel Model(int value) {
  return static_cast<ReaderModel>(value);
}

Strings Commands(const Strings& bodies) {
  Strings commands;
  for (const std::string& body : bodies) commands.push_back(CellCommand(body));
  return commands;
}

// The value digits of write bodies (address + two digits).
Strings ValuesOf(const Strings& bodies) {
  Strings values;
  for (const std::string& body : bodies) values.push_back(body.substr(3));
  return values;
}

bool Contains(const Names& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// ---------------------------------------------------------------------------------------
// Cell encodings

TEST(ParameterEncoding, AddressesAndBytesAreUpperCaseHex) {
  EXPECT_EQ(CellAddress(0x00E), "00E");
  EXPECT_EQ(CellAddress(0x091), "091");
  EXPECT_EQ(HexByte(0x0A), "0A");
  EXPECT_EQ(HexByte(0xFF), "FF");
  EXPECT_EQ(ParseHexByte("4b"), 0x4B);
  EXPECT_EQ(ParseHexByte("4"), std::nullopt);
  EXPECT_EQ(ParseHexByte("4G"), std::nullopt);
  EXPECT_EQ(ParseHexByte("123"), std::nullopt);
}

TEST(ParameterEncoding, Word16IsLittleEndianTwosComplement) {
  EXPECT_EQ(EncodeCellValues(ValueEncoding::Word16, 500), (Strings{"F4", "01"}));
  EXPECT_EQ(EncodeCellValues(ValueEncoding::Word16, -2), (Strings{"FE", "FF"}));
  EXPECT_EQ(EncodeCellValues(ValueEncoding::Word16, -32768), (Strings{"00", "80"}));
  EXPECT_EQ(CellNumber(ValueEncoding::Word16, {"FE", "FF"}, true), -2);
  EXPECT_EQ(CellNumber(ValueEncoding::Word16, {"FE", "FF"}, false), 65534);
  EXPECT_EQ(CellNumber(ValueEncoding::Word16, {"F4"}, false), std::nullopt);
  EXPECT_EQ(CellNumber(ValueEncoding::Word16, {"F4", ""}, false), std::nullopt);
}

TEST(ParameterEncoding, DecimalPairsSendDigitsAsHexDigits) {
  EXPECT_EQ(EncodeCellValues(ValueEncoding::DecimalPairs4, 1234), (Strings{"12", "34"}));
  EXPECT_EQ(EncodeCellValues(ValueEncoding::DecimalPairs4, 7), (Strings{"00", "07"}));
  EXPECT_EQ(EncodeCellValues(ValueEncoding::DecimalPairs6, 12345), (Strings{"45", "23", "01"}));
  EXPECT_EQ(CellDigits(ValueEncoding::DecimalPairs6, {"45", "23", "01"}), "012345");
  EXPECT_EQ(CellDigits(ValueEncoding::DecimalPairs4, {"12", "34"}), "1234");
  EXPECT_EQ(CellDigits(ValueEncoding::DecimalPairs4, {"12", "3"}), "");
  EXPECT_EQ(CellNumber(ValueEncoding::DecimalPairs4, {"12", "34"}, false), std::nullopt);
}

TEST(ParameterEncoding, CellCommandByBodyLength) {
  EXPECT_EQ(CellCommand("00101"), "s00101");
  EXPECT_EQ(CellCommand("001"), "S001");
  EXPECT_EQ(CellCommand(""), "");
  EXPECT_EQ(CellCommand("0010"), "");
}

// ---------------------------------------------------------------------------------------
// Name lists

TEST(ParameterNames, ModelsWithoutParametersGetEmptyLists) {
  for (const ReaderModel m : {KtrH9V2, KtrH9V2Rev5, Unrecognised, NoReply, Model(-1), Model(42)}) {
    EXPECT_TRUE(OfferedNames(ParameterKind::Selection, m).empty()) << static_cast<int>(m);
    EXPECT_TRUE(OfferedNames(ParameterKind::Numeric, m).empty()) << static_cast<int>(m);
    EXPECT_TRUE(OfferedNames(ParameterKind::AlgorithmMask, m).empty()) << static_cast<int>(m);
  }
}

TEST(ParameterNames, OfferedInFullListOrder) {
  EXPECT_EQ(OfferedNames(ParameterKind::Selection, B21Vip),
            (Names{"Interface", "Bluetooth Role", "Pressure Unit"}));
  EXPECT_EQ(OfferedNames(ParameterKind::Numeric, Series6From630),
            (Names{"TimeoutMain", "TimeoutMenue", "TimeoutRead"}));
  EXPECT_EQ(OfferedNames(ParameterKind::Numeric, KtrH9HfV43Build27),
            (Names{"TurnOffTime", "TurnOnDelay", "ReadingTime", "PIN Code", "CWCond15693",
                   "CWCond14443"}));
  EXPECT_EQ(
      OfferedNames(ParameterKind::AlgorithmMask, V29Rev5),
      (Names{"Trovan", "ASK", "Datamars", "Destron", "HDX", "FDX-B", "PSK2", "PSK1", "Data/Temp"}));
  EXPECT_EQ(OfferedNames(ParameterKind::AlgorithmMask, B21Vip), (Names{"VIP", "Humidity"}));
}

TEST(ParameterNames, TrailingBlanksMakeDistinctParameters) {
  const Names v26 = OfferedNames(ParameterKind::Numeric, V26Build13);
  const Names v26b18 = OfferedNames(ParameterKind::Numeric, V26Build18);
  const Names talvikko = OfferedNames(ParameterKind::Numeric, Talvikko);
  EXPECT_TRUE(Contains(v26, "TurnOffTime ") && !Contains(v26, "TurnOffTime  ") &&
              !Contains(v26, "TurnOffTime"));
  EXPECT_TRUE(Contains(v26b18, "TurnOffTime  ") && !Contains(v26b18, "TurnOffTime "));
  EXPECT_TRUE(Contains(talvikko, "TurnOffTime") && !Contains(talvikko, "TurnOffTime "));

  EXPECT_EQ(DescribeParameter(ParameterKind::Numeric, "TurnOffTime", V26Build0)->range.max, 255);
  EXPECT_EQ(DescribeParameter(ParameterKind::Numeric, "TurnOffTime ", V26Build0)->range.max, 30);
  EXPECT_EQ(DescribeParameter(ParameterKind::Numeric, "TurnOffTime  ", V26Build0)->range.max, 31);
  EXPECT_FALSE(DescribeParameter(ParameterKind::Numeric, "TurnOffTime   ", V26Build0));
  EXPECT_FALSE(DescribeParameter(ParameterKind::Numeric, "turnofftime", V26Build0));
}

TEST(ParameterNames, AntennaAndTransponderSets) {
  const auto names = CatalogueNames(ParameterKind::Numeric);
  ASSERT_EQ(names.size(), 12u + 60u + 12u + 10u);
  EXPECT_EQ(names[11], "ProductNumberVersion");
  EXPECT_EQ(names[12], "AP00");
  EXPECT_EQ(names[16], "AP10");
  EXPECT_EQ(names[32], "AP01");
  EXPECT_EQ(names[71], "OP42");
  EXPECT_EQ(names[72], "AT0");
  EXPECT_EQ(names[83], "OT2");
  EXPECT_EQ(names[84], "PIN Code");

  const auto addresses = [](std::string_view name) {
    return DescribeParameter(ParameterKind::Numeric, name, B21Vip)->addresses;
  };
  EXPECT_EQ(addresses("AP00"), (Strings{"017"}));
  EXPECT_EQ(addresses("LP00"), (Strings{"018"}));
  EXPECT_EQ(addresses("DP00"), (Strings{"019", "01A"}));
  EXPECT_EQ(addresses("OP00"), (Strings{"01B", "01C"}));
  EXPECT_EQ(addresses("AP10"), (Strings{"01D"}));
  EXPECT_EQ(addresses("AP01"), (Strings{"035"}));
  EXPECT_EQ(addresses("OP42"), (Strings{"06F", "070"}));
  EXPECT_EQ(addresses("AT0"), (Strings{"071"}));
  EXPECT_EQ(addresses("DT0"), (Strings{"073", "074"}));
  EXPECT_EQ(addresses("AT1"), (Strings{"077"}));
  EXPECT_EQ(addresses("OT2"), (Strings{"081", "082"}));

  // The sets tile the cells 0x17 to 0x82 without gap or overlap.
  std::multiset<std::string> cells;
  for (std::size_t i = 12; i < 84; ++i) {
    for (const std::string& a : addresses(names[i])) cells.insert(a);
  }
  ASSERT_EQ(cells.size(), 0x82u - 0x17u + 1u);
  for (std::uint16_t a = 0x17; a <= 0x82; ++a) EXPECT_EQ(cells.count(CellAddress(a)), 1u);

  // Only the sensor reader is offered them, all 72.
  const Names vip = OfferedNames(ParameterKind::Numeric, B21Vip);
  EXPECT_EQ(vip.size(), 5u + 72u);
  EXPECT_TRUE(Contains(vip, "LT2"));
  EXPECT_FALSE(Contains(OfferedNames(ParameterKind::Numeric, V22), "AP00"));
}

TEST(ParameterNames, RefillAppendsMissingAndDeletesUnofferedByWholeName) {
  // "Mode Selection" does not count as "Mode".
  Strings items = {"Mode Selection"};
  RefillNameList(items, ParameterKind::Selection, V26Build12);
  EXPECT_EQ(items.front(), "Mode Selection");
  EXPECT_EQ(std::count(items.begin(), items.end(), "Mode"), 1);
  EXPECT_EQ(items.size(), OfferedNames(ParameterKind::Selection, V26Build12).size());

  // "TurnOffTime " does not count as "TurnOffTime"; it is deleted in the same fill.
  items = {"TurnOffTime ", "Serial Number"};
  RefillNameList(items, ParameterKind::Numeric, KtrH9V40);
  EXPECT_EQ(items, (Strings{"TurnOffTime", "TurnOnDelay", "ReadingTime", "PIN Code"}));

  // Names already present keep their place.
  items = {"PIN Code", "TurnOnDelay"};
  RefillNameList(items, ParameterKind::Numeric, KtrH9V40);
  EXPECT_EQ(items, (Strings{"PIN Code", "TurnOnDelay", "TurnOffTime", "ReadingTime"}));

  // A silent reader or a model without parameters empties the list.
  items = {"Mode", "Attribute", "Trovan"};
  RefillNameList(items, ParameterKind::Selection, KtrH9V2);
  EXPECT_EQ(items, (Strings{"Trovan"}));
  RefillNameList(items, ParameterKind::AlgorithmMask, NoReply);
  EXPECT_TRUE(items.empty());
}

TEST(ParameterNames, RefillSearchIgnoresCaseLikeTheCombo) {
  Strings items = {"mode"};
  RefillNameList(items, ParameterKind::Selection, V22);
  EXPECT_EQ(std::count(items.begin(), items.end(), "Mode"), 0);
  EXPECT_EQ(items.front(), "mode");
  RefillNameList(items, ParameterKind::Selection, KtrH9V2);
  EXPECT_TRUE(items.empty());
}

// ---------------------------------------------------------------------------------------
// Selection parameters

TEST(ParameterSelection, WritesAndReads) {
  EXPECT_EQ(CellCommand(SelectionCommandBody("Mode", "", V22)), "S001");
  EXPECT_EQ(CellCommand(SelectionCommandBody("Mode", "Online", V22)), "s00101");
  EXPECT_EQ(SelectionCommandBody("Language", "Deutsch", B20), "00301");
  EXPECT_EQ(SelectionCommandBody("Continuous Read", "Delay 3s", V26Build12), "00303");
  EXPECT_EQ(SelectionCommandBody("Attribute", "Q", V20), "00011");
  EXPECT_EQ(SelectionCommandBody("Attribute", "Z", V20), "0001A");
  EXPECT_EQ(SelectionCommandBody("Attribute", "#", V20), "00000");
  EXPECT_EQ(SelectionCommandBody("HID-Keyboard", "Canadian", KtrH9V40), "0814B");
  EXPECT_EQ(SelectionCommandBody("Special Features", "F12", KtrH9V40), "0824D");
  // A label that is not one of the name's labels reads.
  EXPECT_EQ(SelectionCommandBody("Attribute", "q", V20), "000");
  EXPECT_EQ(SelectionCommandBody("Lock Up", "On", V20), "005");
}

TEST(ParameterSelection, NameNotValidForModelSendsNothing) {
  EXPECT_EQ(SelectionCommandBody("Handshake BT", "on", V22), "");
  EXPECT_EQ(SelectionCommandBody("Handshake BT", "", V22), "");
  EXPECT_EQ(SelectionCommandBody("Mode", "Standard", KtrH9V2), "");
  EXPECT_EQ(SelectionCommandBody("No Such Name", "", V22), "");
  EXPECT_EQ(SelectionCommandBody("mode", "", V22), "");
  // The command is built on more models than the list offers.
  EXPECT_FALSE(IsNameOffered(ParameterKind::Selection, "Handshake RS", V22));
  EXPECT_EQ(SelectionCommandBody("Handshake RS", "on", V22), "01401");
  EXPECT_EQ(SelectionCommandBody("Handshake RS", "on", KtrH9V40), "");
}

TEST(ParameterSelection, MirrorBdeAddressDependsOnModel) {
  EXPECT_EQ(SelectionCommandBody("Mirror BDE", "on", V29Rev9), "01101");
  EXPECT_EQ(SelectionCommandBody("Mirror BDE", "on", KtrH9V43Build54), "01401");
  EXPECT_EQ(SelectionCommandBody("Mirror BDE", "on", V29), "");
  const auto d = DescribeParameter(ParameterKind::Selection, "Mirror BDE", KtrH9V43Build54);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->addresses, (Strings{"014"}));
  EXPECT_TRUE(d->models.Contains(V29Rev9) && d->models.Contains(KtrH9V43Build54));
  EXPECT_FALSE(d->models.Contains(V29));
}

TEST(ParameterSelection, ModeLabelsCodesAndReadBack) {
  EXPECT_EQ(ValueLabelsOffered("Mode", V21), (Names{"Standard", "Data->Serial"}));
  EXPECT_EQ(ValueLabelsOffered("Mode", V26Build13), (Names{"Standard", "Online"}));
  EXPECT_EQ(ValueLabelsOffered("Mode", S320),
            (Names{"Standard", "Data->RS232", "Read/Transf.", "Data->Bluetooth"}));
  EXPECT_EQ(ValueLabelsOffered("Mode", V20), (Names{"Standard", "Data->RS232", "Read/Transf."}));

  EXPECT_EQ(SelectionCommandBody("Mode", "Read/Transf.", V22), "00103");
  EXPECT_EQ(SelectionCommandBody("Mode", "Read/Transf.", V26Build13), "00103");
  EXPECT_EQ(SelectionCommandBody("Mode", "Read/Transf.", V21), "00102");
  EXPECT_EQ(SelectionCommandBody("Mode", "Data->Bluetooth", B20), "00104");
  EXPECT_EQ(SelectionCommandBody("Mode", "Data->Bluetooth", V20), "001");

  EXPECT_EQ(DecodeSelectionValue("Mode", V22, "01"), " // Online");
  EXPECT_EQ(DecodeSelectionValue("Mode", B20, "01"), " // Data->RS232");
  EXPECT_EQ(DecodeSelectionValue("Mode", V21, "01"), " // Data->Serial");
  EXPECT_EQ(DecodeSelectionValue("Mode", V22, "02"), " // Online H");
  EXPECT_EQ(DecodeSelectionValue("Mode", V26Build12, "02"), " // Read/Transf.");
  EXPECT_EQ(DecodeSelectionValue("Mode", V26Build12, "03"), " // Read/Transf.");
  EXPECT_EQ(DecodeSelectionValue("Mode", B20, "03"), "");
  EXPECT_EQ(DecodeSelectionValue("Mode", V20, "04"), " // Data->Bluetooth");
  EXPECT_EQ(DecodeSelectionValue("Mode", V20, "4"), "");
  EXPECT_EQ(DecodeSelectionValue("Mode", V20, ""), "");
}

TEST(ParameterSelection, CodeFormatVariants) {
  EXPECT_EQ(ValueLabelsOffered("Code Format", V220011),
            (Names{"Hexadecimal", "ISO Animal", "ISO Industr.", "BDE Format"}));
  EXPECT_EQ(SelectionCommandBody("Code Format", "ISO Animal Original", V220011), "00404");
  EXPECT_EQ(DecodeSelectionValue("Code Format", V220011, "04"), " // ISO Animal Original");

  EXPECT_EQ(ValueLabelsOffered("Code Format", V20).size(), 5u);
  EXPECT_EQ(SelectionCommandBody("Code Format", "ISO Animal Original", V20), "00405");
  EXPECT_EQ(SelectionCommandBody("Code Format", "ISO Attributs", V20), "00405");
  EXPECT_EQ(DecodeSelectionValue("Code Format", V20, "05"), " // ISO Animal Original");

  EXPECT_EQ(ValueLabelsOffered("Code Format", B21).back(), "ISO Animal Original");
  EXPECT_EQ(DecodeSelectionValue("Code Format", V24, "05"), " // ISO Attributs");
  EXPECT_EQ(DecodeSelectionValue("Code Format", V27, "05"), " // ISO Attribute");
  EXPECT_EQ(ValueLabelsOffered("Code Format", V26Build12), (Names{"Hexadecimal", "ISO 11784/5"}));
  EXPECT_EQ(DecodeSelectionValue("Code Format", V26Build12, "01"), " // ISO 11784/5");

  EXPECT_EQ(CodeFormatIndex("TRUTEST"), 4);
  EXPECT_EQ(CodeFormatIndex("ISO Attributs"), 5);
  EXPECT_EQ(CodeFormatIndex("Standard"), std::nullopt);
  EXPECT_EQ(CodeFormatIndexOfCode("04", V20), 4);
  EXPECT_EQ(CodeFormatIndexOfCode("04", V220011), 5);
  EXPECT_EQ(CodeFormatIndexOfCode("05", V220011), 5);
  EXPECT_EQ(CodeFormatIndexOfCode("06", V20), std::nullopt);
}

TEST(ParameterSelection, RomanaOnlyUnderItsCondition) {
  const Names plain = {"English", "Deutsch"};
  const Names with_romana = {"English", "Deutsch", "Romana"};
  EXPECT_EQ(ValueLabelsOffered("Language", B20), plain);
  EXPECT_EQ(ValueLabelsOffered("Language", KtrH9V42), with_romana);
  EXPECT_EQ(ValueLabelsOffered("Language", B20, KtrH9V43Build39), with_romana);
  EXPECT_EQ(ValueLabelsOffered("Language", B20, KtrH9V43Build54), with_romana);
  EXPECT_EQ(ValueLabelsOffered("Language", KtrH9V43Build54, B20), plain);
  EXPECT_EQ(DescribeParameter(ParameterKind::Selection, "Language", KtrH9V42)->values.back(),
            (ValueLabel{"Romana", "02"}));
  EXPECT_EQ(DecodeSelectionValue("Language", B20, "02"), " // Romana");
}

TEST(ParameterSelection, ReadBackSpecialTexts) {
  EXPECT_EQ(DecodeSelectionValue("Baudrate", KtrH9V40, "01"), " // 9600 Baud");
  EXPECT_EQ(DecodeSelectionValue("Baudrate", KtrH9V40, "03"), " // 38400 Baud");
  EXPECT_EQ(DecodeSelectionValue("Baudrate", KtrH9V40, "00"), "");
  EXPECT_EQ(DecodeSelectionValue("Pressure Unit", B21Vip, "01"), " // hPa");
  EXPECT_EQ(DecodeSelectionValue("Pressure Unit", B21Vip, "00"), " // mbar");
  EXPECT_EQ(DecodeSelectionValue("Pressure Unit", B21Vip, "7E"), " // mbar");
  EXPECT_EQ(DecodeSelectionValue("Pressure Unit", B21Vip, ""), "");
  EXPECT_EQ(DecodeSelectionValue("Attribute", V20, "00"), " // #");
  EXPECT_EQ(DecodeSelectionValue("Attribute", V20, "1A"), " // Z");
  EXPECT_EQ(DecodeSelectionValue("Memory Capacity", V20, "00"), " // 2048");
  EXPECT_EQ(DecodeSelectionValue("Mode Selection", V26Build18, "01"), " // Database On");
  EXPECT_EQ(DecodeSelectionValue("Lock Up", V20, "01"), " // on");
  EXPECT_EQ(DecodeSelectionValue("Lock Up", V20, "02"), "");
  EXPECT_EQ(DecodeSelectionValue("Lock Up", KtrH9V2, "01"), "");
}

TEST(ParameterSelection, InterfaceVariants) {
  EXPECT_EQ(ValueLabelsOffered("Interface", B21Vip), (Names{"USB/RS232", "Bluetooth"}));
  EXPECT_EQ(ValueLabelsOffered("Interface", Series6From630), (Names{"RS232", "IRDA"}));
  EXPECT_EQ(SelectionCommandBody("Interface", "Bluetooth", V25), "00202");
  EXPECT_EQ(SelectionCommandBody("Interface", "Bluetooth HID", V28), "00203");
  EXPECT_EQ(SelectionCommandBody("Interface", "Bluetooth COM", V28), "002");
  EXPECT_EQ(ValueLabelsOffered("Interf. Selection", B20).back(), "RS485+IRDA");
  EXPECT_EQ(SelectionCommandBody("Interf. Selection", "USB+Bluetooth", V26Build18), "00601");
  EXPECT_EQ(SelectionCommandBody("Interf. Selection", "USB+Bluetooth", V29), "00603");
  EXPECT_TRUE(ValueLabelsOffered("Nonexistent", V22).empty());
}

// ---------------------------------------------------------------------------------------
// Numeric parameters

TEST(ParameterNumeric, WritesOneBodyPerCell) {
  EXPECT_EQ(Commands(NumericCommandBodies("Timeout2", "500").bodies),
            (Strings{"s00CF4", "s00D01"}));
  EXPECT_EQ(Commands(NumericCommandBodies("OP00", "-2").bodies), (Strings{"s01BFE", "s01CFF"}));
  EXPECT_EQ(Commands(NumericCommandBodies("Serial Number", "12345").bodies),
            (Strings{"s01445", "s01523", "s01601"}));
  EXPECT_EQ(NumericCommandBodies("PIN Code", "1234").bodies, (Strings{"08412", "08534"}));
  EXPECT_EQ(NumericCommandBodies("TurnOffTime  ", "Off").bodies, (Strings{"00E1F"}));
  EXPECT_EQ(NumericCommandBodies("TimeoutMain", "abc").bodies, (Strings{"00E01"}));
  EXPECT_EQ(NumericCommandBodies("OP00", "-1").bodies, (Strings{"01BFF", "01CFF"}));
  EXPECT_EQ(NumericCommandBodies("CWCond14443", " 42").bodies, (Strings{"0912A"}));
}

TEST(ParameterNumeric, EmptyTextReadsEveryCell) {
  EXPECT_EQ(Commands(NumericCommandBodies("Serial Number", "").bodies),
            (Strings{"S014", "S015", "S016"}));
  EXPECT_EQ(NumericCommandBodies("TimeoutOn", "").bodies, (Strings{"00E", "00F"}));
  EXPECT_TRUE(NumericCommandBodies("Unknown", "5").bodies.empty());
  EXPECT_TRUE(NumericCommandBodies("Unknown", "").bodies.empty());
}

TEST(ParameterNumeric, ClampsIntoRange) {
  EXPECT_EQ(ValuesOf(NumericCommandBodies("Timeout2", "1001").bodies), (Strings{"E8", "03"}));
  EXPECT_EQ(ValuesOf(NumericCommandBodies("Timeout2", "0").bodies), (Strings{"01", "00"}));
  EXPECT_EQ(ValuesOf(NumericCommandBodies("PIN Code", "10000").bodies), (Strings{"99", "99"}));
  EXPECT_EQ(ValuesOf(NumericCommandBodies("PIN Code", "-5").bodies), (Strings{"00", "00"}));
  EXPECT_EQ(ValuesOf(NumericCommandBodies("Serial Number", "999999").bodies),
            (Strings{"99", "99", "09"}));
  EXPECT_EQ(ValuesOf(NumericCommandBodies("TurnOffTime ", "31").bodies), (Strings{"1E"}));
  EXPECT_EQ(ValuesOf(NumericCommandBodies("TurnOffTime ", "Off").bodies), (Strings{"01"}));
  EXPECT_EQ(ValuesOf(NumericCommandBodies("LP12", "99").bodies), (Strings{"18"}));
  EXPECT_EQ(ValuesOf(NumericCommandBodies("TimeoutMain", "99999999999").bodies), (Strings{"FF"}));
  EXPECT_FALSE(NumericCommandBodies("TimeoutMain", "999").edit_text);
}

TEST(ParameterNumeric, DpAndDtWriteZeroAsOneAndShowClampedNumber) {
  NumericCommand zero = NumericCommandBodies("DP00", "0");
  EXPECT_EQ(zero.bodies, (Strings{"01901", "01A00"}));
  EXPECT_FALSE(zero.edit_text);

  NumericCommand low = NumericCommandBodies("DT2", "-40000");
  EXPECT_EQ(ValuesOf(low.bodies), (Strings{"00", "80"}));
  EXPECT_EQ(low.edit_text, "-32768");

  NumericCommand high = NumericCommandBodies("DP42", "40000");
  EXPECT_EQ(ValuesOf(high.bodies), (Strings{"FF", "7F"}));
  EXPECT_EQ(high.edit_text, "32767");

  // OP has no such rule.
  EXPECT_EQ(ValuesOf(NumericCommandBodies("OP00", "0").bodies), (Strings{"00", "00"}));
  EXPECT_FALSE(NumericCommandBodies("OP00", "40000").edit_text);
}

TEST(ParameterNumeric, ReadBackTexts) {
  const auto decode = [](std::string_view name, const Strings& cells) {
    return DecodeNumericValue(name, cells);
  };
  EXPECT_EQ(decode("Timeout2", {"F4", "01"}), " // 500 milli seconds");
  EXPECT_EQ(decode("Timeout3", {"FF", "FF"}), " // 65535 seconds");
  EXPECT_EQ(decode("OP00", {"FE", "FF"}), " // -2");
  EXPECT_EQ(decode("DT1", {"00", "80"}), " // -32768");
  EXPECT_EQ(decode("AP00", {"FF"}), " // 255");
  EXPECT_EQ(decode("TimeoutMain", {"0A"}), " // 10 seconds");
  EXPECT_EQ(decode("TimeoutRead", {"0a"}), " // 10 cycles");
  EXPECT_EQ(decode("TurnOnDelay", {"03"}), " // 1.5 seconds");
  EXPECT_EQ(decode("ReadingTime", {"04"}), " // 2.0 seconds");
  EXPECT_EQ(decode("TurnOffTime", {"0C"}), " // 60 seconds");
  EXPECT_EQ(decode("TurnOffTime ", {"1F"}), " // 31 minutes");
  EXPECT_EQ(decode("TurnOffTime  ", {"1F"}), " // Off");
  EXPECT_EQ(decode("TurnOffTime  ", {"1E"}), " // 30 minutes");
  EXPECT_EQ(decode("Buzzer", {"00"}), " // Buzzer off");
  EXPECT_EQ(decode("Buzzer", {"02"}), " // Buzzer on + intermediate results");
  EXPECT_EQ(decode("Buzzer", {"03"}), "");
  EXPECT_EQ(decode("ProductNumberVersion", {"1F"}), " // 0x1F=31dez");
  EXPECT_EQ(decode("Serial Number", {"45", "23", "01"}), " // 012345");
  EXPECT_EQ(decode("PIN Code", {"12", "34"}), " // 1234");
  EXPECT_EQ(decode("CWCond15693", {"80"}), " // 128");
}

TEST(ParameterNumeric, DelimiterCharacters) {
  const auto decode = [](std::string_view value) {
    return DecodeNumericValue("EOL Delimiter 1", {std::string(value)});
  };
  EXPECT_EQ(decode("0D"), " // <CR>");
  EXPECT_EQ(decode("0A"), " // <LF>");
  EXPECT_EQ(decode("09"), " // <TAB>");
  EXPECT_EQ(decode("00"), " // off");
  EXPECT_EQ(decode("2C"), " // ','");
  EXPECT_EQ(decode("20"), " // ' '");
  EXPECT_EQ(decode("7E"), " // '~'");
  EXPECT_EQ(decode("7F"), "");
  EXPECT_EQ(decode("1B"), "");
  EXPECT_EQ(decode("E4"), "");
}

TEST(ParameterNumeric, MissingOrMalformedCellsGiveNoText) {
  EXPECT_EQ(DecodeNumericValue("Timeout2", {"F4"}), "");
  EXPECT_EQ(DecodeNumericValue("Timeout2", {"F4", ""}), "");
  EXPECT_EQ(DecodeNumericValue("TimeoutMain", {""}), "");
  EXPECT_EQ(DecodeNumericValue("TimeoutMain", {"G1"}), "");
  EXPECT_EQ(DecodeNumericValue("Serial Number", {"45", "2", "01"}), "");
  EXPECT_EQ(DecodeNumericValue("ProductNumberVersion", {"XY"}), "");
  EXPECT_EQ(DecodeNumericValue("Unknown", {"01"}), "");
}

TEST(ParameterNumeric, UpDownStepsWithinPerNameBounds) {
  const auto up = [](std::string_view name, std::string_view text) {
    return StepNumericValue(name, text, true);
  };
  const auto down = [](std::string_view name, std::string_view text) {
    return StepNumericValue(name, text, false);
  };
  EXPECT_EQ(up("TimeoutMain", "5"), "6");
  EXPECT_EQ(up("TimeoutMain", "255"), "255");
  EXPECT_EQ(down("TimeoutMain", "1"), "1");
  EXPECT_EQ(down("TimeoutMain", "-7"), "1");
  EXPECT_EQ(up("Serial Number", "99999"), "99999");
  EXPECT_EQ(down("Serial Number", "0"), "0");
  EXPECT_EQ(up("TurnOffTime ", "30"), "30");
  EXPECT_EQ(up("TurnOffTime  ", "30"), "Off");
  EXPECT_EQ(up("TurnOffTime  ", "Off"), "Off");
  EXPECT_EQ(down("TurnOffTime  ", "Off"), "30");
  EXPECT_EQ(down("CWCond15693", "1"), "0");
  EXPECT_EQ(down("CWCond15693", "0"), "1");
  EXPECT_EQ(up("LT0", "24"), "24");
  EXPECT_EQ(down("AP31", "0"), "0");
  EXPECT_EQ(up("Timeout2", "1000"), "1000");
  EXPECT_EQ(up("TimeoutOn", "299"), "300");
  EXPECT_EQ(up("Buzzer", "2"), "2");
  EXPECT_EQ(down("OP00", "-32768"), "-32768");
  EXPECT_EQ(up("DT2", "32767"), "32767");
  EXPECT_EQ(up("DP00", "abc"), "1");
  EXPECT_EQ(up("PIN Code", "9999"), "9999");
  EXPECT_EQ(up("Seperator Delimiter 2", "254"), "255");
  EXPECT_EQ(up("Unknown", "5"), std::nullopt);
}

// ---------------------------------------------------------------------------------------
// Tag types

TEST(ParameterTagTypes, MaskCellsPerModel) {
  EXPECT_EQ(Commands(TagTypeCommandBodies("Trovan, HDX, FDX-B", B20)),
            (Strings{"s00C31", "s00D00"}));
  EXPECT_EQ(TagTypeCommandBodies("PSK1, UID, Data/Temp", V26Build12), (Strings{"00C80", "00D03"}));
  EXPECT_EQ(TagTypeCommandBodies("VIP, Humidity", B21Vip), (Strings{"01403"}));
  EXPECT_EQ(TagTypeCommandBodies("Humidity", B21Vip), (Strings{"01402"}));
  EXPECT_EQ(TagTypeCommandBodies("", B20), (Strings{"00C", "00D"}));
  EXPECT_EQ(TagTypeCommandBodies("", B21Vip), (Strings{"014"}));
  EXPECT_EQ(TagTypeCommandBodies("", NoReply), (Strings{"00C", "00D"}));
}

TEST(ParameterTagTypes, ReadBackListsSetBitsLowestFirst) {
  EXPECT_EQ(DecodeTagTypes("00C", "31").text, " // Trovan, HDX, FDX-B");
  EXPECT_EQ(DecodeTagTypes("00C", "3f").text,
            " // Trovan, ASK, Datamars, Destron, \r\n   // HDX, FDX-B");
  EXPECT_EQ(DecodeTagTypes("00D", "03").text, " // UID, Data/Temp");
  EXPECT_EQ(DecodeTagTypes("00D", "FC").text, " // ");
  EXPECT_EQ(DecodeTagTypes("014", "01").text, " // VIP");
  EXPECT_EQ(DecodeTagTypes("00C", "G1").text, " // Trovan");
  EXPECT_EQ(DecodeTagTypes("00C", "").text, "");
  EXPECT_EQ(DecodeTagTypes("012", "01").text, "");
}

TEST(ParameterTagTypes, LongListBreaksAfterColumnThirty) {
  const TagTypeReadBack all = DecodeTagTypes("00C", "FF");
  EXPECT_EQ(all.text, " // Trovan, ASK, Datamars, Destron, \r\n   // HDX, FDX-B, PSK2, PSK1");
  EXPECT_TRUE(all.wrapped);
  const TagTypeReadBack short_list = DecodeTagTypes("00C", "C0");
  EXPECT_EQ(short_list.text, " // PSK2, PSK1");
  EXPECT_FALSE(short_list.wrapped);
  // Longer than 30 characters but no separator after it: left whole.
  const TagTypeReadBack no_break = DecodeTagTypes("00C", "0F");
  EXPECT_EQ(no_break.text, " // Trovan, ASK, Datamars, Destron");
  EXPECT_FALSE(no_break.wrapped);
}

TEST(ParameterTagTypes, MaskRoundTrip) {
  for (const TagTypeCell& cell : TagTypeCells(V29Rev5)) {
    for (int mask = 0; mask < 256; ++mask) {
      std::string text;
      for (const std::string_view name : TagTypeNames(cell, static_cast<std::uint8_t>(mask))) {
        text += std::string(name) + ", ";
      }
      const std::uint8_t used = TagTypeMask(cell,
                                            "PSK1, PSK2, ASK, Trovan, UID, Data/Temp, "
                                            "HDX, FDX-B, Datamars, Destron");
      EXPECT_EQ(TagTypeMask(cell, text), mask & used) << cell.address << " " << mask;
    }
  }
}

TEST(ParameterTagTypes, Descriptors) {
  const auto fdx = DescribeParameter(ParameterKind::AlgorithmMask, "FDX-B", B20);
  ASSERT_TRUE(fdx);
  EXPECT_EQ(fdx->addresses, (Strings{"00C"}));
  EXPECT_EQ(fdx->values, (std::vector<ValueLabel>{{"FDX-B", "20"}}));
  EXPECT_TRUE(fdx->models.Contains(B20) && !fdx->models.Contains(B21Vip));
  const auto vip = DescribeParameter(ParameterKind::AlgorithmMask, "VIP", B21Vip);
  ASSERT_TRUE(vip);
  EXPECT_EQ(vip->addresses, (Strings{"014"}));
  EXPECT_FALSE(DescribeParameter(ParameterKind::AlgorithmMask, "VIP", B20));
  EXPECT_FALSE(DescribeParameter(ParameterKind::AlgorithmMask, "HDX", B21Vip));
}

// ---------------------------------------------------------------------------------------
// Every name for every model

TEST(ParameterCatalogueWalk, EveryListedNameHasAnEntry) {
  for (const ParameterKind kind :
       {ParameterKind::Selection, ParameterKind::Numeric, ParameterKind::AlgorithmMask}) {
    std::set<std::string_view> seen;
    for (const std::string_view name : CatalogueNames(kind)) {
      EXPECT_TRUE(seen.insert(name).second) << "duplicate " << name;
      bool described = false;
      for (int v = 0; v < kReaderModelCount; ++v) {
        described = described || DescribeParameter(kind, name, Model(v)).has_value();
      }
      EXPECT_TRUE(described) << name;
    }
  }
}

TEST(ParameterCatalogueWalk, SelectionNamesEncodeAndDecodeForEveryModel) {
  for (int v = -1; v <= kReaderModelCount; ++v) {
    const ReaderModel m = Model(v);
    for (const std::string_view name : OfferedNames(ParameterKind::Selection, m)) {
      SCOPED_TRACE(std::string(name) + " on model " + std::to_string(v));
      const auto d = DescribeParameter(ParameterKind::Selection, name, m, KtrH9V43Build54);
      ASSERT_TRUE(d);
      EXPECT_TRUE(d->models.Contains(m));
      ASSERT_EQ(d->addresses.size(), 1u);
      const std::string read = SelectionCommandBody(name, "", m);
      EXPECT_EQ(read, d->addresses[0]);
      EXPECT_EQ(CellCommand(read), "S" + d->addresses[0]);

      const Names labels = ValueLabelsOffered(name, m, KtrH9V43Build54);
      ASSERT_FALSE(labels.empty());
      ASSERT_EQ(labels.size(), d->values.size());
      std::set<std::string> codes;
      for (std::size_t i = 0; i < labels.size(); ++i) {
        const std::string body = SelectionCommandBody(name, labels[i], m);
        ASSERT_EQ(body.size(), 5u) << labels[i];
        EXPECT_EQ(body.substr(0, 3), d->addresses[0]);
        EXPECT_EQ(body.substr(3), d->values[i].code);
        EXPECT_TRUE(codes.insert(body.substr(3)).second) << "code used twice: " << body;
        const std::string shown = DecodeSelectionValue(name, m, body.substr(3));
        EXPECT_EQ(shown.substr(0, 4 + labels[i].size()), " // " + std::string(labels[i]));
      }
    }
  }
}

TEST(ParameterCatalogueWalk, NumericNamesEncodeAndDecodeForEveryModel) {
  for (int v = -1; v <= kReaderModelCount; ++v) {
    const ReaderModel m = Model(v);
    for (const std::string_view name : OfferedNames(ParameterKind::Numeric, m)) {
      SCOPED_TRACE(std::string(name) + " on model " + std::to_string(v));
      const auto d = DescribeParameter(ParameterKind::Numeric, name, m);
      ASSERT_TRUE(d);
      EXPECT_TRUE(d->models.Contains(CatalogueModel(m)));
      ASSERT_EQ(static_cast<int>(d->addresses.size()), CellCount(d->encoding));

      const Strings reads = NumericCommandBodies(name, "").bodies;
      ASSERT_EQ(reads.size(), d->addresses.size());
      for (std::size_t i = 0; i < reads.size(); ++i) EXPECT_EQ(reads[i], d->addresses[i]);

      const std::int32_t middle = d->range.min + (d->range.max - d->range.min) / 2;
      for (const std::int32_t value : {d->range.min, middle, d->range.max, std::int32_t{65}}) {
        const Strings bodies = NumericCommandBodies(name, std::to_string(value)).bodies;
        ASSERT_EQ(bodies.size(), d->addresses.size());
        for (std::size_t i = 0; i < bodies.size(); ++i) {
          ASSERT_EQ(bodies[i].size(), 5u);
          EXPECT_EQ(bodies[i].substr(0, 3), d->addresses[i]);
        }
        const std::string shown = DecodeNumericValue(name, ValuesOf(bodies));
        const std::int32_t written = std::clamp(value, d->range.min, d->range.max);
        if (d->readback == ReadBack::Character && (written < 32 || written > 126) && written != 0) {
          continue;  // unprintable values without a name show nothing
        }
        EXPECT_EQ(shown.substr(0, 4), " // ") << value;
        if (d->readback == ReadBack::Number) {
          const std::int32_t expected = written == 0 && name.find('D') == 0 ? 1 : written;
          EXPECT_EQ(shown, " // " + std::to_string(expected));
        }
      }
    }
  }
}

TEST(ParameterCatalogueWalk, TagTypeNamesEncodeAndDecodeForEveryModel) {
  for (int v = -1; v <= kReaderModelCount; ++v) {
    const ReaderModel m = Model(v);
    for (const std::string_view name : OfferedNames(ParameterKind::AlgorithmMask, m)) {
      SCOPED_TRACE(std::string(name) + " on model " + std::to_string(v));
      const auto d = DescribeParameter(ParameterKind::AlgorithmMask, name, m);
      ASSERT_TRUE(d);
      const Strings bodies = TagTypeCommandBodies(name, m);
      ASSERT_FALSE(bodies.empty());
      int carrying = 0;
      for (const std::string& body : bodies) {
        ASSERT_EQ(body.size(), 5u);
        if (body.substr(3) == "00") continue;
        ++carrying;
        EXPECT_EQ(body.substr(0, 3), d->addresses[0]);
        EXPECT_EQ(body.substr(3), d->values[0].code);
        EXPECT_EQ(DecodeTagTypes(body.substr(0, 3), body.substr(3)).text,
                  " // " + std::string(name));
      }
      EXPECT_EQ(carrying, 1);
    }
  }
}

}  // namespace
}  // namespace tagline::reader
