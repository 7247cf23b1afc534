#include "formula/printing.hpp"

#include <cstdint>
#include <limits>
#include <span>
#include <utility>

#include "formula/traversal.hpp"
#include "support/internal_error.hpp"
#include "support/interruption.hpp"
#include "support/result_too_large.hpp"
#include "support/stack_guard.hpp"

namespace corvane {

namespace {

// Text lengths add and multiply up to the largest 64-bit value and stay there.
constexpr std::uint64_t kSaturated = std::numeric_limits<std::uint64_t>::max();
std::uint64_t add(std::uint64_t a, std::uint64_t b) noexcept {
  return a > kSaturated - b ? kSaturated : a + b;
}
std::uint64_t multiply(std::uint64_t a, std::uint64_t b) noexcept {
  return b != 0 && a > kSaturated / b ? kSaturated : a * b;
}

// The most bytes the infix form writes for one node of a formula's tree, besides the literals'
// texts: "(", "!" and ")" for a literal; for an operator its parentheses, its letter and a window
// of up to 24 characters with the spaces around them, and a separator " & " before it.
constexpr std::uint64_t kMaxInfixBytesPerNode = 64;

// Refuses a text of `size` bytes when that is more than `limit`.
void check_size(std::uint64_t size, std::size_t limit, const char* form) {
  if (size > limit) {
    throw ResultTooLarge(std::string("the ") + form +
                         " of this formula is longer than the limit of " + std::to_string(limit) +
                         " bytes");
  }
}

// The length of what `append(scratch)` appends; `scratch` is only reused storage.
template <class Append>
std::uint64_t appended_length(std::string& scratch, Append&& append) {
  scratch.clear();
  append(scratch);
  return scratch.size();
}

// An eventually (an `Until` whose lhs is `True`) prints as "F" over its rhs alone.
constexpr std::string_view kEventuallyLetter = "F";

// The letter of a temporal operator, and the operands it prints.
std::string_view printed_letter(const NNFFormula& f) {
  return f.is_eventually() ? kEventuallyLetter : NNFFormula::spelling(f.kind()).symbol;
}
std::span<const NNFFormula> printed_operands(const NNFFormula& f) {
  return f.is_eventually() ? f.subformulas().subspan(1) : f.subformulas();
}

void render_children(const TermTree& tree, TermTree::Node node, std::string& prefix,
                     std::string& out) {
  ensure_stack_space();
  poll_interrupt();
  const std::span<const TermTree::Node> children = tree.children(node);
  for (std::size_t i = 0; i < children.size(); ++i) {
    const bool last = i + 1 == children.size();
    out += prefix;
    out += last ? "└── " : "├── ";
    out += tree.label(children[i]);
    out += '\n';
    const std::size_t saved = prefix.size();
    prefix += last ? "    " : "│   ";
    render_children(tree, children[i], prefix, out);
    prefix.resize(saved);
  }
}

// Literal(l); And({a, b}); a temporal operator with its fields in order: Until(a, I, b),
// Globally(I, a).
void append_debug(const NNFFormula& f, std::string& out) {
  ensure_stack_space();
  poll_interrupt();
  if (f.is_literal()) {
    out += "Literal(";
    f.literal().append_debug(out);
  } else if (f.is_junction()) {
    out += f.kind() == NNFFormula::Kind::And ? "And({" : "Or({";
    bool first = true;
    for (const auto& m : f.members()) {
      if (!first) out += ", ";
      first = false;
      append_debug(m, out);
    }
    out += '}';
  } else {
    out += NNFFormula::spelling(f.kind()).name;
    out += '(';
    const std::span<const NNFFormula> operands = f.subformulas();
    for (const NNFFormula& operand : operands.first(operands.size() - 1)) {
      append_debug(operand, out);
      out += ", ";
    }
    f.interval().append_debug(out);
    out += ", ";
    append_debug(operands.back(), out);
  }
  out += ')';
}

// Appends "G " for the whole time line, otherwise e.g. "G[0, 5] ".
void append_infix_operator(std::string_view letter, Interval interval, std::string& out) {
  out += letter;
  if (interval != Interval::unbounded(0)) interval.append_display(out);
  out += ' ';
}

bool append_infix(const NNFFormula& f, const LiteralFormatter* formatter, std::size_t limit,
                  std::string& out) {
  ensure_stack_space();
  poll_interrupt();
  out += '(';
  if (f.is_literal()) {
    const Literal& l = f.literal();
    if (l.kind() == Literal::Kind::Negative) out += '!';
    if (formatter != nullptr) {
      if (!(*formatter)(l, out)) return false;
      check_size(out.size(), limit, "infix form");
    } else if (l.is_true()) {
      out += "true";
    } else if (l.is_false()) {
      out += "false";
    } else {
      l.proposition().append_display(out);
    }
  } else if (f.is_junction()) {
    const char* separator = f.kind() == NNFFormula::Kind::And ? " & " : " | ";
    bool first = true;
    for (const auto& m : f.members()) {
      if (!first) out += separator;
      first = false;
      if (!append_infix(m, formatter, limit, out)) return false;
    }
  } else {
    // (a U[1, 3] b): the operands before the last, each followed by a space, then the letter
    // with the interval, then the last operand.
    const std::span<const NNFFormula> operands = printed_operands(f);
    for (const NNFFormula& operand : operands.first(operands.size() - 1)) {
      if (!append_infix(operand, formatter, limit, out)) return false;
      out += ' ';
    }
    append_infix_operator(printed_letter(f), f.interval(), out);
    if (!append_infix(operands.back(), formatter, limit, out)) return false;
  }
  out += ')';
  return true;
}

}  // namespace

TermTree::Node TermTree::add(std::string_view label, std::span<const Node> children) {
  check(ends_.size() < 0xFFFFFFFFu, "a labelled tree ran out of node numbers");
  labels_ += label;
  children_.insert(children_.end(), children.begin(), children.end());
  ends_.push_back({labels_.size(), children_.size()});
  return root();
}

TermTree to_termtree(const NNFFormula& formula) {
  TermTree tree;
  NodeMemo<TermTree::Node> nodes;
  // The label and children of the node being added, reused from node to node.
  std::string label;
  std::vector<TermTree::Node> children;
  fold(formula, nodes, [&](const NNFFormula& f, std::span<const TermTree::Node* const> subtrees) {
    label.clear();
    if (f.is_literal()) {
      f.literal().append_display(label);
    } else if (f.is_junction()) {
      label = NNFFormula::spelling(f.kind()).symbol;
    } else {
      // The letter and the interval, always written; the `True` lhs of an eventually is not
      // drawn.
      label = printed_letter(f);
      f.interval().append_display(label);
      subtrees = subtrees.last(printed_operands(f).size());
    }
    children.clear();
    for (const TermTree::Node* subtree : subtrees) children.push_back(*subtree);
    return tree.add(label, children);
  });
  return tree;
}

std::uint64_t rendered_size(const TermTree& tree) {
  check(!tree.empty(), "an empty labelled tree has nothing to render");
  // Per node, the lines its subtree draws and their length without the columns of the node's
  // ancestors. Each child adds its connector ("├── " or "└── ", 10 bytes) to its first line, and
  // its column ("│   ", 6 bytes, or four spaces when it is the last child) to every other one.
  // Children come before their parents in the list.
  std::vector<std::uint64_t> lines(std::size_t{tree.root()} + 1);
  std::vector<std::uint64_t> bytes(std::size_t{tree.root()} + 1);
  for (TermTree::Node node = 0; node <= tree.root(); ++node) {
    std::uint64_t node_lines = 1;
    std::uint64_t node_bytes = tree.label(node).size() + 1;
    const std::span<const TermTree::Node> children = tree.children(node);
    for (std::size_t i = 0; i < children.size(); ++i) {
      const TermTree::Node child = children[i];
      const std::uint64_t column = i + 1 == children.size() ? 4 : 6;
      node_lines = add(node_lines, lines[child]);
      node_bytes = add(node_bytes, add(10, bytes[child]));
      node_bytes = add(node_bytes, multiply(column, lines[child] - 1));
    }
    lines[node] = node_lines;
    bytes[node] = node_bytes;
  }
  return bytes[tree.root()];
}

std::string render_termtree(const TermTree& tree, std::size_t limit) {
  const std::uint64_t size = rendered_size(tree);
  check_size(size, limit, "tree form");
  std::string out;
  out.reserve(size);
  out += tree.label(tree.root());
  out += '\n';
  std::string prefix;
  render_children(tree, tree.root(), prefix, out);
  return out;
}

std::string to_tree_string(const NNFFormula& formula, std::size_t limit) {
  return render_termtree(to_termtree(formula), limit);
}

std::uint64_t debug_string_size(const NNFFormula& formula) {
  NodeMemo<std::uint64_t> sizes;
  std::string scratch;
  return fold(
      formula, sizes, [&](const NNFFormula& f, std::span<const std::uint64_t* const> operands) {
        std::uint64_t size = 0;
        for (const std::uint64_t* operand : operands) size = add(size, *operand);
        const auto interval = [&] {
          return appended_length(scratch,
                                 [&](std::string& out) { f.interval().append_debug(out); });
        };
        if (f.is_literal()) {  // Literal(...)
          return 9 +
                 appended_length(scratch, [&](std::string& out) { f.literal().append_debug(out); });
        }
        if (f.is_junction()) {  // And({..., ...})
          return add(size, (f.kind() == NNFFormula::Kind::And ? 7 : 6) + 2 * (operands.size() - 1));
        }
        // Until(lhs, interval, rhs): the name, the parentheses and ", " after every field but the
        // last.
        const std::uint64_t name = NNFFormula::spelling(f.kind()).name.size();
        return add(size, name + 2 + 2 * operands.size() + interval());
      });
}

std::string to_debug_string(const NNFFormula& formula, std::size_t limit) {
  const std::uint64_t size = debug_string_size(formula);
  check_size(size, limit, "debug form");
  std::string out;
  out.reserve(size);
  append_debug(formula, out);
  return out;
}

std::uint64_t infix_size(const NNFFormula& formula, bool with_literal_texts) {
  NodeMemo<std::uint64_t> sizes;
  std::string scratch;
  return fold(formula, sizes,
              [&](const NNFFormula& f, std::span<const std::uint64_t* const> operands) {
                // An operator is written "G " over the whole time line, otherwise e.g. "G[0, 5] ".
                const auto operator_length = [&](std::uint64_t letters) {
                  if (f.interval() == Interval::unbounded(0)) return letters + 1;
                  return letters + 1 + appended_length(scratch, [&](std::string& out) {
                           f.interval().append_display(out);
                         });
                };
                std::uint64_t size = 2;  // the parentheses
                if (f.is_literal()) {
                  const Literal& l = f.literal();
                  if (l.kind() == Literal::Kind::Negative) ++size;
                  if (!with_literal_texts) return size;
                  if (l.is_constant()) return size + (l.is_true() ? 4 : 5);
                  return size + appended_length(scratch, [&](std::string& out) {
                           l.proposition().append_display(out);
                         });
                }
                if (f.is_junction()) {  // " & " or " | " between members
                  size += 3 * (operands.size() - 1);
                  for (const std::uint64_t* operand : operands) size = add(size, *operand);
                  return size;
                }
                // The letter, and a space after each printed operand but the last.
                const std::size_t printed = printed_operands(f).size();
                size += operator_length(printed_letter(f).size() + printed - 1);
                for (const std::uint64_t* operand : operands.last(printed))
                  size = add(size, *operand);
                return size;
              });
}

std::optional<std::string> format_as_string(const NNFFormula& formula,
                                            const LiteralFormatter* formatter, std::size_t limit) {
  std::string out;
  if (formatter == nullptr) {
    const std::uint64_t size = infix_size(formula);
    check_size(size, limit, "infix form");
    out.reserve(size);
  } else if (multiply(formula.tree_size(), kMaxInfixBytesPerNode) > limit) {
    // The text around the literals is only worth computing when it could exceed the limit.
    check_size(infix_size(formula, false), limit, "infix form");
  }
  if (!append_infix(formula, formatter, limit, out)) return std::nullopt;
  check_size(out.size(), limit, "infix form");
  return out;
}

}  // namespace corvane
