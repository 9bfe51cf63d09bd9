// Layer III decoding: side information, the bit reservoir, scalefactors,
// Huffman decoding with requantisation, and stereo processing, up to the
// spectral lines that layer3_hybrid.cpp turns into subband samples.
//
// Main data is always read from the reservoir: this frame's bytes are
// appended behind what the reservoir keeps, so one bounded buffer holds the
// whole main data and the next frame's share stays at its tail. The 2567
// bytes are 511 (main_data_begin) + 2048 (four granules of 4095 bits) + 8,
// so no reader ever leaves it, whatever lengths a stream claims.
#include <cstring>

#include "layer3.h"
#include "state.h"
#include "tables_layer3.h"

namespace {

// ---- Main-data bit window -------------------------------------------------

// 64-bit window over the reservoir, left-aligned: refilled eight bytes at a
// time when it runs low, byte by byte near the end. Bytes at or past `size`
// read as zero. The bits below `count` may already hold the next bytes.
struct MainBits {
  const uint8_t* data;
  int32_t size;
  int32_t next;     // index of the next byte to account for
  uint64_t window;  // unread bits, most significant first
  int32_t count;    // bits in the window
};

// Leaves at least 25 bits in the window.
inline void Fill(MainBits& m) {
  if (m.count > 24) return;
  if (m.next >= 0 && m.next + 8 <= m.size) {
    uint64_t w;
    std::memcpy(&w, m.data + m.next, 8);
    m.window |= __builtin_bswap64(w) >> m.count;
    m.next += (63 - m.count) >> 3;
    m.count |= 56;
    return;
  }
  while (m.count <= 56) {
    uint64_t byte = m.next >= 0 && m.next < m.size ? m.data[m.next] : 0;
    m.next++;
    m.window |= byte << (56 - m.count);
    m.count += 8;
  }
}

inline int32_t Position(const MainBits& m) { return m.next * 8 - m.count; }

inline void Seek(MainBits& m, int32_t bit) {
  m.next = bit >> 3;
  m.window = 0;
  m.count = 0;
  Fill(m);
  m.window <<= bit & 7;
  m.count -= bit & 7;
}

inline void Skip(MainBits& m, int n) {
  m.window <<= n;
  m.count -= n;
}

// n = 1..24 bits; the window must hold them (after Fill).
inline uint32_t Take(MainBits& m, int n) {
  uint32_t v = uint32_t(m.window >> (64 - n));
  Skip(m, n);
  return v;
}

// ---- Tables of the lower sampling frequencies -----------------------------

// Scalefactor counts per slen group, by scalefac_compress range (three plain,
// three for the intensity-coded right channel) and block kind (long, short, mixed).
const uint8_t kLsfBandCounts[6][3][4] = {
    {{6, 5, 5, 5}, {9, 9, 9, 9}, {6, 9, 9, 9}},      {{6, 5, 7, 3}, {9, 9, 12, 6}, {6, 9, 12, 6}},
    {{11, 10, 0, 0}, {18, 18, 0, 0}, {15, 18, 0, 0}}, {{7, 7, 7, 0}, {12, 12, 12, 0}, {6, 15, 12, 0}},
    {{6, 6, 6, 3}, {12, 9, 9, 6}, {6, 12, 9, 6}},    {{8, 8, 5, 0}, {15, 12, 9, 0}, {6, 18, 9, 0}},
};

const uint8_t kSlen1[16] = {0, 0, 0, 0, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4};
const uint8_t kSlen2[16] = {0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 2, 3};

// ---- Per-frame work (static: nothing is allocated per frame) -------------

struct Scalefactors {
  uint8_t longBand[22];
  uint8_t shortBand[13][3];
  uint8_t illegalLong[22];  // lower frequencies: intensity position is the band's largest value
  uint8_t illegalShort[13][3];
};

struct Work {
  Layer3SideInfo side;
  Scalefactors scalefactors[2];
  Fixed lines[2][576];
  Layer3Segment segments[2][40];
  int32_t segmentCount[2];
  int32_t exponents[2][40];
  int32_t decodedEnd[2];  // lines past this are zero
};

Work g_work;

// ---- Side information ------------------------------------------------------

// Parses the side information; returns the first status found, or 0. Kept out
// of line: inlined, it pushes the Huffman decoding out of its caller.
__attribute__((noinline)) int32_t ParseSideInfo(BitReader& r, const FrameHeader& h, int channels, Layer3SideInfo& si) {
  BitCache c = BitCacheStart(r);
  const bool lsf = (h.flags & HEADER_LSF) != 0;
  int32_t status = 0;
  auto note = [&status](int32_t s) {
    if (!status) status = s;
  };
  si.mainDataBegin = int32_t(BitCacheRead(c, lsf ? 8 : 9));
  BitCacheRead(c, lsf ? (channels == 1 ? 1 : 2) : (channels == 1 ? 5 : 3));
  if (!lsf)
    for (int ch = 0; ch < channels; ch++)
      for (int g = 0; g < 4; g++) si.scfsi[ch][g] = int32_t(BitCacheRead(c, 1));
  int granules = lsf ? 1 : 2;
  for (int gr = 0; gr < granules; gr++)
    for (int ch = 0; ch < channels; ch++) {
      Layer3Granule& g = si.granule[gr][ch];
      g.part23Length = int32_t(BitCacheRead(c, 12));
      g.bigValues = int32_t(BitCacheRead(c, 9));
      if (g.bigValues > 288) note(STATUS_BIG_VALUES);
      g.globalGain = int32_t(BitCacheRead(c, 8));
      g.scalefacCompress = int32_t(BitCacheRead(c, lsf ? 9 : 4));
      g.windowSwitching = int32_t(BitCacheRead(c, 1));
      if (g.windowSwitching) {
        g.blockType = int32_t(BitCacheRead(c, 2));
        g.mixed = int32_t(BitCacheRead(c, 1));
        g.tableSelect[0] = int32_t(BitCacheRead(c, 5));
        g.tableSelect[1] = int32_t(BitCacheRead(c, 5));
        g.tableSelect[2] = 0;
        for (int w = 0; w < 3; w++) g.subblockGain[w] = int32_t(BitCacheRead(c, 3));
        if (g.blockType == 0) note(STATUS_BLOCK_TYPE);
        g.region0Count = (g.blockType == 2 && !g.mixed) ? 8 : 7;
        g.region1Count = 36;
      } else {
        g.blockType = 0;
        g.mixed = 0;
        for (int i = 0; i < 3; i++) g.tableSelect[i] = int32_t(BitCacheRead(c, 5));
        for (int w = 0; w < 3; w++) g.subblockGain[w] = 0;
        g.region0Count = int32_t(BitCacheRead(c, 4));
        g.region1Count = int32_t(BitCacheRead(c, 3));
      }
      g.preflag = lsf ? 0 : int32_t(BitCacheRead(c, 1));
      g.scalefacScale = int32_t(BitCacheRead(c, 1));
      g.count1Table = int32_t(BitCacheRead(c, 1));
      if (!lsf && g.blockType == 2 && g.windowSwitching &&
          (si.scfsi[ch][0] | si.scfsi[ch][1] | si.scfsi[ch][2] | si.scfsi[ch][3]))
        note(STATUS_SCFSI_SHORT);
    }
  BitCacheStop(c, r);
  return status;
}

// The mode-extension and main_data_begin of the next frame when it is a
// Layer III frame: M, the bytes of this frame's tail that belong to it.
int32_t NextMainDataBegin(const uint8_t* next) {
  if (next[0] != 0xFF || (next[1] & 0xE0) != 0xE0 || ((next[1] >> 1) & 3) != 1) return 0;
  const uint8_t* p = next + 4 + ((next[1] & 1) ? 0 : 2);
  if (next[1] & 0x08) return (p[0] << 1) | (p[1] >> 7);
  return p[0];
}

// ---- Scalefactors -----------------------------------------------------------

// Reads one channel's scalefactors; returns the bits read (part2).
void ReadScalefactorsMpeg1(MainBits& m, const Layer3Granule& g, const int32_t scfsi[4], int gr, Scalefactors& sf) {
  int slen1 = kSlen1[g.scalefacCompress];
  int slen2 = kSlen2[g.scalefacCompress];
  auto take = [&m](int n) -> uint8_t {
    if (n == 0) return 0;
    Fill(m);
    return uint8_t(Take(m, n));
  };
  if (g.windowSwitching && g.blockType == 2) {
    int band = 0;
    if (g.mixed) {
      for (int b = 0; b < 8; b++) sf.longBand[b] = take(slen1);
      band = 3;
    }
    for (int s = band; s < 12; s++)
      for (int w = 0; w < 3; w++) sf.shortBand[s][w] = take(s < 6 ? slen1 : slen2);
    for (int w = 0; w < 3; w++) sf.shortBand[12][w] = 0;
  } else {
    static const uint8_t kGroupStart[5] = {0, 6, 11, 16, 21};
    for (int group = 0; group < 4; group++) {
      if (gr == 1 && scfsi[group]) continue;  // kept from granule 0
      int n = group < 2 ? slen1 : slen2;
      for (int b = kGroupStart[group]; b < kGroupStart[group + 1]; b++) sf.longBand[b] = take(n);
    }
    sf.longBand[21] = 0;
  }
}

// Lower frequencies; `intensityRight` selects the variant of the right
// channel under intensity stereo, which also marks illegal positions.
// Returns the preflag the compress value implies.
int ReadScalefactorsLsf(MainBits& m, const Layer3Granule& g, bool intensityRight, Scalefactors& sf) {
  int slen[4] = {0, 0, 0, 0};
  int row;
  int preflag = 0;
  int sfc = g.scalefacCompress;
  if (!intensityRight) {
    if (sfc < 400) {
      slen[0] = (sfc >> 4) / 5;
      slen[1] = (sfc >> 4) % 5;
      slen[2] = (sfc & 15) >> 2;
      slen[3] = sfc & 3;
      row = 0;
    } else if (sfc < 500) {
      sfc -= 400;
      slen[0] = (sfc >> 2) / 5;
      slen[1] = (sfc >> 2) % 5;
      slen[2] = sfc & 3;
      row = 1;
    } else {
      sfc -= 500;
      slen[0] = sfc / 3;
      slen[1] = sfc % 3;
      row = 2;
      preflag = 1;
    }
  } else {
    sfc >>= 1;
    if (sfc < 180) {
      slen[0] = sfc / 36;
      slen[1] = (sfc % 36) / 6;
      slen[2] = (sfc % 36) % 6;
      row = 3;
    } else if (sfc < 244) {
      sfc -= 180;
      slen[0] = (sfc & 63) >> 4;
      slen[1] = (sfc & 15) >> 2;
      slen[2] = sfc & 3;
      row = 4;
    } else {
      sfc -= 244;
      slen[0] = sfc / 3;
      slen[1] = sfc % 3;
      row = 5;
    }
  }
  int kind = (g.windowSwitching && g.blockType == 2) ? (g.mixed ? 2 : 1) : 0;
  const uint8_t* counts = kLsfBandCounts[row][kind];
  std::memset(&sf, 0, sizeof sf);
  int index = 0;
  for (int part = 0; part < 4; part++) {
    int n = slen[part];
    uint8_t largest = uint8_t((1 << n) - 1);
    for (int i = 0; i < counts[part]; i++, index++) {
      uint8_t v = 0;
      if (n) {
        Fill(m);
        v = uint8_t(Take(m, n));
      }
      uint8_t illegal = intensityRight && v == largest;
      if (kind == 0 || (kind == 2 && index < 6)) {
        sf.longBand[index] = v;
        sf.illegalLong[index] = illegal;
      } else {
        int j = kind == 2 ? index - 6 : index;
        int band = (kind == 2 ? 3 : 0) + j / 3;
        sf.shortBand[band][j % 3] = v;
        sf.illegalShort[band][j % 3] = illegal;
      }
    }
  }
  // The top bands carry no scalefactor: they take the position of the band below.
  sf.illegalLong[21] = sf.illegalLong[20];
  for (int w = 0; w < 3; w++) sf.illegalShort[12][w] = sf.illegalShort[11][w];
  return preflag;
}

// ---- Band layout and exponents ------------------------------------------------

// Segments in decoding order with their exponents
// e = global_gain - 210 - 8 subblock_gain - ((scalefac + pretab) << (1 + scalefac_scale)).
int BuildSegments(const Layer3Granule& g, const Scalefactors& sf, int preflag, int rate, bool lsf,
                  Layer3Segment* seg, int32_t* exponents) {
  const int16_t* lb = kLayer3LongBands[rate];
  const int16_t* sb = kLayer3ShortBands[rate];
  int shift = 1 + g.scalefacScale;
  int base = g.globalGain - 210;
  int n = 0;
  int longBands = 22;
  int firstShort = 13;
  if (g.windowSwitching && g.blockType == 2) {
    longBands = g.mixed ? (lsf ? 6 : 8) : 0;
    firstShort = g.mixed ? 3 : 0;
  }
  for (int b = 0; b < longBands; b++) {
    seg[n] = Layer3Segment{lb[b], lb[b + 1], int8_t(b), -1};
    exponents[n] = base - ((sf.longBand[b] + (preflag ? kLayer3Pretab[b] : 0)) << shift);
    n++;
  }
  for (int s = firstShort; s < 13; s++) {
    int width = sb[s + 1] - sb[s];
    for (int w = 0; w < 3; w++) {
      int16_t start = int16_t(3 * sb[s] + w * width);
      seg[n] = Layer3Segment{start, int16_t(start + width), int8_t(s), int8_t(w)};
      exponents[n] = base - 8 * g.subblockGain[w] - (sf.shortBand[s][w] << shift);
      n++;
    }
  }
  return n;
}

// ---- Huffman decoding and requantisation ---------------------------------

// Magnitudes 0..15 (all that count1 and the tables without linbits give) at
// every exponent a stream can give: global_gain - 210 (-210..45) less at
// most 8 * 7 for the subblock gain and (15 << 2) or (15 + 3) << 2 for the
// scalefactor. Worked out once, at load.
constexpr int kSmallLowest = -336, kSmallHighest = 47;
struct SmallMagnitudes {
  Fixed value[kSmallHighest - kSmallLowest + 1][16];
  SmallMagnitudes() {
    for (int e = kSmallLowest; e <= kSmallHighest; e++)
      for (int k = 0; k < 16; k++) value[e - kSmallLowest][k] = Layer3Requantize(k, e);
  }
};
const SmallMagnitudes kSmall;

// Magnitudes of one band: 0..15 from kSmall (or, for an exponent outside
// it, worked out on entering the band), 16..63 computed once per exponent.
struct BandCache {
  int32_t exponent;
  uint64_t ready;
  const Fixed* small;
  Fixed own[16];
  Fixed value[64];
};

inline Fixed Requantized(BandCache& c, int k) {
  if (k < 16) return c.small[k];
  if (k < 64) {
    if (!(c.ready & (uint64_t(1) << k))) {
      c.value[k] = Layer3Requantize(k, c.exponent);
      c.ready |= uint64_t(1) << k;
    }
    return c.value[k];
  }
  return Layer3Requantize(k, c.exponent);
}

inline void SmallRow(BandCache& c) {
  if (c.exponent >= kSmallLowest && c.exponent <= kSmallHighest) {
    c.small = kSmall.value[c.exponent - kSmallLowest];
  } else {
    for (int k = 0; k < 16; k++) c.own[k] = Layer3Requantize(k, c.exponent);
    c.small = c.own;
  }
}

inline void EnterBand(BandCache& c, int32_t exponent) {
  if (exponent != c.exponent) {
    c.exponent = exponent;
    c.ready = 1;
    SmallRow(c);
  }
}

// Applies the sign bit that follows a nonzero magnitude k to its value v,
// without a branch on either (no bit is taken for k = 0).
inline Fixed TakeSign(MainBits& m, int k, Fixed v) {
  uint32_t present = k != 0;
  uint32_t sign = uint32_t(m.window >> 63) & present;
  m.window <<= present;
  m.count -= int32_t(present);
  return Fixed((uint32_t(v) ^ (0u - sign)) + sign);
}

// v negated when sign is 1 (0 stays 0, so a sign read for a zero value is harmless).
inline Fixed WithSign(Fixed v, uint32_t sign) { return Fixed((uint32_t(v) ^ (0u - sign)) + sign); }

// Walks a tree from the window; the window must hold the longest code.
inline uint32_t Lookup(MainBits& m, const uint32_t* tree, int width) {
  uint32_t e = tree[m.window >> (64 - width)];
  while (!(e & 1)) {
    Skip(m, width);
    width = int((e >> 1) & 7);
    e = tree[(e >> 4) + (m.window >> (64 - width))];
  }
  Skip(m, int(e >> 12));
  return e;
}

// Decodes the Huffman data of one granule and channel (reader after the
// scalefactors, `end` the bit position where it stops) into requantised
// lines. Returns 0, or a status.
int32_t DecodeLines(MainBits& m, int32_t end, const Layer3Granule& g, int rate, const Layer3Segment* seg,
                    const int32_t* exponents, int segments, Fixed lines[576], int32_t& decodedEnd) {
  const int16_t* lb = kLayer3LongBands[rate];
  int bigEnd = g.bigValues * 2;
  int regionEnd[3];
  if (g.windowSwitching) {
    regionEnd[0] = (g.blockType == 2 && !g.mixed) ? 3 * kLayer3ShortBands[rate][3] : lb[8];
    regionEnd[1] = 576;
  } else {
    int r1 = g.region0Count + 1;
    int r2 = g.region0Count + g.region1Count + 2;
    regionEnd[0] = lb[r1 > 22 ? 22 : r1];
    regionEnd[1] = lb[r2 > 22 ? 22 : r2];
  }
  regionEnd[2] = 576;
  for (int i = 0; i < 3; i++)
    if (regionEnd[i] > bigEnd) regionEnd[i] = bigEnd;
  if (regionEnd[1] < regionEnd[0]) regionEnd[1] = regionEnd[0];

  BandCache cache;
  cache.exponent = exponents[0];
  cache.ready = 1;
  cache.value[0] = 0;
  SmallRow(cache);
  int s = 0;
  int line = 0;
  for (int region = 0; region < 3; region++) {
    int stop = regionEnd[region];
    if (line >= stop) continue;
    const Layer3HuffTable& table = kLayer3HuffTables[g.tableSelect[region]];
    if (!table.tree) {
      if (g.tableSelect[region] != 0) return STATUS_BIG_VALUES;  // tables 4 and 14 do not exist
      std::memset(lines + line, 0, size_t(stop - line) * sizeof(Fixed));
      line = stop;
      continue;
    }
    while (line < stop) {
      while (line >= seg[s].end && s + 1 < segments) s++;
      EnterBand(cache, exponents[s]);
      int runEnd = seg[s].end < stop ? seg[s].end : stop;
      if (runEnd <= line) runEnd = stop;
      if (!table.linbits) {
        for (; line < runEnd; line += 2) {
          Fill(m);
          uint32_t e = Lookup(m, table.tree, table.firstBits);
          if (!(e & 0xFF0)) {  // a zero pair: no sign bits, nothing to requantise
            lines[line] = 0;
            lines[line + 1] = 0;
            continue;
          }
          // Both sign bits follow the code: y's comes second when x has one.
          int x = int((e >> 4) & 15);
          int y = int((e >> 8) & 15);
          const uint64_t w = m.window;
          const uint32_t hasX = x != 0;
          const uint32_t sx = uint32_t(w >> 63), sy = uint32_t((w << hasX) >> 63);
          Skip(m, int(hasX + (y != 0)));
          lines[line] = WithSign(Requantized(cache, x), sx);
          lines[line + 1] = WithSign(Requantized(cache, y), sy);
        }
        continue;
      }
      const int linbits = table.linbits;
      for (; line < runEnd; line += 2) {
        Fill(m);
        uint32_t e = Lookup(m, table.tree, table.firstBits);
        if (!(e & 0xFF0)) {
          lines[line] = 0;
          lines[line + 1] = 0;
          continue;
        }
        // The fill above leaves at least 25 bits and no code is longer than
        // 19, so only linbits (13 at most) need another fill first.
        int x = int((e >> 4) & 15);
        int y = int((e >> 8) & 15);
        if (x == 15) {
          Fill(m);
          x += int(Take(m, linbits));
        }
        lines[line] = TakeSign(m, x, Requantized(cache, x));
        if (y == 15) {
          Fill(m);
          y += int(Take(m, linbits));
        }
        lines[line + 1] = TakeSign(m, y, Requantized(cache, y));
      }
    }
  }

  // count1: quadruples of magnitude 0 or 1 until the bits are used up. Most
  // are all zero: those carry no sign bits and need no band.
  const Layer3Quad* quads = kLayer3Quads[g.count1Table];
  int nonzeroEnd = line;
  int32_t left = end - Position(m);  // bits of the granule not yet read
  while (line < 576 && left > 0) {
    Fill(m);
    const Layer3Quad& q = quads[m.window >> 54];  // code and signs fit in 10 bits
    Skip(m, q.bits);
    left -= q.bits;
    if (left < 0) break;  // the quadruple overran the granule: dropped
    Fixed v[4] = {0, 0, 0, 0};
    if (q.nonzero) {
      while (line >= seg[s].end && s + 1 < segments) s++;
      EnterBand(cache, exponents[s]);
      if (line + 4 <= seg[s].end) {  // the common case: all four in one band
        Fixed one = Requantized(cache, 1);
        for (int i = 0; i < 4; i++) v[i] = Fixed(uint32_t(one) * uint32_t(int32_t(q.factor[i])));
      } else {
        for (int i = 0; i < 4; i++) {
          while (line + i >= seg[s].end && s + 1 < segments) s++;
          EnterBand(cache, exponents[s]);
          v[i] = Fixed(uint32_t(Requantized(cache, 1)) * uint32_t(int32_t(q.factor[i])));
        }
      }
    }
    if (line + 4 <= 576) {
      lines[line] = v[0];
      lines[line + 1] = v[1];
      lines[line + 2] = v[2];
      lines[line + 3] = v[3];
      line += 4;
    } else {
      for (int i = 0; line < 576; i++) lines[line++] = v[i];
    }
    if (q.nonzero) nonzeroEnd = line;
  }
  decodedEnd = nonzeroEnd;
  if (line < 576) std::memset(lines + line, 0, size_t(576 - line) * sizeof(Fixed));
  return 0;
}

// ---- Stereo --------------------------------------------------------------------

inline Fixed MidSide(Fixed a, Fixed b, bool difference) {
  int64_t sum = difference ? int64_t(a) - b : int64_t(a) + b;
  return Fixed(uint32_t(int32_t((sum + 2048) >> 12)) * 2896u);
}

// Joint stereo of one granule: intensity above the right channel's last
// nonzero band (per window for short blocks), mid/side elsewhere.
int32_t ProcessStereo(DecoderState& d, const Layer3Granule& g0, const Layer3Granule& g1, int gr) {
  const FrameHeader& h = d.header;
  const bool ms = (h.modeExtension & 2) != 0;
  const bool intensity = (h.modeExtension & 1) != 0;
  if (g0.blockType != g1.blockType || g0.mixed != g1.mixed || g0.windowSwitching != g1.windowSwitching)
    return STATUS_STEREO;
  (void)gr;
  const bool lsf = (h.flags & HEADER_LSF) != 0;
  Fixed* left = g_work.lines[0];
  Fixed* right = g_work.lines[1];
  const Layer3Segment* seg = g_work.segments[1];
  const int count = g_work.segmentCount[1];
  const Scalefactors& sf = g_work.scalefactors[1];

  // Last segment of each window (long bands: window 0 slot 3) holding a nonzero right line.
  int lastBand[4] = {-1, -1, -1, -1};
  if (intensity) {
    for (int i = 0; i < count; i++) {
      const Layer3Segment& sg = seg[i];
      for (int j = sg.start; j < sg.end; j++)
        if (right[j]) {
          int slot = sg.window < 0 ? 3 : sg.window;
          if (sg.band > lastBand[slot]) lastBand[slot] = sg.band;
          break;
        }
    }
    // Mixed blocks: when no short window holds data, the long part's bound applies;
    // otherwise the long part stays below the bound.
    bool shortData = lastBand[0] >= 0 || lastBand[1] >= 0 || lastBand[2] >= 0;
    if (shortData) lastBand[3] = 99;
  }

  int intensityUsed = 0;
  int msUsed = 0;
  for (int i = 0; i < count; i++) {
    const Layer3Segment& sg = seg[i];
    int slot = sg.window < 0 ? 3 : sg.window;
    bool coded = intensity && sg.band > lastBand[slot];
    if (coded) {
      int p;
      bool illegal;
      if (sg.window < 0) {
        int b = sg.band < 21 ? sg.band : 20;
        p = sf.longBand[b];
        illegal = lsf ? sf.illegalLong[sg.band] != 0 : p == 7;
      } else {
        int b = sg.band < 12 ? sg.band : 11;
        p = sf.shortBand[b][sg.window];
        illegal = lsf ? sf.illegalShort[sg.band][sg.window] != 0 : p == 7;
      }
      if (!lsf && p > 7) illegal = true;
      if (!illegal) {
        intensityUsed = 1;
        if (!lsf) {
          Fixed kl = kLayer3IntensityRatio[p];
          Fixed kr = kLayer3IntensityRatio[6 - p];
          for (int j = sg.start; j < sg.end; j++) {
            Fixed x = left[j];
            left[j] = RoundedProduct(x, kl);
            right[j] = RoundedProduct(x, kr);
          }
        } else {
          const Fixed* t = kLayer3LsfIntensity[g1.scalefacCompress & 1];
          int k = p == 0 ? -1 : (p - 1) / 2;
          if (k > 14) k = 14;
          for (int j = sg.start; j < sg.end; j++) {
            Fixed x = left[j];
            if (k < 0) {
              right[j] = x;
            } else if (p & 1) {
              left[j] = RoundedProduct(x, t[k]);
              right[j] = x;
            } else {
              right[j] = RoundedProduct(x, t[k]);
            }
          }
        }
        continue;
      }
    }
    if (ms) {
      msUsed = 1;
      for (int j = sg.start; j < sg.end; j++) {
        Fixed l = left[j], r = right[j];
        left[j] = MidSide(l, r, false);
        right[j] = MidSide(l, r, true);
      }
    }
  }
  if (intensityUsed) d.header.flags |= HEADER_BOUND;
  if (msUsed) d.header.flags |= HEADER_MS_STEREO;
  return 0;
}

// ---- Granule -------------------------------------------------------------------

// Spectral lines of one channel to subband samples of granule gr; lines at
// and past `bound` are zero.
void Synthesize(DecoderState& d, const Layer3Granule& g, int rate, int ch, int gr, int bound) {
  Fixed* lines = g_work.lines[ch];
  int longSubbands = 32;
  int longType = g.windowSwitching ? g.blockType : 0;
  if (g.windowSwitching && g.blockType == 2) {
    if (g.mixed) {
      Layer3Reorder(lines, kLayer3ShortBands[rate], 3);
      Layer3AliasReduce(lines, 1);
      bound = 576;
      longSubbands = 2;
      longType = 0;
    } else {
      Layer3Reorder(lines, kLayer3ShortBands[rate], 0);
      longSubbands = 0;
      bound = 576;
    }
  } else {
    // A mixed flag on a start or stop block still gives subbands 0 and 1 the normal window.
    if (g.windowSwitching && g.mixed) longSubbands = -2;
    int nz = Layer3NonzeroEnd(lines, 0, bound);
    int boundaries = (nz + 7) / 18;  // butterflies reaching a nonzero line
    if (boundaries > 31) boundaries = 31;
    Layer3AliasReduce(lines, boundaries);
    bound = 18 * boundaries + 8;  // the highest line a butterfly wrote, + 1
    if (bound < nz) bound = nz;
    if (bound > 576) bound = 576;
  }
  if (d.equalizer.enabled) ApplyLineEqualizer(d.equalizer, lines);  // keeps zeros zero
  int active = Layer3ActiveSubbands(lines, bound);
  Layer3Hybrid(lines, d.subbands.overlap + ch * 576, longType, longSubbands, active,
               &d.subbands.sample[ch][gr * 18][0], 32);
}

}  // namespace

