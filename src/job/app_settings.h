// SPDX-License-Identifier: Apache-2.0
// The in-memory copy of the settings file "Tagline_Console.ini": what the jobs and
// commands read (and the few values a reader write changes). Reading and writing the file
// is the application's.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tagline::job {

// The in-memory copy of the settings file. Members carry the names of their INI keys where
// those are identifiers.
struct AppSettings {
  // [COM]
  std::string port;  // e.g. "COM1", without the "\\.\" prefix
  // A first start, without a settings file, takes the line most readers leave the factory
  // with: 9600 baud, 8 data bits (no parity and one stop bit are the codes' defaults).
  std::int32_t baudrate = 9600;
  std::int32_t databits = 8;
  std::uint8_t stopbits = 0;  // 0 one, 1 one and a half, 2 two
  std::uint8_t parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  std::int32_t CTS = 0;
  std::int32_t RTS = 0;
  std::int32_t protocol = 0;  // 0 framed with CRC, 1 data + CR, 2 data only
  // Keyboard simulation: texts typed before and after a code, and replacements in it.
  std::array<std::string, 5> addStart;
  std::array<std::string, 5> addEnd;
  std::array<std::string, 5> replaceFrom;
  std::array<std::string, 5> replaceTo;
  // Conversion flags: kept as read; only "1" switches one on.
  std::string invert;
  std::string hex2dez;
  std::string hex8ToDec8;  // key "8hex28dez"
  std::string hex210dez;
  std::string hex210dezmotorola;
  std::string hex2left8hex;
  std::string hex2left8hex2dez;
  std::string hex2iso;
  std::string hex2bde;
  // [TEST]
  std::string send;
  // [DB]
  std::int32_t db = 0;
  std::string read_path;
  std::string write_path;
  // Transfers read the records back (writes) or twice (reads) even on a clean line.
  std::int32_t verify = 0;
  // Before an erase of a reader that holds records: "Always", "Ask" or "Never" save them.
  std::string backup = "Ask";
  // [CONFIG]
  std::int32_t config = 0;
  std::int32_t time = 0;
  std::int32_t onltyp = 0;
  std::int32_t fragmentation = 0;
  std::int32_t beeper = 0;
  std::int32_t showbadframe = 0;
  // [ONLINE]
  std::int32_t online = 0;  // 0 off, 1 on with terminal, 2 on without terminal
  bool double_codes = false;
  std::string keyboard_sim_prot_path;
  // Types whatever the reader sends, not only tag codes (for special readers; unsafe).
  bool type_any_text = false;
  // The keyboard layout the uinput keyboard types with ("de", "fr(bepo)"); empty: the
  // system's.
  std::string keyboard_layout;
  // [WINDOW]: the window's language ("English", "Deutsch", "Fran\xE7ais"); empty: the
  // system's.
  std::string language;
  // [ACCESS], read only
  std::string code;

  friend bool operator==(const AppSettings&, const AppSettings&) = default;
};

}  // namespace tagline::job
