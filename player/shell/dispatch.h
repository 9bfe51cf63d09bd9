// Table-driven dispatch for every window and dialog of the player, the busy
// (wait-cursor) count it honours, the modal dialog loader and the action table.
#pragma once
#include <windows.h>

// Compared exactly: a handler's LRESULT is 64 bits here, and only this value
// (not a sign-extended 0xFFFFFFFF80000000) asks for default processing.
#define NOT_HANDLED ((LRESULT)0x80000000)

typedef LRESULT (*MessageHandler)(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
typedef LRESULT (*CommandHandler)(HWND hwnd, UINT command, LPARAM lParam, UINT code);

struct MessageEntry {
  UINT message;
  MessageHandler handler;  // null: consumed, answers 0
};

struct CommandEntry {
  UINT command;
  CommandHandler handler;
};

#define TABLE_COUNT(t) ((int)(sizeof(t) / sizeof((t)[0])))

// previous: a subclassed window's old procedure, or a dialog's stand-in that
// answers FALSE; null passes unhandled messages to DefWindowProcW.
LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, const MessageEntry* table, int count,
                 WNDPROC previous);
// Low word of wParam is the command, high word the notification code; 0 when
// the command is not in the table.
LRESULT DispatchCommand(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, const CommandEntry* table,
                        int count);
// For dialog procedures: unhandled messages answer FALSE.
LRESULT CALLBACK DialogDefault(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Busy count: taps and keys to table-driven windows are dropped while > 0.
void WaitCursor(BOOL on, BOOL force);
LONG WaitCursorCount(void);

// Runs dialog template id from the program's resources, owned by the main
// window; counts modal nesting and recomputes the suspension flags around it.
// −1 when the template is missing.
INT_PTR RunDialog(int id, DLGPROC proc, LPARAM param);
// WM_SIZE of a full-screen dialog whose list sits below its other controls:
// the list keeps its top and takes the rest of the dialog.
void FitListToDialog(HWND dialog, HWND list, LPARAM size);

// The thirteen actions (0 … 12); n ≥ 13 acts as 0. Every caller (hardware
// buttons, media keys, desktop media controls) goes through RunAction.
LRESULT RunAction(int n);
LPCWSTR ActionName(int n);
