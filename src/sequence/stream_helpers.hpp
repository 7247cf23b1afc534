// Small helpers for walking the change points of sequences.
#pragma once

#include <cstdint>
#include <iterator>
#include <utility>

#include "support/interruption.hpp"

namespace corvane {

// Calls `visit(key)` for every key of the two sorted ranges of map entries, in increasing order;
// a key present in both ranges is visited once. Costs the sizes of the two ranges; polls for an
// interrupt as it goes.
template <class ItA, class ItB, class Visit>
void for_each_merged_key(ItA a, ItA a_end, ItB b, ItB b_end, Visit&& visit) {
  for (std::uint64_t visited = 0; a != a_end || b != b_end; ++visited) {
    poll_interrupt_every(visited);
    if (b == b_end || (a != a_end && a->first < b->first)) {
      visit((a++)->first);
    } else if (a == a_end || b->first < a->first) {
      visit((b++)->first);
    } else {
      visit(a->first);
      ++a;
      ++b;
    }
  }
}

// Appends `key -> value` at the end of `map` unless the last entry already holds an equal value,
// so that a run of equal consecutive values keeps only its first entry. Keys must be appended in
// increasing order.
template <class Map, class Key, class Value>
void append_coalesced(Map& map, Key key, Value&& value) {
  if (!map.empty() && std::prev(map.end())->second == value) return;
  map.emplace_hint(map.end(), key, std::forward<Value>(value));
}

}  // namespace corvane
