// The two ways algorithms walk a formula, written once.
//
//   - `rebuild` maps the operands of one node and builds the node again through the simplifying
//     constructor it came from. Rewritings use it for every operator they leave alone.
//   - `fold` computes a value for every subformula, operands before operators, and hands each
//     operator its operands' values. The monitor, negation, the until rewritings, the tree form
//     and the relevance query are folds.
//
// Formulas are DAGs: a release holds its rhs three times and rewritings reuse operands freely, so
// a formula nested d levels deep can have 3^d paths to its innermost operands. `fold` computes
// each node once, however many paths lead to it (or, with a `FormulaMemo`, each structurally
// distinct subformula once), and is the one place where a walk checks that the thread has stack
// left for the next level (`ensure_stack_space`).
//
// An algorithm is then one function that says what it does with one node; its per-kind dispatch
// lives there and nowhere else.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "formula/nnf_formula.hpp"
#include "support/internal_error.hpp"
#include "support/interruption.hpp"
#include "support/stack_guard.hpp"

namespace corvane {

// `formula` with its operands replaced by `operands` (as many, in the same order), built by the
// simplifying constructor of its kind. When every new operand is the node it replaces, the result
// is `formula` itself: same node, nothing allocated.
inline NNFFormula rebuild(const NNFFormula& formula, std::span<const NNFFormula* const> operands) {
  const std::span<const NNFFormula> old = formula.subformulas();
  std::size_t same = 0;
  while (same < old.size() && operands[same]->same_node(old[same])) ++same;
  if (same == old.size()) return formula;
  std::vector<NNFFormula> fresh;
  fresh.reserve(old.size());
  for (const NNFFormula* operand : operands) fresh.push_back(*operand);
  return formula.with_operands(std::move(fresh));
}

// `formula` with every operand o replaced by `map(o)` (called in operand order), built by the
// simplifying constructor of its kind; `formula` itself when every operand maps to its own node.
template <std::invocable<const NNFFormula&> Map>
NNFFormula rebuild(const NNFFormula& formula, Map&& map) {
  const std::span<const NNFFormula> old = formula.subformulas();
  std::vector<NNFFormula> fresh;  // stays empty until an operand changes
  for (std::size_t i = 0; i < old.size(); ++i) {
    NNFFormula mapped = std::invoke(map, old[i]);
    if (fresh.empty()) {
      if (mapped.same_node(old[i])) continue;
      fresh.reserve(old.size());
      fresh.assign(old.begin(), old.begin() + static_cast<std::ptrdiff_t>(i));
    }
    fresh.push_back(std::move(mapped));
  }
  if (fresh.empty()) return formula;
  return formula.with_operands(std::move(fresh));
}

// The two memos a fold can keep. The caller owns the memo and decides its lifetime: it may fill
// it beforehand, fold several formulas into it, or read the entries afterwards.
//
// `FormulaMemo` is keyed by structure and holds one entry per structurally distinct subformula:
// for folds whose result is that table (the monitor's signal map). Lookups compare node identity
// first, so a shared node is found without comparing subtrees.
//
// `NodeMemo` is keyed by node identity and holds only the nodes that more than one handle refers
// to: those are the nodes a walk can reach along several paths. A node with a single handle has
// one parent and is computed once without an entry. Structurally equal subformulas in different
// nodes are computed once each, so the work stays linear in the nodes of the formula. It is a flat
// table without an allocation per entry, and a fold over a formula that shares nothing costs
// little more than a plain recursion. Folds whose value only depends on the subformula use it.
template <class R>
using FormulaMemo = std::unordered_map<NNFFormula, R>;

template <class R>
class NodeMemo {
 public:
  using mapped_type = R;

  // Whether the memo keeps the value of `formula` (otherwise a fold computes it when it gets
  // there, which is once). The root of a fold is kept as well.
  static bool keeps(const NNFFormula& formula) noexcept { return formula.is_shared(); }

  // The value stored for the node of `formula`, if any.
  const R* find(const NNFFormula& formula) const noexcept {
    if (slots_.empty()) return nullptr;
    for (std::size_t i = slot_of(formula);; i = (i + 1) & (slots_.size() - 1)) {
      const std::uint32_t slot = slots_[i];
      if (slot == 0) return nullptr;
      const Entry& entry = entries_[slot - 1];
      if (entry.formula.same_node(formula)) return &entry.value;
    }
  }

  // Stores `value` for the node of `formula`, which must not have a value yet. The reference
  // stays valid as long as the memo lives.
  const R& insert(const NNFFormula& formula, R value) {
    check(entries_.size() < kMaxEntries, "a fold memo ran out of entry numbers");
    if (2 * (entries_.size() + 1) > slots_.size()) grow();
    entries_.push_back(Entry{formula, std::move(value)});
    place(static_cast<std::uint32_t>(entries_.size()));
    return entries_.back().value;
  }

  std::size_t size() const noexcept { return entries_.size(); }

 private:
  struct Entry {
    NNFFormula formula;  // keeps the node alive, so that no other node takes over its address
    R value;
  };
  static constexpr std::size_t kMaxEntries = 0xFFFFFFFEu;

