#include "display/board.h"

#include <atomic>
#include <cstring>

#include "display/boardlayout.h"
#include "engine/engine.h"
#include "equalizer/analyser.h"
#include "playlist/playlistentry.h"
#include "shell/dispatch.h"
#include "shell/panes.h"
#include "shell/playerwindows.h"
#include "shell/power.h"
#include "shell/settings.h"

BoardState g_board;

namespace {

const RECT kBitRateRect = BOARD_BITRATE_RECT, kBitRateText = BOARD_BITRATE_TEXT_RECT;
const RECT kRateRect = BOARD_RATE_RECT, kRateText = BOARD_RATE_TEXT_RECT;
const RECT kChannelsRect = BOARD_CHANNELS_RECT, kMonoText = BOARD_MONO_TEXT_RECT,
           kStereoText = BOARD_STEREO_TEXT_RECT;
const RECT kStateRect = BOARD_STATE_RECT;
const RECT kTextRect = BOARD_TEXT_RECT;
const RECT kTimeRect = BOARD_TIME_RECT, kTimeRepaint = BOARD_TIME_REPAINT_RECT, kStatusRect = BOARD_STATUS_RECT;
const RECT kMinusRect = BOARD_MINUS_RECT;
const RECT kLargeSegments[7] = BOARD_LARGE_SEGMENTS;
const RECT kThinSegments[7] = BOARD_THIN_SEGMENTS;
const RECT kColonDots[2] = BOARD_COLON_DOTS;
const BYTE kDigitSegments[10] = BOARD_DIGIT_SEGMENTS;

const SkinButton kButtons[BOARD_BUTTON_COUNT] = {
    {NULL, NULL, 0, IDB_PLAY_PRESSED, IDM_PLAY, ButtonVisible, BOARD_PLAY_RECT},
    {NULL, NULL, IDB_PAUSE, IDB_PAUSE_PRESSED, IDM_PAUSE, 0, BOARD_PLAY_RECT},
    {NULL, NULL, 0, IDB_STOP_PRESSED, IDM_STOP, ButtonVisible, BOARD_STOP_RECT},
    {NULL, NULL, 0, IDB_PREVIOUS_PRESSED, IDM_BOARD_PREVIOUS, ButtonVisible, BOARD_PREVIOUS_RECT},
    {NULL, NULL, 0, IDB_NEXT_PRESSED, IDM_BOARD_NEXT, ButtonVisible, BOARD_NEXT_RECT},
    {NULL, NULL, 0, 0, IDM_BOARD_MUTE, ButtonVisible, BOARD_SPEAKER_RECT},
    {NULL, NULL, IDB_SPEAKER_OFF, IDB_SPEAKER_OFF, IDM_BOARD_UNMUTE, 0, BOARD_SPEAKER_RECT},
};

const SkinSlider kSliders[BOARD_SLIDER_COUNT] = {
    {NULL, IDB_POSITION_KNOB, BOARD_POSITION_KNOB_RECT, BOARD_POSITION_TRACK_RECT, BOARD_POSITION_MIN,
     BOARD_POSITION_MAX},
    {NULL, IDB_VOLUME_KNOB, BOARD_VOLUME_KNOB_RECT, BOARD_VOLUME_TRACK_RECT, BOARD_VOLUME_MIN, BOARD_VOLUME_MAX},
};

HWND Board(void) { return g_windows.board; }
// A suspended board (display off, hidden) is drawn whole when it returns.
void Invalidate(const RECT* r) {
  if (Board() && !g_power.boardSuspended) InvalidateRect(Board(), r, FALSE);
}

LONG KnobWidth(const SkinSlider& s) { return s.knobRect.right - s.knobRect.left; }

// Which of a two-state pair shows.
void ShowPair(int visible, int hidden) {
  g_board.buttons[visible].flags |= ButtonVisible;
  g_board.buttons[hidden].flags &= ~ButtonVisible;
  Invalidate(&g_board.buttons[visible].rect);
}

void ShowLook(BoardLook look) {
  if (look == LookUnchanged) return;
  if (look == LookPlaying)
    ShowPair(BoardPause, BoardPlay);
  else
    ShowPair(BoardPlay, BoardPause);
  Invalidate(&kStatusRect);
}

DWORD EngineStateNow(void) { return std::atomic_ref<DWORD>(g_engine.state).load(); }

LONG StreamLength(void) {
  return g_engine.streamInfo ? (LONG)g_engine.streamInfo->words[STREAMINFO_SIZE_WORD] : 0;
}

// ---- drawing ----

void DrawLargeDigit(HDC dc, int x, int y, int digit, HBRUSH white) {
  for (int s = 0; s < 7; ++s) {
    if (!(kDigitSegments[digit] & (0x40 >> s))) continue;
    RECT r = kLargeSegments[s];
    OffsetRect(&r, x, y);
    FillRect(dc, &r, white);
  }
}

void DrawThinDigit(HDC dc, int x, int y, int digit) {
  HGDIOBJ old = SelectObject(dc, g_board.whitePen);
  for (int s = 0; s < 7; ++s) {
    if (!(kDigitSegments[digit] & (0x40 >> s))) continue;
    MoveToEx(dc, x + kThinSegments[s].left, y + kThinSegments[s].top, NULL);
    LineTo(dc, x + kThinSegments[s].right, y + kThinSegments[s].bottom);
  }
  SelectObject(dc, old);
}

void DrawTime(HDC dc, int x, int y, DWORD v, DWORD minus) {
  HBRUSH white = (HBRUSH)GetStockObject(WHITE_BRUSH);
  if (minus == 1 && v != 0) FillRect(dc, &kMinusRect, white);
  DWORD h = v / 3600, n = (v % 3600) / 60, c = v % 60;
  if (h > 0) DrawThinDigit(dc, BOARD_HOUR_X, BOARD_HOUR_Y, (int)(h % 10));
  DrawLargeDigit(dc, x, y, (int)(n / 10), white);
  DrawLargeDigit(dc, x + BOARD_DIGIT_STEP, y, (int)(n % 10), white);
  for (const RECT& dot : kColonDots) {
    RECT r = dot;
    OffsetRect(&r, x + BOARD_COLON_OFFSET, y);
    FillRect(dc, &r, white);
  }
  DrawLargeDigit(dc, x + BOARD_SECONDS_OFFSET, y, (int)(c / 10), white);
  DrawLargeDigit(dc, x + BOARD_SECONDS_OFFSET + BOARD_DIGIT_STEP, y, (int)(c % 10), white);
}

void DrawWords(HDC dc, LPCWSTR text, const RECT* r, UINT align) {
  RECT box = *r;
  DrawTextW(dc, text, -1, &box, align | DT_SINGLELINE | DT_NOPREFIX);
}

void DrawBitRate(HDC dc) {
  if (EngineStateNow() == Stopped || g_engine.lastPlayedBitRate == 0 || g_engine.bitRate == 0) return;
  WCHAR text[16];
  LxFormatW(text, 16, u"%d", (int)(g_engine.lastPlayedBitRate / 1000));
  DrawWords(dc, text, &kBitRateText, DT_RIGHT);
}

void DrawSampleRate(HDC dc) {
  if (EngineStateNow() == Stopped || g_engine.sampleRate == 0) return;
  WCHAR text[16];
  LxFormatW(text, 16, u"%d", (int)(g_engine.sampleRate / 1000));
  DrawWords(dc, text, &kRateText, DT_RIGHT);
}

void DrawChannels(HDC dc) {
  if (EngineStateNow() == Stopped) return;
  if (g_engine.channels == 1) DrawWords(dc, u"mono", &kMonoText, DT_LEFT);
  if (g_engine.channels == 2) DrawWords(dc, u"stereo", &kStereoText, DT_LEFT);
}

void DrawPlayState(HDC dc) {
  HBRUSH white = (HBRUSH)GetStockObject(WHITE_BRUSH);
  DWORD state = EngineStateNow();
  if (state == Paused && PlayerFlagsTest(Seeking) && g_engine.seekState == Playing) state = Playing;
  if (state == Stopped) {
    FillRect(dc, &kStateRect, white);
  } else if (state == Playing) {
    POINT triangle[3] = {{11, 42}, {11, 52}, {16, 47}};
    HGDIOBJ oldBrush = SelectObject(dc, white), oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Polygon(dc, triangle, 3);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
  } else {
    RECT left = {11, 43, 14, 52}, right = {16, 43, 19, 52};
    FillRect(dc, &left, white);
    FillRect(dc, &right, white);
  }
}

// The line shown is also the board's window text, so that it can be read
// without its pixels (the device socket's window list). Compared unit for
// unit: a change needs no locale order (nor its collation tables).
void KeepLineAsText(LPCWSTR line) {
  static WCHAR shown[BOARD_TEXT_UNITS];
  int same = 0;
  while (shown[same] && shown[same] == line[same]) ++same;
  if (!g_windows.board || shown[same] == line[same]) return;
  lstrcpynW(shown, line, BOARD_TEXT_UNITS);
  SetWindowTextW(g_windows.board, shown);
}

void DrawTextLine(HDC dc) {
  HGDIOBJ old = SelectObject(dc, g_board.textFont);
  WCHAR text[96];
  LPCWSTR line = NULL;
  int x = kTextRect.left, count;
  DWORD duration = g_engine.duration;
  if (std::atomic_ref<LONG>(g_board.bufferingIndicator).load()) {
    line = u"Buffering";
  } else if (PlayerFlagsTest(Seeking) && duration != 0) {
    LONG p = g_board.sliders[BoardPosition].knobRect.left - BOARD_POSITION_MIN;
    LONG r = BOARD_POSITION_MAX - BOARD_POSITION_MIN;
    DWORD t = (DWORD)((long long)duration * p / r);
    int q = (int)(p * 100 / r);
    if (duration >= 3600)
      LxFormatW(text, 96, u"Seek to %0.2d:%0.2d:%0.2d / %0.2d:%0.2d:%0.2d (%d%%)", (int)(t / 3600),
                (int)(t % 3600 / 60), (int)(t % 60), (int)(duration / 3600), (int)(duration % 3600 / 60),
                (int)(duration % 60), q);
    else
      LxFormatW(text, 96, u"Seek to %0.2d:%0.2d / %0.2d:%0.2d (%d%%)", (int)(t % 3600 / 60), (int)(t % 60),
                (int)(duration / 60), (int)(duration % 60), q);
    line = text;
  } else if (EngineStateNow() != Stopped) {
    DWORD w = (DWORD)g_engine.boardTextWidth;
    DWORD o = w ? g_board.scrollPosition % w : 0;
    count = lstrlenW(g_engine.boardText);
    ExtTextOutW(dc, x - (int)o, kTextRect.top, ETO_CLIPPED, &kTextRect, g_engine.boardText, count, NULL);
    if (w > BOARD_LINE_WIDTH && (LONG)(x - o + w) < kTextRect.right)
      ExtTextOutW(dc, x - (int)o + (int)w, kTextRect.top, ETO_CLIPPED, &kTextRect, g_engine.boardText, count, NULL);
  } else {
    line = VERSION_TEXT;
  }
  if (line) ExtTextOutW(dc, x, kTextRect.top, ETO_CLIPPED, &kTextRect, line, lstrlenW(line), NULL);
  KeepLineAsText(line ? line : g_engine.boardText);
  SelectObject(dc, old);
}

struct DisplayItem {
  RECT rect;
  void (*draw)(HDC dc);
};

const DisplayItem kItems[5] = {
    {BOARD_BITRATE_RECT, DrawBitRate}, {BOARD_RATE_RECT, DrawSampleRate}, {BOARD_CHANNELS_RECT, DrawChannels},
    {BOARD_STATE_RECT, DrawPlayState}, {BOARD_TEXT_RECT, DrawTextLine},
};

BOOL Meets(const RECT* a, const RECT* b) {
  RECT r;
  return IntersectRect(&r, a, b);
}

void Overlay(HDC dc, const RECT* area) {
  for (SkinSlider& s : g_board.sliders) {
    RECT part;
    if (IntersectRect(&part, &s.knobRect, area)) DrawBitmapPart(dc, s.knob, &part, &s.knobRect);
  }
  if (Meets(&kTimeRect, area)) DrawTime(dc, BOARD_DIGITS_X, BOARD_DIGITS_Y, g_board.shownSeconds, g_settings.minusTime);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  HGDIOBJ old = SelectObject(dc, g_board.smallFont);
  for (const DisplayItem& item : kItems)
    if (Meets(&item.rect, area)) item.draw(dc);
  SelectObject(dc, old);
}

// ---- hooks for the engine ----

void SetBufferingIndicator(BOOL on) {
  if (!std::atomic_ref<LONG>(g_board.bufferingEnable).load()) return;
  std::atomic_ref<LONG>(g_board.bufferingIndicator).store(on ? 1 : 0);
  Invalidate(&kTextRect);
}

void EnableBufferingIndicator(BOOL enable) { std::atomic_ref<LONG>(g_board.bufferingEnable).store(enable ? 1 : 0); }

void ResetScroll(void) {
  g_board.scrollPosition = 0;
  Invalidate(&kStatusRect);
  Invalidate(&kTextRect);
}

HFONT TextFont(void) { return g_board.textFont; }

LONG KnobPercent(void) {
  return (g_board.sliders[BoardPosition].knobRect.left - BOARD_POSITION_MIN) * 100 /
         (BOARD_POSITION_MAX - BOARD_POSITION_MIN);
}

void RepaintSlider(void) {
  RECT row = {BOARD_POSITION_MIN, 85, BOARD_WIDTH, 96};
  Invalidate(&row);
  Invalidate(&kTextRect);
}

// ---- messages ----

HFONT ScreenFont(HDC screen, LONG height) {
  LOGFONTW lf = {};
  GetObjectW(GetCurrentObject(screen, OBJ_FONT), sizeof lf, &lf);
  lf.lfHeight = height;
  return CreateFontIndirectW(&lf);
}

// At a new spectrum speed (the settings sheet).
void RestartAnimation(void) {
  BoardStopAnimation();
  BoardStartAnimation();
}

LRESULT OnCreate(HWND hwnd, UINT, WPARAM, LPARAM) {
  g_windows.board = hwnd;
  memcpy(g_board.buttons, kButtons, sizeof kButtons);
  memcpy(g_board.sliders, kSliders, sizeof kSliders);
  g_board.shownSeconds = 0;
  g_board.lastDrawnBitRate = 0;
  g_board.progressCounter = 0;
  g_board.scrollPosition = 0;
  g_board.bufferingIndicator = 0;
  g_board.bufferingEnable = 1;
  HDC dc = GetDC(hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  CreateBackBuffer(dc, &g_board.backBuffer, client.right, client.bottom);
  LoadBackgroundCanvas(dc, &g_board.background, IDB_BOARD);
  LoadButtonBitmaps(g_board.buttons, BOARD_BUTTON_COUNT);
  for (SkinSlider& s : g_board.sliders) s.knob = SkinLoadBitmap(s.knobId);
  ReleaseDC(hwnd, dc);
  HDC screen = GetDC(NULL);
  LONG dpi = GetDeviceCaps(screen, LOGPIXELSY);
  g_board.smallFont = ScreenFont(screen, -Scale(80, dpi, 720));
  g_board.textFont = ScreenFont(screen, -Scale(100, dpi, 720));
  ReleaseDC(NULL, screen);
  g_board.whitePen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  g_boardHooks.SetBufferingIndicator = SetBufferingIndicator;
  g_boardHooks.EnableBufferingIndicator = EnableBufferingIndicator;
  g_boardHooks.ResetScroll = ResetScroll;
  g_boardHooks.TextFont = TextFont;
  g_boardHooks.KnobPercent = KnobPercent;
  g_boardHooks.RepaintSlider = RepaintSlider;
  g_paneHooks.restartAnimation = RestartAnimation;
  BoardStartAnimation();
  return 0;
}

LRESULT OnDestroy(HWND hwnd, UINT, WPARAM, LPARAM) {
  g_boardHooks = BoardHooks{};
  g_paneHooks.restartAnimation = NULL;
  KillTimer(hwnd, TIMER_BOARD_ANIMATION);
  ReleaseCanvas(&g_board.backBuffer);
  ReleaseCanvas(&g_board.background);
  FreeButtonBitmaps(g_board.buttons, BOARD_BUTTON_COUNT);
  for (SkinSlider& s : g_board.sliders) {
    if (s.knob) DeleteObject(s.knob);
    s.knob = NULL;
  }
  DeleteObject(g_board.smallFont);
  DeleteObject(g_board.textFont);
  DeleteObject(g_board.whitePen);
  g_board.smallFont = g_board.textFont = NULL;
  g_board.whitePen = NULL;
  if (g_windows.board == hwnd) g_windows.board = NULL;
  return 0;
}

LRESULT OnPaint(HWND hwnd, UINT, WPARAM, LPARAM) {
  return SkinnedPaint(hwnd, g_board.background.dc, g_board.backBuffer.dc, g_board.buttons, BOARD_BUTTON_COUNT,
                      Overlay);
}

LRESULT OnProgress(HWND, UINT, WPARAM, LPARAM) {
  PlayerEngine& e = g_engine;
  DWORD bytesPerSecond = (DWORD)e.bitRate / 8;
  DWORD elapsed = bytesPerSecond ? (DWORD)e.lastPlayedPosition / bytesPerSecond : 0;
  // Remaining time is 0, not a wrapped value, once the position passes the
  // duration (the tag's bytes count as audio).
  DWORD shown = g_settings.minusTime == 1 ? (e.duration > elapsed ? e.duration - elapsed : 0) : elapsed;
  BOOL timeChanged = shown != g_board.shownSeconds;
  if (timeChanged) {
    g_board.shownSeconds = shown;
    Invalidate(&kTimeRepaint);
  }
  if (g_board.refreshDivider && g_board.progressCounter % g_board.refreshDivider == 0 &&
      e.lastPlayedBitRate != g_board.lastDrawnBitRate) {
    g_board.lastDrawnBitRate = e.lastPlayedBitRate;
    Invalidate(&kBitRateRect);
  }
  ++g_board.progressCounter;
  if (PlayerFlagsTest(Seeking)) return 0;
  LONG length = StreamLength();
  if (length == 0) return 0;  // closed meanwhile: nothing to place the knob by
  SkinSlider& s = g_board.sliders[BoardPosition];
  LONG target = (LONG)(BOARD_POSITION_MIN +
                       (long long)(BOARD_POSITION_MAX - BOARD_POSITION_MIN) * e.lastPlayedPosition / length);
  // A short title would move the knob by one pixel many times a second, each
  // a paint of its own: it moves with the time's paint, or two pixels at once.
  LONG behind = target > s.knobRect.left ? target - s.knobRect.left : s.knobRect.left - target;
  if (behind >= 2 || (behind == 1 && timeChanged)) {
    RECT old = s.knobRect;
    OffsetRect(&s.knobRect, target - s.knobRect.left, 0);
    RECT both;
    UnionRect(&both, &old, &s.knobRect);
    Invalidate(&both);
  }
  return 0;
}

LRESULT OnTimer(HWND hwnd, UINT, WPARAM id, LPARAM) {
  // A suspended board skips its drawing only: a seek begun from the desktop's
  // media controls while another window is active must not hold the music.
  if (id == TIMER_BOARD_ANIMATION) {
    if (g_power.boardSuspended) return 0;
    if (EngineStateNow() != Stopped && !std::atomic_ref<LONG>(g_board.bufferingIndicator).load() &&
        g_engine.boardTextWidth > BOARD_LINE_WIDTH) {
      g_board.scrollPosition += g_board.scrollStep;
      Invalidate(&kTextRect);
    } else {
      g_board.scrollPosition = 0;
    }
  } else if (id == TIMER_SEEK) {
    EngineSeekStep(hwnd);
  }
  return 0;
}

// The seek text follows the dragged knob at the spectrum's rate.
void DuringPositionDrag(HWND, const MSG* msg) {
  if (msg->message == WM_TIMER && msg->wParam == TIMER_SPECTRUM) Invalidate(&kTextRect);
}

LRESULT OnTap(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
  if (WaitCursorCount() > 0) return 0;
  int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
  POINT p = {x, y};
  for (int i = 0; i < BOARD_SLIDER_COUNT; ++i) {
    SkinSlider& s = g_board.sliders[i];
    if (!PtInRect(&s.knobRect, p)) continue;
    if (i == BoardPosition) {
      if (PlayerFlagsTest(Seeking)) return 0;
      PlayerFlagsSet(Seeking);
      Invalidate(&kTextRect);
    }
    SkinDrag drag = {&s.knobRect, FALSE, s.minimum, s.maximum + KnobWidth(s), s.minimum, s.maximum, FALSE,
                     i == BoardPosition ? DuringPositionDrag : NULL};
    // The seek text follows the spectrum's ticks, which a suspended spectrum
    // does not have: the board ticks for itself meanwhile.
    BOOL ownTicks = i == BoardPosition && g_power.equalizerSpectrumSuspended;
    if (ownTicks) SetTimer(hwnd, TIMER_SPECTRUM, SpectrumTimerPeriod(g_settings.spectrumSpeed), NULL);
    int released = SliderDrag(hwnd, &drag, x);
    if (ownTicks) KillTimer(hwnd, TIMER_SPECTRUM);
    if (i == BoardPosition) {
      if (released) {
        PostMessageW(hwnd, WM_COMMAND, IDM_BOARD_SEEK, 0);
      } else {
        PlayerFlagsClear(Seeking);  // broken off: no seek will clear it
      }
      Invalidate(&kTextRect);
    } else if (released) {
      PostMessageW(hwnd, WM_COMMAND, IDM_BOARD_VOLUME, 0);
    }
    return 0;
  }
  for (int i = 0; i < BOARD_SLIDER_COUNT; ++i) {
    SkinSlider& s = g_board.sliders[i];
    if (!PtInRect(&s.trackRect, p)) continue;
    if (i == BoardPosition && PlayerFlagsTest(Seeking)) return 0;
    if (!SliderTap(hwnd, &s.knobRect, FALSE, x, s.minimum, s.maximum)) return 0;
    // A progress message before the posted seek would move the knob back.
    if (i == BoardPosition) PlayerFlagsSet(Seeking);
    PostMessageW(hwnd, WM_COMMAND, i == BoardPosition ? IDM_BOARD_SEEK : IDM_BOARD_VOLUME, 0);
    return 0;
  }
  if (ButtonPress(hwnd, g_board.buttons, BOARD_BUTTON_COUNT, x, y)) return 0;
  if (PtInRect(&kTimeRect, p)) g_settings.minusTime = 1 - g_settings.minusTime;
  return 0;
}

LRESULT OnLoadTrack(HWND, UINT, WPARAM, LPARAM lParam) {
  LoadTrack((const PlaylistEntry*)lParam);
  return 0;
}

LRESULT OnPlaybackEnded(HWND, UINT, WPARAM, LPARAM) {
  PlaybackEnded();
  return 0;
}

LRESULT OnBufferDone(HWND, UINT, WPARAM, LPARAM lParam) {
  BufferDone((WAVEHDR*)lParam);
  return 0;
}

// ---- commands ----

LRESULT OnPlay(HWND, UINT, LPARAM, UINT) {
  ShowLook(BoardPlayCommand());
  return 0;
}

LRESULT OnPause(HWND, UINT, LPARAM, UINT) {
  ShowLook(BoardPauseCommand());
  return 0;
}

LRESULT OnStop(HWND hwnd, UINT, LPARAM, UINT code) {
  BoardLook look = BoardStopCommand(code);
  if (look == LookPlaying)
    ShowPair(BoardPause, BoardPlay);
  else
    ShowPair(BoardPlay, BoardPause);
  SkinSlider& s = g_board.sliders[BoardPosition];
  s.knobRect.right = s.minimum + KnobWidth(s);
  s.knobRect.left = s.minimum;
  g_board.shownSeconds = 0;
  g_board.lastDrawnBitRate = 0;
  g_board.scrollPosition = 0;
  InvalidateRect(hwnd, NULL, FALSE);
  return 0;
}

LRESULT SendPlaylist(UINT command, UINT code) {
  if (!g_windows.playlist) return 1;
  return SendMessageW(g_windows.playlist, WM_COMMAND, MAKEWPARAM(command, code), 0);
}

LRESULT OnPrevious(HWND, UINT, LPARAM, UINT) {
  Invalidate(&g_board.buttons[BoardPrevious].rect);
  if (g_settings.shuffle == 1) return SendPlaylist(IDM_SHUFFLE_TITLE, 1);
  return SendPlaylist(IDM_PREV_TITLE, 0);
}

LRESULT OnNext(HWND, UINT, LPARAM, UINT code) {
  Invalidate(&g_board.buttons[BoardNext].rect);
  if (g_settings.shuffle == 1) return SendPlaylist(IDM_SHUFFLE_TITLE, 1);
  return SendPlaylist(IDM_NEXT_TITLE, code);
}

LRESULT OnMute(HWND, UINT, LPARAM, UINT) {
  PlayerFlagsClear(SoundOn);
  SetVolume(g_settings.volume);
  ShowPair(BoardSoundOn, BoardSoundOff);
  return 0;
}

LRESULT OnUnmute(HWND, UINT, LPARAM, UINT) {
  PlayerFlagsSet(SoundOn);
  SetVolume(g_settings.volume);
  ShowPair(BoardSoundOff, BoardSoundOn);
  return 0;
}

// Code 1 … 101 comes from outside the board (the desktop's media controls):
// the knob goes to code − 1 percent first, then the seek runs as after a drag.
LRESULT OnSeek(HWND hwnd, UINT, LPARAM, UINT code) {
  if (code >= 1 && code <= 101) {
    if (PlayerFlagsTest(Seeking) || g_engine.SeekStep != 0) return 0;
    SkinSlider& s = g_board.sliders[BoardPosition];
    LONG range = BOARD_POSITION_MAX - BOARD_POSITION_MIN;
    // Rounded up, so that KnobPercent reads the same percent back.
    LONG left = BOARD_POSITION_MIN + (LONG)(((code - 1) * range + 99) / 100);
    RECT old = s.knobRect;
    OffsetRect(&s.knobRect, left - s.knobRect.left, 0);
    RECT both;
    UnionRect(&both, &old, &s.knobRect);
    Invalidate(&both);
    PlayerFlagsSet(Seeking);
  }
  EngineSeekStep(hwnd);
  return 0;
}

LRESULT OnVolume(HWND hwnd, UINT, LPARAM, UINT code) {
  SkinSlider& s = g_board.sliders[BoardVolume];
  LONG range = s.maximum - s.minimum;
  if (code == 1) {
    LONG left = s.minimum + (LONG)(g_settings.volume * range / 100);
    s.knobRect.right = left + KnobWidth(s);
    s.knobRect.left = left;
    InvalidateRect(hwnd, NULL, FALSE);
  } else {
    g_settings.volume = (DWORD)(s.knobRect.left - s.minimum) * 100 / (DWORD)range;
    SetVolume(g_settings.volume);
  }
  return 0;
}

const CommandEntry kCommands[] = {
    {IDM_PLAY, OnPlay},           {IDM_PAUSE, OnPause},         {IDM_STOP, OnStop},
    {IDM_BOARD_PREVIOUS, OnPrevious}, {IDM_BOARD_NEXT, OnNext}, {IDM_BOARD_MUTE, OnMute},
    {IDM_BOARD_UNMUTE, OnUnmute}, {IDM_BOARD_SEEK, OnSeek},     {IDM_BOARD_VOLUME, OnVolume},
};

LRESULT OnCommand(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DispatchCommand(hwnd, message, wParam, lParam, kCommands, TABLE_COUNT(kCommands));
}

const MessageEntry kMessages[] = {
    {WM_CREATE, OnCreate},
    {WM_DESTROY, OnDestroy},
    {WM_COMMAND, OnCommand},
    {WM_PAINT, OnPaint},
    {WM_ERASEBKGND, NULL},
    {WM_LBUTTONDOWN, OnTap},
    // A quick second tap (Next, Previous, a knob) is a tap like the first.
    {WM_LBUTTONDBLCLK, OnTap},
    {UM_PROGRESS, OnProgress},
    {WM_TIMER, OnTimer},
    {UM_LOADTRACK, OnLoadTrack},
    {UM_PLAYBACKENDED, OnPlaybackEnded},
    {MM_WOM_DONE, OnBufferDone},
};

LRESULT CALLBACK BoardProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(hwnd, message, wParam, lParam, kMessages, TABLE_COUNT(kMessages), NULL);
}

}  // namespace

void BoardStartAnimation(void) {
  DWORD s = g_settings.spectrumSpeed < 1 ? 1 : g_settings.spectrumSpeed > 10 ? 10 : g_settings.spectrumSpeed;
  g_board.scrollStep = 20 / s;
  g_board.refreshDivider = (12 - s) * 2;
  if (g_windows.board) SetTimer(g_windows.board, TIMER_BOARD_ANIMATION, 4000 / s, NULL);
}

void BoardStopAnimation(void) {
  if (g_windows.board) KillTimer(g_windows.board, TIMER_BOARD_ANIMATION);
}

HWND BoardCreate(HWND parent) {
  HWND board = NULL;
  if (!CreateSkinnedWindow(parent, BoardProc, u"LumtraxMB", &board, 0, 0, BOARD_WIDTH, BOARD_HEIGHT, WS_VISIBLE))
    return NULL;
  return board;
}
