// SPDX-License-Identifier: Apache-2.0
// ONLINE mode: bytes the reader sends on its own, arriving in chunks, through the receive
// poll's frame buffer, the ONLINE processing (acknowledge, filter, convert) and the typing
// into a recording keyboard. The input's head sets the conversion switches, the double-code
// check and the start, end and replace texts of the five slots; the rest are the chunks.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "codes/online_conversions.h"
#include "codes/online_typing.h"
#include "fuzz_context.h"
#include "platform/keyboard_recording.h"

namespace {

using namespace tagline;

void ChooseSettings(FuzzedDataProvider& input, job::AppSettings& settings, bool& doubleCodes) {
  const auto flags = input.ConsumeIntegral<std::uint16_t>();
  std::string* switches[] = {
      &settings.invert,           &settings.hex2dez,           &settings.hex8ToDec8,
      &settings.hex210dez,        &settings.hex210dezmotorola, &settings.hex2left8hex,
      &settings.hex2left8hex2dez, &settings.hex2iso,           &settings.hex2bde};
  for (std::size_t i = 0; i < std::size(switches); ++i) *switches[i] = (flags >> i) & 1 ? "1" : "0";
  doubleCodes = (flags >> 9) & 1;
  // Slot texts only where the flags ask for them, so most inputs reach the frames quickly.
  if ((flags >> 10) & 1) {
    for (std::size_t i = 0; i < settings.addStart.size(); ++i) {
      settings.addStart[i] = input.ConsumeRandomLengthString(8);
      settings.addEnd[i] = input.ConsumeRandomLengthString(8);
      settings.replaceFrom[i] = input.ConsumeRandomLengthString(8);
      settings.replaceTo[i] = input.ConsumeRandomLengthString(8);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  fuzz::FuzzEnvironment env;
  bool doubleCodes = false;
  ChooseSettings(input, env.settings(), doubleCodes);
  const int onlineMode = input.ConsumeBool() ? 1 : 2;
  env.settings().type_any_text = input.ConsumeBool();

  codes::OnlineTyping typing;
  auto keyboard = std::make_unique<platform::RecordingKeyboard>();
  const platform::RecordingKeyboard& keys = *keyboard;
  typing.SetKeyboard(std::move(keyboard));
  app::Terminal& terminal = env.terminal();
  terminal.SetOnlineFrameHandler(
      [&](codes::FrameEnd end) { typing.ProcessFrame(env, terminal.online, end, doubleCodes); });

  while (input.remaining_bytes() > 0) {
    env.line().Push(input.ConsumeRandomLengthString(64));
    terminal.PollReceive(onlineMode);
  }
  keys.TypedText();
  // The pure steps on whatever is left in the buffer.
  const std::string& rest = terminal.online.buffer;
  if (rest.size() > app::kOnlineCodeByteLimit) std::abort();
  codes::ComposeTypedText(env.settings(), codes::ConvertOnlineCode(env.settings(), rest));
  for (const codes::OnlineConversion conversion : codes::kOnlineConversions) {
    codes::ApplyOnlineConversion(conversion, rest);
  }
  return 0;
}