  // Fibonacci hashing of the node's address into the table's power-of-two size.
  std::size_t slot_of(const NNFFormula& formula) const noexcept {
    const auto address = reinterpret_cast<std::uintptr_t>(formula.identity());
    return static_cast<std::size_t>((std::uint64_t{address} * 0x9E3779B97F4A7C15ull) >> shift_);
  }

  // Enters entry number `number` (1-based) into the first free slot of its probe sequence.
  void place(std::uint32_t number) {
    std::size_t i = slot_of(entries_[number - 1].formula);
    while (slots_[i] != 0) i = (i + 1) & (slots_.size() - 1);
    slots_[i] = number;
  }

  // Doubles the table (at least 64 slots) and enters every entry again; the table stays at most
  // half full, so probe sequences stay short.
  void grow() {
    const std::size_t size = slots_.empty() ? 64 : 2 * slots_.size();
    slots_.assign(size, 0);
    shift_ = 64;
    for (std::size_t s = size; s > 1; s /= 2) --shift_;
    for (std::size_t n = 1; n <= entries_.size(); ++n) place(static_cast<std::uint32_t>(n));
  }

  std::deque<Entry> entries_;         // stable addresses for the values handed out
  std::vector<std::uint32_t> slots_;  // 0: free; otherwise 1 + the entry's position
  unsigned shift_ = 64;
};

namespace fold_detail {

template <class R>
bool keeps(const FormulaMemo<R>&, const NNFFormula&) {
  return true;
}
template <class R>
bool keeps(const NodeMemo<R>&, const NNFFormula& formula) {
  return NodeMemo<R>::keeps(formula);
}

template <class R>
const R* find(const FormulaMemo<R>& memo, const NNFFormula& formula) {
  const auto entry = memo.find(formula);
  return entry == memo.end() ? nullptr : &entry->second;
}
template <class R>
const R* find(const NodeMemo<R>& memo, const NNFFormula& formula) {
  return memo.find(formula);
}

// Entries of an unordered_map stay where they are when others are added, so the references
// handed out for operands remain valid.
template <class R>
const R& insert(FormulaMemo<R>& memo, const NNFFormula& formula, R value) {
  return memo.try_emplace(formula, std::move(value)).first->second;
}
template <class R>
const R& insert(NodeMemo<R>& memo, const NNFFormula& formula, R value) {
  return memo.insert(formula, std::move(value));
}

template <class Memo, class Combine>
class Folder {
 public:
  using R = typename Memo::mapped_type;

  Folder(Memo& memo, Combine& combine) : memo_(memo), combine_(combine) {}

  // The value of `formula`: in the memo when the memo keeps it (or `keep` asks for it), otherwise
  // pushed onto `unkept_` and counted in `pushed`.
  const R* visit(const NNFFormula& formula, std::size_t& pushed, bool keep = false) {
    const bool kept = keep || keeps(memo_, formula);
    if (kept) {
      if (const R* known = find(memo_, formula)) return known;
    }
    ensure_stack_space();
    poll_interrupt();
    const std::span<const NNFFormula> operands = formula.subformulas();
    std::size_t operands_pushed = 0;
    R value = [&] {
      // Operand lists this short (every operator but `And` and `Or`) are kept on the stack.
      constexpr std::size_t kInline = 2;
      if (operands.size() <= kInline) {
        const R* values[kInline] = {};
        for (std::size_t i = 0; i < operands.size(); ++i) {
          values[i] = visit(operands[i], operands_pushed);
        }
        return std::invoke(combine_, formula, std::span<const R* const>(values, operands.size()));
      }
      std::vector<const R*> values;
      values.reserve(operands.size());
      for (const NNFFormula& operand : operands) values.push_back(visit(operand, operands_pushed));
      return std::invoke(combine_, formula, std::span<const R* const>(values));
    }();
    // The operands' unkept values are the last ones pushed.
    for (; operands_pushed > 0; --operands_pushed) unkept_.pop_back();
    if (kept) return &insert(memo_, formula, std::move(value));
    unkept_.push_back(std::move(value));
    ++pushed;
    return &unkept_.back();
  }

 private:
  Memo& memo_;
  Combine& combine_;
  // Values of the operands whose parent is being computed, for nodes the memo does not keep. A
  // deque keeps their addresses while more are pushed.
  std::deque<R> unkept_;
};

}  // namespace fold_detail

// Folds `formula` bottom-up: `combine(f, operand_values)` is called once for every node f of
// `formula` whose value `memo` does not hold yet (with a `FormulaMemo`, once per structurally
// distinct subformula), operands first, with the values of f's operands in operand order (a
// `std::span<const R* const>`); its result is stored in `memo` if the memo keeps f. Returns the
// value of `formula`, which the memo keeps in any case.
//
// Throws `NestingTooDeep` when the thread runs short of stack; polls for an interrupt once per
// node computed; whatever `combine` or the interrupt check throws passes through. Either way the
// values stored so far stay in `memo`.
template <class Memo, class Combine>
const typename Memo::mapped_type& fold(const NNFFormula& formula, Memo& memo, Combine&& combine) {
  std::size_t pushed = 0;
  fold_detail::Folder<Memo, std::remove_reference_t<Combine>> folder(memo, combine);
  return *folder.visit(formula, pushed, /*keep=*/true);
}

}  // namespace corvane
