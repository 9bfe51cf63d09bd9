// The library's four exports and the one decoder they drive.
#include "komp3dec.h"

#include <cstdlib>
#include <cstring>

#include "state.h"
#include "tables.h"

DecoderState g_decoder;

namespace {

// Defaults at load: idle, no fade, flat equalizer tables (switched off).
struct Defaults {
  Defaults() {
    g_decoder.idle = 1;
    g_decoder.fadeCounter = 16;
    const int8_t flat[11] = {};
    PrepareEqualizer(g_decoder.equalizer, flat);
  }
};
const Defaults kDefaults;

void ClearSubbands(DecoderState& d) {
  std::memset(d.subbands.sample, 0, sizeof d.subbands.sample);
  if (d.subbands.overlap) std::memset(d.subbands.overlap, 0, kOverlapWords * sizeof(Fixed));
}

int BlocksOf(const FrameHeader& h) {
  if (h.layer == 1) return 12;
  if (h.layer == 3 && (h.flags & HEADER_LSF)) return 18;
  return 36;
}

// Finds and decodes one frame into the SubbandBuffer: 0, or -1 with a status.
int DecodeSubbands(DecoderState& d) {
  if (FindFrame(d) != 0) return -1;
  switch (d.header.layer) {
    case 1: return DecodeLayer1(d);
    case 2: return DecodeLayer2(d);
    default: return DecodeLayer3(d);
  }
}

// Steps shared by KO_DecompressAudio and KO_GetHeaderInfo: one frame through
// equalizer, fade and synthesis. 0 with the frame's PCM in d.synthesis, or -1
// with the status in the cursor.
int DecodeFrame(DecoderState& d) {
  int result = DecodeSubbands(d);
  d.consumed = int32_t(d.cursor.readPos - d.cursor.bufferStart);
  if (result != 0) {
    if (d.cursor.status == STATUS_NEED_DATA) return -1;
    // Keep the filter bank's history moving over the lost frame.
    if (d.synthesis.channels > 0)
      SynthesizeFrame(d.synthesis, d.subbands, d.synthesis.channels, d.synthesis.samples / 32);
    d.cursor.syncFlag = 0;
    if (d.cursor.status == STATUS_CRC) ClearSubbands(d);
    return -1;
  }

  const FrameHeader& h = d.header;
  d.header.flags &= ~uint32_t(HEADER_PARSED);
  int channels = HeaderChannels(h);
  int blocks = BlocksOf(h);
  if (d.equalizer.enabled && h.layer != 3) ApplySubbandEqualizer(d.equalizer, d.subbands, channels, blocks);
  if (d.fadeCounter < 16) {
    int32_t g = kFadeTable[d.fadeCounter];
    for (int ch = 0; ch < channels; ch++)
      for (int t = 0; t < blocks; t++)
        for (int j = 0; j < 32; j++) d.subbands.sample[ch][t][j] = RoundedProduct(d.subbands.sample[ch][t][j], g);
    d.fadeCounter++;
  }
  SynthesizeFrame(d.synthesis, d.subbands, channels, blocks);
  d.synthesis.sampleRate = h.sampleRate;
  return 0;
}

void AttachBuffer(DecoderState& d, const uint8_t* data, int32_t length) {
  InputCursor& c = d.cursor;
  // Positions wrap like the 32-bit values they are, past 2 GiB.
  d.positionBase = int32_t(uint32_t(d.positionBase) + uint32_t(d.consumed));
  d.consumed = 0;
  c.bufferStart = data;
  c.bufferEnd = data + (length > 0 ? length : 0);
  c.frameStart = data;
  c.readPos = data;
  c.syncFlag = 1;
  BitReaderAttach(c.reader, data, c.bufferEnd);
  d.idle = 0;
}

Fixed g_converted[2][kMaxConvertedSamples];
Fixed g_mixed[kMaxFrameSamples];

}  // namespace

int AllocateLayer3Memory(DecoderState& d) {
  if (!d.cursor.reservoir) {
    d.cursor.reservoir = static_cast<uint8_t*>(std::calloc(kReservoirBytes, 1));
    d.cursor.reservoirFill = 0;
  }
  if (!d.subbands.overlap) d.subbands.overlap = static_cast<Fixed*>(std::calloc(kOverlapWords, sizeof(Fixed)));
  return d.cursor.reservoir && d.subbands.overlap ? 1 : 0;
}

void ResetStream(DecoderState& d) {
  uint8_t* reservoir = d.cursor.reservoir;
  Fixed* overlap = d.subbands.overlap;
  d.cursor = InputCursor{};
  d.cursor.reservoir = reservoir;
  d.header = FrameHeader{};
  std::memset(d.subbands.sample, 0, sizeof d.subbands.sample);
  d.subbands.overlap = overlap;
  ClearSubbands(d);
  d.synthesis = SynthesisState{};
  d.dither[0] = DitherState{};
  d.dither[1] = DitherState{};
  d.streamChannels = 0;
}

