// Layer I and Layer II: allocation, scalefactors and requantisation of one
// frame into the SubbandBuffer (Q28). The bit reader is bounded by the
// caller's buffer, so a frame that claims more bits than it holds only reads
// zeros past the buffer's end.
#include <cstring>

#include "layer12.h"

namespace {

// A code of nb bits with its most significant bit inverted, as a signed
// fraction in Q28: the code is moved to the top of the word and shifted back
// arithmetically, which sign-extends it (|result| <= 2^28).
inline Fixed CodeFraction(uint32_t code, int nb) {
  return Fixed(int32_t((code ^ (1u << (nb - 1))) << (32 - nb)) >> 3);
}

// Layer I: (fraction + 2^(1-nb)) * 2^nb/(2^nb-1), within +-2^28 for the codes
// an encoder writes and below 4/3 * 2^28 for the unused all-ones code.
inline Fixed RequantizeLayer1(uint32_t code, int nb) {
  Fixed x = CodeFraction(code, nb) + (Fixed(1) << (29 - nb));
  return RoundedProduct(x, kLayer1Factors[nb]);
}

// Layer II: (fraction + D) * C, within +-2^28 for every level of every class
// (an unused all-ones code of the 7-level class reaches 8/7 * 2^28).
inline Fixed RequantizeLayer2(uint32_t code, const QuantClass& q) {
  return RoundedProduct(CodeFraction(code, q.sampleBits) + q.d, q.c);
}

// x (|x| < 1.5 * 2^28) times scalefactor `index`. A rounded product with the
// scalefactor itself would keep it to 12 bits (index 62 would round to 0, and
// index 28 is 2.4% off), which costs more than the limited-accuracy bound
// allows; so the product takes the scalefactor's mantissa 2^(-(index mod 3)/3)
// and a rounding shift applies its power of two. Result below 3 * 2^28.
inline Fixed ApplyScalefactor(Fixed x, uint32_t index) {
  const Fixed y = RoundedProduct(x, kScaleMantissas[index % 3]);
  const int shift = int(index / 3) - 1;
  if (shift < 0) return y * 2;
  if (shift == 0) return y;
  return (y + (Fixed(1) << (shift - 1))) >> shift;
}

// The joint-stereo bound: from it up, a subband carries one allocation and one
// sample for both channels. Flag 0x100 says it is in use.
int JointBound(FrameHeader& h, int limit) {
  if (h.mode != MODE_JOINT) {
    h.flags &= ~HEADER_BOUND;
    return limit;
  }
  h.flags |= HEADER_BOUND;
  int bound = 4 * (h.modeExtension + 1);
  return bound < limit ? bound : limit;
}

int Fail(DecoderState& d, int status) {
  d.cursor.status = status;
  return -1;
}

void ClearBlocks(SubbandBuffer& sb, int channels, int blocks) {
  for (int ch = 0; ch < channels; ++ch) std::memset(sb.sample[ch], 0, sizeof(Fixed) * 32 * blocks);
}

}  // namespace

