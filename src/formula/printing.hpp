// The three text forms of a formula: the tree form (one node per line with box-drawing
// connectors), the debug form (alternative and field names, texts escaped) and the infix form
// (fully parenthesised, optionally with caller-supplied text for each literal).
//
// Every form writes out a shared operand at each place it occurs, so a text can be exponentially
// longer than the formula has nodes (a release holds its rhs three times: a chain of twenty
// releases prints billions of characters). The length of each text is therefore computed on the
// formula's nodes first, and a print longer than its limit (`kMaxTextSize` unless given) throws
// `ResultTooLarge` before any text is built. Printing then takes time in proportion to the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formula/nnf_formula.hpp"

namespace corvane {

// The longest text a print produces: 256 MiB of UTF-8.
inline constexpr std::size_t kMaxTextSize = std::size_t{1} << 28;

// A labelled tree: the intermediate shape of the tree form. Its nodes are kept in one list, each
// with its label and its children, which are earlier nodes of the list, in order. A node may be
// the child of several nodes (the tree of a formula has one node per node of the formula, however
// often that is reached), and rendering draws it at every place. The root is the node added last.
class TermTree {
 public:
  using Node = std::uint32_t;

  // Adds a node with `label` whose children are `children`, in order.
  Node add(std::string_view label, std::span<const Node> children);

  bool empty() const noexcept { return ends_.empty(); }
  Node root() const noexcept { return static_cast<Node>(ends_.size() - 1); }
  std::string_view label(Node node) const noexcept {
    const std::size_t begin = node == 0 ? 0 : ends_[node - 1].label;
    return std::string_view(labels_).substr(begin, ends_[node].label - begin);
  }
  std::span<const Node> children(Node node) const noexcept {
    const std::size_t begin = node == 0 ? 0 : ends_[node - 1].children;
    return std::span<const Node>(children_).subspan(begin, ends_[node].children - begin);
  }

 private:
  // Where a node's label ends in `labels_` and its children end in `children_`; each begins
  // where the previous node's ends.
  struct Ends {
    std::size_t label;
    std::size_t children;
  };
  std::string labels_;  // all labels, one after the other
  std::vector<Ends> ends_;
  std::vector<Node> children_;
};

TermTree to_termtree(const NNFFormula& formula);
// Renders a non-empty labelled tree from its root; every line, the last included, ends with a
// line feed. Throws `ResultTooLarge` when the text would be longer than `limit` bytes.
std::string render_termtree(const TermTree& tree, std::size_t limit = kMaxTextSize);

// The tree form, e.g. "G[0, 5]\n└── ∧\n    ├── a\n    └── ¬b\n".
std::string to_tree_string(const NNFFormula& formula, std::size_t limit = kMaxTextSize);

// The debug form, e.g. `Literal(Positive(AtomicProposition { name: "a", parameter: "" }))`.
std::string to_debug_string(const NNFFormula& formula, std::size_t limit = kMaxTextSize);

// Supplies the text of one literal by appending it to `out`; returns false to stop formatting
// (the formatter keeps the reason for the caller).
using LiteralFormatter = std::function<bool(const Literal& literal, std::string& out)>;

// The infix form, e.g. "((a) U[1, 3] (b))". Without a formatter, literals read "true", "false"
// or the proposition's display text. With one, each literal's text is what it supplies; literals
// are formatted left to right, and the `True` lhs of an eventually is never passed to it. Returns
// nothing when the formatter stops. With a formatter the length is only known as the text grows:
// the call is refused up front when the text without the literals' texts is already too long,
// and stopped as soon as the text outgrows `limit`.
std::optional<std::string> format_as_string(const NNFFormula& formula,
                                            const LiteralFormatter* formatter = nullptr,
                                            std::size_t limit = kMaxTextSize);

// The lengths in bytes of the texts above (saturating at the largest 64-bit value), computed once
// per node. Without the literals' texts, the infix length counts only what surrounds them.
std::uint64_t rendered_size(const TermTree& tree);
std::uint64_t debug_string_size(const NNFFormula& formula);
std::uint64_t infix_size(const NNFFormula& formula, bool with_literal_texts = true);

}  // namespace corvane