Fixed Layer3Requantize(int32_t magnitude, int32_t exponent) {
  if (magnitude <= 0) return 0;
  if (magnitude >= kLayer3PowerEntries) magnitude = kLayer3PowerEntries - 1;
  const Layer3Power& p = kLayer3Power[magnitude];
  int32_t shift = p.exponent + exponent / 4;
  int32_t v;
  if (shift < 0)
    v = shift < -31 ? 0 : p.mantissa >> -shift;
  else if (shift <= 4)
    v = p.mantissa << shift;
  else
    v = 0x7FFFFFFF;
  int32_t rest = exponent % 4;
  if (rest == 0) return v;
  // A full-precision product (rounded, saturated): as a rounded product the
  // quarter power would carry only 12 bits, a steady gain error of up to
  // 1.2e-4 per band that alone uses a third of the accuracy budget on loud tones.
  int64_t r = (int64_t(v) * kLayer3QuarterPowers[rest + 3] + (int64_t(1) << 27)) >> 28;
  return r > 0x7FFFFFFF ? 0x7FFFFFFF : Fixed(r);
}

int Layer3ActiveSubbands(const Fixed lines[576], int bound) {
  int n = Layer3NonzeroEnd(lines, 36, bound);
  return 32 - (576 - n) / 18;
}

