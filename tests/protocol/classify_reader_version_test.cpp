// SPDX-License-Identifier: Apache-2.0
#include "protocol/classify_reader_version.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/reader_model.h"

namespace tagline::protocol {

// Failure messages name the model instead of dumping its byte.
static void PrintTo(ReaderModel model, std::ostream* os) {
  *os << ReaderModelName(model) << " (" << static_cast<int>(model) << ")";
}

namespace {

using enum ReaderModel;

struct Case {
  std::string text;
  ReaderModel expected;
};

void ExpectAll(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(ClassifyReaderVersion(c.text), c.expected) << "reply \"" << c.text << "\"";
  }
}

// ---------------------------------------------------------------------------------------
// The enumeration

TEST(ReaderModel, FixedValuesAndNames) {
  struct Entry {
    ReaderModel model;
    int value;
    std::string_view name;
  };
  const Entry entries[] = {
      {NoReply, 0, "NoReply"},
      {B21Vip, 1, "B21Vip"},
      {KtrH9V2, 2, "KtrH9V2"},
      {KtrH9V3, 3, "KtrH9V3"},
      {B20, 4, "B20"},
      {V20, 5, "V20"},
      {Series6From630, 6, "Series6From630"},
      {Series6Below630, 7, "Series6Below630"},
      {KtrH9V2Rev5, 8, "KtrH9V2Rev5"},
      {B21, 9, "B21"},
      {V21, 10, "V21"},
      {V22, 11, "V22"},
      {S320, 12, "S320"},
      {S321, 13, "S321"},
      {Unrecognised, 14, "Unrecognised"},
      {KtrH9V40, 15, "KtrH9V40"},
      {KtrH9V42, 16, "KtrH9V42"},
      {KtrH9HfV11, 17, "KtrH9HfV11"},
      {Talvikko, 18, "Talvikko"},
      {KtrH9HfV12, 19, "KtrH9HfV12"},
      {Fenra, 20, "Fenra"},
      {HfV1Recent, 21, "HfV1Recent"},
      {V220011, 22, "V220011"},
      {V240000, 23, "V240000"},
      {V25, 24, "V25"},
      {V26Build0, 25, "V26Build0"},
      {HfV43, 26, "HfV43"},
      {V24, 27, "V24"},
      {V26Build1, 28, "V26Build1"},
      {V27, 29, "V27"},
      {V28, 30, "V28"},
      {V29, 31, "V29"},
      {KtrH9HfV43Build27, 32, "KtrH9HfV43Build27"},
      {V26Build12, 33, "V26Build12"},
      {V26Build13, 34, "V26Build13"},
      {KtrH9HfV43Build39, 35, "KtrH9HfV43Build39"},
      {KtrH9V43Build39, 36, "KtrH9V43Build39"},
      {V29Rev5, 37, "V29Rev5"},
      {KtrH9HfV10Cs3, 38, "KtrH9HfV10Cs3"},
      {V26Build18, 39, "V26Build18"},
      {V29Rev9, 40, "V29Rev9"},
      {KtrH9V43Build54, 41, "KtrH9V43Build54"},
  };
  ASSERT_EQ(std::size(entries), static_cast<std::size_t>(kReaderModelCount));
  std::set<std::string_view> names;
  for (const Entry& e : entries) {
    EXPECT_EQ(static_cast<int>(e.model), e.value) << e.name;
    EXPECT_EQ(ReaderModelName(e.model), e.name);
    names.insert(ReaderModelName(e.model));
  }
  EXPECT_EQ(names.size(), static_cast<std::size_t>(kReaderModelCount));
  static_assert(sizeof(ReaderModel) == 1);
}

TEST(ReaderModel, BytesThatAreNoModel) {
  EXPECT_EQ(kFailedModel, -1);
  // The job failure byte 0xFF reads back as -1 from the signed byte.
  EXPECT_EQ(static_cast<ReaderModel>(static_cast<std::int8_t>(0xFF)),
            static_cast<ReaderModel>(kFailedModel));
  EXPECT_EQ(ReaderModelName(static_cast<ReaderModel>(kFailedModel)), "Failed");
  for (const int value : {42, 100, 127, -2, -128}) {
    EXPECT_EQ(ReaderModelName(static_cast<ReaderModel>(value)), "Invalid") << value;
  }
}

// ---------------------------------------------------------------------------------------
// Classification, rule by rule

TEST(ClassifyReaderVersion, EmptyAndUnknown) {
  ExpectAll({
      {"", NoReply},
      {"xyz", Unrecognised},
      {"v2.0", Unrecognised},         // case-sensitive
      {"ktr h9 v2.5", Unrecognised},  // ... for every identifier
      {"lmw V2.5", V25},              // "lmw" is not the family
      {"V2.", Unrecognised},
      {"V2.3", Unrecognised},
      {"KTR H9 V5.1", Unrecognised},
      {std::string(1, '\0'), Unrecognised},
  });
}

TEST(ClassifyReaderVersion, KtrH9V2ByRevisionDigit) {
  ExpectAll({
      {"KTR H9 V2.", KtrH9V2},  // nothing after the identifier
      {"KTR H9 V2.0", KtrH9V2},
      {"KTR H9 V2.4", KtrH9V2},
      {"KTR H9 V2.5", KtrH9V2Rev5},
      {"KTR H9 V2.7", KtrH9V2Rev5},
      {"KTR H9 V2.9", KtrH9V2Rev5},
      {"KTR H9 V2.x", KtrH9V2},
      {"KTR H9 V2.-7", KtrH9V2},
      // The digit is taken after the identifier, wherever it stands.
      {"Reader KTR H9 V2.6", KtrH9V2Rev5},
      {"55555 KTR H9 V2.1", KtrH9V2},
      {"KTR H9 V2.1 KTR H9 V2.9", KtrH9V2},  // the leftmost occurrence counts
  });
}

TEST(ClassifyReaderVersion, KtrH9V3AndTalvikko) {
  ExpectAll({
      {"KTR H9 V3.", KtrH9V3},
      {"xx KTR H9 V3.14 V2.0", KtrH9V3},
      {"KTR H9 V3. Talvikko", KtrH9V3},
      {"Talvikko", Talvikko},
      {"Talvikko KTR H9 V4.2 LMW", Talvikko},
      {"talvikko", Unrecognised},
  });
}

TEST(ClassifyReaderVersion, KtrH9V4ByMinorDigitAndBuild) {
  ExpectAll({
      {"KTR H9 V4.", KtrH9V40},  // d(10) at the end reads 0
      {"KTR H9 V4.0", KtrH9V40},
      {"KTR H9 V4.1", KtrH9V40},
      {"KTR H9 V4.x", KtrH9V40},
      {"KTR H9 V4.2", KtrH9V42},
      {"KTR H9 V4.29999", KtrH9V42},
      {"KTR H9 V4.4", KtrH9V43Build54},
      {"KTR H9 V4.5", KtrH9V43Build54},
      {"KTR H9 V4.9", KtrH9V43Build54},
      // Minor digit 3: the four build digits follow after one more character.
      {"KTR H9 V4.30038", KtrH9V42},
      {"KTR H9 V4.30039", KtrH9V43Build39},
      {"KTR H9 V4.30053", KtrH9V43Build39},
      {"KTR H9 V4.30054", KtrH9V43Build54},
      {"KTR H9 V4.31000", KtrH9V43Build54},
      {"KTR H9 V4.30000", KtrH9V42},
      {"KTR H9 V4.3.0.4.5", KtrH9V42},  // dots read 0: 0004
      {"KTR H9 V4.3", Unrecognised},
      {"KTR H9 V4.300", Unrecognised},      // two more characters: too short
      {"KTR H9 V4.3005", KtrH9V43Build39},  // the fourth build digit is the end: 0050
      {"KTR H9 V4.3003", KtrH9V42},         // 0030
      // Relative to the identifier's position.
      {"SW: KTR H9 V4.30054", KtrH9V43Build54},
      {"SW: KTR H9 V4.300", Unrecognised},
      {"SW: KTR H9 V4.3005", KtrH9V43Build39},
  });
}

TEST(ClassifyReaderVersion, LmwFamilyDecidesAlone) {
  ExpectAll({
      {"LMW 1H V1.00035", HfV1Recent},  // d(13) = 3, d(14) = 5
      {"LMW 1H V1.00099", HfV1Recent},
      {"LMW 1H V1.00034", Unrecognised},
      {"LMW 1H V1.00100", Unrecognised},  // only d(13) and d(14) count
      {"LMW 1H V1.0009", HfV1Recent},     // d(14) at the end reads 0: 90
      {"LMW 1H V1.0003", Unrecognised},   // 30
      {"LMW 1H V1.000", Unrecognised},    // shorter than p+14
      {"LMW 1H V1.", Unrecognised},
      {"LMW 1H V1.000x5", Unrecognised},
      {"Type LMW 1H V1.00035", HfV1Recent},
      {"Type LMW 1H V1.000", Unrecognised},
      {"LMW 1H V1.00001 1H V4.3", Unrecognised},  // the first branch decides
      {"LMW 1H V4.3", HfV43},
      {"1H V4.3 LMW", HfV43},
      {"LMW V4.0", KtrH9V40},
      {"LMW V4.0 V2.9000", KtrH9V40},
      {"LMW V2.9000", V29Rev5},
      {"LMW V2.900", Unrecognised},
      {"LMW", Unrecognised},
      // Nothing of the bare version rules is reached.
      {"LMW V2.5", Unrecognised},
      {"LMW V2.0 B2.1 VIP Fenra S3 2.0", Unrecognised},
      {"630 LMW", Unrecognised},
      {"1H V4.3", Unrecognised},  // without the family name
      {"V4.0", Unrecognised},
  });
}

TEST(ClassifyReaderVersion, Fenra) {
  ExpectAll({
      {"Fenra", Fenra},
      {"Fenra KTR H9 HF V1.1", Fenra},
      {"x Fenra V2.0", Fenra},
      {"Fenra LMW", Unrecognised},  // the family comes first
  });
}

TEST(ClassifyReaderVersion, KtrH9HfV1ByMinorDigit) {
  ExpectAll({
      {"KTR H9 HF V1.", Unrecognised},  // at p+13 exactly the rule applies, d(13) = 0
      {"KTR H9 HF V1.1", KtrH9HfV11},
      {"KTR H9 HF V1.19999", KtrH9HfV11},
      {"KTR H9 HF V1.2", KtrH9HfV12},
      {"KTR H9 HF V1.2ab", KtrH9HfV12},  // at most two characters after it
      {"KTR H9 HF V1.20025", HfV1Recent},
      {"KTR H9 HF V1.20024", Unrecognised},
      {"KTR H9 HF V1.2003", HfV1Recent},  // last build digit is the end: 0030
      {"KTR H9 HF V1.2002", Unrecognised},
      {"KTR H9 HF V1.2x0x2", Unrecognised},
      {"KTR H9 HF V1.2x9xx", HfV1Recent},  // 0900
      {"KTR H9 HF V1.3", HfV1Recent},
      {"KTR H9 HF V1.9", HfV1Recent},
      {"KTR H9 HF V1.x", Unrecognised},
      {"KTR H9 HF V1.0", Unrecognised},
      // The rule decides; the bare version rules are not reached.
      {"KTR H9 HF V1.0 V2.5", Unrecognised},
      {"V2.5 KTR H9 HF V1.", Unrecognised},
      {"hw KTR H9 HF V1.2ab", KtrH9HfV12},
      {"hw KTR H9 HF V1.20025", HfV1Recent},
      {"hw KTR H9 HF V1.200", KtrH9HfV12},  // shorter than p+17, not than 17
      {"hw KTR H9 HF V1.2002", Unrecognised},
  });
}

TEST(ClassifyReaderVersion, KtrH9HfV10LooksForCs3AtFixedPositions) {
  ExpectAll({
      // p = 0: "CS3" at 21..23, L = 24 = p+24.
      {"KTR H9 HF V1.0 build CS3", KtrH9HfV10Cs3},
      {"KTR H9 HF V1.0abcdefgCS3 and more", KtrH9HfV10Cs3},
      {"KTR H9 HF V1.0abcdefgCS", Unrecognised},
      {"KTR H9 HF V1.0abcdefgcs3", Unrecognised},
      {"KTR H9 HF V1.0abcdefCS3x", Unrecognised},   // at 20..22
      {"KTR H9 HF V1.0abcdefghCS3", Unrecognised},  // at 22..24
      // p = 2: the positions stay absolute, so "CS3" at p+19.
      {"xxKTR H9 HF V1.0abcdeCS3yz", KtrH9HfV10Cs3},
      {"xxKTR H9 HF V1.0abcdefgCS3", Unrecognised},  // at p+21
      // p = 1: "CS3" at 21..23 but L = 24 < p+24.
      {"xKTR H9 HF V1.0abcdefCS3", Unrecognised},
      {"xKTR H9 HF V1.0abcdefCS3.", KtrH9HfV10Cs3},
  });
}

TEST(ClassifyReaderVersion, KtrH9HfV4ByBuild) {
  ExpectAll({
      {"KTR H9 HF V4.30026", HfV43},
      {"KTR H9 HF V4.30027", KtrH9HfV43Build27},
      {"KTR H9 HF V4.30038", KtrH9HfV43Build27},
      {"KTR H9 HF V4.30039", KtrH9HfV43Build39},
      {"KTR H9 HF V4.39999", KtrH9HfV43Build39},
      {"KTR H9 HF V4.30000", HfV43},
      {"KTR H9 HF V4.3003", KtrH9HfV43Build27},  // 0030
      {"KTR H9 HF V4.3002", HfV43},              // 0020
      {"KTR H9 HF V4.300", Unrecognised},        // shorter than p+17
      {"KTR H9 HF V4.3", Unrecognised},
      {"KTR H9 HF V4.", Unrecognised},
      {"KTR H9 HF V4.20039", Unrecognised},
      {"KTR H9 HF V4.40039", Unrecognised},
      {"KTR H9 HF V4.2 V2.5", Unrecognised},  // decides, never falls through
      {"id=KTR H9 HF V4.30039", KtrH9HfV43Build39},
      {"id=KTR H9 HF V4.300", Unrecognised},
  });
}

TEST(ClassifyReaderVersion, PlainVersionIdentifiers) {
  ExpectAll({
      {"V2.0", V20},
      {"B2.0", B20},
      {"V2.1", V21},
      {"V2.20011", V220011},
      {"V2.2001", V22},
      {"V2.2", V22},
      {"V2.40000", V240000},
      {"V2.4000", V24},
      {"V2.4", V24},
      {"V2.5", V25},
      {"V2.7", V27},
      {"V2.8", V28},
      {"V3.0", V25},
      {"S3 2.0", S320},
      {"S3 2.1", S321},
      {"S3 2.0 S3 2.1", S320},
      {"S3 2.1 S3 2.0", S320},
      {"Firmware V2.8 (c)", V28},
  });
}

TEST(ClassifyReaderVersion, V26ByBuildOrFallThrough) {
  ExpectAll({
      {"V2.60000", V26Build0},
      {"V2.6abcd", V26Build0},
      {"V2.60001", V26Build1},
      {"V2.60011", V26Build1},
      {"V2.60012", V26Build12},
      {"V2.60013", V26Build13},
      {"V2.60017", V26Build13},
      {"V2.60018", V26Build18},
      {"V2.69999", V26Build18},
      {"V2.6001 ", V26Build1},  // the blank reads 0: 0010
      {"X V2.60012", V26Build12},
      // Fewer than four characters after it: the later rules decide.
      {"V2.6", Unrecognised},
      {"V2.6001", Unrecognised},
      {"B2.1 V2.6", B21},
      {"VIP B2.1 V2.6", B21Vip},
      {"V2.6 VIP B2.1", V26Build0},  // long enough: " VIP" reads 0
      {"S3 2.0 V2.6", S320},
      {"V2.8 V2.6", V28},
      {"V2.7 V2.6", V27},
      {"V2.6 V2.8", V26Build18},  // " V2." reads 0020
      {"6 V2.6", Series6Below630},
      {"X V2.600", Unrecognised},
  });
}

TEST(ClassifyReaderVersion, V29RevisionAfterFirstDot) {
  ExpectAll({
      {"V2.9", V29},
      {"V2.9000", V29},  // L < q+6
      {"V2.90004", V29},
      {"V2.90005", V29Rev5},
      {"V2.90008", V29Rev5},
      {"V2.90009", V29Rev9},
      {"V2.91", V29},  // short
      {"V2.9 +7x", V29Rev5},
      {"V2.9   8", V29Rev5},  // leading white space skipped
      {"V2.9-100", V29},
      {"V2.9abcd", V29},              // no digits: 0
      {"V2.9999999999999", V29Rev9},  // saturates
      // The first "." of the reply, not the one of "V2.9".
      {"a.b12 V2.9", V29Rev9},
      {"a.b 7 V2.9", V29Rev5},
      {"a.b-9 V2.9", V29},
      {"1.2.3 V2.9", V29},  // from ".3 V2.9": no digits
      {".V2.9", V29},       // L = 5 < q+6
      {"..V2.9", V29},      // L = 6, atol("V2.9") = 0
      {"x.yV2.9", V29},
      {"V2.8.90009", V28},
  });
}

TEST(ClassifyReaderVersion, B21WithOrWithoutVip) {
  ExpectAll({
      {"B2.1", B21},
      {"B2.1 VIP", B21Vip},
      {"VIP B2.1", B21Vip},
      {"B2.1VIP", B21Vip},
      {"B2.1 vip", B21},
      {"VIP", Unrecognised},
  });
}

TEST(ClassifyReaderVersion, Series6ByNumber) {
  ExpectAll({
      {"6", Series6Below630},
      {"629", Series6Below630},
      {"630", Series6From630},
      {"631abc", Series6From630},
      {"62 9", Series6Below630},
      {"6.30", Series6Below630},
      {"6999999999999", Series6From630},  // saturates instead of wrapping
      {"64294967296", Series6From630},    // cut to 32 bits this would be negative
      {"6 S3 2.0", Series6Below630},
      {" 630", Unrecognised},  // not starting with "6"
      {"5630", Unrecognised},
  });
}

// ---------------------------------------------------------------------------------------
// Order between overlapping identifiers

TEST(ClassifyReaderVersion, OrderOfOverlappingIdentifiers) {
  ExpectAll({
      {"V2.0 B2.0", V20},
      {"B2.0 V2.0", V20},
      {"B2.0 V2.1", B20},
      {"V2.1 V2.0", V20},
      {"V2.2 V2.20011", V220011},
      {"V2.4 V2.40000", V240000},
      {"V2.5 V2.0", V20},
      {"V2.5 LMW", Unrecognised},
      {"LMW V2.5", Unrecognised},
      // "V2." inside "KTR H9 V2." never reaches the bare version rules.
      {"KTR H9 V2.0", KtrH9V2},
      {"KTR H9 V2.5", KtrH9V2Rev5},
      {"KTR H9 V2.4 V2.40000", KtrH9V2},
      {"V3.0 B2.1", V25},
      {"V2.7 V3.0", V27},
      {"B2.1 S3 2.0", B21},
      {"630 V3.0", V25},
      {"KTR H9 V4.2 KTR H9 V2.", KtrH9V2},
      {"KTR H9 HF V4.30039 KTR H9 V4.2", KtrH9V42},
  });
}

TEST(ClassifyReaderVersion, NeverReadsPastTheEndOfTheView) {
  // The bytes after the view would change the result if they were read.
  const std::string buffer = "KTR H9 V2.7|KTR H9 V4.30059|V2.60019|LMW 1H V1.00035";
  const std::string_view all = buffer;
  EXPECT_EQ(ClassifyReaderVersion(all.substr(0, 10)), KtrH9V2);
  EXPECT_EQ(ClassifyReaderVersion(all.substr(12, 14)), KtrH9V43Build39);  // 0050
  EXPECT_EQ(ClassifyReaderVersion(all.substr(28, 7)), Unrecognised);
  EXPECT_EQ(ClassifyReaderVersion(all.substr(37, 14)), Unrecognised);  // 30, not 35
  EXPECT_EQ(ClassifyReaderVersion(all.substr(37, 13)), Unrecognised);
  EXPECT_EQ(ClassifyReaderVersion(std::string("KTR H9 V4.3\0\0\0", 14)), KtrH9V42);
}

// ---------------------------------------------------------------------------------------
// Agreement with a second, plain implementation on generated replies

namespace plain {

// Leftmost case-sensitive occurrence, or -1.
long Find(const std::string& r, const std::string& x) {
  const long n = static_cast<long>(r.size());
  const long m = static_cast<long>(x.size());
  for (long i = 0; i + m <= n; ++i) {
    bool same = true;
    for (long j = 0; j < m; ++j) {
      if (r[static_cast<std::size_t>(i + j)] != x[static_cast<std::size_t>(j)]) same = false;
    }
    if (same) return i;
  }
  return -1;
}

bool Has(const std::string& r, const std::string& x) {
  return Find(r, x) >= 0;
}

int D(const std::string& r, long p, long k) {
  const long i = p + k;
  if (i >= static_cast<long>(r.size())) return 0;
  const char c = r[static_cast<std::size_t>(i)];
  if (c < '0' || c > '9') return 0;
  return c - '0';
}

int N4(const std::string& r, long p, long k) {
  return 1000 * D(r, p, k) + 100 * D(r, p, k + 1) + 10 * D(r, p, k + 2) + D(r, p, k + 3);
}

// atol of a 32-bit long, through the C library's 64-bit conversion and a clamp.
long long Atol(const std::string& s) {
  errno = 0;
  long long v = std::strtoll(s.c_str(), nullptr, 10);
  if (v > INT32_MAX) v = INT32_MAX;
  if (v < INT32_MIN) v = INT32_MIN;
  return v;
}

ReaderModel Classify(const std::string& r) {
  const long L = static_cast<long>(r.size());
  long p = 0;

  p = Find(r, "KTR H9 V2.");
  if (p >= 0) {
    if (L >= p + 10 && D(r, p, 10) >= 5) return KtrH9V2Rev5;
    return KtrH9V2;
  }
  if (Has(r, "KTR H9 V3.")) return KtrH9V3;
  if (Has(r, "Talvikko")) return Talvikko;
  p = Find(r, "KTR H9 V4.");
  if (p >= 0) {
    if (L < p + 10) return KtrH9V40;
    const int d = D(r, p, 10);
    if (d == 0 || d == 1) return KtrH9V40;
    if (d == 2) return KtrH9V42;
    if (d == 3) {
      if (L < p + 14) return Unrecognised;
      const int n = N4(r, p, 11);
      if (n >= 54) return KtrH9V43Build54;
      if (n >= 39 && n <= 53) return KtrH9V43Build39;
      return KtrH9V42;
    }
    return KtrH9V43Build54;
  }
  if (Has(r, "LMW")) {
    p = Find(r, "LMW 1H V1.");
    if (p >= 0) {
      if (L >= p + 14 && 10 * D(r, p, 13) + D(r, p, 14) >= 35) return HfV1Recent;
      return Unrecognised;
    }
    if (Has(r, "1H V4.3")) return HfV43;
    if (Has(r, "V4.0")) return KtrH9V40;
    if (Has(r, "V2.9000")) return V29Rev5;
    return Unrecognised;
  }
  if (Has(r, "Fenra")) return Fenra;
  p = Find(r, "KTR H9 HF V1.");
  if (p >= 0 && L >= p + 13) {
    const int d = D(r, p, 13);
    if (d == 0) {
      if (L >= p + 24 && r[21] == 'C' && r[22] == 'S' && r[23] == '3') return KtrH9HfV10Cs3;
      return Unrecognised;
    }
    if (d == 1) return KtrH9HfV11;
    if (d == 2) {
      if (L < p + 17) return KtrH9HfV12;
      if (N4(r, p, 14) >= 25) return HfV1Recent;
      return Unrecognised;
    }
    return HfV1Recent;
  }
  p = Find(r, "KTR H9 HF V4.");
  if (p >= 0 && L >= p + 13) {
    if (D(r, p, 13) == 3 && L >= p + 17) {
      const int n = N4(r, p, 14);
      if (n >= 39) return KtrH9HfV43Build39;
      if (n >= 27 && n <= 38) return KtrH9HfV43Build27;
      return HfV43;
    }
    return Unrecognised;
  }
  if (Has(r, "V2.0")) return V20;
  if (Has(r, "B2.0")) return B20;
  if (Has(r, "V2.1")) return V21;
  if (Has(r, "V2.20011")) return V220011;
  if (Has(r, "V2.2")) return V22;
  if (Has(r, "V2.40000")) return V240000;
  if (Has(r, "V2.4")) return V24;
  if (Has(r, "V2.5")) return V25;
  p = Find(r, "V2.6");
  if (p >= 0 && L >= p + 8) {
    const int n = N4(r, p, 4);
    if (n == 0) return V26Build0;
    if (n >= 1 && n <= 11) return V26Build1;
    if (n == 12) return V26Build12;
    if (n >= 13 && n <= 17) return V26Build13;
    return V26Build18;
  }
  if (Has(r, "V2.7")) return V27;
  if (Has(r, "V2.8")) return V28;
  if (Has(r, "V2.9")) {
    const long q = Find(r, ".");
    if (L < q + 6) return V29;
    const long long n = Atol(r.substr(static_cast<std::size_t>(q + 2)));
    if (n >= 9) return V29Rev9;
    if (n >= 5 && n <= 8) return V29Rev5;
    return V29;
  }
  if (Has(r, "V3.0")) return V25;
  if (Has(r, "B2.1")) return Has(r, "VIP") ? B21Vip : B21;
  if (L > 0 && r[0] == '6') return Atol(r) >= 630 ? Series6From630 : Series6Below630;
  if (Has(r, "S3 2.0")) return S320;
  if (Has(r, "S3 2.1")) return S321;
  if (L == 0) return NoReply;
  return Unrecognised;
}

}  // namespace plain

// Replies glued together from the identifiers, digits and separators that the rules look
// at, so that every rule and branch is reached many times, also at shifted positions.
class ReplyGenerator {
 public:
  explicit ReplyGenerator(std::uint32_t seed) : rng_(seed) {}

