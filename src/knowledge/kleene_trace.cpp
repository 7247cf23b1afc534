#include "knowledge/kleene_trace.hpp"

#include <cstdint>
#include <utility>
#include <vector>

#include "sequence/stream_helpers.hpp"
#include "support/interruption.hpp"

namespace corvane {

namespace {

// The trace of one proposition from its values at the change points that mention it, given in
// increasing order as (change point position, value): between mentions the value is `Unknown`.
// It starts at the first change point and at each change point right after a mention that is not
// itself a mention; any other change point repeats the `Unknown` before it.
NormalizedSequence<Kleene> trace_of(const std::vector<TimeStep>& steps,
                                    const std::vector<std::pair<std::uint32_t, Kleene>>& mentions) {
  PlainSequence<Kleene>::Map entries;
  if (mentions.front().first != 0) append_coalesced(entries, steps.front(), Kleene::Unknown);
  for (std::size_t i = 0; i < mentions.size(); ++i) {
    poll_interrupt_every(i);
    const auto [position, value] = mentions[i];
    append_coalesced(entries, steps[position], value);
    const std::size_t next = position + 1;
    if (next == steps.size()) continue;
    const bool next_is_mention = i + 1 < mentions.size() && mentions[i + 1].first == next;
    if (!next_is_mention) append_coalesced(entries, steps[next], Kleene::Unknown);
  }
  return NormalizedSequence<Kleene>::normalize(PlainSequence<Kleene>(std::move(entries)));
}

}  // namespace

KleeneTrace kleene_trace(const PreparedKnowledge& knowledge) {
  // The propositions each distinct graph mentions, with their values there.
  std::vector<std::vector<std::pair<std::uint32_t, Kleene>>> values_in(knowledge.graphs().size());
  for (std::size_t g = 0; g < knowledge.graphs().size(); ++g) {
    poll_interrupt();
    const PreparedGraph& graph = knowledge.graphs()[g];
    for (const auto& [literal, node] : graph.literal_nodes()) {
      if (literal.is_positive())
        values_in[g].emplace_back(literal.proposition(), graph.value_of(node));
    }
  }

  std::vector<TimeStep> steps;
  steps.reserve(knowledge.change_points().size());
  std::vector<std::vector<std::pair<std::uint32_t, Kleene>>> mentions(
      knowledge.propositions().size());
  for (const auto& [step, graph] : knowledge.change_points().entries()) {
    poll_interrupt_every(steps.size());
    for (const auto& [proposition, value] : values_in[graph]) {
      mentions[proposition].emplace_back(static_cast<std::uint32_t>(steps.size()), value);
    }
    steps.push_back(step);
  }

  KleeneTrace trace;
  for (std::uint32_t proposition = 0; proposition < mentions.size(); ++proposition) {
    if (mentions[proposition].empty()) continue;
    trace.emplace(knowledge.propositions().proposition(proposition),
                  trace_of(steps, mentions[proposition]));
  }
  return trace;
}

}  // namespace corvane
