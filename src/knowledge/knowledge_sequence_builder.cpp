#include "knowledge/knowledge_sequence_builder.hpp"

#include <algorithm>

#include "knowledge_graph/parse_proposition.hpp"
#include "sequence/stream_helpers.hpp"
#include "support/interruption.hpp"

namespace corvane {

namespace {

std::size_t hash_of(const std::vector<LiteralIdFact>& facts) {
  std::size_t hash = facts.size();
  for (const LiteralIdFact& fact : facts) {
    const std::size_t value = (std::size_t{fact.lhs().code()} << 32 | fact.rhs().code()) * 4 +
                              static_cast<std::size_t>(fact.kind());
    hash ^= value + 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2);
  }
  return hash;
}

}  // namespace

KnowledgeSequenceBuilder::KnowledgeSequenceBuilder()
    : table_(std::make_shared<PropositionTable>()), offsets_{0} {}

LiteralId KnowledgeSequenceBuilder::proposition(std::string_view text) {
  if (const auto it = texts_.find(text); it != texts_.end()) return it->second;
  const LiteralId id = LiteralId::positive(table_->add(parse_proposition(text).proposition()));
  texts_.emplace(std::string(text), id);
  return id;
}

void KnowledgeSequenceBuilder::begin_step(TimeStep t) {
  finish_step();
  stating_ = true;
  pending_step_ = t;
}

void KnowledgeSequenceBuilder::add_step(TimeStep t, const StepKnowledge& knowledge) {
  begin_step(t);
  using Kind = LiteralIdFact::Kind;
  for (const std::string& text : knowledge.holds) {
    const LiteralId literal = proposition(text);
    add_fact({Kind::IsTrue, literal, literal});
  }
  for (const std::string& text : knowledge.does_not_hold) {
    const LiteralId literal = proposition(text);
    add_fact({Kind::IsFalse, literal, literal});
  }
  for (const auto& [lhs, rhs] : knowledge.implications) {
    const LiteralId premise = proposition(lhs);
    add_fact({Kind::Implication, premise, proposition(rhs)});
  }
  for (const auto& [lhs, rhs] : knowledge.equivalences) {
    const LiteralId left = proposition(lhs);
    add_fact({Kind::Equivalence, left, proposition(rhs)});
  }
}

void KnowledgeSequenceBuilder::finish_step() {
  if (!stating_) return;
  steps_.emplace_back(pending_step_, intern(pending_));
  pending_.clear();
  stating_ = false;
}

KnowledgeSequenceBuilder::FactList KnowledgeSequenceBuilder::intern(
    const std::vector<LiteralIdFact>& facts) {
  const std::size_t hash = hash_of(facts);
  const auto [first, added] = by_hash_.try_emplace(hash, kNoList);
  for (FactList list = first->second; list != kNoList; list = same_hash_[list]) {
    const auto known = facts_of(list);
    if (std::equal(known.begin(), known.end(), facts.begin(), facts.end())) return list;
  }
  const auto list = static_cast<FactList>(same_hash_.size());
  same_hash_.push_back(first->second);
  first->second = list;
  facts_.insert(facts_.end(), facts.begin(), facts.end());
  offsets_.push_back(facts_.size());
  return list;
}

KnowledgeSequence KnowledgeSequenceBuilder::build() && {
  finish_step();
  // Later statements of a step replace earlier ones: keep the last of each step.
  const auto by_step = [](const auto& a, const auto& b) { return a.first < b.first; };
  if (!std::is_sorted(steps_.begin(), steps_.end(), by_step)) {
    std::stable_sort(steps_.begin(), steps_.end(), by_step);
  }
  const FactList nothing = intern({});

  // Each stated step holds its list; the step after it goes back to no facts unless it is
  // stated too.
  PlainSequence<FactList>::Map lists;
  lists.reserve(2 * steps_.size() + 1);
  if (steps_.empty() || steps_.front().first != 0) lists.emplace_hint(lists.end(), 0, nothing);
  for (std::size_t i = 0; i < steps_.size(); ++i) {
    poll_interrupt_every(i);
    const auto [step, list] = steps_[i];
    const bool restated = i + 1 < steps_.size() && steps_[i + 1].first == step;
    if (restated) continue;
    append_coalesced(lists, step, list);
    const bool next_is_stated = i + 1 < steps_.size() && steps_[i + 1].first == step + 1;
    if (step != kMaxTime && !next_is_stated) append_coalesced(lists, step + 1, nothing);
  }

  // One graph per distinct list that is in effect somewhere.
  std::vector<KnowledgeSequence::GraphIndex> graph_of(same_hash_.size(), kNoList);
  std::vector<InternedKnowledgeGraph> graphs;
  PlainSequence<KnowledgeSequence::GraphIndex>::Map change_points;
  change_points.reserve(lists.size());
  for (const auto& [step, list] : lists) {
    poll_interrupt();
    if (graph_of[list] == kNoList) {
      graph_of[list] = static_cast<KnowledgeSequence::GraphIndex>(graphs.size());
      graphs.emplace_back(facts_of(list));
    }
    change_points.emplace_hint(change_points.end(), step, graph_of[list]);
  }
  return KnowledgeSequence(std::move(table_), std::move(graphs),
                           PlainSequence<KnowledgeSequence::GraphIndex>(std::move(change_points)));
}

}  // namespace corvane
