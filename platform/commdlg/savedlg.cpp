// GetSaveFileNameW: the device's full-screen save dialog. The user types a
// name, picks a folder of "\My Documents" and a type; the files of that
// folder and type are listed and a tap on one takes its name. OK (or Enter)
// answers with the full path, the type's extension added when the name has
// none; Cancel (or Escape) answers FALSE.
#include <algorithm>
#include <string>
#include <vector>

#include "../controls/lxctl.h"
#include "commdlg.h"
#include "lxresource.h"
#include "../gdi/lxgdi.h"

namespace {

enum : int { kName = 1100, kFolder = 1101, kType = 1102, kFiles = 1103, kLabel = 1104 };

struct Filter {
  std::u16string label, pattern;
};

struct SaveState {
  OPENFILENAMEW* ofn;
  std::u16string root;  // the folder the list below shows: root or one of its subfolders
  std::vector<Filter> filters;
  std::vector<std::u16string> folders;  // "" for the root itself
};

thread_local DWORD gLastError = 0;

std::vector<Filter> ParseFilters(LPCWSTR f) {
  std::vector<Filter> out;
  while (f && *f) {
    Filter x;
    x.label = f;
    f += x.label.size() + 1;
    if (!*f) break;
    x.pattern = f;
    f += x.pattern.size() + 1;
    out.push_back(x);
  }
  return out;
}

// "*.PLT;*.M3U" -> ".PLT"; "*.*" -> "".
std::u16string ExtensionOf(const std::u16string& pattern) {
  size_t dot = pattern.find(u'.');
  if (dot == std::u16string::npos) return u"";
  std::u16string ext = pattern.substr(dot, pattern.find(u';') == std::u16string::npos ? std::u16string::npos
                                                                                      : pattern.find(u';') - dot);
  return ext == u".*" ? u"" : ext;
}

std::u16string Folder(SaveState& s, HWND dlg) {
  LRESULT i = SendDlgItemMessageW(dlg, kFolder, CB_GETCURSEL, 0, 0);
  std::u16string sub = i > 0 && i < (LRESULT)s.folders.size() ? s.folders[i] : u"";
  return sub.empty() ? s.root : s.root + u"\\" + sub;
}

Filter CurrentFilter(SaveState& s, HWND dlg) {
  LRESULT i = SendDlgItemMessageW(dlg, kType, CB_GETCURSEL, 0, 0);
  return i >= 0 && i < (LRESULT)s.filters.size() ? s.filters[i] : Filter{u"", u"*.*"};
}

void ListFiles(SaveState& s, HWND dlg) {
  SendDlgItemMessageW(dlg, kFiles, LB_RESETCONTENT, 0, 0);
  std::u16string folder = Folder(s, dlg);
  std::u16string patterns = CurrentFilter(s, dlg).pattern;
  size_t start = 0;
  while (start <= patterns.size()) {
    size_t end = patterns.find(u';', start);
    std::u16string p = patterns.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW((folder + u"\\" + p).c_str(), &fd);
    if (f != INVALID_HANDLE_VALUE) {
      do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
          SendDlgItemMessageW(dlg, kFiles, LB_ADDSTRING, 0, (LPARAM)fd.cFileName);
      } while (FindNextFileW(f, &fd));
      FindClose(f);
    }
    if (end == std::u16string::npos) break;
    start = end + 1;
  }
}

bool BadName(const std::u16string& n) {
  if (n.empty()) return true;
  for (char16_t c : n)
    if (c < 0x20 || std::u16string(u"\\/:*?\"<>|").find(c) != std::u16string::npos) return true;
  return n.find_first_not_of(u". ") == std::u16string::npos;
}