  std::string Next() {
    std::string reply;
    const unsigned pieces = Pick(7);  // 0 to 6; 0 gives the empty reply
    for (unsigned i = 0; i < pieces; ++i) {
      switch (Pick(4)) {
        case 0:
        case 1:
          reply += kIdentifiers[Pick(std::size(kIdentifiers))];
          break;
        case 2:
          for (unsigned n = Pick(7); n > 0; --n) reply += static_cast<char>('0' + Pick(10));
          break;
        default:
          for (unsigned n = 1 + Pick(3); n > 0; --n) reply += kSeparators[Pick(kSeparators.size())];
          break;
      }
    }
    return reply;
  }

 private:
  // Reduced with % rather than a distribution so that the texts are the same everywhere.
  unsigned Pick(std::size_t n) { return static_cast<unsigned>(rng_() % n); }

  static constexpr std::string_view kIdentifiers[] = {
      // The reader families, also cut short.
      "KTR H9 V2.", "KTR H9 V3.", "Talvikko", "KTR H9 V4.", "KTR H9 V4.3", "KTR H9 V4.300", "LMW",
      "LMW 1H V1.", "LMW 1H V1.000", "1H V4.3", "V4.0", "V2.9000", "Fenra", "KTR H9 HF V1.",
      "KTR H9 HF V1.0", "KTR H9 HF V1.1", "KTR H9 HF V1.2", "KTR H9 HF V1.200",
      "KTR H9 HF V1.0abcdefgCS3", "CS3", "KTR H9 HF V4.", "KTR H9 HF V4.3", "KTR H9 HF V4.300",
      // The bare versions.
      "V2.0", "B2.0", "V2.1", "V2.20011", "V2.2", "V2.40000", "V2.4", "V2.5", "V2.6", "V2.600",
      "V2.6001", "V2.7", "V2.8", "V2.9", "V2.900", "V3.0", "B2.1", "VIP",
      // Numbered replies, lower case and lone dots.
      "6", "63", "6999999999999", "S3 2.0", "S3 2.1", "v2.0", "."};
  static constexpr std::string_view kSeparators{" .x-+\t\xE9\0", 8};

  std::mt19937 rng_;
};

TEST(ClassifyReaderVersion, AgreesWithPlainImplementationOnGeneratedReplies) {
  ReplyGenerator generator(20240611u);
  std::array<int, kReaderModelCount> seen{};
  for (int i = 0; i < 20000; ++i) {
    const std::string reply = generator.Next();
    const ReaderModel expected = plain::Classify(reply);
    ASSERT_EQ(ClassifyReaderVersion(reply), expected) << "reply \"" << reply << "\"";
    ++seen[static_cast<std::size_t>(expected)];
  }
  // The comparison only means something if the replies reach every outcome.
  for (int value = 0; value < kReaderModelCount; ++value) {
    EXPECT_GT(seen[static_cast<std::size_t>(value)], 0)
        << ReaderModelName(static_cast<ReaderModel>(value));
  }
}

}  // namespace
}  // namespace tagline::protocol
