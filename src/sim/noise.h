// SPDX-License-Identifier: Apache-2.0
// A noisy line between the program and the simulated reader: seeded, so that a run can be
// repeated. Each reply is damaged on its way to the host at the given rate (a byte dropped,
// a bit flipped, a byte inserted, the reply late, or a burst of junk), and each command on
// its way to the reader at a quarter of it (the reader then refuses it).
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "sim/fault.h"

namespace tagline::sim {

struct NoiseOptions {
  double rate = 0;  // the share of replies damaged (of commands, a quarter of it)
  std::uint64_t seed = 1;
};

class Noise {
 public:
  explicit Noise(const NoiseOptions& options) : rate_(options.rate), rng_(options.seed) {}

  bool active() const { return rate_ > 0; }
  // Whether the next command is damaged on its way, so that the reader does not act on it.
  bool DamageCommand();
  // The reply as it reaches the host, in its parts (a late reply is one part, delayed).
  std::vector<ReplyPart> DamageReply(std::string reply);

 private:
  bool Hit(double rate);

  double rate_;
  std::mt19937_64 rng_;
};

}  // namespace tagline::sim
