#include "sequence/flat_map.hpp"

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <random>

namespace corvane {
namespace {

using Flat = FlatMap<int, int>;
using Tree = std::map<int, int>;

// The iterator of `flat` at the same position as `it` in `tree`.
Flat::iterator same_place(Flat& flat, const Tree& tree, Tree::const_iterator it) {
  return flat.begin() + std::distance(tree.begin(), it);
}

TEST(FlatMap, BehavesLikeStdMapUnderRandomOperations) {
  std::mt19937 rng(31);
  const auto below = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  for (int round = 0; round < 200; ++round) {
    Flat flat;
    Tree tree;
    for (int op = 0; op < 60; ++op) {
      const int key = below(40);
      const int value = below(1000);
      switch (below(7)) {
        case 0:
          EXPECT_EQ(flat.emplace(key, value).second, tree.emplace(key, value).second);
          break;
        case 1: {  // with the right hint, or one anywhere
          auto hint = tree.lower_bound(key);
          if (below(2) == 0)
            hint = std::next(tree.begin(), below(static_cast<int>(tree.size()) + 1));
          EXPECT_EQ(flat.emplace_hint(same_place(flat, tree, hint), key, value)->first, key);
          tree.emplace_hint(hint, key, value);
          break;
        }
        case 2:
          EXPECT_EQ(flat.insert_or_assign(key, value).second,
                    tree.insert_or_assign(key, value).second);
          break;
        case 3:
          EXPECT_EQ(flat.erase(key), tree.erase(key));
          break;
        case 4: {
          const auto first = tree.lower_bound(key);
          const auto last = tree.upper_bound(key + below(10));
          const auto next = flat.erase(same_place(flat, tree, first), same_place(flat, tree, last));
          const auto tree_next = tree.erase(first, last);
          EXPECT_EQ(next - flat.begin(), std::distance(tree.begin(), tree_next));
          break;
        }
        default:
          EXPECT_EQ(flat.lower_bound(key) - flat.begin(),
                    std::distance(tree.begin(), tree.lower_bound(key)));
          EXPECT_EQ(flat.upper_bound(key) - flat.begin(),
                    std::distance(tree.begin(), tree.upper_bound(key)));
          EXPECT_EQ(flat.contains(key), tree.contains(key));
          break;
      }
      ASSERT_EQ(flat, Flat(tree)) << "round " << round << ", operation " << op;
    }
  }
}

TEST(FlatMap, KeepsTheFirstOfEqualKeysWhenBuiltFromAList) {
  const Flat flat{{3, 30}, {1, 10}, {3, 31}, {2, 20}, {1, 11}};
  EXPECT_EQ(flat, Flat(Tree{{3, 30}, {1, 10}, {3, 31}, {2, 20}, {1, 11}}));
  EXPECT_EQ(Tree(flat), (Tree{{1, 10}, {2, 20}, {3, 30}}));
}

}  // namespace
}  // namespace corvane
