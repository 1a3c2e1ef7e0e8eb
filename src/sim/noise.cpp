// SPDX-License-Identifier: Apache-2.0
#include "sim/noise.h"

#include <algorithm>

namespace tagline::sim {

namespace {

enum class Damage { Drop, Flip, Insert, Delay, Burst };
constexpr int kDamages = 5;
constexpr std::uint32_t kLateMinMs = 300;
constexpr std::uint32_t kLateMaxMs = 1200;
// Commands are short and few bytes long: they are damaged less often than replies.
constexpr double kCommandShare = 0.25;

}  // namespace

bool Noise::Hit(double rate) {
  return active() && std::uniform_real_distribution<double>(0, 1)(rng_) < rate;
}

bool Noise::DamageCommand() {
  return Hit(rate_ * kCommandShare);
}

std::vector<ReplyPart> Noise::DamageReply(std::string reply) {
  if (reply.empty() || !Hit(rate_)) return {ReplyPart{std::move(reply), 0}};
  const auto pick = [this](std::size_t bound) {
    return std::uniform_int_distribution<std::size_t>(0, bound - 1)(rng_);
  };
  const auto damage = static_cast<Damage>(pick(kDamages));
  std::uint32_t delayMs = 0;
  switch (damage) {
    case Damage::Drop:
      reply.erase(pick(reply.size()), 1);
      break;
    case Damage::Flip: {
      char& byte = reply[pick(reply.size())];
      byte = static_cast<char>(static_cast<unsigned char>(byte) ^ (1u << pick(8)));
      break;
    }
    case Damage::Insert:
      reply.insert(pick(reply.size() + 1), 1, static_cast<char>(pick(256)));
      break;
    case Damage::Delay:
      delayMs = static_cast<std::uint32_t>(kLateMinMs + pick(kLateMaxMs - kLateMinMs));
      break;
    case Damage::Burst: {
      const std::size_t at = pick(reply.size());
      const std::size_t length = std::min(reply.size() - at, 2 + pick(7));
      for (std::size_t i = 0; i < length; ++i) reply[at + i] = static_cast<char>(pick(256));
      break;
    }
  }
  return {ReplyPart{std::move(reply), delayMs}};
}

}  // namespace tagline::sim
