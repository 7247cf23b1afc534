// A vector of trivially copyable items that keeps its first few items inside the object.
//
// Knowledge graphs are built by the thousand, and most of their nodes have one or two neighbours
// and most of their classes one or two members; a `std::vector` per list would cost an
// allocation each. Up to `N` items live inline; longer lists move to the heap and grow by
// doubling.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace corvane {

template <class T, std::uint32_t N>
requires std::is_trivially_copyable_v<T> &&(N > 0) class SmallVector {
 public:
  using value_type = T;
  using const_iterator = const T*;

  SmallVector() noexcept {}
  SmallVector(const SmallVector& other) { append(other.begin(), other.end()); }
  SmallVector(SmallVector&& other) noexcept { take(other); }
  SmallVector& operator=(const SmallVector& other) {
    if (this != &other) {
      clear();
      append(other.begin(), other.end());
    }
    return *this;
  }
  SmallVector& operator=(SmallVector&& other) noexcept {
    if (this != &other) {
      release();
      take(other);
    }
    return *this;
  }
  ~SmallVector() { release(); }

  const T* data() const noexcept { return on_heap() ? heap_ : inline_; }
  const T* begin() const noexcept { return data(); }
  const T* end() const noexcept { return data() + size_; }
  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  const T& operator[](std::size_t i) const noexcept { return data()[i]; }

  void push_back(const T& item) {
    if (size_ == capacity_) grow(std::size_t{size_} + 1);
    mutable_data()[size_++] = item;
  }
  void append(const T* first, const T* last) {
    const auto count = static_cast<std::size_t>(last - first);
    if (count == 0) return;
    if (size_ + count > capacity_) grow(size_ + count);
    std::memcpy(mutable_data() + size_, first, count * sizeof(T));
    size_ += static_cast<std::uint32_t>(count);
  }
  // Keeps the storage.
  void clear() noexcept { size_ = 0; }

  friend bool operator==(const SmallVector& a, const SmallVector& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }

 private:
  bool on_heap() const noexcept { return capacity_ > N; }
  T* mutable_data() noexcept { return on_heap() ? heap_ : inline_; }

  void grow(std::size_t needed) {
    const std::size_t capacity = std::max<std::size_t>(needed, 2 * std::size_t{capacity_});
    // Raw storage filled by copying bytes: the items are trivially copyable.
    T* items = static_cast<T*>(::operator new(capacity * sizeof(T)));
    std::memcpy(items, data(), size_ * sizeof(T));
    release();
    heap_ = items;
    capacity_ = static_cast<std::uint32_t>(capacity);
  }
  void release() noexcept {
    if (on_heap()) ::operator delete(heap_);
    capacity_ = N;
  }
  // Takes over `other`'s items, leaving it empty.
  void take(SmallVector& other) noexcept {
    size_ = other.size_;
    capacity_ = other.capacity_;
    if (other.on_heap()) {
      heap_ = other.heap_;
    } else {
      std::memcpy(inline_, other.inline_, size_ * sizeof(T));
    }
    other.size_ = 0;
    other.capacity_ = N;
  }

  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = N;
  union {
    T inline_[N];
    T* heap_;
  };
};

}  // namespace corvane
