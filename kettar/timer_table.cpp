#include "kettar/timer_table.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

namespace Kettar {

namespace {

// One lock for every table: the trampoline reaches an entry by its token alone.
std::mutex tableMutex;
std::condition_variable callbackEnded;
// Entries that may still be called, by token. SDL may call the trampoline just
// after a timer was removed (it copies the timer before calling), so SDL is given
// a token, never the entry's address, which may be freed or reused by then.
std::unordered_map<uintptr_t, TimerEntry*> liveEntries;
uintptr_t nextToken = 1;
// The entry whose callback runs on this thread, if any.
thread_local TimerEntry* runningHere = nullptr;

}  // namespace

TimerTable timerTable;

TimerTable::TimerTable() { entries_.grow(33); }

TimerTable::~TimerTable() { removeAll(); }

int32_t TimerTable::add(uint32_t intervalMs, TimerCallback callback, void* userData) {
  std::lock_guard<std::mutex> lock(tableMutex);
  uint32_t slot = 0;
  while (slot < entries_.count && entries_[slot] != nullptr && !entries_[slot]->finished) ++slot;
  // Everything the timer needs is had before it starts: a timer that cannot be kept never runs.
  TimerEntry* entry = slot < entries_.count ? entries_[slot] : nullptr;
  std::unique_ptr<TimerEntry> made;
  const uintptr_t token = nextToken;
  try {
    if (slot == entries_.count) ferrox::reserve(entries_, entries_.count + 1);
    if (entry == nullptr) made = std::make_unique<TimerEntry>();
    liveEntries.emplace(token, made != nullptr ? made.get() : entry);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  // The table holds a new entry from here; a reused one leaves its old token.
  if (made != nullptr)
    entry = made.release();
  else
    liveEntries.erase(entry->token);
  ++nextToken;
  entry->finished = false;
  entry->userData = userData;
  entry->callback = callback;
  entry->token = token;
  // A first call that comes at once waits on the lock until the entry is stored.
  entry->sdlTimer = SDL_AddTimer(intervalMs, &TimerTable::trampoline, reinterpret_cast<void*>(token));
  if (slot < entries_.count) {
    entries_[slot] = entry;
  } else {
    entries_.pushBack(entry);
  }
  return static_cast<int32_t>(slot);
}

void TimerTable::remove(int32_t handle) {
  std::unique_lock<std::mutex> lock(tableMutex);
  TimerEntry* entry = entryAt(handle);
  if (entry == nullptr) return;
  entries_[static_cast<uint32_t>(handle)] = nullptr;
  liveEntries.erase(entry->token);
  // A finished timer's id is gone from SDL and may already name another timer;
  // without the timer subsystem there is no timer left to stop.
  if (!entry->finished && SDL_WasInit(SDL_INIT_TIMER) != 0) SDL_RemoveTimer(entry->sdlTimer);
  if (entry->running) {
    if (entry == runningHere) {
      entry->orphaned = true;
      return;
    }
    callbackEnded.wait(lock, [entry] { return !entry->running; });
  }
  delete entry;
}

void TimerTable::removeAll() {
  for (int32_t slot = static_cast<int32_t>(count()) - 1; slot >= 0; --slot) remove(slot);
  std::lock_guard<std::mutex> lock(tableMutex);
  entries_.empty();
}

bool TimerTable::hasFinished(int32_t handle) const {
  std::lock_guard<std::mutex> lock(tableMutex);
  const TimerEntry* entry = entryAt(handle);
  return entry != nullptr && entry->finished;
}

uint32_t TimerTable::capacity() const {
  std::lock_guard<std::mutex> lock(tableMutex);
  return entries_.capacity;
}

uint32_t TimerTable::count() const {
  std::lock_guard<std::mutex> lock(tableMutex);
  return entries_.count;
}

TimerEntry* TimerTable::entryAt(int32_t handle) const {
  if (handle < 0 || static_cast<uint32_t>(handle) >= entries_.count) return nullptr;
  return entries_[static_cast<uint32_t>(handle)];
}

uint32_t TimerTable::trampoline(uint32_t intervalMs, void* token) {
  TimerEntry* entry = nullptr;
  TimerCallback callback = nullptr;
  void* userData = nullptr;
  {
    std::lock_guard<std::mutex> lock(tableMutex);
    const auto found = liveEntries.find(reinterpret_cast<uintptr_t>(token));
    // SDL keeps a timer whose callback returned 0 when its list changed meanwhile
    // and calls it again: a one-shot must not run twice.
    if (found == liveEntries.end() || found->second->finished) return 0;
    entry = found->second;
    entry->running = true;
    callback = entry->callback;
    userData = entry->userData;
  }
  TimerEntry* const outer = runningHere;
  runningHere = entry;
  const uint32_t next = callback(intervalMs, userData);
  runningHere = outer;

  std::lock_guard<std::mutex> lock(tableMutex);
  entry->running = false;
  if (entry->orphaned) {
    delete entry;
    return 0;
  }
  if (next == 0) entry->finished = true;
  callbackEnded.notify_all();
  return next;
}

}  // namespace Kettar
