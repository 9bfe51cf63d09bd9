// Layer I and Layer II tables: ISO/IEC 11172-3 Tables 3-B.1 (scalefactors),
// 3-B.2a..d and 3-B.4, ISO/IEC 13818-3 Table B.1, stored Q28.
#include "layer12_tables.h"

const int32_t kScalefactors[64] = {
    536870912, 426114725, 338207482, 268435456, 213057363, 169103741,
    134217728, 106528681, 84551870, 67108864, 53264341, 42275935,
    33554432, 26632170, 21137968, 16777216, 13316085, 10568984,
    8388608, 6658043, 5284492, 4194304, 3329021, 2642246,
    2097152, 1664511, 1321123, 1048576, 832255, 660561,
    524288, 416128, 330281, 262144, 208064, 165140,
    131072, 104032, 82570, 65536, 52016, 41285,
    32768, 26008, 20643, 16384, 13004, 10321,
    8192, 6502, 5161, 4096, 3251, 2580,
    2048, 1625, 1290, 1024, 813, 645,
    512, 406, 323, 0,
};

const int32_t kScaleMantissas[3] = {268435456, 213057363, 169103741};

const int32_t kLayer1Factors[16] = {
    0, 0, 357913941, 306783378, 286331153, 277094664, 272696336, 270549121,
    269488144, 268960770, 268697856, 268566592, 268501008, 268468228, 268451841,
    268443648,
};

// levels, codeword bits, sample bits nb, grouped, C = 2^nb / levels, D
const QuantClass kQuantClasses[17] = {
    {3, 5, 2, 1, 357913941, 134217728},
    {5, 7, 3, 1, 429496730, 134217728},
    {7, 3, 3, 0, 306783378, 67108864},
    {9, 10, 4, 1, 477218588, 134217728},
    {15, 4, 4, 0, 286331153, 33554432},
    {31, 5, 5, 0, 277094664, 16777216},
    {63, 6, 6, 0, 272696336, 8388608},
    {127, 7, 7, 0, 270549121, 4194304},
    {255, 8, 8, 0, 269488144, 2097152},
    {511, 9, 9, 0, 268960770, 1048576},
    {1023, 10, 10, 0, 268697856, 524288},
    {2047, 11, 11, 0, 268566592, 262144},
    {4095, 12, 12, 0, 268501008, 131072},
    {8191, 13, 13, 0, 268468228, 65536},
    {16383, 14, 14, 0, 268451841, 32768},
    {32767, 15, 15, 0, 268443648, 16384},
    {65535, 16, 16, 0, 268439552, 8192},
};

namespace {

// Quantisation class indices: 0 = 3 levels, 1 = 5, 2 = 7, 3 = 9, 4 = 15,
// 5 = 31, ... 16 = 65535.
const AllocationClass kLowWide = {4, {0, 0, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};
const AllocationClass kLowFine = {4, {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16}};
const AllocationClass kMiddle = {3, {0, 0, 1, 2, 3, 4, 5, 16}};
const AllocationClass kHigh = {2, {0, 0, 1, 16}};
const AllocationClass kNarrowLow = {4, {0, 0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}};
const AllocationClass kNarrowHigh = {3, {0, 0, 1, 3, 4, 5, 6, 7}};
const AllocationClass kLsfLow = {4, {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}};
const AllocationClass kLsfHigh = {2, {0, 0, 1, 3}};

#define X3(c) &c, &c, &c
#define X4(c) &c, &c, &c, &c
#define X6(c) X3(c), X3(c)
#define X7(c) X4(c), X3(c)
#define X8(c) X4(c), X4(c)
#define X10(c) X8(c), &c, &c
#define X12(c) X8(c), X4(c)
#define X19(c) X12(c), X7(c)

}  // namespace

const AllocationTable kAllocationTables[5] = {
    {27, {X3(kLowWide), X8(kLowFine), X12(kMiddle), X4(kHigh)}},
    {30, {X3(kLowWide), X8(kLowFine), X12(kMiddle), X7(kHigh)}},
    {8, {&kNarrowLow, &kNarrowLow, X6(kNarrowHigh)}},
    {12, {&kNarrowLow, &kNarrowLow, X10(kNarrowHigh)}},
    {30, {X4(kLsfLow), X7(kNarrowHigh), X19(kLsfHigh)}},
};