int DecodeLayer1(DecoderState& d) {
  FrameHeader& h = d.header;
  BitReader& br = d.cursor.reader;
  const int channels = HeaderChannels(h);
  const int bound = JointBound(h, 32);

  if (h.flags & HEADER_CRC) {
    uint32_t crc = Crc16(br, 4 * (32 + (channels - 1) * bound), h.crcComputed);
    if ((crc & 0xFFFF) != (h.crcStored & 0xFFFF)) return Fail(d, STATUS_CRC);
  }

  uint8_t allocation[2][32];
  for (int sb = 0; sb < 32; ++sb) {
    const int shared = sb >= bound;
    for (int ch = 0; ch < channels; ++ch) {
      uint32_t code = shared && ch > 0 ? allocation[0][sb] : BitReaderRead(br, 4);
      if (code == 15) return Fail(d, STATUS_BAD_ALLOCATION);
      allocation[ch][sb] = uint8_t(code);
    }
  }

  uint8_t scale[2][32];
  for (int sb = 0; sb < 32; ++sb) {
    for (int ch = 0; ch < channels; ++ch) {
      if (!allocation[ch][sb]) continue;
      uint32_t index = BitReaderRead(br, 6);
      if (index == 63) return Fail(d, STATUS_BAD_SCALEFACTOR);
      scale[ch][sb] = uint8_t(index);
    }
  }

  ClearBlocks(d.subbands, channels, 12);
  for (int block = 0; block < 12; ++block) {
    for (int sb = 0; sb < 32; ++sb) {
      if (sb < bound) {
        for (int ch = 0; ch < channels; ++ch) {
          const int nb = allocation[ch][sb] + 1;
          if (nb == 1) continue;
          Fixed x = RequantizeLayer1(BitReaderRead(br, nb), nb);
          d.subbands.sample[ch][block][sb] = ApplyScalefactor(x, scale[ch][sb]);
        }
      } else {
        const int nb = allocation[0][sb] + 1;
        if (nb == 1) continue;
        Fixed x = RequantizeLayer1(BitReaderRead(br, nb), nb);
        for (int ch = 0; ch < channels; ++ch)
          d.subbands.sample[ch][block][sb] = ApplyScalefactor(x, scale[ch][sb]);
      }
    }
  }
  return 0;
}

// The allocation table: the lower-frequency one for MPEG-2/2.5, else chosen by
// the bit rate per channel and the sample rate.
const AllocationTable& ChooseAllocationTable(const FrameHeader& h) {
  if (h.flags & HEADER_LSF) return kAllocationTables[ALLOC_LSF];
  const int32_t perChannel = h.mode == MODE_SINGLE ? h.bitRate : h.bitRate / 2;
  if (perChannel == 32000 || perChannel == 48000)
    return kAllocationTables[h.sampleRate == 32000 ? ALLOC_B2D : ALLOC_B2C];
  if (perChannel == 56000 || perChannel == 64000 || perChannel == 80000)
    return kAllocationTables[ALLOC_B2A];
  return kAllocationTables[h.sampleRate == 48000 ? ALLOC_B2A : ALLOC_B2B];
}

