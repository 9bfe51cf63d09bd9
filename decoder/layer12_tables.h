// Tables of Layer I and Layer II: scalefactors, requantisation factors and the
// Layer II allocation tables with their quantisation classes. All factors Q28.
#pragma once
#include <cstdint>

// The 63 scalefactors 2^(1 - i/3), Q28 (index 0 = 2.0 = 2^29); index 63 is not
// a scalefactor and holds 0.
extern const int32_t kScalefactors[64];
// Their mantissas 1, 2^(-1/3), 2^(-2/3), Q28: scalefactor i is
// kScaleMantissas[i mod 3] * 2^(1 - i div 3).
extern const int32_t kScaleMantissas[3];

// Layer I: 2^nb / (2^nb - 1) for nb = 2..15 bits per sample, Q28, indexed by nb.
extern const int32_t kLayer1Factors[16];

// One Layer II quantisation class. Grouped classes (3, 5 and 9 levels) carry
// three samples in one codeword of codeBits bits; the others one sample of
// codeBits bits each. sampleBits is the width nb the requantiser reads a sample
// (or one level value of a group) as; c and d are the factors of
// s'' = c * (s''' + d).
struct QuantClass {
  uint16_t levels;
  uint8_t codeBits;
  uint8_t sampleBits;
  uint8_t grouped;
  int32_t c;
  int32_t d;
};
extern const QuantClass kQuantClasses[17];

// A row of an allocation table: the allocation code's width and, per code
// 1..2^bits - 1, the index into kQuantClasses (slot 0 unused: no allocation).
struct AllocationClass {
  uint8_t bits;
  uint8_t quant[16];
};

struct AllocationTable {
  uint8_t sblimit;
  const AllocationClass* subband[32];  // rows of subbands 0..sblimit-1
};

// The four MPEG-1 tables (B.2a sblimit 27, B.2b 30, B.2c 8, B.2d 12) and the
// lower-frequency table (sblimit 30).
enum AllocationTableId { ALLOC_B2A, ALLOC_B2B, ALLOC_B2C, ALLOC_B2D, ALLOC_LSF };
extern const AllocationTable kAllocationTables[5];
