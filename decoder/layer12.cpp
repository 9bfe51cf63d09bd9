// Layer I and Layer II: allocation, scalefactors and requantisation of one
// frame into the SubbandBuffer (Q28). The bit reader is bounded by the
// caller's buffer, so a frame that claims more bits than it holds only reads
// zeros past the buffer's end.
#include <cstring>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

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
// (remainder first, each below the class's levels) and laid out like three
// 4-bit codes read in a row: the first value in bits 8..11. The 3-, 5- and
// 9-level classes' words start at 0, 32 and 160.
struct GroupedSplit {
  uint16_t codes[32 + 128 + 1024];
  GroupedSplit() {
    const int levels[3] = {3, 5, 9}, sizes[3] = {32, 128, 1024};
    int at = 0;
    for (int c = 0; c < 3; c++)
      for (int word = 0; word < sizes[c]; word++, at++) {
        uint32_t w = uint32_t(word), l = uint32_t(levels[c]);
        uint32_t a = w % l, b = (w / l) % l, e = (w / l / l) % l;
        codes[at] = uint16_t(a << 8 | b << 4 | e);
      }
  }
};
const GroupedSplit kGroupedSplit;

inline int GroupedBase(int levels) { return levels == 3 ? 0 : levels == 5 ? 32 : 160; }

// Up to 48 bits (a granule's three codes of the widest class) in one read.
inline uint64_t BitCacheReadWide(BitCache& c, int n) {
  if (c.count < n) BitCacheRefill(c);
  const uint64_t v = c.bits >> (64 - n);
  c.bits <<= n;
  c.count -= n;
  return v;
}

// Layer II requantisation, (fraction + D) * C rounded like RoundedProduct,
// then ApplyScalefactor, as lanes of constants, lane 32 * channel + subband.
// The sign-extended fraction of a code is (code - 2^(nb-1)) * 2^(29-nb), so
// with the class's offset and the first rounding it is one multiply-add:
// t = (code * mul + add) >> 12. Then
// y = ((t * c + 2048) >> 12) * mantissa (doubled for the scalefactors above
// 1), and the result (y + round) >> right. Every step stays within 32 bits
// for codes of the lane's class; a lane with nothing allocated has all
// constants 0 and gives 0.
struct Layer2Lanes {
  alignas(32) int32_t mul[64], add[64], c[64];
  alignas(32) int32_t mantissa[3][64], round[3][64], right[3][64];
};

struct ScaleConstants {
  int32_t mantissa[64], round[64], right[64];
  ScaleConstants() {
    for (int i = 0; i < 64; i++) {
      const int shift = i / 3 - 1;
      const int32_t m = int32_t((int64_t(kScaleMantissas[i % 3]) + 32768) >> 16);
      mantissa[i] = shift < 0 ? 2 * m : m;
      right[i] = shift > 0 ? shift : 0;
      round[i] = shift > 0 ? int32_t(1) << (shift - 1) : 0;
    }
  }
};
const ScaleConstants kScaleConstants;

// One part's twelve blocks of codes (lane 32 * channel + subband) into the
// subband buffer; lanes from 8 * groups[ch] up are written as zeros.
constexpr int kCodeStride = 72;  // 64 lanes and a spare one for writes with no second channel

void RequantizePartPortable(const Layer2Lanes& k, int part, const uint32_t (*codes)[kCodeStride], const int groups[2],
                            int channels, SubbandBuffer& sb) {
  for (int ch = 0; ch < channels; ch++) {
    Fixed (*out)[32] = &sb.sample[ch][12 * part];
    for (int i = 0; i < 32; i++) {
      const int lane = 32 * ch + i;
      if (i >= 8 * groups[ch] || !k.mul[lane]) {  // nothing allocated
        for (int row = 0; row < 12; row++) out[row][i] = 0;
        continue;
      }
      // One lane's constants serve its twelve blocks.
      const uint32_t mul = uint32_t(k.mul[lane]), add = uint32_t(k.add[lane]), c = uint32_t(k.c[lane]);
      const uint32_t mantissa = uint32_t(k.mantissa[part][lane]);
      const int32_t round = k.round[part][lane], right = k.right[part][lane];
      for (int row = 0; row < 12; row++) {
        const int32_t t = int32_t(codes[row][lane] * mul + add) >> 12;
        const int32_t u = int32_t(uint32_t(t) * c + 2048u) >> 12;
        const int32_t y = int32_t(uint32_t(u) * mantissa);
        out[row][i] = (y + round) >> right;
      }
    }
  }
}

