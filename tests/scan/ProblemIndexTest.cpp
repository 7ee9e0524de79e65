#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "scan/Problem.h"
#include "scan/ProblemIndex.h"

namespace {

std::wstring KeyOf(const CProblem& problem) { return problem.Key; }

// The index against the plain answer (a search of the list) through appends, a reordering, a shortening and
// enough texts to grow its hash table several times; empty texts are never held.
TEST(ProblemIndex, AnswersAsASearchOfTheListWould) {
  std::vector<std::unique_ptr<CProblem>> problems;
  ProblemIndex index;
  auto add = [&](std::wstring key) {
    auto problem = std::make_unique<CProblem>();
    problem->Key = key;
    problems.push_back(std::move(problem));
    index.Append(problems, key, ProblemIndex::Hash(key));
  };
  auto expectLikeTheList = [&](const char* when) {
    index.Update(problems, KeyOf);
    std::set<std::wstring> listed;
    for (const auto& p : problems)
      if (!p->Key.empty()) listed.insert(p->Key);
    for (int i = 0; i < 1200; ++i) {
      const std::wstring text = L"key" + std::to_wstring(i);
      ASSERT_EQ(index.Holds(text), listed.count(text) != 0) << when << ": " << i;
    }
    EXPECT_FALSE(index.Holds(L"")) << when;
  };
  expectLikeTheList("empty");
  for (int i = 0; i < 1000; i += 2) add(L"key" + std::to_wstring(i));
  add(L"");
  expectLikeTheList("appended");

  std::mt19937 random(7);
  ASSERT_TRUE(index.IsCurrent(problems));
  std::shuffle(problems.begin(), problems.end(), random);
  EXPECT_FALSE(index.IsCurrent(problems));
  index.Reordered(problems);  // told of the reordering: kept as it is
  EXPECT_TRUE(index.IsCurrent(problems));
  expectLikeTheList("sorted");

  std::shuffle(problems.begin(), problems.end(), random);
  add(L"key1");  // behind the list's back: taken in by the next Update instead
  expectLikeTheList("reordered");

  problems.resize(100);
  expectLikeTheList("shortened");
  problems.clear();
  expectLikeTheList("emptied");
}

}  // namespace
