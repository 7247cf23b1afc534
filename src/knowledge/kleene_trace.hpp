// The three-valued truth value of every atomic proposition over time, read from knowledge.
#pragma once

#include <unordered_map>

#include "formula/atomic_proposition.hpp"
#include "knowledge/prepared_knowledge.hpp"
#include "sequence/normalized_sequence.hpp"
#include "truth_values/kleene.hpp"

namespace corvane {

using KleeneTrace = std::unordered_map<AtomicProposition, NormalizedSequence<Kleene>>;

// For every atomic proposition that any graph mentions, the three-valued value of its positive
// literal in the graph in effect at each step (`Unknown` where a graph does not mention it),
// normalised. Knowledge without entries gives an empty trace; otherwise it must have an entry at
// step 0.
//
// Costs time in the number of (change point, mentioned proposition) pairs, not in propositions
// times steps: a proposition is looked at only in the graphs that mention it, and each distinct
// graph is read once.
KleeneTrace kleene_trace(const PreparedKnowledge& knowledge);

}  // namespace corvane
