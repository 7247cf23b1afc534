// A hash set of ordered node pairs (u, v), used to keep a graph free of parallel edges.
//
// Open addressing with linear probing over one flat array of 64-bit keys: a graph can hold
// millions of edges, and a node-based set would cost several times the memory.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane {

class NodePairSet {
 public:
  // Returns true if the pair was not yet a member.
  bool insert(std::uint32_t u, std::uint32_t v) {
    if ((size_ + 1) * 4 > slots_.size() * 3) grow(size_ + 1);
    const std::uint64_t key = pack(u, v);
    std::size_t i = slot_of(key);
    while (slots_[i] != kEmpty) {
      if (slots_[i] == key) return false;
      i = (i + 1) & (slots_.size() - 1);
    }
    slots_[i] = key;
    ++size_;
    return true;
  }

  bool contains(std::uint32_t u, std::uint32_t v) const {
    if (slots_.empty()) return false;
    const std::uint64_t key = pack(u, v);
    for (std::size_t i = slot_of(key); slots_[i] != kEmpty; i = (i + 1) & (slots_.size() - 1)) {
      if (slots_[i] == key) return true;
    }
    return false;
  }

  std::size_t size() const noexcept { return size_; }

  // Makes room for `count` members without rehashing.
  void reserve(std::size_t count) {
    if (count * 4 > slots_.size() * 3) grow(count);
  }

 private:
  // (kMaxNode, kMaxNode) never occurs: graphs hold fewer than 2^32 - 1 nodes.
  static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};

  static std::uint64_t pack(std::uint32_t u, std::uint32_t v) noexcept {
    return (std::uint64_t{u} << 32) | v;
  }

  // Fibonacci hashing: the top bits of the product are well mixed even for sequential keys.
  std::size_t slot_of(std::uint64_t key) const noexcept {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
  }

  void grow(std::size_t count) {
    std::size_t capacity = std::bit_ceil(count * 2 < 16 ? std::size_t{16} : count * 2);
    std::vector<std::uint64_t> old(capacity, kEmpty);
    old.swap(slots_);
    shift_ = 64 - std::countr_zero(capacity);
    for (std::uint64_t key : old) {
      if (key == kEmpty) continue;
      std::size_t i = slot_of(key);
      while (slots_[i] != kEmpty) i = (i + 1) & (slots_.size() - 1);
      slots_[i] = key;
    }
  }

  std::vector<std::uint64_t> slots_;
  std::size_t size_ = 0;
  int shift_ = 64;
};

}  // namespace corvane
