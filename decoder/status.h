// Stream status codes, kept in the input cursor. Everything except
// STATUS_NEED_DATA is recoverable inside the buffer: the decoder resumes the
// search for sync and the bad frame is skipped.
#pragma once

enum StreamStatus {
  STATUS_OK = 0,
  STATUS_NEED_DATA = 1,          // buffer ends before the next complete frame (+ 8 bytes)
  STATUS_BAD_HEADER = 0x101,     // no sync where expected, reserved version, free format, reserved rate
  STATUS_BAD_LAYER = 0x102,      // layer bits 00
  STATUS_CRC = 0x201,            // CRC mismatch, any layer
  STATUS_BAD_ALLOCATION = 0x211, // Layer I allocation code 15
  STATUS_BAD_SCALEFACTOR = 0x221,// Layer I/II scalefactor index 63
  STATUS_SHORT_FRAME = 0x231,    // Layer III side information longer than the bytes left
  STATUS_BIG_VALUES = 0x232,     // Layer III big_values above 288
  STATUS_BLOCK_TYPE = 0x233,     // Layer III window switching with block type 0
  STATUS_SCFSI_SHORT = 0x234,    // Layer III (MPEG-1) short blocks in a channel reusing scalefactors
  STATUS_RESERVOIR = 0x235,      // Layer III main_data_begin before the data held
  STATUS_PART2 = 0x236,          // Layer III scalefactors longer than part2_3_length
  STATUS_STEREO = 0x239,         // Layer III joint stereo with unequal block types / mixed flags
};