// Fills the caller's buffers; false when the path does not fit.
bool Answer(SaveState& s, HWND dlg) {
  WCHAR name[MAX_PATH];
  GetDlgItemTextW(dlg, kName, name, MAX_PATH);
  std::u16string n = name;
  while (!n.empty() && n.back() == u' ') n.pop_back();
  if (BadName(n)) {
    MessageBoxW(dlg, u"The file name is not valid.", u"Save As", MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  if (n.find(u'.') == std::u16string::npos) {
    std::u16string ext = ExtensionOf(CurrentFilter(s, dlg).pattern);
    if (ext.empty() && s.ofn->lpstrDefExt && *s.ofn->lpstrDefExt) ext = std::u16string(u".") + s.ofn->lpstrDefExt;
    n += ext;
  }
  std::u16string path = Folder(s, dlg) + u"\\" + n;
  if ((s.ofn->Flags & OFN_OVERWRITEPROMPT) && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    std::u16string q = n + u" already exists.\nDo you want to replace it?";
    if (MessageBoxW(dlg, q.c_str(), u"Save As", MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) != IDYES) return false;
  }
  OPENFILENAMEW* o = s.ofn;
  if (path.size() + 1 > o->nMaxFile) {
    if (o->nMaxFile >= 1) o->lpstrFile[0] = (WCHAR)std::min<size_t>(path.size() + 1, 0xFFFF);
    gLastError = FNERR_BUFFERTOOSMALL;
    EndDialog(dlg, 0);
    return true;
  }
  lstrcpynW(o->lpstrFile, path.c_str(), (int)o->nMaxFile);
  o->nFileOffset = (WORD)(path.size() - n.size());
  size_t dot = n.rfind(u'.');
  o->nFileExtension = dot == std::u16string::npos ? (WORD)path.size() : (WORD)(o->nFileOffset + dot + 1);
  if (o->lpstrFileTitle && o->nMaxFileTitle) lstrcpynW(o->lpstrFileTitle, n.c_str(), (int)o->nMaxFileTitle);
  LRESULT type = SendDlgItemMessageW(dlg, kType, CB_GETCURSEL, 0, 0);
  if (type >= 0) o->nFilterIndex = (DWORD)type + 1;
  EndDialog(dlg, 1);
  return true;
}

HWND Control(HWND dlg, LPCWSTR cls, LPCWSTR text, DWORD style, int x, int y, int cx, int cy, int id) {
  HWND h = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, dlg, (HMENU)(UINT_PTR)id,
                           nullptr, nullptr);
  SendMessageW(h, WM_SETFONT, (WPARAM)GetStockObject(SYSTEM_FONT), 0);
  return h;
}

INT_PTR CALLBACK SaveProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  auto* s = (SaveState*)GetWindowLongW(h, DWL_USER);
  switch (m) {
    case WM_INITDIALOG: {
      s = (SaveState*)l;
      SetWindowLongW(h, DWL_USER, (LONG_PTR)s);
      RECT work = lx::WorkArea();  // full screen below the task bar
      MoveWindow(h, work.left, work.top, work.right - work.left, work.bottom - work.top, FALSE);
      OPENFILENAMEW* o = s->ofn;
      Control(h, u"STATIC", o->lpstrTitle ? o->lpstrTitle : u"Save As", SS_LEFT, 4, 4, 232, 14, kLabel);
      Control(h, u"STATIC", u"Name:", SS_LEFT, 4, 24, 50, 14, -1);
      // The initial name without its folder.
      std::u16string initial = o->lpstrFile ? o->lpstrFile : u"";
      size_t slash = initial.find_last_of(u"\\/");
      if (slash != std::u16string::npos) initial = initial.substr(slash + 1);
      HWND name = Control(h, u"EDIT", initial.c_str(), WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 56, 22, 180, 18, kName);
      Control(h, u"STATIC", u"Folder:", SS_LEFT, 4, 46, 50, 14, -1);
      HWND folder = Control(h, u"COMBOBOX", u"", WS_TABSTOP | CBS_DROPDOWNLIST, 56, 44, 180, 120, kFolder);
      Control(h, u"STATIC", u"Type:", SS_LEFT, 4, 68, 50, 14, -1);
      HWND type = Control(h, u"COMBOBOX", u"", WS_TABSTOP | CBS_DROPDOWNLIST, 56, 66, 180, 120, kType);
      Control(h, u"LISTBOX", u"", WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT, 4, 90, 232, 142, kFiles);
      Control(h, u"BUTTON", u"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 70, 240, 48, 20, IDOK);
      Control(h, u"BUTTON", u"Cancel", WS_TABSTOP, 124, 240, 48, 20, IDCANCEL);
      s->folders.push_back(u"");
      SendMessageW(folder, CB_ADDSTRING, 0, (LPARAM)u"None");
      WIN32_FIND_DATAW fd;
      HANDLE f = FindFirstFileW((s->root + u"\\*").c_str(), &fd);
      if (f != INVALID_HANDLE_VALUE) {
        do {
          std::u16string n = fd.cFileName;
          if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && n != u"." && n != u"..") {
            s->folders.push_back(n);
            SendMessageW(folder, CB_ADDSTRING, 0, (LPARAM)n.c_str());
          }
        } while (FindNextFileW(f, &fd));
        FindClose(f);
      }
      SendMessageW(folder, CB_SETCURSEL, 0, 0);
      for (auto& x : s->filters) SendMessageW(type, CB_ADDSTRING, 0, (LPARAM)x.label.c_str());
      int index = o->nFilterIndex >= 1 && o->nFilterIndex <= s->filters.size() ? (int)o->nFilterIndex - 1 : 0;
      SendMessageW(type, CB_SETCURSEL, index, 0);
      ListFiles(*s, h);
      SendMessageW(h, WM_NEXTDLGCTL, (WPARAM)name, TRUE);
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case IDOK: Answer(*s, h); return TRUE;
        case IDCANCEL: EndDialog(h, 0); return TRUE;
        case kFolder:
        case kType:
          if (HIWORD(w) == CBN_SELCHANGE) ListFiles(*s, h);
          return TRUE;
        case kFiles:
          if (HIWORD(w) == LBN_SELCHANGE || HIWORD(w) == LBN_DBLCLK) {
            LRESULT i = SendDlgItemMessageW(h, kFiles, LB_GETCURSEL, 0, 0);
            WCHAR n[MAX_PATH];
            if (i >= 0 && SendDlgItemMessageW(h, kFiles, LB_GETTEXTLEN, i, 0) < MAX_PATH) {
              SendDlgItemMessageW(h, kFiles, LB_GETTEXT, i, (LPARAM)n);
              SetDlgItemTextW(h, kName, n);
              if (HIWORD(w) == LBN_DBLCLK) Answer(*s, h);
            }
          }
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

BOOL GetSaveFileNameW(LPOPENFILENAMEW ofn) {
  gLastError = 0;
  if (!ofn || ofn->lStructSize < sizeof(OPENFILENAMEW)) {
    gLastError = CDERR_STRUCTSIZE;
    return FALSE;
  }
  if (!ofn->lpstrFile || ofn->nMaxFile == 0) {
    gLastError = CDERR_INITIALIZATION;
    return FALSE;
  }
  SaveState s{ofn, ofn->lpstrInitialDir && *ofn->lpstrInitialDir ? ofn->lpstrInitialDir : u"\\My Documents", {}, {}};
  while (s.root.size() > 1 && (s.root.back() == u'\\' || s.root.back() == u'/')) s.root.pop_back();
  s.filters = ParseFilters(ofn->lpstrFilter);
  LXDLGTEMPLATE t{WS_POPUP, 0, 0, 0, 1, 1, ofn->lpstrTitle ? ofn->lpstrTitle : u"Save As", 0, nullptr, 0, nullptr};
  INT_PTR r = DialogBoxIndirectParamW(nullptr, &t, ofn->hwndOwner, SaveProc, (LPARAM)&s);
  return r == 1;
}

DWORD CommDlgExtendedError(void) { return gLastError; }