int Layer3RateIndex(int32_t sampleRate, int mpeg25) {
  int32_t r = mpeg25 ? sampleRate * 2 : sampleRate;
  int index = int(((r >> 7) & 15) + ((r >> 15) & 1)) - (mpeg25 ? 5 : 8);
  if (index < 0) index = 0;
  if (index > 8) index = 8;
  return index;
}

int DecodeLayer3(DecoderState& d) {
  InputCursor& c = d.cursor;
  if (!AllocateLayer3Memory(d)) {
    c.status = STATUS_SHORT_FRAME;
    return -1;
  }
  const FrameHeader& h = d.header;
  const bool lsf = (h.flags & HEADER_LSF) != 0;
  const int channels = HeaderChannels(h);
  const int granules = lsf ? 1 : 2;
  const int sideBytes = lsf ? (channels == 1 ? 9 : 17) : (channels == 1 ? 17 : 32);
  const uint8_t* frameEnd = c.readPos;
  BitReader& r = c.reader;
  const uint8_t* sideStart = BitReaderBytePosition(r);
  if (frameEnd - sideStart < sideBytes) {
    c.reservoirFill = 0;
    c.status = STATUS_SHORT_FRAME;
    return -1;
  }

  int32_t status = 0;
  if ((h.flags & HEADER_CRC) && Crc16(r, sideBytes * 8, h.crcComputed) != (h.crcStored & 0xFFFF))
    status = STATUS_CRC;
  Layer3SideInfo& si = g_work.side;
  int32_t sideStatus = ParseSideInfo(r, h, channels, si);
  if (!status) status = sideStatus;

  // Reservoir: append this frame's main data, decode, keep the next frame's share.
  const uint8_t* mainStart = sideStart + sideBytes;
  int32_t available = int32_t(frameEnd - mainStart);
  int32_t nextBegin = NextMainDataBegin(frameEnd);
  if (available + si.mainDataBegin < nextBegin) nextBegin = 0;
  uint8_t* reservoir = c.reservoir;
  int32_t fill = c.reservoirFill;
  if (si.mainDataBegin == 0) fill = 0;
  if (fill + available > kReservoirBytes) {  // cannot happen with valid headers; keep the newest
    int32_t drop = fill + available - kReservoirBytes;
    if (drop > fill) drop = fill;
    std::memmove(reservoir, reservoir + drop, size_t(fill - drop));
    fill -= drop;
    if (available > kReservoirBytes - fill) available = kReservoirBytes - fill;
  }
  if (si.mainDataBegin > fill && !status) status = STATUS_RESERVOIR;
  std::memcpy(reservoir + fill, mainStart, size_t(available));
  const int32_t mainBegin = fill - si.mainDataBegin;
  const int32_t dataEnd = fill + available;

  if (!status) {
    const int rate = Layer3RateIndex(h.sampleRate, (h.flags & HEADER_MPEG25) != 0);
    const bool jointStereo = h.mode == MODE_JOINT && (h.modeExtension & 3) != 0 && channels == 2;
    MainBits m{reservoir, dataEnd, 0, 0, 0};
    int32_t bit = mainBegin * 8;
    for (int gr = 0; gr < granules && !status; gr++) {
      for (int ch = 0; ch < channels && !status; ch++) {
        const Layer3Granule& g = si.granule[gr][ch];
        Seek(m, bit);
        const int32_t end = bit + g.part23Length;
        Scalefactors& sf = g_work.scalefactors[ch];
        int preflag = g.preflag;
        if (lsf)
          preflag = ReadScalefactorsLsf(m, g, ch == 1 && jointStereo && (h.modeExtension & 1), sf);
        else
          ReadScalefactorsMpeg1(m, g, si.scfsi[ch], gr, sf);
        if (Position(m) > end) {
          status = STATUS_PART2;
          break;
        }
        int n = BuildSegments(g, sf, preflag, rate, lsf, g_work.segments[ch], g_work.exponents[ch]);
        g_work.segmentCount[ch] = n;
        int32_t s = DecodeLines(m, end, g, rate, g_work.segments[ch], g_work.exponents[ch], n, g_work.lines[ch],
                                g_work.decodedEnd[ch]);
        if (s) status = s;
        bit = end;
      }
      if (status) break;
      if (jointStereo) {
        int32_t s = ProcessStereo(d, si.granule[gr][0], si.granule[gr][1], gr);
        if (s) {
          status = s;
          break;
        }
      }
      if (jointStereo)  // intensity and mid/side spread each channel's lines into the other
        g_work.decodedEnd[0] = g_work.decodedEnd[1] =
            g_work.decodedEnd[0] > g_work.decodedEnd[1] ? g_work.decodedEnd[0] : g_work.decodedEnd[1];
      for (int ch = 0; ch < channels; ch++) Synthesize(d, si.granule[gr][ch], rate, ch, gr, g_work.decodedEnd[ch]);
    }
  }

  // Keep exactly the last M bytes before the next header (fewer if fewer are held).
  int32_t keep = nextBegin < dataEnd ? nextBegin : dataEnd;
  std::memmove(reservoir, reservoir + dataEnd - keep, size_t(keep));
  c.reservoirFill = keep;

  if (status) {
    c.status = status;
    return -1;
  }
  return 0;
}