#if defined(__x86_64__) && defined(__GNUC__)
#define LAYER2_AVX2 1
__attribute__((target("avx2"))) void RequantizePartAvx2(const Layer2Lanes& k, int part,
                                                        const uint32_t (*codes)[kCodeStride], const int groups[2],
                                                        int channels, SubbandBuffer& sb) {
  const __m256i half = _mm256_set1_epi32(2048);
  for (int ch = 0; ch < channels; ch++) {
    Fixed (*out)[32] = &sb.sample[ch][12 * part];
    for (int g = 0; g < 4; g++) {
      if (g >= groups[ch]) {
        for (int row = 0; row < 12; row++)
          _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[row] + 8 * g), _mm256_setzero_si256());
        continue;
      }
      const int lane = 32 * ch + 8 * g;
#define LANES(p) _mm256_load_si256(reinterpret_cast<const __m256i*>(p))
      const __m256i mul = LANES(k.mul + lane), add = LANES(k.add + lane), c = LANES(k.c + lane);
      const __m256i mantissa = LANES(k.mantissa[part] + lane), round = LANES(k.round[part] + lane);
      const __m256i right = LANES(k.right[part] + lane);
#undef LANES
      for (int row = 0; row < 12; row++) {
        __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(codes[row] + lane));
        __m256i t = _mm256_srai_epi32(_mm256_add_epi32(_mm256_mullo_epi32(x, mul), add), 12);
        __m256i u = _mm256_srai_epi32(_mm256_add_epi32(_mm256_mullo_epi32(t, c), half), 12);
        __m256i y = _mm256_add_epi32(_mm256_mullo_epi32(u, mantissa), round);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[row] + 8 * g), _mm256_srav_epi32(y, right));
      }
    }
  }
}

#endif

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

  // The allocated subbands in reading order, each with what a granule's read
  // takes and the code lanes it fills (above the joint-stereo bound both
  // channels', else a spare one second).
  struct Item {
    uint16_t base;    // of the class's words in kGroupedSplit; 0 ungrouped
    uint16_t index;   // mask of the word as an index there; 0 ungrouped
    uint8_t read;     // bits of the granule's codes
    uint8_t bits;     // bits of one code as split
    uint8_t lane, second;
  };
  Item items[64];
  int itemCount = 0;
  int groups[2] = {0, 0};
  Layer2Lanes k;
  std::memset(&k, 0, sizeof k);
  for (int sb = 0; sb < sblimit; ++sb) {
    for (int ch = 0; ch < channels; ++ch) {
      const QuantClass* q = quant[ch][sb];
      if (!q) continue;
      const int lane = 32 * ch + sb;
      const int nb = q->sampleBits;
      const int32_t mul = int32_t(1) << (29 - nb);
      k.mul[lane] = mul;
      k.add[lane] = q->d - (int32_t(1) << (nb - 1)) * mul + 2048;
      k.c[lane] = int32_t((int64_t(q->c) + 32768) >> 16);
      for (int part = 0; part < 3; ++part) {
        const uint32_t index = scale[ch][sb][part];
        k.mantissa[part][lane] = kScaleConstants.mantissa[index];
        k.round[part][lane] = kScaleConstants.round[index];
        k.right[part][lane] = kScaleConstants.right[index];
      }
      groups[ch] = sb / 8 + 1;
      if (sb >= bound && ch > 0) continue;
      Item& it = items[itemCount++];
      it.lane = uint8_t(lane);
      it.second = uint8_t(sb >= bound && channels == 2 ? 32 + sb : 64);
      if (q->grouped) {
        it.base = uint16_t(GroupedBase(q->levels));
        it.index = uint16_t((1u << q->codeBits) - 1);
        it.read = q->codeBits;
        it.bits = 4;
      } else {
        it.base = 0;
        it.index = 0;
        it.read = uint8_t(3 * q->codeBits);
        it.bits = q->codeBits;
      }
    }
  }

  alignas(32) uint32_t codes[12][kCodeStride];
  std::memset(codes, 0, sizeof codes);
  for (int part = 0; part < 3; ++part) {
    for (int row = 0; row < 12; row += 3) {
      uint32_t* c0 = codes[row];
      uint32_t* c1 = codes[row + 1];
      uint32_t* c2 = codes[row + 2];
      for (int i = 0; i < itemCount; ++i) {
        const Item& it = items[i];
        const uint64_t w = BitCacheReadWide(bits, it.read);
        const uint64_t split = kGroupedSplit.codes[it.base + (uint32_t(w) & it.index)];
        const uint64_t v = it.index ? split : w;
        const int n = it.bits;
        const uint32_t mask = (1u << n) - 1;
        const uint32_t a = uint32_t(v >> (2 * n)), b = uint32_t(v >> n) & mask, e = uint32_t(v) & mask;
        c0[it.lane] = a, c1[it.lane] = b, c2[it.lane] = e;
        c0[it.second] = a, c1[it.second] = b, c2[it.second] = e;
      }
    }
#ifdef LAYER2_AVX2
    if (HasAvx2()) {
      RequantizePartAvx2(k, part, codes, groups, channels, d.subbands);
      continue;
    }
#endif
    RequantizePartPortable(k, part, codes, groups, channels, d.subbands);
  }
  BitCacheStop(bits, br);
  return 0;
}
