// SPDX-License-Identifier: Apache-2.0
#include "protocol/classify_reader_version.h"

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/crt.h"

namespace tagline::protocol {

namespace {

using Decision = std::optional<ReaderModel>;

bool Contains(std::string_view reply, std::string_view identifier) {
  return reply.find(identifier) != std::string_view::npos;
}

// The leftmost occurrence of an identifier in the reply, and the digits read relative to
// it. Reads at or past the end of the reply give 0, never a byte beyond it.
class Match {
 public:
  static std::optional<Match> Find(std::string_view reply, std::string_view identifier) {
    const std::size_t pos = reply.find(identifier);
    if (pos == std::string_view::npos) return std::nullopt;
    return Match(reply, pos);
  }

  // L >= p + k.
  bool HasLength(std::size_t k) const { return reply_.size() >= pos_ + k; }

  // d(k): the character at p + k as a decimal digit; anything else counts as 0.
  int Digit(std::size_t k) const {
    const std::size_t at = pos_ + k;
    if (at >= reply_.size()) return 0;
    const char c = reply_[at];
    return c >= '0' && c <= '9' ? c - '0' : 0;
  }

  // N4(k): four digits from p + k as one number.
  int Number4(std::size_t k) const {
    return 1000 * Digit(k) + 100 * Digit(k + 1) + 10 * Digit(k + 2) + Digit(k + 3);
  }

 private:
  Match(std::string_view reply, std::size_t pos) : reply_(reply), pos_(pos) {}

