// The file chooser listing and sorting a folder of 10,000 files, and "Alle"
// over 2,000 MPEG files (999 taken, then the full list stops the scan) while
// the null wave-out device returns buffers: total time and the longest gap
// between two handled MM_WOM_DONE.
#include <benchmark/benchmark.h>

#include <commctrl.h>
#include <mmsystem.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "playlist/filechooser.h"
#include "playlist/playlist.h"
#include "shell/playerwindows.h"

namespace {

namespace fs = std::filesystem;

std::string Home() {
  static std::string home = [] {
    char pattern[] = "/tmp/lumtrax-bench-playlist-XXXXXX";
    std::string h = mkdtemp(pattern);
    setenv("LUMTRAX_HOME", h.c_str(), 1);
    fs::create_directories(h + "/My Documents");
    return h;
  }();
  return home;
}

std::u16string Folder(const std::string& host) { return LxDevicePath(host) + u"\\"; }

// Names in no particular order, so the sort has work to do.
std::string Name(int i) {
  unsigned h = unsigned(i) * 2654435761u;
  return "Titel " + std::to_string(h % 100000) + " " + std::to_string(i) + ".mp3";
}

void ChooserFillAndSort(benchmark::State& state) {
  std::string dir = Home() + "/many";
  fs::create_directories(dir);
  for (int i = 0; i < 10000; i++) std::ofstream(dir + "/" + Name(i)) << "x";
  FileChooserForget();
  FileChooserSetFolder(Folder(dir).c_str());
  FileChooserParams params{};
  params.types = AudioFileTypes;
  params.typeCount = AUDIO_TYPE_COUNT;
  params.subfoldersAllowed = 1;
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDD_FILECHOOSER), RT_DIALOG);
  HWND dialog = CreateDialogIndirectParamW(nullptr, LockResource(LoadResource(nullptr, found)), nullptr,
                                           FileChooserProc, reinterpret_cast<LPARAM>(&params));
  // Sorted by name: a tap on "Datei".
  NMLISTVIEW column{};
  column.hdr.idFrom = IDC_CHOOSER_LIST;
  column.hdr.code = LVN_COLUMNCLICK;
  column.iSubItem = 0;
  if (!dialog) {
    state.SkipWithError("no chooser");
    return;
  }
  SendMessageW(dialog, WM_NOTIFY, IDC_CHOOSER_LIST, reinterpret_cast<LPARAM>(&column));
  for (auto _ : state) SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CHOOSER_TYPE, CBN_SELCHANGE), 0);
  state.counters["rows"] = double(ListView_GetItemCount(GetDlgItem(dialog, IDC_CHOOSER_LIST)));
  DestroyWindow(dialog);
  fs::remove_all(dir);
}
BENCHMARK(ChooserFillAndSort)->Unit(benchmark::kMillisecond)->Iterations(5);

// A 128 kbit/s MPEG-1 Layer III frame header and silence.
void WriteMp3(const std::string& path) {
  std::string bytes(4000, '\0');
  bytes[0] = char(0xFF), bytes[1] = char(0xFB), bytes[2] = char(0x90);
  std::ofstream(path, std::ios::binary) << bytes;
}

DWORD g_lastDone, g_longestGap, g_doneCount;
WAVEHDR g_headers[4];
std::vector<char> g_pcm(4 * 8000);

LRESULT CALLBACK AudioWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != MM_WOM_DONE) return DefWindowProcW(hwnd, message, wParam, lParam);
  DWORD now = GetTickCount();
  if (g_lastDone) g_longestGap = std::max(g_longestGap, now - g_lastDone);
  g_lastDone = now;
  g_doneCount++;
  waveOutWrite(reinterpret_cast<HWAVEOUT>(wParam), reinterpret_cast<WAVEHDR*>(lParam), sizeof(WAVEHDR));
  return 0;
}

// Between two files the scan runs the queue: the longest time between two
// callbacks bounds how late a returned buffer can be handled.
std::chrono::steady_clock::time_point g_lastFile;
double g_longestFileGap;

int AddOne(LPCWSTR path, LPCWSTR, void*) {
  auto now = std::chrono::steady_clock::now();
  if (g_lastFile.time_since_epoch().count())
    g_longestFileGap = std::max(g_longestFileGap, std::chrono::duration<double, std::milli>(now - g_lastFile).count());
  g_lastFile = now;
  DWORD refusals = g_playlistFullRefusals;
  PlaylistAdd(path);
  return refusals == g_playlistFullRefusals;
}

void AllWhilePlaying(benchmark::State& state) {
  std::string dir = Home() + "/all";
  for (int i = 0; i < 2000; i++) {
    std::string sub = dir + "/" + std::to_string(i / 100);
    fs::create_directories(sub);
    WriteMp3(sub + "/" + Name(i));
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = AudioWindow;
  wc.lpszClassName = u"BenchAudio";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, u"BenchAudio", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
  HWAVEOUT out = nullptr;
  if (waveOutOpen(&out, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(window), 0, CALLBACK_WINDOW) !=
      MMSYSERR_NOERROR) {
    state.SkipWithError("no wave-out device");
    return;
  }
  for (int i = 0; i < 4; i++) {
    g_headers[i] = WAVEHDR{};
    g_headers[i].lpData = g_pcm.data() + i * 8000;
    g_headers[i].dwBufferLength = 8000;
    waveOutPrepareHeader(out, &g_headers[i], sizeof(WAVEHDR));
    waveOutWrite(out, &g_headers[i], sizeof(WAVEHDR));
  }
  for (auto _ : state) {
    PlaylistInit();
    g_lastDone = g_longestGap = g_doneCount = 0;
    g_lastFile = {};
    g_longestFileGap = 0;
    FolderScan(Folder(dir).c_str(), u"*", 1, AddOne, nullptr);
    state.counters["added"] = double(g_playlist.count);
    state.counters["longest_gap_ms"] = double(g_longestGap);
    state.counters["buffers_done"] = double(g_doneCount);
    state.counters["longest_file_gap_ms"] = g_longestFileGap;
    PlaylistDestroy();
  }
  waveOutReset(out);
  waveOutClose(out);
  DestroyWindow(window);
  fs::remove_all(dir);
}
BENCHMARK(AllWhilePlaying)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
