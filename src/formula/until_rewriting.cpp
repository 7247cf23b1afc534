#include "formula/until_rewriting.hpp"

#include <span>
#include <utility>

#include "formula/traversal.hpp"

namespace corvane {

namespace {

enum class Mode { RemoveDelay, RemoveTiming };

// a U[c, d] b with c > 0 waits until step c, then runs an until that starts at once:
// G[c, c] (a U[0, d - c] b).
NNFFormula undelayed(NNFFormula lhs, Interval interval, NNFFormula rhs) {
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
NNFFormula untimed(NNFFormula lhs, Interval interval, NNFFormula rhs) {
  if (interval == Interval::unbounded(0)) {
    return NNFFormula::until(std::move(lhs), interval, std::move(rhs));
  }
  NNFFormula within = NNFFormula::eventually(interval, rhs);
  NNFFormula untimed = NNFFormula::until(std::move(lhs), Interval::unbounded(0), std::move(rhs));
  NNFFormula waited = NNFFormula::next(interval.lb(), std::move(untimed));
  return NNFFormula::and_({std::move(within), std::move(waited)});
}

// Rewrites every until that is not an eventually; every other node is rebuilt around its
// rewritten operands. Each distinct subformula is rewritten once.
NNFFormula rewrite(const NNFFormula& formula, Mode mode) {
  NodeMemo<NNFFormula> rewritten;
  return fold(
      formula, rewritten, [mode](const NNFFormula& f, std::span<const NNFFormula* const> operands) {
        if (f.kind() != NNFFormula::Kind::Until || f.is_eventually()) {
          return rebuild(f, operands);
        }
        if (f.interval().is_empty()) return NNFFormula::false_();
        return mode == Mode::RemoveDelay ? undelayed(*operands[0], f.interval(), *operands[1])
                                         : untimed(*operands[0], f.interval(), *operands[1]);
      });
}

}  // namespace

NNFFormula remove_delayed_until(const NNFFormula& formula) {
  return rewrite(formula, Mode::RemoveDelay);
}

NNFFormula remove_timed_until(const NNFFormula& formula) {
  return rewrite(formula, Mode::RemoveTiming);
}

}  // namespace corvane
