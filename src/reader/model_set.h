// SPDX-License-Identifier: Apache-2.0
// Sets of reader models, written in the catalogue tables the way the model lists are
// written everywhere else: "4-7, 9-13, 16, 22-25".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "protocol/reader_model.h"

namespace tagline::reader {

using protocol::kReaderModelCount;
using protocol::ReaderModel;

namespace detail {

// Deliberately not constexpr: reaching it while a model list is parsed at compile time
// turns the malformed list into a compile error.
inline void MalformedModelList() {}

}  // namespace detail

class ModelSet {
 public:
  constexpr ModelSet() = default;

  // Comma-separated model numbers and ranges "a-b", each between 0 and 41.
  static consteval ModelSet Parse(std::string_view list) {
    std::uint64_t bits = 0;
    std::size_t i = 0;
    const auto skip_blanks = [&] {
      while (i < list.size() && list[i] == ' ') ++i;
    };
    const auto number = [&] {
      skip_blanks();
      if (i >= list.size() || list[i] < '0' || list[i] > '9') detail::MalformedModelList();
      int value = 0;
      while (i < list.size() && list[i] >= '0' && list[i] <= '9') {
        value = value * 10 + (list[i] - '0');
        ++i;
      }
      skip_blanks();
      return value;
    };
    while (true) {
      const int first = number();
      int last = first;
      if (i < list.size() && list[i] == '-') {
        ++i;
        last = number();
      }
      if (first > last || last >= kReaderModelCount) detail::MalformedModelList();
      for (int v = first; v <= last; ++v) bits |= std::uint64_t{1} << v;
      if (i == list.size()) break;
      if (list[i] != ',') detail::MalformedModelList();
      ++i;
    }
    return ModelSet(bits);
  }

  // Every model 0 to 41.
  static constexpr ModelSet All() { return ModelSet((std::uint64_t{1} << kReaderModelCount) - 1); }

  constexpr bool Contains(ReaderModel model) const {
    const int v = static_cast<int>(model);
    return v >= 0 && v < kReaderModelCount && ((bits_ >> v) & 1u) != 0;
  }

  constexpr ModelSet With(ReaderModel model) const {
    const int v = static_cast<int>(model);
    if (v < 0 || v >= kReaderModelCount) return *this;
    return ModelSet(bits_ | (std::uint64_t{1} << v));
  }

  constexpr ModelSet operator|(ModelSet other) const { return ModelSet(bits_ | other.bits_); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool operator==(const ModelSet&) const = default;

 private:
  constexpr explicit ModelSet(std::uint64_t bits) : bits_(bits) {}

  std::uint64_t bits_ = 0;
};

consteval ModelSet operator""_models(const char* text, std::size_t size) {
  return ModelSet::Parse(std::string_view(text, size));
}

// The model the catalogue is looked up with: NoReply and every byte outside 1 to 41 (the
// failed-step marker included) behave like an unrecognised reader.
constexpr ReaderModel CatalogueModel(ReaderModel model) {
  const int v = static_cast<int>(model);
  return v >= 1 && v < kReaderModelCount ? model : ReaderModel::Unrecognised;
}

}  // namespace tagline::reader
