// The decoder's one stream state and the contracts between its stages.
// The frame's road: frame.cpp finds and parses a header, a layer decoder
// (layer12*.cpp, layer3*.cpp) fills the SubbandBuffer, komp3dec.cpp applies
// equalizer and fade, synth.cpp synthesises, rate.cpp converts, output.cpp
// writes 16-bit PCM.
#pragma once
#include <cstdint>

#include "bitreader.h"
#include "fixed.h"
#include "status.h"

constexpr int kReservoirBytes = 2567;
constexpr int kOverlapWords = 1152;  // 2 channels x 32 subbands x 18
constexpr int kMaxBlocks = 36;       // 32-sample blocks per frame (Layer II, MPEG-1 Layer III)
constexpr int kMaxFrameSamples = 1152;

// The caller's current buffer and where decoding stands in it.
struct InputCursor {
  const uint8_t* bufferStart;
  const uint8_t* bufferEnd;   // start + length
  const uint8_t* frameStart;  // first byte of the header being examined
  const uint8_t* readPos;     // after a found frame: the frame's end (= next header)
  int syncFlag;               // 1 = header expected at readPos, 0 = searching
  BitReader reader;           // after a found frame: just past header and CRC word
  uint8_t* reservoir;         // Layer III bit reservoir, kReservoirBytes, or null
  int32_t reservoirFill;      // bytes held in the reservoir
  int32_t status;             // StreamStatus of the last operation
};

// FrameHeader flags.
enum : uint32_t {
  HEADER_PARSED = 0x08,       // parsed and not yet decoded
  HEADER_CRC = 0x10,          // protection bit 0: a CRC word follows the header
  HEADER_COPYRIGHT = 0x20,
  HEADER_ORIGINAL = 0x40,
  HEADER_PADDING = 0x80,
  HEADER_BOUND = 0x100,       // joint-stereo bound / intensity stereo in use (layer decoders)
  HEADER_MS_STEREO = 0x200,   // mid/side stereo in use (Layer III)
  HEADER_LSF = 0x1000,        // lower sampling frequencies (MPEG-2 or MPEG-2.5)
  HEADER_MPEG25 = 0x4000,
};

// Modes: 3 - the two mode bits.
enum : int32_t { MODE_SINGLE = 0, MODE_DUAL = 1, MODE_JOINT = 2, MODE_STEREO = 3 };

struct FrameHeader {
  int32_t layer;          // 1, 2, 3 (4 = reserved code)
  int32_t mode;           // MODE_*
  int32_t modeExtension;  // 2 bits
  int32_t emphasis;       // 2 bits
  int32_t bitRate;        // bits per second (0 = free format)
  int32_t sampleRate;     // Hz, after halving for MPEG-2 / quartering for MPEG-2.5
  uint32_t crcComputed;   // header CRC: 0xFFFF continued over the 16 bits after the protection bit
  uint32_t crcStored;     // the CRC word of the frame
  uint32_t flags;         // HEADER_*
  int32_t frameLength;    // bytes, header included
};

inline int HeaderChannels(const FrameHeader& h) { return h.mode == MODE_SINGLE ? 1 : 2; }

// Subband samples of one frame, Q28: [channel][block][subband]. Layer I fills
// blocks 0..11, Layer II 0..35, Layer III 18 per granule (time index within
// the granule + 18 x granule). Single-channel frames fill channel 0 only.
struct SubbandBuffer {
  Fixed sample[2][kMaxBlocks][32];
  Fixed* overlap;  // Layer III overlap store, kOverlapWords, or null
};

// Equalizer gains prepared by KO_Init.
struct EqualizerTables {
  int32_t enabled;
  int32_t subbandGain[32];  // Q27 (1.0 = 2^27), Layers I and II
  int32_t lineGain[576];    // Q11 (1.0 = 2048), Layer III
  int32_t preamp;           // Q10 (1.0 = 1024)
};

// Polyphase synthesis history and the PCM of the last frame.
struct SynthesisState {
  int32_t ring[2][16][32];        // Q16 matrixing outputs, 16 slots per channel
  int32_t offset;                 // ring slot of the next block, shared by both channels
  Fixed pcm[2][kMaxFrameSamples]; // Q28
  int32_t samples;                // per channel, last frame
  int32_t channels;
  int32_t sampleRate;
};

struct DitherState {
  int32_t e1;    // last quantisation error
  int32_t h1;    // half the error before it
  int32_t h2;    // half the error before that
  uint32_t seed;
};

