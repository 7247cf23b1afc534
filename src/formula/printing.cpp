#include "formula/printing.hpp"

#include "support/stack_guard.hpp"

namespace corvane {

namespace {

std::string operator_label(const char* letter, Interval interval) {
  std::string label = letter;
  interval.append_display(label);
  return label;
}

void render_children(const TermTree& node, std::string& prefix, std::string& out) {
  ensure_stack_space();
  for (std::size_t i = 0; i < node.children.size(); ++i) {
    const bool last = i + 1 == node.children.size();
    const TermTree& child = node.children[i];
    out += prefix;
    out += last ? "└── " : "├── ";
    out += child.label;
    out += '\n';
    const std::size_t saved = prefix.size();
    prefix += last ? "    " : "│   ";
    render_children(child, prefix, out);
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

TermTree to_termtree(const NNFFormula& f) {
  ensure_stack_space();
  TermTree tree;
  switch (f.kind()) {
    case NNFFormula::Kind::Literal:
      tree.label = f.literal().display();
      return tree;
    case NNFFormula::Kind::And:
      tree.label = "∧";
      break;
    case NNFFormula::Kind::Or:
      tree.label = "∨";
      break;
    case NNFFormula::Kind::Until:
      tree.label = operator_label(f.is_eventually() ? "F" : "U", f.interval());
      if (f.is_eventually()) {
        tree.children.push_back(to_termtree(f.rhs()));
        return tree;
      }
      break;
    case NNFFormula::Kind::Globally:
      tree.label = operator_label("G", f.interval());
      break;
  }
  tree.children.reserve(f.subformulas().size());
  for (const auto& sub : f.subformulas()) tree.children.push_back(to_termtree(sub));
  return tree;
}

std::string render_termtree(const TermTree& tree) {
  std::string out = tree.label;
  out += '\n';
  std::string prefix;
  render_children(tree, prefix, out);
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
