// Bit reader over a byte buffer, most significant bit first, and the CRC-16
// of the frame check. The reader carries the end of the memory it may touch:
// bits past that end read as zero, so no stream can make it read outside the
// caller's buffer or the reservoir, whatever lengths the stream claims.
#pragma once
#include <cstddef>
#include <cstdint>

struct BitReader {
  const uint8_t* ptr;  // byte being consumed
  const uint8_t* end;  // first byte that must not be read
  uint16_t current;    // the byte at ptr once loaded
  uint16_t bitsLeft;   // 1..8 bits of current left; 8 = byte at ptr not loaded yet
};

// Attaches the reader to data; nothing at or beyond end is ever read.
void BitReaderAttach(BitReader& reader, const uint8_t* data, const uint8_t* end);
// Reads n bits (0..32) as an unsigned value.
uint32_t BitReaderRead(BitReader& reader, int n);
void BitReaderSkip(BitReader& reader, int n);
// Byte address of the read position: ptr, plus one when a byte is partly consumed.
const uint8_t* BitReaderBytePosition(const BitReader& reader);
// Bits between from and to (to - from) on the same buffer.
int32_t BitReaderDistance(const BitReader& from, const BitReader& to);

// A reader for long runs of short reads: up to 64 bits held, refilled eight
// bytes at a time away from the end, byte by byte near it, zeros past it.
// Starts where a BitReader stands and hands its position back.
struct BitCache {
  const uint8_t* data;  // the BitReader's byte at the start
  size_t size;          // bytes from data that may be read
  size_t next;          // next byte to load
  uint64_t bits;        // count valid bits at the top, the stream's next bits below them
  int count;
};

inline void BitCacheRefill(BitCache& c) {
  if (c.next + 8 <= c.size) {
    uint64_t w;
    __builtin_memcpy(&w, c.data + c.next, 8);
    c.bits |= __builtin_bswap64(w) >> c.count;
    c.next += size_t(63 - c.count) >> 3;
    c.count |= 56;
  } else {
    while (c.count <= 56) {
      uint64_t byte = c.next < c.size ? c.data[c.next] : 0;
      c.bits |= byte << (56 - c.count);
      c.next++;
      c.count += 8;
    }
  }
}

// n bits, 1..32.
inline uint32_t BitCacheRead(BitCache& c, int n) {
  if (c.count < n) BitCacheRefill(c);
  uint32_t v = uint32_t(c.bits >> (64 - n));
  c.bits <<= n;
  c.count -= n;
  return v;
}

inline BitCache BitCacheStart(const BitReader& r) {
  BitCache c{r.ptr, r.ptr < r.end ? size_t(r.end - r.ptr) : 0, 0, 0, 0};
  BitCacheRefill(c);
  int used = 8 - r.bitsLeft;
  c.bits <<= used;
  c.count -= used;
  return c;
}

inline void BitCacheStop(const BitCache& c, BitReader& r) {
  size_t used = c.next * 8 - size_t(c.count);
  r.ptr += used / 8;
  r.bitsLeft = uint16_t(8 - used % 8);
  if (r.bitsLeft < 8) r.current = r.ptr < r.end ? *r.ptr : 0;
}

// CRC-16, generator 0x8005, over the next bits of a copy of a reader
// (whole bytes through the table, the rest bit by bit), starting from initial.
uint32_t Crc16(BitReader reader, int bits, uint32_t initial);
