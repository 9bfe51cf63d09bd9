// Bit reader over a byte buffer, most significant bit first, and the CRC-16
// of the frame check. The reader carries the end of the memory it may touch:
// bits past that end read as zero, so no stream can make it read outside the
// caller's buffer or the reservoir, whatever lengths the stream claims.
#pragma once
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

// CRC-16, generator 0x8005, over the next bits of a copy of a reader
// (whole bytes through the table, the rest bit by bit), starting from initial.
uint32_t Crc16(BitReader reader, int bits, uint32_t initial);
