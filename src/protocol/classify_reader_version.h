// SPDX-License-Identifier: Apache-2.0
// Identification of the reader model from its software-version reply (the "SV" text with
// the framing removed).
#pragma once

#include <string_view>

#include "protocol/reader_model.h"

namespace tagline::protocol {

// Classifies a version reply. Pure: the result depends on the text only.
//
// Notation: "contains X at p" is the leftmost case-sensitive occurrence of X; d(k) is the
// character at p+k as a decimal digit, 0 for any other character and at or past the end;
// N4(k) = 1000·d(k) + 100·d(k+1) + 10·d(k+2) + d(k+3); L is the length of the reply.
// The rules are tried in order and the first that applies decides:
//   1. "KTR H9 V2." at p: d(10) >= 5 gives KtrH9V2Rev5, otherwise KtrH9V2.
//   2. "KTR H9 V3.": KtrH9V3.
//   3. "Talvikko": Talvikko.
//   4. "KTR H9 V4." at p: by d(10): 0/1 KtrH9V40, 2 KtrH9V42, 4+ KtrH9V43Build54;
//      3 needs L >= p+14 (else Unrecognised), then N4(11) >= 54 KtrH9V43Build54,
//      39..53 KtrH9V43Build39, below KtrH9V42.
//   5. "LMW" anywhere decides the whole family: "LMW 1H V1." at p with L >= p+14 and
//      10·d(13) + d(14) >= 35 gives HfV1Recent (else Unrecognised); else "1H V4.3" HfV43;
//      else "V4.0" KtrH9V40; else "V2.9000" V29Rev5; else Unrecognised.
//   6. "Fenra": Fenra.
//   7. "KTR H9 HF V1." at p (with L >= p+13): by d(13): 0 gives KtrH9HfV10Cs3 when
//      L >= p+24 and "CS3" stands at the absolute positions 21 to 23, else Unrecognised;
//      1 KtrH9HfV11; 2 KtrH9HfV12 when L < p+17, else N4(14) >= 25 HfV1Recent and
//      below Unrecognised; 3+ HfV1Recent.
//   8. "KTR H9 HF V4." at p (with L >= p+13): d(13) = 3 and L >= p+17 gives by N4(14)
//      39+ KtrH9HfV43Build39, 27..38 KtrH9HfV43Build27, below HfV43; else Unrecognised.
//   9-16. "V2.0" V20, "B2.0" B20, "V2.1" V21, "V2.20011" V220011, "V2.2" V22,
//      "V2.40000" V240000, "V2.4" V24, "V2.5" V25.
//  17. "V2.6" at p, only when L >= p+8: N4(4) 0 V26Build0, 1..11 V26Build1, 12 V26Build12,
//      13..17 V26Build13, 18+ V26Build18. A shorter text tries the next rules.
//  18-19. "V2.7" V27, "V2.8" V28.
//  20. "V2.9": q is the first "." anywhere; L < q+6 gives V29, else n = atol from q+2:
//      9+ V29Rev9, 5..8 V29Rev5, below V29.
//  21. "V3.0": V25.
//  22. "B2.1": B21Vip when "VIP" stands anywhere, else B21.
//  23. First character "6": atol of the whole reply >= 630 Series6From630, else
//      Series6Below630.
//  24-25. "S3 2.0" S320, "S3 2.1" S321.
//  26. Empty: NoReply; anything else Unrecognised.
// atol is that of a 32-bit long (saturating), as on the target platform.
ReaderModel ClassifyReaderVersion(std::string_view reply);

}  // namespace tagline::protocol
