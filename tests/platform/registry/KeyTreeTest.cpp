#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>

#include "platform/base/Text.h"
#include "platform/registry/KeyTree.h"

namespace mx::reg {
namespace {

std::wstring NameOf(int i) { return L"Class" + std::to_wstring(i) + (i % 3 ? L"\u00c9" : L""); }

// Every key is found by its name in any case, its place in the sorted list agrees, and removed keys are gone.
void ExpectConsistent(const Key& key, int count, int removedEvery) {
  EXPECT_TRUE(std::is_sorted(key.subkeys.begin(), key.subkeys.end(),
                             [](const auto& x, const auto& y) { return x->folded < y->folded; }));
  for (int i = 0; i < count; ++i) {
    const bool removed = removedEvery && i % removedEvery == 0;
    std::wstring upper = NameOf(i);
    for (wchar_t& c : upper) c = c == L'\u00c9' ? L'\u00e9' : static_cast<wchar_t>(std::towupper(c));
    const Key* found = key.Find(upper);
    ASSERT_EQ(found != nullptr, !removed) << i;
    if (found) {
      EXPECT_EQ(found->name, NameOf(i));
      EXPECT_EQ(key.FindOwner(NameOf(i))->get(), found);
      EXPECT_EQ(key.FindShared(NameOf(i)).get(), found);
    }
  }
  EXPECT_EQ(key.Find(L"Class"), nullptr);
}

// Keys with few sub-keys search their list, keys with many an index kept beside it: both must give the same
// answers through every kind of change, and so must a copy of the tree.
TEST(KeyTree, FindsSubkeysThroughAddsRemovesAndCopiesAtAnyCount) {
  for (int count : {5, int(SubkeyIndex::kFromSubkeys) - 1, int(SubkeyIndex::kFromSubkeys), 500}) {
    SCOPED_TRACE(count);
    Key root;
    for (int i = count - 1; i >= 0; --i) root.Add(NameOf(i), 0);  // against the order: inserts at the front
    bool created = true;
    EXPECT_EQ(root.Add(L"CLASS0", 0, &created)->name, NameOf(0));
    EXPECT_FALSE(created);
    ExpectConsistent(root, count, 0);

    for (int i = 0; i < count; i += 4) EXPECT_TRUE(root.Remove(NameOf(i)));
    EXPECT_FALSE(root.Remove(NameOf(0)));
    ExpectConsistent(root, count, 4);

    const std::shared_ptr<Key> copy = CloneTree(root, nullptr);
    ExpectConsistent(*copy, count, 4);

    for (int i = 0; i < count; i += 4) root.Add(NameOf(i), 0);
    ExpectConsistent(root, count, 0);
    ExpectConsistent(*copy, count, 4);
  }
}

// Names are folded several units at a time where all are ASCII: every unit folds as on its own, in any place
// of a name of any length and beside any other.
TEST(KeyTree, FoldsEveryUnitAsOnItsOwn) {
  for (wchar_t c = 0; c < 0x250; ++c) {
    for (const wchar_t other : {L'A', L'z', L'@', L'[', wchar_t(0xC9)}) {
      for (size_t length = 1; length <= 9; ++length) {
        for (size_t at = 0; at < length; ++at) {
          std::wstring name(length, other), expected(length, ToLowerChar(other));
          name[at] = c;
          expected[at] = ToLowerChar(c);
          ASSERT_EQ(FoldName(name), expected) << int(c) << " at " << at << " of " << length;
        }
      }
    }
  }
}

// Keys with a few values look at each in turn, keys with more search them: both find every value in any case
// (also beyond ASCII), nothing else, and keep finding them as values are replaced and deleted.
TEST(KeyTree, FindsValuesInAnyCaseAtAnyCount) {
  for (int count : {1, 8, 9, 40}) {
    SCOPED_TRACE(count);
    Key key;
    for (int i = count - 1; i >= 0; --i) key.SetValue(NameOf(i), REG_DWORD, {BYTE(i)});
    key.SetValue(NameOf(0), REG_SZ, {BYTE(99)});  // replaces, in another case below
    ASSERT_EQ(key.values.size(), size_t(count));
    for (int i = 0; i < count; ++i) {
      std::wstring upper = NameOf(i);
      for (wchar_t& c : upper) c = c == L'\u00c9' ? L'\u00e9' : static_cast<wchar_t>(std::towupper(c));
      const Value* v = key.FindValue(upper);
      ASSERT_NE(v, nullptr) << i;
      EXPECT_EQ(v->name, NameOf(i));
      EXPECT_EQ(v->data, std::vector<BYTE>{BYTE(i ? i : 99)});
    }
    EXPECT_EQ(key.FindValue(L"Class"), nullptr);
    EXPECT_EQ(key.FindValue(NameOf(count)), nullptr);
    for (int i = 0; i < count; i += 2) EXPECT_TRUE(key.DeleteValue(NameOf(i)));
    for (int i = 0; i < count; ++i) EXPECT_EQ(key.FindValue(NameOf(i)) != nullptr, i % 2 == 1) << i;
  }
}

}  // namespace
}  // namespace mx::reg