struct DecoderState {
  InputCursor cursor;
  FrameHeader header;
  SubbandBuffer subbands;
  SynthesisState synthesis;
  DitherState dither[2];
  EqualizerTables equalizer;
  int32_t fadeCounter;       // 0..16, 16 = no fade
  int32_t rateRequested;     // 1 = convert to targetRate
  int32_t targetRate;        // Hz
  int32_t positionBase;      // stream offset of the current buffer's start
  int32_t consumed;          // bytes consumed from the current buffer
  int32_t idle;              // 1 after load and KO_Exit
  int32_t streamChannels;    // of the first frame since the last reset (0: none yet); later frames follow it
};

// The library's one decoder.
extern DecoderState g_decoder;

// ---- Layer decoders -------------------------------------------------------
// Called after FindFrame succeeded: d.header holds the parsed header,
// d.cursor.reader stands just past the header and its CRC word (bounded by
// the buffer end), d.cursor.frameStart is the header's first byte and
// d.cursor.readPos the frame's end (the next frame's header, at least 8 bytes
// of which are in the buffer).
// Result 0: d.subbands.sample is filled for every block of the frame (zeros
// where nothing is allocated). Result -1: d.cursor.status holds the status;
// the caller skips the frame. Decoders never move d.cursor.readPos.
// STATUS_CRC makes the caller clear the subband and overlap buffers.
// Any stream must be safe: reads go through bounded BitReaders, and values
// taken from the stream never overflow signed arithmetic (the fuzzer runs
// with UBSan); wrap through uint32_t where a hostile stream could overflow,
// as RoundedProduct does.
int DecodeLayer1(DecoderState& d);
int DecodeLayer2(DecoderState& d);
// Allocates reservoir and overlap store on its first frame through
// AllocateLayer3Memory; calls ApplyLineEqualizer per granule and channel when
// d.equalizer.enabled. MPEG-1 fills 36 blocks, MPEG-2/2.5 18.
int DecodeLayer3(DecoderState& d);

// Allocates the reservoir and the overlap store if not yet there (zeroed).
// 1 on success, 0 when memory is short.
int AllocateLayer3Memory(DecoderState& d);

// ---- Frame sync and header (frame.cpp) ------------------------------------
// Parses the header at the reader (on the first sync byte); 0 or -1 with status.
int ParseHeader(DecoderState& d, BitReader& reader);
// Frame length in bytes of a parsed header (0 for free format).
int32_t FrameLength(const FrameHeader& h);
// From the cursor to the next complete, checked frame: 0 with the reader past
// header and CRC word, or -1 with a status in the cursor.
int FindFrame(DecoderState& d);

// ---- Equalizer (equalizer.cpp) --------------------------------------------
// Builds the tables from the 11 signed gains (ten bands, preamplifier).
void PrepareEqualizer(EqualizerTables& eq, const int8_t values[11]);
// Layers I and II: every sample of subband j := RoundedProduct(s, gain_j) (Q27: half level at 0).
void ApplySubbandEqualizer(const EqualizerTables& eq, SubbandBuffer& sb, int channels, int blocks);
// Layer III, one granule of one channel after alias reduction, before the IMDCT:
// x_j := ((x_j + 2048) >> 12) * gain_j (Q11: half level at 0).
void ApplyLineEqualizer(const EqualizerTables& eq, Fixed lines[576]);

// ---- Synthesis, rate conversion, output -----------------------------------
// Synthesises blocks x 32 samples per channel into d.synthesis.pcm.
void SynthesizeFrame(SynthesisState& s, const SubbandBuffer& sb, int channels, int blocks);
// Chooses the synthesis kernel: 1 = eight blocks at a time where the
// processor can (the default), 0 = the portable one. Both give the same
// samples; returns 1 when the eight-lane kernel is in use.
int SelectSynthesisKernel(int vector);
// Converts count samples of one channel from rate to target into out (room
// for kMaxConvertedSamples); returns the converted count. Copies when either
// rate is not one of the nine rates.
constexpr int kMaxConvertedSamples = 1152 * 6 + 1;
int ConvertRate(const Fixed* in, int count, int rate, int target, Fixed* out);
// Writes count samples per channel as 16-bit PCM, interleaved for two
// channels, at most maxBytes (whole sample frames); returns bytes written.
int32_t OutputPcm(DecoderState& d, const Fixed* left, const Fixed* right, int channels, int count,
                  uint8_t* pcm, int32_t maxBytes);

// Clears the stream: cursor, header, subbands and overlap, synthesis, dither.
void ResetStream(DecoderState& d);