namespace {

// The three level values of every grouped codeword, split by repeated division
// (remainder first, each below the class's levels), four bits each; the
// 3-, 5- and 9-level classes' words start at 0, 32 and 160.
struct GroupedSplit {
  uint16_t codes[32 + 128 + 1024];
  GroupedSplit() {
    const int levels[3] = {3, 5, 9}, sizes[3] = {32, 128, 1024};
    int at = 0;
    for (int c = 0; c < 3; c++)
      for (int word = 0; word < sizes[c]; word++, at++) {
        uint32_t w = uint32_t(word), l = uint32_t(levels[c]);
        uint32_t a = w % l, b = (w / l) % l, e = (w / l / l) % l;
        codes[at] = uint16_t(a | b << 4 | e << 8);
      }
  }
};
const GroupedSplit kGroupedSplit;

inline int GroupedBase(int levels) { return levels == 3 ? 0 : levels == 5 ? 32 : 160; }

// Reads one granule's triple of codes: one codeword split for grouped classes,
// else three codes.
inline void ReadTriple(BitCache& br, const QuantClass& q, uint32_t code[3]) {
  if (!q.grouped) {
    const int n = q.codeBits;
    if (n <= 10) {  // the three codes in one read
      const uint32_t all = BitCacheRead(br, 3 * n), mask = (1u << n) - 1;
      code[0] = all >> (2 * n), code[1] = (all >> n) & mask, code[2] = all & mask;
    } else {
      for (int k = 0; k < 3; ++k) code[k] = BitCacheRead(br, n);
    }
    return;
  }
  uint32_t split = kGroupedSplit.codes[GroupedBase(q.levels) + BitCacheRead(br, q.codeBits)];
  code[0] = split & 15, code[1] = (split >> 4) & 15, code[2] = split >> 8;
}

// ApplyScalefactor(RequantizeLayer2(code, q), index) with everything that
// depends only on the class and the index worked out once per frame.
struct Requantizer {
  int32_t d;         // the class's offset
  int32_t c;         // its factor, rounded to Q12
  int32_t mantissa;  // the scalefactor's, rounded to Q12
  int32_t shift;     // its power of two: -1 doubles
  int32_t round;
  int32_t bits;      // sample bits of the class
};

inline Requantizer MakeRequantizer(const QuantClass& q, uint32_t index) {
  Requantizer r;
  r.d = q.d;
  r.c = int32_t((int64_t(q.c) + 32768) >> 16);
  r.mantissa = int32_t((int64_t(kScaleMantissas[index % 3]) + 32768) >> 16);
  r.shift = int32_t(index / 3) - 1;
  r.round = r.shift > 0 ? int32_t(1) << (r.shift - 1) : 0;
  r.bits = q.sampleBits;
  return r;
}

// ApplyScalefactor(RequantizeLayer2(code, q), index) for many codes at once,
// each lane with its own constants: the same steps in 32 bits, none of which
// can overflow for codes of their class.
struct RequantLanes {
  static constexpr int kMax = 64;  // two channels x 32 subbands
  alignas(32) int32_t flip[kMax], shl[kMax], d[kMax], c[kMax], mantissa[kMax], right[kMax], left[kMax], round[kMax];
};

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))
#endif
void RequantizeLanes(const RequantLanes& p, const uint32_t* __restrict code, Fixed* __restrict out, int count) {
  for (int i = 0; i < count; i++) {
    int32_t x = (int32_t((code[i] ^ uint32_t(p.flip[i])) << p.shl[i]) >> 3) + p.d[i];
    int32_t y = int32_t(uint32_t((x + 2048) >> 12) * uint32_t(p.c[i]));
    y = int32_t(uint32_t((y + 2048) >> 12) * uint32_t(p.mantissa[i]));
    out[i] = ((y + p.round[i]) >> p.right[i]) << p.left[i];
  }
}

}  // namespace

