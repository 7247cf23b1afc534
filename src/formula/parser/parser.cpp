#include "formula/parser/parser.hpp"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "formula/ltl_to_nnf.hpp"
#include "support/internal_error.hpp"
#include "support/interruption.hpp"
#include "support/nesting_too_deep.hpp"
#include "support/stack_guard.hpp"

namespace corvane {

namespace {

using ltl::Formula;

// Descriptions of the tokens that a failed match reports.
constexpr std::string_view kNameStart = "['a'..='z' | 'A'..='Z' | '0'..='9']";
constexpr std::string_view kNameChar = "['a'..='z' | 'A'..='Z' | '0'..='9' | '_']";
constexpr std::string_view kParameterChar = "['a'..='z' | 'A'..='Z' | '0'..='9' | '_' | ' ' | ',']";
constexpr std::string_view kDigit = "['0'..='9']";
constexpr std::string_view kU32 = "u32";
constexpr std::string_view kAnyInterval = "Bounded, unbounded, or singleton interval";
constexpr std::string_view kInvertedInterval =
    "Invalid bounded interval: Upper bound is smaller than lower bound";
constexpr std::string_view kEof = "EOF";

bool is_whitespace(char c) {
  return c == ' ' || c == '\n' || c == '\t';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
bool is_name_start(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || is_digit(c);
}
bool is_name_char(char c) {
  return is_name_start(c) || c == '_';
}
bool is_parameter_char(char c) {
  return is_name_char(c) || c == ' ' || c == ',';
}

// A successful match: where it ended, and what it produced.
template <typename T>
struct Match {
  std::size_t end;
  T value;
};
template <typename T>
using Result = std::optional<Match<T>>;

// An infix continuation that matched: its interval (temporal operators only) and right operand.
struct Continuation {
  Interval interval;
  Formula rhs;
};

// Counts one level of operand nesting for as long as it lives.
class NestingLevel {
 public:
  explicit NestingLevel(std::uint32_t& depth) : depth_(depth) { ++depth_; }
  ~NestingLevel() { --depth_; }
  NestingLevel(const NestingLevel&) = delete;
  NestingLevel& operator=(const NestingLevel&) = delete;

 private:
  std::uint32_t& depth_;
};

// Operand levels.
constexpr int kLevelTemporal = 0;  // U, R; also the level of a whole (parenthesised) formula
constexpr int kLevelImplies = 2;   // ->; also the operand level of F, G, X
constexpr int kLevelOr = 3;
constexpr int kLevelAnd = 4;
constexpr int kLevelNegated = 6;  // the operand of !: no continuation at all
constexpr int kLevelCount = 7;

// The memo of operand results, keyed by (position, level): an open-addressing table of entry
// numbers over a list of entries, so that an entry costs no allocation of its own (a text of a
// megabyte makes hundreds of thousands of them).
class OperandMemo {
 public:
  const Result<Formula>* find(std::uint64_t key) const noexcept {
    if (slots_.empty()) return nullptr;
    for (std::size_t i = slot_of(key);; i = (i + 1) & (slots_.size() - 1)) {
      const std::uint32_t slot = slots_[i];
      if (slot == 0) return nullptr;
      if (entries_[slot - 1].key == key) return &entries_[slot - 1].result;
    }
  }

  // Adds the result for `key`, which must not have one yet.
  void insert(std::uint64_t key, Result<Formula> result) {
    check(entries_.size() < 0xFFFFFFFEu, "the parser's memo ran out of entry numbers");
    if (2 * (entries_.size() + 1) > slots_.size()) grow();
    entries_.push_back({key, std::move(result)});
    place(static_cast<std::uint32_t>(entries_.size()));
  }

 private:
  struct Entry {
    std::uint64_t key;
    Result<Formula> result;
  };

  // Keys are position * levels + level, all distinct: taken as they are, the entries of nearby
  // positions sit in nearby slots, which keeps the probes of one stretch of text in the cache.
  std::size_t slot_of(std::uint64_t key) const noexcept {
    return static_cast<std::size_t>(key) & (slots_.size() - 1);
  }
  // Enters entry number `number` (1-based) into the first free slot of its probe sequence.
  void place(std::uint32_t number) {
    std::size_t i = slot_of(entries_[number - 1].key);
    while (slots_[i] != 0) i = (i + 1) & (slots_.size() - 1);
    slots_[i] = number;
  }
  // Doubles the table (at least 1024 slots); it stays at most half full.
  void grow() {
    const std::size_t size = slots_.empty() ? 1024 : 2 * slots_.size();
    slots_.assign(size, 0);
    for (std::size_t n = 1; n <= entries_.size(); ++n) place(static_cast<std::uint32_t>(n));
  }

  std::vector<Entry> entries_;
  std::vector<std::uint32_t> slots_;  // 0: free; otherwise 1 + the entry's position
};

// One pass over the text. The first pass finds the furthest position at which a token failed to
// match; the reporting pass, given that position, collects every token that failed there.
//
// `operand` results are memoised per (position, level). A rule's result depends only on those two,
// and replaying it would only report failures that were already reported, so the memo changes no
// outcome; it keeps backtracking from re-parsing the same operand over and over.
class Parser {
 public:
  Parser(std::string_view text, std::optional<std::size_t> report_at)
      : text_(text), reporting_(report_at.has_value()), furthest_(report_at.value_or(0)) {}

  std::optional<Formula> formula() {
    const std::size_t start = skip_whitespace(0);
    auto parsed = operand(start, kLevelTemporal);
    if (!parsed) return std::nullopt;
    const std::size_t end = skip_whitespace(parsed->end);
    if (end != text_.size()) {
      fail(end, kEof);
      return std::nullopt;
    }
    return std::move(parsed->value);
  }

  std::size_t furthest() const noexcept { return furthest_; }
  ExpectedSet take_expected() { return std::move(expected_); }

 private:
  void fail(std::size_t pos, std::string_view description) {
    if (reporting_) {
      if (pos == furthest_) expected_.insert(description);
    } else if (pos > furthest_) {
      furthest_ = pos;
    }
  }

  char at(std::size_t pos) const { return pos < text_.size() ? text_[pos] : '\0'; }

  // Matches `token` at `pos`, advancing `pos` past it; reports the quoted token otherwise.
  bool token(std::size_t& pos, std::string_view token) {
    if (pos <= text_.size() && text_.compare(pos, token.size(), token) == 0) {
      pos += token.size();
      return true;
    }
    // The quoted description is only built when it is reported.
    if (!reporting_) {
      furthest_ = std::max(furthest_, pos);
    } else if (pos == furthest_) {
      expected_.insert(std::string("\"").append(token).append("\""));
    }
    return false;
  }

  // `_`: optional whitespace.
  std::size_t skip_whitespace(std::size_t pos) const {
    while (pos < text_.size() && is_whitespace(text_[pos])) ++pos;
    return pos;
  }

  // `__`: required whitespace.
  bool whitespace(std::size_t& pos) const {
    const std::size_t end = skip_whitespace(pos);
    if (end == pos) return false;
    pos = end;
    return true;
  }

  // One or more decimal digits whose value fits in 32 bits.
  Result<TimeStep> number(std::size_t pos) {
    std::size_t end = pos;
    std::uint64_t value = 0;
    bool overflow = false;
    while (end < text_.size() && is_digit(text_[end])) {
      value = value * 10 + static_cast<std::uint64_t>(text_[end] - '0');
      if (value > kMaxTime) {
        overflow = true;
        value = 0;
      }
      ++end;
    }
    fail(end, kDigit);  // the digit that ended the run
    if (end == pos) return std::nullopt;
    if (overflow) {
      fail(end, kU32);
      return std::nullopt;
    }
    return Match<TimeStep>{end, static_cast<TimeStep>(value)};
  }

  // "[" n _ "," _ — the part shared by the unbounded and the bounded form.
  Result<TimeStep> interval_start(std::size_t pos) {
    if (!token(pos, "[")) return std::nullopt;
    auto lb = number(pos);
    if (!lb) return std::nullopt;
    pos = skip_whitespace(lb->end);
    if (!token(pos, ",")) return std::nullopt;
    return Match<TimeStep>{skip_whitespace(pos), lb->value};
  }

  Result<Interval> interval(std::size_t pos) {
    // "[" n _ "," _ ("*" / "inf") "]"
    if (auto start = interval_start(pos)) {
      std::size_t p = start->end;
      if ((token(p, "*") || token(p, "inf")) && token(p, "]")) {
        return Match<Interval>{p, Interval::unbounded(start->value)};
      }
    }
    // "[" n _ "," _ n "]", with the upper bound not below the lower one
    if (auto start = interval_start(pos)) {
      if (auto ub = number(start->end)) {
        std::size_t p = ub->end;
        if (token(p, "]")) {
          if (ub->value >= start->value) {
            return Match<Interval>{p, Interval::bounded(start->value, ub->value)};
          }
          fail(p, kInvertedInterval);
        }
      }
    }
    if (auto n = singleton(pos)) return Match<Interval>{n->end, Interval::singleton(n->value)};
    fail(pos, kAnyInterval);
    return std::nullopt;
  }

  // "[" n "]"
  Result<TimeStep> singleton(std::size_t pos) {
    if (!token(pos, "[")) return std::nullopt;
    auto n = number(pos);
    if (!n) return std::nullopt;
    std::size_t p = n->end;
    if (!token(p, "]")) return std::nullopt;
    return Match<TimeStep>{p, n->value};
  }

  Result<Formula> operand(std::size_t pos, int level) {
    const std::uint64_t key = static_cast<std::uint64_t>(pos) * kLevelCount + level;
    if (const Result<Formula>* hit = memo_.find(key)) return *hit;
    ensure_stack_space();
    poll_interrupt();
    if (depth_ >= kMaxNestingDepth) {
      throw NestingTooDeep("formula nesting exceeds the maximum depth of " +
                           std::to_string(kMaxNestingDepth) + " levels");
    }
    Result<Formula> result;
    {
      NestingLevel nested(depth_);
      result = parse_operand(pos, level);
    }
    memo_.insert(key, result);
    return result;
  }

  // One prefix form, then the continuations of level `level` or more, as often as they match.
  Result<Formula> parse_operand(std::size_t pos, int level) {
    auto first = prefix(pos);
    if (!first) return std::nullopt;
    std::size_t end = first->end;
    Formula formula = std::move(first->value);
    for (;;) {
      std::optional<Match<Continuation>> next;
      if (level <= kLevelTemporal) {
        bool matched = false;
        for (const ltl::TemporalOperator& op : ltl::kTemporalOperators) {
          if (!op.infix || !(next = temporal_infix(end, op.letter))) continue;
          std::vector<Formula> operands;
          operands.reserve(2);
          operands.push_back(std::move(formula));
          operands.push_back(std::move(next->value.rhs));
          formula = Formula::temporal(op.kind, next->value.interval, std::move(operands));
          end = next->end;
          matched = true;
          break;
        }
        if (matched) continue;
      }
      if (level <= kLevelImplies && (next = infix(end, "->", kLevelImplies))) {
        formula = Formula::implies(std::move(formula), std::move(next->value.rhs));
        end = next->end;
        continue;
      }
      if (level <= kLevelOr && (next = infix(end, "|", kLevelOr + 1))) {
        formula = Formula::or_(std::move(formula), std::move(next->value.rhs));
        end = next->end;
        continue;
      }
      if (level <= kLevelAnd && (next = infix(end, "&", kLevelAnd + 1))) {
        formula = Formula::and_(std::move(formula), std::move(next->value.rhs));
        end = next->end;
        continue;
      }
      return Match<Formula>{end, std::move(formula)};
    }
  }

  // __ letter interval? __ operand(0)
  std::optional<Match<Continuation>> temporal_infix(std::size_t pos, std::string_view letter) {
    if (!whitespace(pos) || !token(pos, letter)) return std::nullopt;
    Interval window = Interval::unbounded(0);
    if (auto i = interval(pos)) {
      window = i->value;
      pos = i->end;
    }
    if (!whitespace(pos)) return std::nullopt;
    auto rhs = operand(pos, kLevelTemporal);
    if (!rhs) return std::nullopt;
    return Match<Continuation>{rhs->end, {window, std::move(rhs->value)}};
  }

  // _ symbol _ operand(rhs_level)
  std::optional<Match<Continuation>> infix(std::size_t pos, std::string_view symbol,
                                           int rhs_level) {
    pos = skip_whitespace(pos);
    if (!token(pos, symbol)) return std::nullopt;
    auto rhs = operand(skip_whitespace(pos), rhs_level);
    if (!rhs) return std::nullopt;
    return Match<Continuation>{rhs->end, {Interval::empty(), std::move(rhs->value)}};
  }

  Result<Formula> prefix(std::size_t pos) {
    // Outside the reporting pass, a form that cannot start with the character at `pos` is not
    // tried: it would fail right at `pos`, which only moves the furthest failure there.
    const char c = at(pos);
    const auto may_start = [&](bool starts) {
      if (starts || reporting_) return true;
      furthest_ = std::max(furthest_, pos);
      return false;
    };
    for (const ltl::TemporalOperator& op : ltl::kTemporalOperators) {
      if (op.infix || !may_start(c == op.letter.front())) continue;
      if (auto f = temporal_prefix(pos, op)) return f;
    }
    if (may_start(c == 'X')) {
      if (auto x = next_prefix(pos)) return x;
    }
    if (std::size_t p = pos; may_start(c == '!') && token(p, "!")) {
      if (auto child = operand(skip_whitespace(p), kLevelNegated)) {
        return Match<Formula>{child->end, Formula::not_(std::move(child->value))};
      }
    }
    if (may_start(c == 'T' || c == 't' || c == 'F' || c == 'f')) {
      for (auto [text, value] : {std::pair{"True", true}, std::pair{"true", true},
                                 std::pair{"False", false}, std::pair{"false", false}}) {
        if (std::size_t p = pos; token(p, text)) {
          return Match<Formula>{p, value ? Formula::true_() : Formula::false_()};
        }
      }
    }
    if (may_start(is_name_start(c))) {
      if (auto p = proposition(pos)) return p;
    }
    if (!may_start(c == '(')) return std::nullopt;
    return parenthesised(pos);
  }

  // The operator's letter with an optional interval, e.g. "G[0, 5]". For "F" and "G" an interval
  // with equal bounds makes it a next.
  Result<Formula> temporal_prefix(std::size_t pos, const ltl::TemporalOperator& op) {
    if (!token(pos, op.letter)) return std::nullopt;
    Interval window = Interval::unbounded(0);
    if (auto i = interval(pos)) {
      window = i->value;
      pos = i->end;
    }
    if (!whitespace(pos)) return std::nullopt;
    auto child = operand(pos, kLevelImplies);
    if (!child) return std::nullopt;
    Formula& body = child->value;
    if (op.singleton_is_next && window.is_singleton()) {
      return Match<Formula>{child->end, Formula::next(window.lb(), std::move(body))};
    }
    std::vector<Formula> operands;
    operands.push_back(std::move(body));
    return Match<Formula>{child->end, Formula::temporal(op.kind, window, std::move(operands))};
  }

  // "X" with an optional delay (1 when absent).
  Result<Formula> next_prefix(std::size_t pos) {
    if (!token(pos, "X")) return std::nullopt;
    TimeStep delay = 1;
    if (auto n = singleton(pos)) {
      delay = n->value;
      pos = n->end;
    }
    if (!whitespace(pos)) return std::nullopt;
    auto child = operand(pos, kLevelImplies);
    if (!child) return std::nullopt;
    return Match<Formula>{child->end, Formula::next(delay, std::move(child->value))};
  }

  // name ("(" parameter ")")?
  Result<Formula> proposition(std::size_t pos) {
    if (!is_name_start(at(pos))) {
      fail(pos, kNameStart);
      return std::nullopt;
    }
    std::size_t name_end = pos + 1;
    while (is_name_char(at(name_end))) ++name_end;
    fail(name_end, kNameChar);
    const std::string_view name = text_.substr(pos, name_end - pos);

    std::size_t p = name_end;
    if (token(p, "(")) {
      const std::size_t parameter_start = p;
      while (is_parameter_char(at(p))) ++p;
      fail(p, kParameterChar);
      const std::string_view parameter = text_.substr(parameter_start, p - parameter_start);
      if (token(p, ")")) {
        return Match<Formula>{p, Formula::atom(AtomicProposition::with_parameter(name, parameter))};
      }
    }
    return Match<Formula>{name_end, Formula::atom(AtomicProposition::new_(name))};
  }

  // "(" _ operand(0) _ ")"
  Result<Formula> parenthesised(std::size_t pos) {
    if (!token(pos, "(")) return std::nullopt;
    auto inner = operand(skip_whitespace(pos), kLevelTemporal);
    if (!inner) return std::nullopt;
    std::size_t p = skip_whitespace(inner->end);
    if (!token(p, ")")) return std::nullopt;
    return Match<Formula>{p, std::move(inner->value)};
  }

  std::string_view text_;
  bool reporting_;
  std::size_t furthest_;
  ExpectedSet expected_;
  std::uint32_t depth_ = 0;
  OperandMemo memo_;
};

}  // namespace

std::variant<ltl::Formula, ParseError> parse_ltl(std::string_view text) {
  std::size_t furthest = 0;
  {
    Parser first(text, std::nullopt);
    if (auto formula = first.formula()) return std::move(*formula);
    furthest = first.furthest();
  }
  Parser reporting(text, furthest);
  if (reporting.formula()) {
    throw InternalError("Parser is nondeterministic: succeeded when reparsing for error position");
  }
  return ParseError{LineCol::of(text, furthest), reporting.take_expected()};
}

std::variant<NNFFormula, ParseError> parse_formula(std::string_view text) {
  auto parsed = parse_ltl(text);
  if (auto* error = std::get_if<ParseError>(&parsed)) return std::move(*error);
  return to_nnf(std::get<ltl::Formula>(parsed));
}

}  // namespace corvane
