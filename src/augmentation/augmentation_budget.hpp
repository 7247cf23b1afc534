// What one augmentation may build: the per-step forms it computes and the operand slots of the
// formulas it builds for them.
//
// Some augmentations have results that could never be written down: an operator whose form
// differs at each of billions of steps, or an until whose gap before each piece of its window is
// spelled out as one `globally` term per stretch of its lhs, so that a form over k pieces holds
// about k^2 / 2 gap terms. The budget counts what is about to be built and refuses with
// `ResultTooLarge` before the memory is spent:
//   - forms: each operator announces how many forms it may compute before it computes any (an
//     upper bound from its operands' change points), and each form is counted as it is computed;
//   - gap terms, per form: the one part of a form that grows faster than its pieces;
//   - operand slots in all, one per handle placed in an operand list (16 bytes, several times
//     that with the nodes around them): each operator announces an upper bound on the slots of
//     all its forms before it computes any, found from its operands' change points, and each slot
//     is counted as it is filled.
// The defaults leave room far beyond ordinary formulas: a nested until over a 100,000-step trace
// computes 334,641 forms and 13,936,201 slots (870 MB in all). A single form refused for its gap
// terms is refused after about 64 MB of them.
#pragma once

#include <cstdint>

namespace corvane {

// a + b for counts of what an augmentation builds, stopping at the largest count instead of
// wrapping around.
constexpr std::uint64_t saturating_sum(std::uint64_t a, std::uint64_t b) noexcept {
  return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

class AugmentationBudget {
 public:
  static constexpr std::uint64_t kMaxForms = 2'000'000;
  static constexpr std::uint64_t kMaxGapTerms = std::uint64_t{1} << 22;
  static constexpr std::uint64_t kMaxSlots = std::uint64_t{1} << 26;

  struct Limits {
    std::uint64_t forms = kMaxForms;
    std::uint64_t gap_terms = kMaxGapTerms;
    std::uint64_t slots = kMaxSlots;
  };

  AugmentationBudget() = default;
  explicit AugmentationBudget(Limits limits) : limits_(limits) {}

  // Refuses when `count` more forms than those computed so far would exceed the limit: an
  // operator announces how many it may compute before it starts.
  void expect_forms(std::uint64_t count);
  // Counts one more form, about to be computed; its gap terms are counted from here on.
  void begin_form();
  // Refuses when `count` more operand slots than those filled so far would exceed the limit: an
  // operator announces an upper bound on what it fills before it starts.
  void expect_slots(std::uint64_t count) const;
  // Counts `count` more operand slots, about to be filled. (Called for every piece of every
  // window, so the common case is inline.)
  void spend_slots(std::uint64_t count) {
    slots_ += count;
    if (slots_ > limits_.slots) refuse_slots();
  }
  // Counts `count` more gap terms of the current form, about to be copied into operand slots.
  void spend_gap_terms(std::uint64_t count) {
    gap_terms_ += count;
    if (gap_terms_ > largest_gap_) largest_gap_ = gap_terms_;
    if (gap_terms_ > limits_.gap_terms) refuse_gap_terms();
    spend_slots(count);
  }

  std::uint64_t forms() const noexcept { return forms_; }
  std::uint64_t slots() const noexcept { return slots_; }
  // The most gap terms one form took.
  std::uint64_t largest_gap() const noexcept { return largest_gap_; }

 private:
  [[noreturn]] void refuse_forms(std::uint64_t needed) const;
  [[noreturn]] void refuse_slots() const;
  [[noreturn]] void refuse_gap_terms() const;

  Limits limits_;
  std::uint64_t forms_ = 0;
  std::uint64_t expected_forms_ = 0;  // what the operators announced, computed forms included
  std::uint64_t slots_ = 0;
  std::uint64_t gap_terms_ = 0;  // of the form being computed
  std::uint64_t largest_gap_ = 0;
};

}  // namespace corvane