KO_API int32_t KO_Init(int32_t fadeIn, int32_t eqEnabled, const int8_t* eqValues, int32_t startPosition) {
  DecoderState& d = g_decoder;
  if (fadeIn == 1) d.fadeCounter = 0;
  d.equalizer.enabled = eqEnabled != 0 ? 1 : 0;
  if (eqValues) PrepareEqualizer(d.equalizer, eqValues);
  if (startPosition >= 0 && d.idle) {
    ResetStream(d);
    d.positionBase = startPosition;
    d.consumed = 0;
  }
  return 1;
}

KO_API int32_t KO_Exit(void) {
  DecoderState& d = g_decoder;
  std::free(d.subbands.overlap);
  d.subbands.overlap = nullptr;
  std::free(d.cursor.reservoir);
  d.cursor.reservoir = nullptr;
  d.cursor.reservoirFill = 0;
  d.idle = 1;
  return 1;
}

KO_API int32_t KO_DecompressAudio(const uint8_t* data, int32_t length, uint8_t* pcm, int32_t capacity,
                                  int32_t* pcmBytes, int32_t* streamPosition, int32_t* bitRate) {
  DecoderState& d = g_decoder;
  int32_t written = 0;
  if (data) {
    AttachBuffer(d, data, length);
  } else if (d.idle || !d.cursor.bufferStart) {
    if (pcmBytes) *pcmBytes = 0;
    return 1;
  }

  int result = DecodeFrame(d);
  int32_t status = d.cursor.status;
  if (result != 0 && status == STATUS_CRC) {
    // The caller drops the rest of the buffer: count it as consumed so that
    // positions stay true in the next buffer.
    d.consumed = int32_t(d.cursor.bufferEnd - d.cursor.bufferStart);
  }
  if (streamPosition) *streamPosition = int32_t(uint32_t(d.positionBase) + uint32_t(d.consumed));
  if (result != 0) {
    if (pcmBytes) *pcmBytes = 0;
    if (status == STATUS_NEED_DATA) return int32_t(d.cursor.bufferEnd - d.cursor.readPos) + 1;
    if (status == STATUS_CRC) return 1;
    return 0;
  }

  if (bitRate) *bitRate = d.header.bitRate;
  SynthesisState& s = d.synthesis;
  const Fixed* left = s.pcm[0];
  const Fixed* right = s.pcm[1];
  int channels = s.channels;
  // The output was set up for the stream's first frame: a frame with another
  // channel count comes out in that format (mono doubled, stereo mixed), or
  // it would play at the wrong speed.
  if (d.streamChannels == 0) d.streamChannels = channels;
  if (channels != d.streamChannels) {
    if (channels == 1) {
      right = left;
    } else {
      for (int i = 0; i < s.samples; i++) g_mixed[i] = (left[i] >> 1) + (right[i] >> 1);
      left = right = g_mixed;
    }
    channels = d.streamChannels;
  }
  int count = s.samples;
  if (d.rateRequested) {
    count = ConvertRate(left, s.samples, s.sampleRate, d.targetRate, g_converted[0]);
    if (channels == 2) ConvertRate(right, s.samples, s.sampleRate, d.targetRate, g_converted[1]);
    left = g_converted[0];
    right = g_converted[1];
  }
  written = OutputPcm(d, left, right, channels, count, pcm, capacity);
  if (pcmBytes) *pcmBytes = written;
  return 0;
}

KO_API int32_t KO_GetHeaderInfo(const uint8_t* data, int32_t length, int32_t* sampleRate, int32_t* channels,
                                int32_t* bitRate) {
  DecoderState& d = g_decoder;
  d.rateRequested = 0;
  if (!data) return 1;

  // Decoding here must not use up fade steps meant for the music.
  int32_t fade = d.fadeCounter;
  AttachBuffer(d, data, length);
  // Every failed attempt moves the read position on, so this ends.
  while (DecodeFrame(d) != 0 && d.cursor.status != STATUS_NEED_DATA) {
  }
  d.fadeCounter = fade;

  const FrameHeader& h = d.header;
  if (sampleRate) {
    if (*sampleRate == 0) {
      *sampleRate = h.sampleRate;
    } else {
      d.targetRate = *sampleRate;
      d.rateRequested = 1;
    }
  }
  if (channels) *channels = HeaderChannels(h);
  if (bitRate) *bitRate = h.bitRate;
  KO_Exit();
  KO_Init(0, d.equalizer.enabled, nullptr, 0);
  return 1;
}
