// An ordered map stored as one sorted vector of (key, value) pairs.
//
// Sequences over time are built in increasing time order and then read, so their maps are mostly
// appended to and searched. A sorted vector does both without a heap node per entry: appending is
// amortised O(1), a search is a binary search over contiguous memory, and a walk in key order
// touches consecutive cache lines. Inserting or erasing in the middle moves the entries behind
// the position, O(n); code that changes many places of a long map collects its changes and merges
// them once instead.
//
// The interface is the subset of `std::map` that sequences use, with the same meaning, except
// that any insertion or erasure invalidates iterators (as for a vector). Keys are stored
// non-const so that entries can be moved within the vector; changing a key through an iterator
// breaks the order and is not allowed. A `std::map` with the same key and value types converts
// to and from a flat map and compares equal to one with the same entries.
#pragma once

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

namespace corvane {

template <class K, class V>
class FlatMap {
 public:
  using key_type = K;
  using mapped_type = V;
  using value_type = std::pair<K, V>;
  using size_type = std::size_t;
  using Entries = std::vector<value_type>;
  using iterator = typename Entries::iterator;
  using const_iterator = typename Entries::const_iterator;
  using reverse_iterator = typename Entries::reverse_iterator;
  using const_reverse_iterator = typename Entries::const_reverse_iterator;

  FlatMap() = default;
  // Like `std::map`: of several entries with one key, the first is kept.
  FlatMap(std::initializer_list<value_type> entries) : FlatMap(entries.begin(), entries.end()) {}
  template <std::input_iterator It>
  FlatMap(It first, It last) : entries_(first, last) {
    if (std::is_sorted(entries_.begin(), entries_.end(), key_less)) {
      if (std::adjacent_find(entries_.begin(), entries_.end(), same_key) == entries_.end()) {
        return;
      }
    } else {
      std::stable_sort(entries_.begin(), entries_.end(), key_less);
    }
    entries_.erase(std::unique(entries_.begin(), entries_.end(), same_key), entries_.end());
  }
  FlatMap(const std::map<K, V>& map) : entries_(map.begin(), map.end()) {}  // NOLINT: implicit

  operator std::map<K, V>() const { return std::map<K, V>(entries_.begin(), entries_.end()); }

  iterator begin() noexcept { return entries_.begin(); }
  iterator end() noexcept { return entries_.end(); }
  const_iterator begin() const noexcept { return entries_.begin(); }
  const_iterator end() const noexcept { return entries_.end(); }
  const_iterator cbegin() const noexcept { return entries_.cbegin(); }
  const_iterator cend() const noexcept { return entries_.cend(); }
  reverse_iterator rbegin() noexcept { return entries_.rbegin(); }
  reverse_iterator rend() noexcept { return entries_.rend(); }
  const_reverse_iterator rbegin() const noexcept { return entries_.rbegin(); }
  const_reverse_iterator rend() const noexcept { return entries_.rend(); }

  bool empty() const noexcept { return entries_.empty(); }
  size_type size() const noexcept { return entries_.size(); }
  void clear() noexcept { entries_.clear(); }
  void reserve(size_type count) { entries_.reserve(count); }
  // Returns unused capacity, for maps that are kept long after they were built.
  void shrink_to_fit() { entries_.shrink_to_fit(); }

  // The first entry whose key is not less than (lower) / greater than (upper) `key`.
  iterator lower_bound(const K& key) {
    return std::lower_bound(entries_.begin(), entries_.end(), key, entry_before);
  }
  const_iterator lower_bound(const K& key) const {
    return std::lower_bound(entries_.begin(), entries_.end(), key, entry_before);
  }
  iterator upper_bound(const K& key) {
    return std::upper_bound(entries_.begin(), entries_.end(), key, before_entry);
  }
  const_iterator upper_bound(const K& key) const {
    return std::upper_bound(entries_.begin(), entries_.end(), key, before_entry);
  }
  iterator find(const K& key) {
    const auto it = lower_bound(key);
    return it != entries_.end() && !(key < it->first) ? it : entries_.end();
  }
  const_iterator find(const K& key) const {
    const auto it = lower_bound(key);
    return it != entries_.end() && !(key < it->first) ? it : entries_.end();
  }
  bool contains(const K& key) const { return find(key) != entries_.end(); }

  // Inserts key -> V(args...) unless `key` is present; returns the entry and whether it is new.
  template <class... Args>
  std::pair<iterator, bool> emplace(const K& key, Args&&... args) {
    return emplace_at(lower_bound(key), key, std::forward<Args>(args)...);
  }
  // The same, starting the search at `hint`: O(1) plus the move of the entries behind the hint
  // when the key belongs right before `hint` (appending with the hint `end()` in particular).
  template <class... Args>
  iterator emplace_hint(const_iterator hint, const K& key, Args&&... args) {
    const bool fits = (hint == entries_.cbegin() || std::prev(hint)->first < key) &&
                      (hint == entries_.cend() || key < hint->first);
    const auto at = fits ? begin() + (hint - entries_.cbegin()) : lower_bound(key);
    return emplace_at(at, key, std::forward<Args>(args)...).first;
  }
  template <class M>
  std::pair<iterator, bool> insert_or_assign(const K& key, M&& value) {
    auto [it, inserted] = emplace(key, std::forward<M>(value));
    if (!inserted) it->second = std::forward<M>(value);
    return {it, inserted};
  }
  // The value under `key`, inserted as V() if missing.
  V& operator[](const K& key) { return emplace(key).first->second; }

  iterator erase(const_iterator position) { return entries_.erase(position); }
  iterator erase(const_iterator first, const_iterator last) { return entries_.erase(first, last); }
  size_type erase(const K& key) {
    const auto it = find(key);
    if (it == entries_.end()) return 0;
    entries_.erase(it);
    return 1;
  }

  friend bool operator==(const FlatMap& a, const FlatMap& b) { return a.entries_ == b.entries_; }

 private:
  template <class... Args>
  std::pair<iterator, bool> emplace_at(iterator at, const K& key, Args&&... args) {
    if (at != entries_.end() && !(key < at->first)) return {at, false};
    if (at == entries_.end()) {
      entries_.emplace_back(std::piecewise_construct, std::forward_as_tuple(key),
                            std::forward_as_tuple(std::forward<Args>(args)...));
      return {std::prev(entries_.end()), true};
    }
    return {entries_.emplace(at, std::piecewise_construct, std::forward_as_tuple(key),
                             std::forward_as_tuple(std::forward<Args>(args)...)),
            true};
  }

  static bool key_less(const value_type& a, const value_type& b) { return a.first < b.first; }
  static bool same_key(const value_type& a, const value_type& b) {
    return !(a.first < b.first) && !(b.first < a.first);
  }
  static bool entry_before(const value_type& entry, const K& key) { return entry.first < key; }
  static bool before_entry(const K& key, const value_type& entry) { return key < entry.first; }

  Entries entries_;
};

}  // namespace corvane
