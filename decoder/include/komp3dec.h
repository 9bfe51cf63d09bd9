// KOMP3DEC: the MPEG audio decoder library's four exports. The player loads
// the library by name and looks these up with GetProcAddress; the typedefs
// are for that. One decoder per process: callers serialise every call.
#pragma once
#include <cstdint>

#include "windef.h"

#define KO_API LX_EXTERN_C LX_EXPORT

// fadeIn 1 restarts the fade-in; eqEnabled switches the equalizer; eqValues
// (11 signed bytes: ten bands, preamplifier, -20..+20) or null keeps the
// tables; startPosition >= 0 resets the stream when idle, -1 never does.
KO_API int32_t KO_Init(int32_t fadeIn, int32_t eqEnabled, const int8_t* eqValues, int32_t startPosition);
// Frees the Layer III memory and makes the decoder idle.
KO_API int32_t KO_Exit(void);
// Learns rate, channels and bit rate from a buffer, or (with *sampleRate set)
// requests conversion to that rate; data null only cancels a conversion.
// Resets the stream afterwards. Always 1.
KO_API int32_t KO_GetHeaderInfo(const uint8_t* data, int32_t length, int32_t* sampleRate,
                                int32_t* channels, int32_t* bitRate);
// Decodes at most one frame from data (new buffer) or from where the last
// call stopped (data null). 0: call again with null data; N > 0: buffer used
// up, its last N - 1 bytes not consumed. Never writes more than capacity bytes.
KO_API int32_t KO_DecompressAudio(const uint8_t* data, int32_t length, uint8_t* pcm, int32_t capacity,
                                  int32_t* pcmBytes, int32_t* streamPosition, int32_t* bitRate);

typedef int32_t (*KO_InitProc)(int32_t, int32_t, const int8_t*, int32_t);
typedef int32_t (*KO_ExitProc)(void);
typedef int32_t (*KO_GetHeaderInfoProc)(const uint8_t*, int32_t, int32_t*, int32_t*, int32_t*);
typedef int32_t (*KO_DecompressAudioProc)(const uint8_t*, int32_t, uint8_t*, int32_t, int32_t*, int32_t*,
                                          int32_t*);
