// The three text forms of a formula: the tree form (one node per line with box-drawing
// connectors), the debug form (alternative and field names, texts escaped) and the infix form
// (fully parenthesised, optionally with caller-supplied text for each literal).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "formula/nnf_formula.hpp"

namespace corvane {

// A labelled tree: the intermediate shape of the tree form.
struct TermTree {
  std::string label;
  std::vector<TermTree> children;
};

TermTree to_termtree(const NNFFormula& formula);
// Renders a labelled tree; every line, the last included, ends with a line feed.
std::string render_termtree(const TermTree& tree);

// The tree form, e.g. "G[0, 5]\n└── ∧\n    ├── a\n    └── ¬b\n".
std::string to_tree_string(const NNFFormula& formula);

// The debug form, e.g. `Literal(Positive(AtomicProposition { name: "a", parameter: "" }))`.
std::string to_debug_string(const NNFFormula& formula);

// Supplies the text of one literal by appending it to `out`; returns false to stop formatting
// (the formatter keeps the reason for the caller).
using LiteralFormatter = std::function<bool(const Literal& literal, std::string& out)>;

// The infix form, e.g. "((a) U[1, 3] (b))". Without a formatter, literals read "true", "false"
// or the proposition's display text. With one, each literal's text is what it supplies; literals
// are formatted left to right, and the `True` lhs of an eventually is never passed to it. Returns
// nothing when the formatter stops.
std::optional<std::string> format_as_string(const NNFFormula& formula,
                                            const LiteralFormatter* formatter = nullptr);

}  // namespace corvane