int DecodeLayer2(DecoderState& d) {
  FrameHeader& h = d.header;
  BitReader& br = d.cursor.reader;
  const int channels = HeaderChannels(h);
  const AllocationTable& table = ChooseAllocationTable(h);
  const int sblimit = table.sblimit;
  const int bound = JointBound(h, sblimit);

  const BitReader protectedStart = br;
  BitCache bits = BitCacheStart(br);
  const QuantClass* quant[2][32];  // null: nothing allocated
  for (int sb = 0; sb < sblimit; ++sb) {
    const AllocationClass& row = *table.subband[sb];
    for (int ch = 0; ch < channels; ++ch) {
      if (sb >= bound && ch > 0) {
        quant[ch][sb] = quant[0][sb];
        continue;
      }
      uint32_t code = BitCacheRead(bits, row.bits);
      quant[ch][sb] = code ? &kQuantClasses[row.quant[code]] : nullptr;
    }
  }

  uint8_t scfsi[2][32];
  for (int sb = 0; sb < sblimit; ++sb)
    for (int ch = 0; ch < channels; ++ch)
      if (quant[ch][sb]) scfsi[ch][sb] = uint8_t(BitCacheRead(bits, 2));
  BitCacheStop(bits, br);

  if (h.flags & HEADER_CRC) {
    uint32_t crc = Crc16(protectedStart, BitReaderDistance(protectedStart, br), h.crcComputed);
    if ((crc & 0xFFFF) != (h.crcStored & 0xFFFF)) return Fail(d, STATUS_CRC);
  }

  uint8_t scale[2][32][3];
  for (int sb = 0; sb < sblimit; ++sb) {
    for (int ch = 0; ch < channels; ++ch) {
      if (!quant[ch][sb]) continue;
      uint32_t index[3];
      index[0] = BitCacheRead(bits, 6);
      switch (scfsi[ch][sb]) {
        case 0:
          index[1] = BitCacheRead(bits, 6);
          index[2] = BitCacheRead(bits, 6);
          break;
        case 1:
          index[1] = index[0];
          index[2] = BitCacheRead(bits, 6);
          break;
        case 2:
          index[1] = index[2] = index[0];
          break;
        default:
          index[1] = index[2] = BitCacheRead(bits, 6);
          break;
      }
      for (int part = 0; part < 3; ++part) {
        if (index[part] == 63) return Fail(d, STATUS_BAD_SCALEFACTOR);
        scale[ch][sb][part] = uint8_t(index[part]);
      }
    }
  }

  // The allocated subbands in reading order, each (but those above the
  // joint-stereo bound) a lane of the requantisation, which runs once a
  // granule's codes are read: codes k = 0, 1, 2 of every lane in turn.
  struct Item {
    const QuantClass* q;
    uint8_t ch, sb;
    int16_t lane;  // -1 above the bound
  };
  Item items[64];
  int itemCount = 0, lanes = 0;
  static RequantLanes laneParts[3];
  for (int sb = 0; sb < sblimit; ++sb) {
    for (int ch = 0; ch < channels; ++ch) {
      const QuantClass* q = quant[ch][sb];
      if (!q || (sb >= bound && ch > 0)) continue;
      Item& it = items[itemCount++];
      it = Item{q, uint8_t(ch), uint8_t(sb), int16_t(sb >= bound ? -1 : lanes)};
      if (it.lane < 0) continue;
      lanes++;
      for (int part = 0; part < 3; ++part) {
        const Requantizer r = MakeRequantizer(*q, scale[ch][sb][part]);
        RequantLanes& p = laneParts[part];
        p.flip[it.lane] = int32_t(1) << (r.bits - 1);
        p.shl[it.lane] = 32 - r.bits;
        p.d[it.lane] = r.d;
        p.c[it.lane] = r.c;
        p.mantissa[it.lane] = r.mantissa;
        p.right[it.lane] = r.shift < 0 ? 0 : r.shift;
        p.left[it.lane] = r.shift < 0 ? 1 : 0;
        p.round[it.lane] = r.round;
      }
    }
  }

  ClearBlocks(d.subbands, channels, 36);
  alignas(32) uint32_t codes[3][RequantLanes::kMax];
  alignas(32) Fixed values[3][RequantLanes::kMax];
  for (int granule = 0; granule < 12; ++granule) {
    const int part = granule >> 2;
    Fixed (*out[2])[32] = {&d.subbands.sample[0][3 * granule], &d.subbands.sample[1][3 * granule]};
    for (int i = 0; i < itemCount; ++i) {
      const Item& it = items[i];
      uint32_t code[3];
      ReadTriple(bits, *it.q, code);
      if (it.lane >= 0) {
        codes[0][it.lane] = code[0];
        codes[1][it.lane] = code[1];
        codes[2][it.lane] = code[2];
      } else {
        const int sb = it.sb;
        for (int k = 0; k < 3; ++k) {
          const Fixed x = RequantizeLayer2(code[k], *it.q);
          for (int c = 0; c < channels; ++c) out[c][k][sb] = ApplyScalefactor(x, scale[c][sb][part]);
        }
      }
    }
    if (!lanes) continue;
    for (int k = 0; k < 3; ++k) RequantizeLanes(laneParts[part], codes[k], values[k], lanes);
    for (int i = 0; i < itemCount; ++i) {
      const Item& it = items[i];
      if (it.lane < 0) continue;
      out[it.ch][0][it.sb] = values[0][it.lane];
      out[it.ch][1][it.sb] = values[1][it.lane];
      out[it.ch][2][it.sb] = values[2][it.lane];
    }
  }
  BitCacheStop(bits, br);
  return 0;
}
