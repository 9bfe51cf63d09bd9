// Layer III stages shared by layer3.cpp (bitstream to spectral lines) and
// layer3_hybrid.cpp (lines to subband samples), and visible to the tests.
#pragma once
#include <cstdint>

#include "fixed.h"

// Per-granule, per-channel side information.
struct Layer3Granule {
  int32_t part23Length;      // bits of scalefactors and Huffman data
  int32_t bigValues;         // pairs in the big-values regions
  int32_t globalGain;
  int32_t scalefacCompress;  // 4 bits (MPEG-1) or 9 (lower frequencies)
  int32_t windowSwitching;
  int32_t blockType;         // 0 normal, 1 start, 2 short, 3 stop
  int32_t mixed;
  int32_t tableSelect[3];
  int32_t subblockGain[3];
  int32_t region0Count;
  int32_t region1Count;
  int32_t preflag;
  int32_t scalefacScale;
  int32_t count1Table;
};

struct Layer3SideInfo {
  int32_t mainDataBegin;
  int32_t scfsi[2][4];
  Layer3Granule granule[2][2];  // [granule][channel]
};

// One stretch of lines in decoding order sharing a scalefactor: a long band,
// or one window of a short band.
struct Layer3Segment {
  int16_t start;
  int16_t end;
  int8_t band;
  int8_t window;  // -1 for long bands
};

// Magnitude k (0..8206) times 2^(e/4), Q28: the power-table mantissa shifted
// by its exponent + e/4 (toward zero; right shifts past 31 places give 0,
// left shifts past 4 saturate to 2^31 - 1), then times the quarter power of
// e's remainder (64-bit product, rounded, saturated).
Fixed Layer3Requantize(int32_t magnitude, int32_t exponent);

// Sample-rate index 0..8 (48000 ... 8000) of a rate in Hz; MPEG-2.5 rates are
// counted as their doubles plus the offset of the last three rows.
int Layer3RateIndex(int32_t sampleRate, int mpeg25);

// Short blocks: lines from `from` on go from decoding order (band, window,
// frequency) to the order the short transform reads (subband, window,
// frequency within the subband).
void Layer3Reorder(Fixed lines[576], const int16_t shortBands[14], int fromBand);

// Alias-reduction butterflies on the first `boundaries` subband boundaries.
void Layer3AliasReduce(Fixed lines[576], int boundaries);

// 18 lines of one subband to 36 windowed outputs (Q28): the 36-point IMDCT
// through a fast 18-point DCT-IV in 64 bits with Q24 constants, times the
// block type's window (rounded product).
void Layer3Imdct36(const Fixed in[18], Fixed out[36], int blockType);
// Three 12-point IMDCTs over 6 lines each, windowed and overlapped into the
// 36 outputs (positions 6..29; the rest 0).
void Layer3ImdctShort(const Fixed in[18], Fixed out[36]);

// Lines of one granule and channel to 18 subband samples per subband:
// transform, overlap-add with `overlap` (32 x 18), frequency inversion.
// Subbands below `longSubbands` use the long transform with `longType`'s
// window (2 for mixed short blocks, 32 for long blocks, 0 for short blocks;
// -2: all long, subbands 0 and 1 with the normal window, for a mixed flag on
// a start or stop block); subbands at and above `active` take only their
// overlap and clear it. Sums saturate at 32 bits. Writes
// out[time * stride + subband].
void Layer3Hybrid(const Fixed lines[576], Fixed overlap[576], int longType, int longSubbands, int active,
                  Fixed* out, int stride);

// One past the last nonzero line, at least `floor`; lines at and past
// `bound` are known to be zero.
int Layer3NonzeroEnd(const Fixed lines[576], int floor, int bound = 576);
// Subbands that run the IMDCT: 32 - (576 - n) / 18 with n one past the last
// nonzero line, at least 36; the ones above only hand out their overlap.
int Layer3ActiveSubbands(const Fixed lines[576], int bound = 576);
