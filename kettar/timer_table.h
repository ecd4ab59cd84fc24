#pragma once
// Integer handles for SDL timers, so that callers can start one-shot or repeating
// callbacks, stop them again and reuse the slots. A handle is a slot index and
// slots are reused: whoever keeps a handle sets it to -1 when its one-shot has
// fired or it removed it, so a stale handle never stops someone else's timer.
//
// Callbacks run on SDL's timer thread. The table takes one lock around its slots
// and around the start and end of every callback, but never while a callback
// runs:
// - remove waits for a callback of that timer that is running on another thread,
//   so once remove has returned the callback never acts again and its user data
//   may be freed; a callback must therefore never wait for a thread that removes
//   its timer;
// - a callback may add timers, and may remove its own timer or another one.
// Call removeAll before SDL_Quit: SDL's timers end with it.

#include <SDL.h>

#include <cstdint>

#include "ferrox/indexed_list.h"

namespace Kettar {

// Returns the next interval in ms; 0 ends the timer (a one-shot).
using TimerCallback = uint32_t (*)(uint32_t intervalMs, void* userData);

// One started timer, owned by its table.
struct TimerEntry {
  bool finished = false;         // the callback returned 0, which ended the SDL timer
  SDL_TimerID sdlTimer = nullptr;  // as SDL_AddTimer returned it
  void* userData = nullptr;      // passed to the callback; not owned
  TimerCallback callback = nullptr;
  uintptr_t token = 0;           // what SDL passes to the trampoline; unique per start
  bool running = false;          // the callback is running on some thread
  bool orphaned = false;         // removed by its own callback: the trampoline deletes it
};

class TimerTable {
 public:
  // 33 empty slots.
  TimerTable();
  // Stops whatever still runs while SDL's timers are up, then frees every entry.
  ~TimerTable();
  TimerTable(const TimerTable&) = delete;
  TimerTable& operator=(const TimerTable&) = delete;

  // Starts an SDL timer for the callback in the first empty or finished slot,
  // appending one when there is none; returns the slot. SDL_AddTimer's result is
  // not tested: a timer that did not start is removed like any other. -1, with
  // no timer started and nothing kept, when the memory cannot hold the entry or
  // its slot.
  int32_t add(uint32_t intervalMs, TimerCallback callback, void* userData);
  // Stops the timer if it still runs and frees its slot; handles outside the
  // table (negative, at or past the count) are ignored.
  void remove(int32_t handle);
  // Removes every timer; the slots stay allocated for reuse.
  void removeAll();

  // The slot holds a timer whose callback has ended it.
  bool hasFinished(int32_t handle) const;
  uint32_t capacity() const;
  uint32_t count() const;

  // Given to SDL_AddTimer with the entry's token; runs the callback unless the
  // timer was removed in the meantime (it then returns 0).
  static uint32_t trampoline(uint32_t intervalMs, void* token);

 private:
  TimerEntry* entryAt(int32_t handle) const;

  ferrox::IndexedList<TimerEntry*> entries_;  // null for an empty slot
};

// The process's one table: set up before main, destroyed at exit.
extern TimerTable timerTable;

}  // namespace Kettar
