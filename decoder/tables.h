// Tables of the standards (ISO/IEC 11172-3, 13818-3) and of the decoder's
// own fixed-point stages. Layer tables live beside their decoders.
#pragma once
#include <cstdint>

// Bit rates in bits/s by [lower frequencies][layer - 1][index]; index 15 is
// not a rate (stored as 0 like free format).
extern const int32_t kBitRates[2][3][16];
// Sample rates in Hz by index; halved for MPEG-2, quartered for MPEG-2.5.
extern const int32_t kSampleRates[4];
// CRC-16 table for the generator 0x8005.
extern const uint16_t (&kCrc16Table)[256];

// Fade-in factors 0.20 .. 0.95, Q28.
extern const int32_t (&kFadeTable)[16];
// 2^(g/10) for g = -20..+20, Q27: index g + 20.
extern const int32_t kEqualizerFactors[41];

// The standard's synthesis window: D[0..256] x 65536 (its values are
// multiples of 2^-16; D[512 - i] = D[i] at multiples of 64, else -D[i]),
// and the whole window D[0..511] scaled by 16384 and rounded (Q14).
extern const int32_t (&kSynthesisWindowHalf)[257];
extern const int32_t (&kSynthesisWindow)[512];

// The nine rates of the rate converter and the step between each pair,
// stream rate / target rate in Q28: kRateSteps[stream][target].
extern const int32_t (&kConverterRates)[9];
extern const int32_t (&kRateSteps)[9][9];
