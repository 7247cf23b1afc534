// A hash map from interned literals to graph nodes, stored in two flat arrays.
//
// It serves as the `literal_nodes` of a knowledge graph over `LiteralId`s: graphs are built by
// the thousand, each with a few to a few thousand literals, and a node-based map would cost an
// allocation per literal. The entries are kept densely in insertion order, and a power-of-two
// table of positions (open addressing, linear probing) finds them, so iterating touches only the
// entries. The interface is the part of `std::unordered_map` that knowledge graphs use.
#pragma once

#include <algorithm>
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
  using iterator = std::vector<value_type>::iterator;
  using const_iterator = std::vector<value_type>::const_iterator;

  // In insertion order.
  iterator begin() noexcept { return entries_.begin(); }
  iterator end() noexcept { return entries_.end(); }
  const_iterator begin() const noexcept { return entries_.begin(); }
  const_iterator end() const noexcept { return entries_.end(); }

  std::size_t size() const noexcept { return entries_.size(); }
  bool empty() const noexcept { return entries_.empty(); }

  iterator find(LiteralId key) {
    const std::uint32_t position = position_of(key);
    return position == kFree ? end() : begin() + position;
  }
  const_iterator find(LiteralId key) const {
    const std::uint32_t position = position_of(key);
    return position == kFree ? end() : begin() + position;
  }
  bool contains(LiteralId key) const { return position_of(key) != kFree; }

  void insert_or_assign(LiteralId key, std::uint32_t value) {
    if (const std::uint32_t position = position_of(key); position != kFree) {
      entries_[position].second = value;
      return;
    }
    if (needs_room(entries_.size() + 1)) rehash(entries_.size() + 1);
    index_[free_slot_for(key)] = static_cast<std::uint32_t>(entries_.size());
    entries_.emplace_back(key, value);
  }

  // Makes room for `count` entries without rehashing.
  void reserve(std::size_t count) {
    entries_.reserve(count);
    if (needs_room(count)) rehash(count);
  }

  // Equal when both map the same literals to the same nodes.
  friend bool operator==(const LiteralIdMap& a, const LiteralIdMap& b) {
    if (a.size() != b.size()) return false;
    for (const auto& [key, value] : a) {
      const auto it = b.find(key);
      if (it == b.end() || it->second != value) return false;
    }
    return true;
  }

 private:
  static constexpr std::uint32_t kFree = ~std::uint32_t{0};

  // The table stays at most three quarters full.
  bool needs_room(std::size_t count) const noexcept { return count * 4 > index_.size() * 3; }
  std::size_t mask() const noexcept { return index_.size() - 1; }
  // Fibonacci hashing spreads the consecutive ids of a table's propositions.
  std::size_t home_of(LiteralId key) const noexcept {
    return static_cast<std::size_t>((std::uint64_t{key.code()} * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  std::uint32_t position_of(LiteralId key) const noexcept {
    if (index_.empty()) return kFree;
    for (std::size_t i = home_of(key); index_[i] != kFree; i = (i + 1) & mask()) {
      if (entries_[index_[i]].first == key) return index_[i];
    }
    return kFree;
  }
  std::size_t free_slot_for(LiteralId key) const noexcept {
    std::size_t i = home_of(key);
    while (index_[i] != kFree) i = (i + 1) & mask();
    return i;
  }
  // A table for at least `count` entries, filled from the entries.
  void rehash(std::size_t count) {
    const std::size_t slots = std::bit_ceil(std::max<std::size_t>(8, (count * 4 + 2) / 3));
    index_.assign(slots, kFree);
    shift_ = 64 - std::countr_zero(slots);
    for (std::uint32_t position = 0; position < entries_.size(); ++position) {
      index_[free_slot_for(entries_[position].first)] = position;
    }
  }

  std::vector<value_type> entries_;
  std::vector<std::uint32_t> index_;
  int shift_ = 64;
};

}  // namespace corvane
