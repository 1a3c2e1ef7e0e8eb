// SPDX-License-Identifier: Apache-2.0
// The five start, end and replace slots apply in their order, each slot's start before the
// earlier slots' starts, its end after the earlier ends.
#include <gtest/gtest.h>

#include "codes/online_typing.h"

namespace tagline::codes {
namespace {

TEST(TypedTextSlots, EverySlotTakesPartInItsOrder) {
  job::AppSettings settings;
  for (std::size_t k = 0; k < 5; ++k) {
    settings.addStart[k] = "S" + std::to_string(k);
    settings.addEnd[k] = "E" + std::to_string(k);
  }
  EXPECT_EQ(ComposeTypedText(settings, "code"), "S4S3S2S1S0codeE0E1E2E3E4");
}

TEST(TypedTextSlots, ReplacementsChainThroughTheSlots) {
  job::AppSettings settings;
  // Each slot replaces what the slot before it wrote: a -> b -> c -> d -> e -> f.
  const std::string letters = "abcdef";
  for (std::size_t k = 0; k < 5; ++k) {
    settings.replaceFrom[k] = letters.substr(k, 1);
    settings.replaceTo[k] = letters.substr(k + 1, 1);
  }
  EXPECT_EQ(ComposeTypedText(settings, "a-a"), "f-f");
  // The fifth slot alone still applies.
  job::AppSettings last;
  last.replaceFrom[4] = "9";
  last.replaceTo[4] = "<tab>";
  last.addEnd[4] = "<cr>";
  EXPECT_EQ(ComposeTypedText(last, "191"), "1\t1\r");
}

TEST(TypedTextSlots, SlotsSeeTheTextsOfTheSlotsBeforeThem) {
  job::AppSettings settings;
  settings.addStart[0] = "x";
  settings.replaceFrom[1] = "x";
  settings.replaceTo[1] = "y";
  settings.addEnd[2] = "x";
  // Slot 1 replaces slot 0's start; slot 2's end comes after that replacement.
  EXPECT_EQ(ComposeTypedText(settings, "1"), "y1x");
}

}  // namespace
}  // namespace tagline::codes
