// Known content: every byte is a hash of its offset, so a byte delivered from
// the wrong place shows.
#pragma once
#include <cstddef>
#include <cstdint>

inline uint8_t PatternByte(uint64_t offset) {
  uint32_t x = (uint32_t)offset * 0x9E3779B1u;
  x ^= x >> 15;
  x *= 0x85EBCA77u;
  x ^= x >> 13;
  return (uint8_t)(x >> 24);
}

inline void FillPattern(uint8_t* dst, uint64_t offset, size_t n) {
  for (size_t i = 0; i < n; i++) dst[i] = PatternByte(offset + i);
}

// Index of the first byte of `data` that differs from the file at `offset`, or -1.
inline long long FirstMismatch(const uint8_t* data, uint64_t offset, size_t n) {
  for (size_t i = 0; i < n; i++)
    if (data[i] != PatternByte(offset + i)) return (long long)i;
  return -1;
}
