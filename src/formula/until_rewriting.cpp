#include "formula/until_rewriting.hpp"

#include <unordered_map>
#include <utility>
#include <vector>

#include "support/internal_error.hpp"
#include "support/stack_guard.hpp"

namespace corvane {

namespace {

// Rewrites every until that is not an eventually; everything else is rebuilt around it.
//
// Formulas share subformulas (a release mentions its rhs three times), so the same subformula can
// be reached along many paths; each distinct subformula is rewritten once.
class UntilRewriter {
 public:
  enum class Mode { RemoveDelay, RemoveTiming };

  explicit UntilRewriter(Mode mode) : mode_(mode) {}

  NNFFormula rewrite(const NNFFormula& f) {
    ensure_stack_space();
    if (f.is_literal()) return f;
    if (auto hit = done_.find(f); hit != done_.end()) return hit->second;
    NNFFormula result = rewrite_operator(f);
    done_.emplace(f, result);
    return result;
  }

 private:
  NNFFormula rewrite_operator(const NNFFormula& f) {
    switch (f.kind()) {
      case NNFFormula::Kind::Literal:
        return f;
      case NNFFormula::Kind::And:
      case NNFFormula::Kind::Or: {
        std::vector<NNFFormula> members;
        members.reserve(f.members().size());
        for (const auto& m : f.members()) members.push_back(rewrite(m));
        return f.kind() == NNFFormula::Kind::And ? NNFFormula::and_(std::move(members))
                                                 : NNFFormula::or_(std::move(members));
      }
      case NNFFormula::Kind::Globally:
        return NNFFormula::globally(f.interval(), rewrite(f.child()));
      case NNFFormula::Kind::Until:
        if (f.is_eventually()) return NNFFormula::eventually(f.interval(), rewrite(f.rhs()));
        if (f.interval().is_empty()) return NNFFormula::false_();
        return mode_ == Mode::RemoveDelay ? undelayed(f) : untimed(f);
    }
    throw InternalError("internal error: entered unreachable code: unknown formula kind");
  }

  // a U[c, d] b with c > 0 waits until step c, then runs an until that starts at once:
  // G[c, c] (a U[0, d - c] b).
  NNFFormula undelayed(const NNFFormula& f) {
    const Interval interval = f.interval();
    NNFFormula lhs = rewrite(f.lhs());
    NNFFormula rhs = rewrite(f.rhs());
    const TimeStep c = interval.lb();
    if (c == 0) return NNFFormula::until(std::move(lhs), interval, std::move(rhs));
    const Interval from_zero =
        interval.is_unbounded() ? Interval::unbounded(0) : Interval::bounded(0, interval.ub() - c);
    return NNFFormula::globally(Interval::singleton(c),
                                NNFFormula::until(std::move(lhs), from_zero, std::move(rhs)));
  }

  // a U I b is F I b & G[c, c] (a U b) with c = lb(I): the first step of I at which b holds is
  // also a witness for the untimed until started at step c, and any witness of that until lies
  // at or before it.
  NNFFormula untimed(const NNFFormula& f) {
    const Interval interval = f.interval();
    NNFFormula lhs = rewrite(f.lhs());
    NNFFormula rhs = rewrite(f.rhs());
    if (interval == Interval::unbounded(0)) {
      return NNFFormula::until(std::move(lhs), interval, std::move(rhs));
    }
    NNFFormula within = NNFFormula::eventually(interval, rhs);
    NNFFormula untimed = NNFFormula::until(std::move(lhs), Interval::unbounded(0), std::move(rhs));
    NNFFormula waited = NNFFormula::next(interval.lb(), std::move(untimed));
    return NNFFormula::and_({std::move(within), std::move(waited)});
  }

  Mode mode_;
  std::unordered_map<NNFFormula, NNFFormula> done_;
};

}  // namespace

NNFFormula remove_delayed_until(const NNFFormula& formula) {
  return UntilRewriter(UntilRewriter::Mode::RemoveDelay).rewrite(formula);
}

NNFFormula remove_timed_until(const NNFFormula& formula) {
  return UntilRewriter(UntilRewriter::Mode::RemoveTiming).rewrite(formula);
}

}  // namespace corvane
