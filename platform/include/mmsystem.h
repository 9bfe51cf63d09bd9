// Waveform-audio output (multimedia services). One output device, 0, reached
// directly or through WAVE_MAPPER; finished buffers go back to the caller in
// the order they were written.
#pragma once
#include "windef.h"

typedef UINT MMRESULT;
typedef HWAVEOUT* LPHWAVEOUT;

#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR 1
#define MMSYSERR_BADDEVICEID 2
#define MMSYSERR_NOTENABLED 3
#define MMSYSERR_ALLOCATED 4
#define MMSYSERR_INVALHANDLE 5
#define MMSYSERR_NODRIVER 6
#define MMSYSERR_NOMEM 7
#define MMSYSERR_NOTSUPPORTED 8
#define MMSYSERR_INVALFLAG 10
#define MMSYSERR_INVALPARAM 11
#define WAVERR_BADFORMAT 32
#define WAVERR_STILLPLAYING 33
#define WAVERR_UNPREPARED 34
#define WAVERR_SYNC 35

#define WAVE_MAPPER ((UINT)-1)

// waveOutOpen flags
#define WAVE_FORMAT_QUERY 0x0001
#define WAVE_ALLOWSYNC 0x0002
#define WAVE_MAPPED 0x0004
#define CALLBACK_TYPEMASK 0x00070000
#define CALLBACK_NULL 0x00000000
#define CALLBACK_WINDOW 0x00010000
#define CALLBACK_TASK 0x00020000
#define CALLBACK_THREAD CALLBACK_TASK
#define CALLBACK_FUNCTION 0x00030000
#define CALLBACK_EVENT 0x00050000

// Messages to the callback window: wParam the device handle, lParam the
// header (MM_WOM_DONE only).
#define MM_WOM_OPEN 0x3BB
#define MM_WOM_CLOSE 0x3BC
#define MM_WOM_DONE 0x3BD
#define WOM_OPEN MM_WOM_OPEN
#define WOM_CLOSE MM_WOM_CLOSE
#define WOM_DONE MM_WOM_DONE

#define WAVE_FORMAT_PCM 1

typedef struct tWAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
} WAVEFORMATEX, *PWAVEFORMATEX, *LPWAVEFORMATEX;
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;

typedef struct pcmwaveformat_tag {
  struct {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
  } wf;
  WORD wBitsPerSample;
} PCMWAVEFORMAT;

// The header keeps the device's 32-byte size, so that a buffer block laid out
// as header + PCM has the same size as on the device; the driver's own
// bookkeeping lives outside it.
typedef struct wavehdr_tag {
  LPSTR lpData;
  DWORD dwBufferLength;
  DWORD dwBytesRecorded;
  DWORD_PTR dwUser;
  DWORD dwFlags;
  DWORD dwLoops;
} WAVEHDR, *PWAVEHDR, *LPWAVEHDR;
static_assert(sizeof(WAVEHDR) == 32, "wave header is 32 bytes");

#define WHDR_DONE 0x00000001
#define WHDR_PREPARED 0x00000002
#define WHDR_BEGINLOOP 0x00000004
#define WHDR_ENDLOOP 0x00000008
#define WHDR_INQUEUE 0x00000010

#define MAXPNAMELEN 32
#define WAVECAPS_PITCH 0x0001
#define WAVECAPS_PLAYBACKRATE 0x0002
#define WAVECAPS_VOLUME 0x0004
#define WAVECAPS_LRVOLUME 0x0008
#define WAVECAPS_SYNC 0x0010
#define WAVECAPS_SAMPLEACCURATE 0x0020

#define WAVE_FORMAT_1M08 0x00000001
#define WAVE_FORMAT_1S08 0x00000002
#define WAVE_FORMAT_1M16 0x00000004
#define WAVE_FORMAT_1S16 0x00000008
#define WAVE_FORMAT_2M08 0x00000010
#define WAVE_FORMAT_2S08 0x00000020
#define WAVE_FORMAT_2M16 0x00000040
#define WAVE_FORMAT_2S16 0x00000080
#define WAVE_FORMAT_4M08 0x00000100
#define WAVE_FORMAT_4S08 0x00000200
#define WAVE_FORMAT_4M16 0x00000400
#define WAVE_FORMAT_4S16 0x00000800

typedef struct tagWAVEOUTCAPSW {
  WORD wMid;
  WORD wPid;
  UINT vDriverVersion;
  WCHAR szPname[MAXPNAMELEN];
  DWORD dwFormats;
  WORD wChannels;
  WORD wReserved1;
  DWORD dwSupport;
} WAVEOUTCAPSW, *LPWAVEOUTCAPSW;
typedef WAVEOUTCAPSW WAVEOUTCAPS;

#define TIME_MS 0x0001
#define TIME_SAMPLES 0x0002
#define TIME_BYTES 0x0004

typedef struct mmtime_tag {
  UINT wType;
  union {
    DWORD ms;
    DWORD sample;
    DWORD cb;
    DWORD ticks;
  } u;
} MMTIME, *LPMMTIME;

typedef void(CALLBACK* LPWAVECALLBACK)(HWAVEOUT hwo, UINT msg, DWORD_PTR instance, DWORD_PTR param1,
                                       DWORD_PTR param2);

WINMMAPI UINT waveOutGetNumDevs(void);
WINMMAPI MMRESULT waveOutGetDevCapsW(UINT_PTR deviceId, LPWAVEOUTCAPSW caps, UINT size);
WINMMAPI MMRESULT waveOutOpen(LPHWAVEOUT hwo, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback,
                              DWORD_PTR instance, DWORD flags);
WINMMAPI MMRESULT waveOutClose(HWAVEOUT hwo);
WINMMAPI MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR hdr, UINT size);
WINMMAPI MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR hdr, UINT size);
WINMMAPI MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR hdr, UINT size);
WINMMAPI MMRESULT waveOutPause(HWAVEOUT hwo);
WINMMAPI MMRESULT waveOutRestart(HWAVEOUT hwo);
WINMMAPI MMRESULT waveOutReset(HWAVEOUT hwo);
WINMMAPI MMRESULT waveOutGetPosition(HWAVEOUT hwo, LPMMTIME time, UINT size);
// The volume word: left in the low 16 bits, right in the high 16 bits. hwo
// is an open handle or device 0 given as (HWAVEOUT)0.
WINMMAPI MMRESULT waveOutGetVolume(HWAVEOUT hwo, LPDWORD volume);
WINMMAPI MMRESULT waveOutSetVolume(HWAVEOUT hwo, DWORD volume);
WINMMAPI MMRESULT waveOutGetID(HWAVEOUT hwo, UINT* deviceId);
#define waveOutGetDevCaps waveOutGetDevCapsW
