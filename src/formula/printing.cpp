#include "formula/printing.hpp"

#include <span>
#include <utility>

#include "formula/traversal.hpp"
#include "support/internal_error.hpp"
#include "support/stack_guard.hpp"

namespace corvane {

namespace {

void append_operator_label(const char* letter, Interval interval, std::string& out) {
  out += letter;
  interval.append_display(out);
}

void render_children(const TermTree& tree, TermTree::Node node, std::string& prefix,
                     std::string& out) {
  ensure_stack_space();
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

void append_debug(const NNFFormula& f, std::string& out) {
  ensure_stack_space();
  switch (f.kind()) {
    case NNFFormula::Kind::Literal:
      out += "Literal(";
      f.literal().append_debug(out);
      out += ')';
      return;
    case NNFFormula::Kind::And:
    case NNFFormula::Kind::Or: {
      out += f.kind() == NNFFormula::Kind::And ? "And({" : "Or({";
      bool first = true;
      for (const auto& m : f.members()) {
        if (!first) out += ", ";
        first = false;
        append_debug(m, out);
      }
      out += "})";
      return;
    }
    case NNFFormula::Kind::Until:
      out += "Until(";
      append_debug(f.lhs(), out);
      out += ", ";
      f.interval().append_debug(out);
      out += ", ";
      append_debug(f.rhs(), out);
      out += ')';
      return;
    case NNFFormula::Kind::Globally:
      out += "Globally(";
      f.interval().append_debug(out);
      out += ", ";
      append_debug(f.child(), out);
      out += ')';
      return;
  }
}

// Appends "G " for the whole time line, otherwise e.g. "G[0, 5] ".
void append_infix_operator(const char* letter, Interval interval, std::string& out) {
  out += letter;
  if (interval != Interval::unbounded(0)) interval.append_display(out);
  out += ' ';
}

bool append_infix(const NNFFormula& f, const LiteralFormatter* formatter, std::string& out) {
  ensure_stack_space();
  out += '(';
  switch (f.kind()) {
    case NNFFormula::Kind::Literal: {
      const Literal& l = f.literal();
      if (l.kind() == Literal::Kind::Negative) out += '!';
      if (formatter != nullptr) {
        if (!(*formatter)(l, out)) return false;
      } else if (l.is_true()) {
        out += "true";
      } else if (l.is_false()) {
        out += "false";
      } else {
        l.proposition().append_display(out);
      }
      break;
    }
    case NNFFormula::Kind::And:
    case NNFFormula::Kind::Or: {
      const char* separator = f.kind() == NNFFormula::Kind::And ? " & " : " | ";
      bool first = true;
      for (const auto& m : f.members()) {
        if (!first) out += separator;
        first = false;
        if (!append_infix(m, formatter, out)) return false;
      }
      break;
    }
    case NNFFormula::Kind::Until:
      if (f.lhs().is_true()) {
        append_infix_operator("F", f.interval(), out);
      } else {
        if (!append_infix(f.lhs(), formatter, out)) return false;
        append_infix_operator(" U", f.interval(), out);
      }
      if (!append_infix(f.rhs(), formatter, out)) return false;
      break;
    case NNFFormula::Kind::Globally:
      append_infix_operator("G", f.interval(), out);
      if (!append_infix(f.child(), formatter, out)) return false;
      break;
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
    switch (f.kind()) {
      case NNFFormula::Kind::Literal:
        f.literal().append_display(label);
        break;
      case NNFFormula::Kind::And:
        label = "∧";
        break;
      case NNFFormula::Kind::Or:
        label = "∨";
        break;
      case NNFFormula::Kind::Until:
        append_operator_label(f.is_eventually() ? "F" : "U", f.interval(), label);
        // The `True` lhs of an eventually is not drawn.
        if (f.is_eventually()) subtrees = subtrees.subspan(1);
        break;
      case NNFFormula::Kind::Globally:
        append_operator_label("G", f.interval(), label);
        break;
    }
    children.clear();
    for (const TermTree::Node* subtree : subtrees) children.push_back(*subtree);
    return tree.add(label, children);
  });
  return tree;
}

std::string render_termtree(const TermTree& tree) {
  check(!tree.empty(), "an empty labelled tree has nothing to render");
  std::string out(tree.label(tree.root()));
  out += '\n';
  std::string prefix;
  render_children(tree, tree.root(), prefix, out);
  return out;
}

std::string to_tree_string(const NNFFormula& formula) {
  return render_termtree(to_termtree(formula));
}

std::string to_debug_string(const NNFFormula& formula) {
  std::string out;
  append_debug(formula, out);
  return out;
}

std::optional<std::string> format_as_string(const NNFFormula& formula,
                                            const LiteralFormatter* formatter) {
  std::string out;
  if (!append_infix(formula, formatter, out)) return std::nullopt;
  return out;
}

}  // namespace corvane
