#include "bitreader.h"

#include "tables.h"

namespace {

inline uint16_t LoadByte(const BitReader& r) { return r.ptr < r.end ? *r.ptr : 0; }

}  // namespace

void BitReaderAttach(BitReader& reader, const uint8_t* data, const uint8_t* end) {
  reader.ptr = data;
  reader.end = end;
  reader.current = 0;
  reader.bitsLeft = 8;
}

uint32_t BitReaderRead(BitReader& r, int n) {
  uint32_t value = 0;
  while (n > 0) {
    if (r.bitsLeft == 8) r.current = LoadByte(r);
    int take = n < r.bitsLeft ? n : r.bitsLeft;
    uint32_t bits = (uint32_t(r.current) >> (r.bitsLeft - take)) & ((1u << take) - 1);
    value = (take == 32 ? 0 : value << take) | bits;
    r.bitsLeft = uint16_t(r.bitsLeft - take);
    n -= take;
    if (r.bitsLeft == 0) {
      r.ptr++;
      r.bitsLeft = 8;
    }
  }
  return value;
}

void BitReaderSkip(BitReader& r, int n) {
  if (n <= 0) return;
  uint32_t used = uint32_t(8 - r.bitsLeft) + uint32_t(n);
  r.ptr += used / 8;
  r.bitsLeft = uint16_t(8 - used % 8);
  if (r.bitsLeft < 8) r.current = LoadByte(r);
}

const uint8_t* BitReaderBytePosition(const BitReader& r) { return r.ptr + (r.bitsLeft < 8 ? 1 : 0); }

int32_t BitReaderDistance(const BitReader& from, const BitReader& to) {
  return int32_t((to.ptr - from.ptr) * 8 + (from.bitsLeft - to.bitsLeft));
}

uint32_t Crc16(BitReader r, int bits, uint32_t initial) {
  uint32_t crc = initial & 0xFFFF;
  for (; bits >= 8; bits -= 8) {
    uint32_t byte = BitReaderRead(r, 8);
    crc = ((crc << 8) ^ kCrc16Table[((crc >> 8) ^ byte) & 0xFF]) & 0xFFFF;
  }
  for (; bits > 0; bits--) {
    uint32_t bit = BitReaderRead(r, 1);
    uint32_t top = (crc >> 15) & 1;
    crc = (crc << 1) & 0xFFFF;
    if (top ^ bit) crc ^= 0x8005;
  }
  return crc;
}