  std::string_view reply_;
  std::size_t pos_;
};

// 1.
Decision KtrH9V2Rule(std::string_view reply) {
  const auto m = Match::Find(reply, "KTR H9 V2.");
  if (!m) return std::nullopt;
  return m->HasLength(10) && m->Digit(10) >= 5 ? ReaderModel::KtrH9V2Rev5 : ReaderModel::KtrH9V2;
}

// 4.
Decision KtrH9V4Rule(std::string_view reply) {
  const auto m = Match::Find(reply, "KTR H9 V4.");
  if (!m) return std::nullopt;
  if (!m->HasLength(10)) return ReaderModel::KtrH9V40;
  const int minor = m->Digit(10);
  if (minor <= 1) return ReaderModel::KtrH9V40;
  if (minor == 2) return ReaderModel::KtrH9V42;
  if (minor >= 4) return ReaderModel::KtrH9V43Build54;
  if (!m->HasLength(14)) return ReaderModel::Unrecognised;
  const int build = m->Number4(11);
  if (build >= 54) return ReaderModel::KtrH9V43Build54;
  if (build >= 39) return ReaderModel::KtrH9V43Build39;
  return ReaderModel::KtrH9V42;
}

// 5. Any reply of this family is decided here, whatever else it holds.
Decision LmwRule(std::string_view reply) {
  if (!Contains(reply, "LMW")) return std::nullopt;
  if (const auto m = Match::Find(reply, "LMW 1H V1.")) {
    return m->HasLength(14) && 10 * m->Digit(13) + m->Digit(14) >= 35 ? ReaderModel::HfV1Recent
                                                                      : ReaderModel::Unrecognised;
  }
  if (Contains(reply, "1H V4.3")) return ReaderModel::HfV43;
  if (Contains(reply, "V4.0")) return ReaderModel::KtrH9V40;
  if (Contains(reply, "V2.9000")) return ReaderModel::V29Rev5;
  return ReaderModel::Unrecognised;
}

// 7. The identifier is 13 characters long, so the length condition holds after any match.
Decision KtrH9HfV1Rule(std::string_view reply) {
  const auto m = Match::Find(reply, "KTR H9 HF V1.");
  if (!m || !m->HasLength(13)) return std::nullopt;
  switch (m->Digit(13)) {
    case 0:
      // The "CS3" mark is looked for at fixed positions of the reply, not relative to p;
      // L >= p+24 keeps those positions inside the reply.
      return m->HasLength(24) && reply.substr(21, 3) == "CS3" ? ReaderModel::KtrH9HfV10Cs3
                                                              : ReaderModel::Unrecognised;
    case 1:
      return ReaderModel::KtrH9HfV11;
    case 2:
      if (!m->HasLength(17)) return ReaderModel::KtrH9HfV12;
      return m->Number4(14) >= 25 ? ReaderModel::HfV1Recent : ReaderModel::Unrecognised;
    default:
      return ReaderModel::HfV1Recent;
  }
}

// 8. As for rule 7, the length condition holds after any match.
Decision KtrH9HfV4Rule(std::string_view reply) {
  const auto m = Match::Find(reply, "KTR H9 HF V4.");
  if (!m || !m->HasLength(13)) return std::nullopt;
  if (m->Digit(13) != 3 || !m->HasLength(17)) return ReaderModel::Unrecognised;
  const int build = m->Number4(14);
  if (build >= 39) return ReaderModel::KtrH9HfV43Build39;
  if (build >= 27) return ReaderModel::KtrH9HfV43Build27;
  return ReaderModel::HfV43;
}

// 17. Too short a build number falls through to the later rules.
Decision V26Rule(std::string_view reply) {
  const auto m = Match::Find(reply, "V2.6");
  if (!m || !m->HasLength(8)) return std::nullopt;
  const int build = m->Number4(4);
  if (build == 0) return ReaderModel::V26Build0;
  if (build <= 11) return ReaderModel::V26Build1;
  if (build == 12) return ReaderModel::V26Build12;
  if (build <= 17) return ReaderModel::V26Build13;
  return ReaderModel::V26Build18;
}

// 20. The revision is read after the first "." of the whole reply, which need not be the
// one of "V2.9".
Decision V29Rule(std::string_view reply) {
  if (!Contains(reply, "V2.9")) return std::nullopt;
  const std::size_t q = reply.find('.');  // exists: "V2.9" holds one
  if (reply.size() < q + 6) return ReaderModel::V29;
  const std::int32_t revision = platform::Atol32(reply.substr(q + 2));
  if (revision >= 9) return ReaderModel::V29Rev9;
  if (revision >= 5) return ReaderModel::V29Rev5;
  return ReaderModel::V29;
}

// 22.
Decision B21Rule(std::string_view reply) {
  if (!Contains(reply, "B2.1")) return std::nullopt;
  return Contains(reply, "VIP") ? ReaderModel::B21Vip : ReaderModel::B21;
}

// 23.
Decision Series6Rule(std::string_view reply) {
  if (reply.empty() || reply.front() != '6') return std::nullopt;
  return platform::Atol32(reply) >= 630 ? ReaderModel::Series6From630
                                        : ReaderModel::Series6Below630;
}

struct Rule {
  std::string_view identifier;  // plain rule: contains it gives `model`
  ReaderModel model = ReaderModel::Unrecognised;
  Decision (*decide)(std::string_view) = nullptr;  // family rule: decides itself
};

constexpr Rule Plain(std::string_view identifier, ReaderModel model) {
  return {identifier, model, nullptr};
}

constexpr Rule Family(Decision (*decide)(std::string_view)) {
  return {{}, {}, decide};
}

// Tried in this order and the first that applies decides. The order matters where
// identifiers overlap: "V2.20011" must be seen before "V2.2", "KTR H9 V2." before "V2.0".
constexpr Rule kRules[] = {
    Family(KtrH9V2Rule),                        // 1
    Plain("KTR H9 V3.", ReaderModel::KtrH9V3),  // 2
    Plain("Talvikko", ReaderModel::Talvikko),   // 3
    Family(KtrH9V4Rule),                        // 4
    Family(LmwRule),                            // 5
    Plain("Fenra", ReaderModel::Fenra),         // 6
    Family(KtrH9HfV1Rule),                      // 7
    Family(KtrH9HfV4Rule),                      // 8
    Plain("V2.0", ReaderModel::V20),            // 9
    Plain("B2.0", ReaderModel::B20),            // 10
    Plain("V2.1", ReaderModel::V21),            // 11
    Plain("V2.20011", ReaderModel::V220011),    // 12
    Plain("V2.2", ReaderModel::V22),            // 13
    Plain("V2.40000", ReaderModel::V240000),    // 14
    Plain("V2.4", ReaderModel::V24),            // 15
    Plain("V2.5", ReaderModel::V25),            // 16
    Family(V26Rule),                            // 17
    Plain("V2.7", ReaderModel::V27),            // 18
    Plain("V2.8", ReaderModel::V28),            // 19
    Family(V29Rule),                            // 20
    Plain("V3.0", ReaderModel::V25),            // 21
    Family(B21Rule),                            // 22
    Family(Series6Rule),                        // 23
    Plain("S3 2.0", ReaderModel::S320),         // 24
    Plain("S3 2.1", ReaderModel::S321),         // 25
};

}  // namespace

ReaderModel ClassifyReaderVersion(std::string_view reply) {
  for (const Rule& rule : kRules) {
    if (rule.decide != nullptr) {
      if (const Decision model = rule.decide(reply)) return *model;
    } else if (Contains(reply, rule.identifier)) {
      return rule.model;
    }
  }
  // 26.
  return reply.empty() ? ReaderModel::NoReply : ReaderModel::Unrecognised;
}

}  // namespace tagline::protocol
