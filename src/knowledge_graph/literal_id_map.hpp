// A hash map from interned literals to graph nodes, stored in one flat array.
//
// It serves as the `literal_nodes` of a knowledge graph over `LiteralId`s: graphs are built by
// the thousand, each with a few to a few thousand literals, and a node-based map would cost an
// allocation per literal. Open addressing with linear probing; the interface is the part of
// `std::unordered_map` that knowledge graphs use. Iteration order is unspecified.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "knowledge_graph/literal_id.hpp"

namespace corvane {

class LiteralIdMap {
 public:
  using value_type = std::pair<LiteralId, std::uint32_t>;

  // Iterates the occupied slots.
  template <class Slot>
  class Iterator {
   public:
    Iterator(Slot* slot, Slot* end) : slot_(slot), end_(end) { skip_free(); }
    Slot& operator*() const noexcept { return *slot_; }
    Slot* operator->() const noexcept { return slot_; }
    Iterator& operator++() {
      ++slot_;
      skip_free();
      return *this;
    }
    friend bool operator==(const Iterator&, const Iterator&) = default;

   private:
    void skip_free() {
      while (slot_ != end_ && slot_->first == kFree) ++slot_;
    }
    Slot* slot_;
    Slot* end_;
  };
  using iterator = Iterator<value_type>;
  using const_iterator = Iterator<const value_type>;

  iterator begin() noexcept { return {slots_.data(), slots_.data() + slots_.size()}; }
  iterator end() noexcept { return {slots_.data() + slots_.size(), slots_.data() + slots_.size()}; }
  const_iterator begin() const noexcept { return {slots_.data(), slots_.data() + slots_.size()}; }
  const_iterator end() const noexcept {
    return {slots_.data() + slots_.size(), slots_.data() + slots_.size()};
  }

  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }

  iterator find(LiteralId key) {
    const std::size_t i = slot_of(key);
    return i == kAbsent ? end() : iterator(slots_.data() + i, slots_.data() + slots_.size());
  }
  const_iterator find(LiteralId key) const {
    const std::size_t i = slot_of(key);
    return i == kAbsent ? end() : const_iterator(slots_.data() + i, slots_.data() + slots_.size());
  }
  bool contains(LiteralId key) const { return slot_of(key) != kAbsent; }

  void insert_or_assign(LiteralId key, std::uint32_t value) {
    if ((size_ + 1) * 4 > slots_.size() * 3) grow();
    std::size_t i = home_of(key);
    while (slots_[i].first != kFree && slots_[i].first != key) i = (i + 1) & mask();
    if (slots_[i].first == kFree) ++size_;
    slots_[i] = {key, value};
  }

  // Makes room for `count` entries without rehashing.
  void reserve(std::size_t count) {
    while (count * 4 > slots_.size() * 3) grow();
  }

  // Equal when both map the same literals to the same nodes.
  friend bool operator==(const LiteralIdMap& a, const LiteralIdMap& b) {
    if (a.size_ != b.size_) return false;
    for (const auto& [key, value] : a) {
      const auto it = b.find(key);
      if (it == b.end() || it->second != value) return false;
    }
    return true;
  }

 private:
  // No literal has this id: the largest proposition index stays far below it.
  static constexpr LiteralId kFree = LiteralId::from_code(~std::uint32_t{0});
  static constexpr std::size_t kAbsent = ~std::size_t{0};

  std::size_t mask() const noexcept { return slots_.size() - 1; }
  // Fibonacci hashing spreads the consecutive ids of a table's propositions.
  std::size_t home_of(LiteralId key) const noexcept {
    return static_cast<std::size_t>((std::uint64_t{key.code()} * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  std::size_t slot_of(LiteralId key) const noexcept {
    if (slots_.empty()) return kAbsent;
    for (std::size_t i = home_of(key); slots_[i].first != kFree; i = (i + 1) & mask()) {
      if (slots_[i].first == key) return i;
    }
    return kAbsent;
  }

  void grow() {
    const std::size_t capacity = slots_.empty() ? 8 : 2 * slots_.size();
    std::vector<value_type> old(capacity, value_type{kFree, 0});
    old.swap(slots_);
    shift_ = 64 - std::countr_zero(capacity);
    for (const auto& slot : old) {
      if (slot.first == kFree) continue;
      std::size_t i = home_of(slot.first);
      while (slots_[i].first != kFree) i = (i + 1) & mask();
      slots_[i] = slot;
    }
  }

  std::vector<value_type> slots_;
  std::size_t size_ = 0;
  int shift_ = 64;
};

}  // namespace corvane
