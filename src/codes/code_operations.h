// SPDX-License-Identifier: Apache-2.0
// The code operations by name, for callers that get the operation as text (the command
// line's "convert NAME CODE"): the nine ONLINE conversions by their settings keys and the
// decoders as "decode-iso-animal", "decode-full-animal", "decode-iso-industry",
// "decode-manufacturer-serial", "decode-retag" and "decode-user-info".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codes/iso_code.h"

namespace tagline::codes {

// Every name RunCodeOperation accepts: the conversions first, then the decoders.
std::vector<std::string_view> CodeOperationNames();

// True for the decoders, which read the code in a bit order.
bool UsesBitOrder(std::string_view name);

// "numeric" or "transmission".
std::string_view BitOrderName(BitOrder order);
std::optional<BitOrder> ParseBitOrder(std::string_view name);

// The result of the named operation on `code`; `order` is ignored by the conversions.
// nullopt for an unknown name.
std::optional<std::string> RunCodeOperation(std::string_view name, std::string_view code,
                                            BitOrder order);

}  // namespace tagline::codes
