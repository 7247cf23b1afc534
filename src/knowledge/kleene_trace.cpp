#include "knowledge/kleene_trace.hpp"

#include <iterator>
#include <utility>
#include <vector>

#include "knowledge_graph/kleene_evaluation.hpp"

namespace corvane {

KleeneTrace kleene_trace(const PlainSequence<KnowledgeGraph>& knowledge) {
  const auto& steps = knowledge.entries();

  // The value of each proposition at the steps whose graph mentions it, in time order.
  std::unordered_map<AtomicProposition, std::vector<std::pair<TimeStep, Kleene>>> mentioned;
  for (const auto& [step, graph] : steps) {
    for (const auto& [literal, node] : graph.literal_nodes()) {
      if (literal.kind() != Literal::Kind::Positive) continue;
      mentioned[literal.proposition()].emplace_back(step, kleene_value_of(graph.class_of(node)));
    }
  }

  KleeneTrace trace;
  trace.reserve(mentioned.size());
  for (auto& [proposition, values] : mentioned) {
    // Between mentions the value is `Unknown`: it starts at the first step and at each step
    // right after a mention that is not itself a mention. Any other unmentioned step repeats
    // the `Unknown` before it and would vanish in normalisation anyway.
    PlainSequence<Kleene>::Map entries;
    if (values.front().first != steps.begin()->first) {
      entries.emplace(steps.begin()->first, Kleene::Unknown);
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
      entries.emplace(values[i].first, values[i].second);
      const auto next = steps.upper_bound(values[i].first);
      if (next == steps.end()) continue;
      const bool next_is_mention = i + 1 < values.size() && values[i + 1].first == next->first;
      if (!next_is_mention) entries.emplace(next->first, Kleene::Unknown);
    }
    trace.emplace(proposition,
                  NormalizedSequence<Kleene>::normalize(PlainSequence<Kleene>(std::move(entries))));
  }
  return trace;
}

}  // namespace corvane
