#pragma once
// The growable array behind bodies, the grid, the byte buffer and the level's
// object lists. Capacity doubles from one; removal moves the last item into the
// hole (O(1), reorders), so items that know their slot can be removed without a
// search. Pointer lists own their items unless notOwner is set.
//
// An item type whose objects keep their own slot number declares a member
// `void setListIndex(uint32_t slot)`; the list calls it whenever it stores the
// item (unless noIndexWriteBack is set).

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace ferrox {

namespace detail {
template <typename P, typename = void>
struct HasListIndex : std::false_type {};
template <typename P>
struct HasListIndex<P, std::void_t<decltype(std::declval<P>()->setListIndex(uint32_t{}))>>
    : std::true_type {};
}  // namespace detail

template <typename T>
class IndexedList {
  static_assert(std::is_trivially_copyable_v<T>, "items are moved with realloc and memmove");

 public:
  uint32_t capacity = 0;
  uint32_t count = 0;
  T* items = nullptr;          // capacity slots, the first count in use
  uint8_t noIndexWriteBack = 0;
  uint8_t notOwner = 0;        // set for pointer lists that only borrow their items

  IndexedList() = default;
  ~IndexedList() { destroy(); }

  // Embedded by value in their owners: a copy would delete the items twice.
  IndexedList(const IndexedList&) = delete;
  IndexedList& operator=(const IndexedList&) = delete;
  IndexedList(IndexedList&& o) noexcept { take(o); }
  IndexedList& operator=(IndexedList&& o) noexcept {
    if (this != &o) {
      destroy();
      take(o);
    }
    return *this;
  }

  T& operator[](uint32_t i) { return items[i]; }
  const T& operator[](uint32_t i) const { return items[i]; }
  T* begin() { return items; }
  T* end() { return items + count; }
  const T* begin() const { return items; }
  const T* end() const { return items + count; }

  // Resizes the storage to n slots, keeping what fits. An allocation that fails (or n slots
  // of more bytes than an object may have, which a 32-bit size_t would wrap) leaves the list
  // as it was, with the result false.
  bool grow(uint32_t n) {
    if (n == 0) return true;
    if (n > static_cast<std::size_t>(PTRDIFF_MAX) / sizeof(T)) return false;
    void* const grown = std::realloc(static_cast<void*>(items), sizeof(T) * n);
    if (grown == nullptr) return false;
    items = static_cast<T*>(grown);
    capacity = n;
    if (count > n) count = n;
    return true;
  }

  // False, with nothing stored and the item left to the caller, when the storage cannot grow.
  bool pushBack(T item) {
    if (!makeRoom()) return false;
    items[count] = item;
    writeIndex(count);
    ++count;
    return true;
  }

  void removeAt(uint32_t i) {
    if (count == 0 || i >= count) return;
    deleteItem(items[i]);
    const uint32_t last = count - 1;
    if (i != last) {
      items[i] = items[last];
      writeIndex(i);
    }
    count = last;
  }

  // Keeps the order of the rest. Refuses slots past the end, and a list whose storage cannot
  // grow (the item stays with the caller), and returns whether it was stored.
  bool insertAt(T item, int32_t i) {
    if (i < 0 || static_cast<uint32_t>(i) > count) return false;
    if (!makeRoom()) return false;
    const uint32_t at = static_cast<uint32_t>(i);
    std::memmove(static_cast<void*>(items + at + 1), static_cast<const void*>(items + at),
                 sizeof(T) * (count - at));
    items[at] = item;
    ++count;
    for (uint32_t s = at; s < count; ++s) writeIndex(s);
    return true;
  }

  void removeFirst() {
    if (count == 0) return;
    deleteItem(items[0]);
    std::memmove(static_cast<void*>(items), static_cast<const void*>(items + 1),
                 sizeof(T) * (count - 1));
    --count;
    for (uint32_t s = 0; s < count; ++s) writeIndex(s);
  }

  // Deletes the items but keeps the storage for refilling.
  void empty() {
    for (uint32_t s = 0; s < count; ++s) deleteItem(items[s]);
    count = 0;
  }

  void destroy() {
    empty();
    std::free(static_cast<void*>(items));
    items = nullptr;
    capacity = 0;
  }

 private:
  // A free slot after the items: a full list doubles, from one.
  bool makeRoom() {
    if (count < capacity) return true;
    if (capacity > UINT32_MAX / 2) return false;
    return grow(capacity == 0 ? 1 : capacity * 2);
  }

  void take(IndexedList& o) {
    capacity = o.capacity;
    count = o.count;
    items = o.items;
    noIndexWriteBack = o.noIndexWriteBack;
    notOwner = o.notOwner;
    o.capacity = 0;
    o.count = 0;
    o.items = nullptr;
  }

  void writeIndex(uint32_t slot) {
    if constexpr (std::is_pointer_v<T> && detail::HasListIndex<T>::value) {
      if (!noIndexWriteBack && items[slot] != nullptr) items[slot]->setListIndex(slot);
    } else {
      (void)slot;
    }
  }

  void deleteItem(T& item) {
    if constexpr (std::is_pointer_v<T>) {
      if (!notOwner) delete item;
      item = nullptr;
    } else {
      (void)item;
    }
  }
};

// Stores an item an owning list is to hold, at the end or at a slot no further than the count,
// where a list left short would break what its slots promise (quark slots named by links, the
// hook's slot). A list that cannot grow deletes the item and throws std::bad_alloc, as the
// item's own new would have.
template <typename T, typename Item>
Item* keepAt(IndexedList<T*>& list, Item* item, uint32_t slot) {
  if (!list.insertAt(item, static_cast<int32_t>(slot))) {
    delete item;
    throw std::bad_alloc();
  }
  return item;
}
template <typename T, typename Item>
Item* keep(IndexedList<T*>& list, Item* item) {
  return keepAt(list, item, list.count);
}

// Room for n items in a list that must not run short: a value list whose entries stand for
// another list's (an outline's for a body's quarks) or must all be kept (contact pairs), and the
// lists an edit will fill, secured before its first change so that a refusal finds it undone.
// A list that cannot hold n items throws std::bad_alloc, as new would, and is left as it was.
// Growth doubles as pushBack's does, so making room for one more at a time stays cheap.
template <typename T>
void reserve(IndexedList<T>& list, uint64_t n) {
  if (n <= list.capacity) return;
  const uint64_t doubled = list.capacity == 0 ? 1 : uint64_t(list.capacity) * 2;
  const uint64_t grown = doubled > n && doubled <= UINT32_MAX ? doubled : n;
  if (grown > UINT32_MAX || !list.grow(static_cast<uint32_t>(grown))) throw std::bad_alloc();
}

}  // namespace ferrox
