// SPDX-License-Identifier: Apache-2.0
// The tag types ("Algorithm") a reader decodes: one bit per type in one or two mask cells.
// The row's text is the list of ticked names; a bit is set when the text contains the
// type's name anywhere.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/reader_model.h"

namespace tagline::reader {

using protocol::ReaderModel;

// One mask cell: the name of each bit, lowest bit first; unused bits are empty.
struct TagTypeCell {
  std::uint16_t address;
  std::array<std::string_view, 8> bits;
};

// Every tag-type name in the order of the row's full list.
std::span<const std::string_view> TagTypeNameOrder();

// The names offered for a model, in full-list order.
std::vector<std::string_view> OfferedTagTypeNames(ReaderModel model);

// The mask cells of a model in the order they are handled in one click: "00C" then
// "00D", or "014" alone on a B21Vip.
std::span<const TagTypeCell> TagTypeCells(ReaderModel model);

// The cell holding a tag-type name on a model, or nullptr.
const TagTypeCell* TagTypeCellOf(std::string_view name, ReaderModel model);

// The bits of a cell whose names occur in the ticked text.
std::uint8_t TagTypeMask(const TagTypeCell& cell, std::string_view ticked_text);

// The names of the set bits of a cell, lowest bit first.
std::vector<std::string_view> TagTypeNames(const TagTypeCell& cell, std::uint8_t mask);

// The bodies for one click, in handling order: address + mask for a non-empty text
// (write), the bare address for an empty text (read).
std::vector<std::string> TagTypeCommandBodies(std::string_view ticked_text, ReaderModel model);

// The read-back text of a mask cell.
struct TagTypeReadBack {
  std::string text;
  // A line break was put into the text; the sent pane gets one extra "\r\n" so that both
  // panes keep their line pairing.
  bool wrapped = false;
};

// " // " and the name of every set bit, each followed by ", " with the last separator
// dropped; past 30 characters the list is broken after the next ", " with "\r\n   // ".
// The value's two digits count as hex; any other character counts as 0. An empty value
// (no reply) or an address that is no mask cell gives an empty text.
TagTypeReadBack DecodeTagTypes(std::string_view address, std::string_view value);

}  // namespace tagline::reader
