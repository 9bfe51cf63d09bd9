// Frame sync and header: finds the next frame in the caller's buffer and keeps
// the decoder in step with the frame sequence across buffer boundaries.
#include "state.h"
#include "tables.h"

namespace {

inline bool IsSync(const uint8_t* p) { return p[0] == 0xFF && p[1] >= 0xE0; }

inline int Fail(InputCursor& c, int32_t status) {
  c.status = status;
  c.syncFlag = 0;
  return -1;
}

}  // namespace

int ParseHeader(DecoderState& d, BitReader& r) {
  FrameHeader& h = d.header;
  h = FrameHeader{};
  // The 32 header bits in one read; field(at, n) is n bits from bit `at`.
  const BitReader start = r;
  const uint32_t word = BitReaderRead(r, 32);
  auto field = [word](int at, int n) { return (word >> (32 - at - n)) & ((1u << n) - 1); };
  if (field(11, 1) == 0) h.flags |= HEADER_MPEG25;
  if (field(12, 1) == 0) {
    h.flags |= HEADER_LSF;
  } else if (h.flags & HEADER_MPEG25) {
    r = start;
    BitReaderSkip(r, 13);
    d.cursor.status = STATUS_BAD_HEADER;  // the reserved version
    return -1;
  }
  h.layer = 4 - int32_t(field(13, 2));
  if (field(15, 1) == 0) {
    h.flags |= HEADER_CRC;
    BitReader checked = start;  // the check covers the header's last 16 bits
    BitReaderSkip(checked, 16);
    h.crcComputed = Crc16(checked, 16, 0xFFFF);
  }
  int lsf = (h.flags & HEADER_LSF) ? 1 : 0;
  uint32_t bitRateIndex = field(16, 4);
  h.bitRate = h.layer <= 3 ? kBitRates[lsf][h.layer - 1][bitRateIndex] : 0;
  h.sampleRate = kSampleRates[field(20, 2)] >> lsf >> ((h.flags & HEADER_MPEG25) ? 1 : 0);
  if (field(22, 1)) h.flags |= HEADER_PADDING;
  // bit 23: private
  h.mode = 3 - int32_t(field(24, 2));
  h.modeExtension = int32_t(field(26, 2));
  if (field(28, 1)) h.flags |= HEADER_COPYRIGHT;
  if (field(29, 1)) h.flags |= HEADER_ORIGINAL;
  h.emphasis = int32_t(field(30, 2));
  if (h.flags & HEADER_CRC) h.crcStored = BitReaderRead(r, 16);
  h.frameLength = FrameLength(h);
  return 0;
}

int32_t FrameLength(const FrameHeader& h) {
  if (h.bitRate <= 0 || h.sampleRate <= 0) return 0;
  int32_t p = (h.flags & HEADER_PADDING) ? 1 : 0;
  if (h.layer == 1) return (12 * h.bitRate / h.sampleRate + p) * 4;
  if (h.layer == 3 && (h.flags & HEADER_LSF)) return 72 * h.bitRate / h.sampleRate + p;
  return 144 * h.bitRate / h.sampleRate + p;
}

int FindFrame(DecoderState& d) {
  InputCursor& c = d.cursor;
  const uint8_t* end = c.bufferEnd;
  if (!c.readPos) return Fail(c, STATUS_NEED_DATA);
  if (c.readPos > end) c.readPos = end;
  for (;;) {
    const uint8_t* pos = c.readPos;
    const uint8_t* candidate = nullptr;
    int trusted = c.syncFlag;
    if (trusted) {
      if (end - pos < 8) return Fail(c, STATUS_NEED_DATA);
      if (!IsSync(pos)) {
        c.frameStart = pos;
        c.readPos = pos + 1;
        return Fail(c, STATUS_BAD_HEADER);
      }
      candidate = pos;
    } else {
      for (const uint8_t* q = pos; end - q > 1; q++) {
        if (IsSync(q)) {
          candidate = q;
          break;
        }
      }
      if (!candidate || end - candidate < 8) {
        // Hand back the last 8 bytes: a frame may begin in them.
        if (end - pos > 7) c.readPos = end - 8;
        return Fail(c, STATUS_NEED_DATA);
      }
    }

    c.frameStart = candidate;
    c.readPos = candidate + 1;
    BitReaderAttach(c.reader, candidate, end);
    if (ParseHeader(d, c.reader) != 0) return Fail(c, c.status);
    const FrameHeader& h = d.header;
    if (h.layer == 4) return Fail(c, STATUS_BAD_LAYER);
    if (h.bitRate == 0 || h.sampleRate == 0) return Fail(c, STATUS_BAD_HEADER);

    int32_t length = h.frameLength;
    if (end - candidate < length + 8) {
      c.readPos = candidate;
      return Fail(c, STATUS_NEED_DATA);
    }
    c.readPos = candidate + length;
    if (!trusted) {
      // A frame found by searching counts only when the next one follows it.
      if (!IsSync(c.readPos)) {
        c.readPos = candidate + 1;
        continue;
      }
      c.syncFlag = 1;
    }
    d.header.flags |= HEADER_PARSED;
    c.status = STATUS_OK;
    return 0;
  }
}
