// What the engine's files share: the record's fields that both threads touch
// go through these, so the record itself stays plain.
#pragma once
#include <atomic>
#include <type_traits>

#include "engine/engine.h"
#include "shell/settings.h"

template <class T>
inline T Load(T& field) {
  return std::atomic_ref<T>(field).load();
}
template <class T>
inline void Store(T& field, std::type_identity_t<T> value) {
  std::atomic_ref<T>(field).store(value);
}
// Returns the value before the change.
inline LONG AddTo(LONG& field, LONG delta) { return std::atomic_ref<LONG>(field).fetch_add(delta); }

inline DWORD CurrentState(void) { return Load(g_engine.state); }
// A decode thread waiting for Play, Seek or Stop sleeps on the free-slot event.
inline void SetEngineState(DWORD state) {
  Store(g_engine.state, state);
  if (HANDLE event = Load(g_engine.freeSlotEvent)) SetEvent(event);
}

// The equalizer bit as KO_Init takes it: 0 or 16.
inline int32_t EqualizerBit(void) { return PlayerFlagsGet() & EqualizerOn; }

// Null-safe calls of the board's hooks.
void BoardBuffering(BOOL on);
void BoardEnableBuffering(BOOL enable);

// Takes the decoder mutex while a thread may use the decoder; Unlock with
// the result.
HANDLE LockDecoder(void);
void UnlockDecoder(HANDLE mutex);
