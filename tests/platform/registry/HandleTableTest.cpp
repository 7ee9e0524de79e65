#include <gtest/gtest.h>

#include <map>
#include <random>

#include "platform/registry/HandleTable.h"
#include "platform/registry/RegistryStore.h"

namespace mx::reg {
namespace {

// Against a plain map through growth and removals anywhere in a probe run: every open handle is found as
// itself, a closed one never again.
TEST(HandleTable, AgreesWithAMapThroughAddsAndRemoves) {
  HandleTable table;
  std::map<HKEY, std::shared_ptr<Handle>> open;
  std::vector<HKEY> closed;
  std::mt19937 random(7);
  for (int step = 0; step < 20000; ++step) {
    // Grows to a few thousand handles, then drains: removals land in every part of the runs.
    const bool add = open.empty() || random() % 100 < (step < 10000 ? 60u : 35u);
    if (add) {
      auto h = std::make_shared<Handle>();
      HKEY key = table.Add(h);
      ASSERT_TRUE(open.emplace(key, h).second) << "a value given out twice";
    } else {
      auto it = open.begin();
      std::advance(it, static_cast<long>(random() % open.size()));
      EXPECT_EQ(table.Remove(it->first), it->second);
      closed.push_back(it->first);
      open.erase(it);
    }
    if (step % 997 == 0 || step == 19999) {
      for (const auto& [key, h] : open) ASSERT_EQ(table.Find(key), h);
      for (HKEY key : closed) {
        ASSERT_EQ(table.Find(key), nullptr);
        ASSERT_EQ(table.Remove(key), nullptr);
      }
    }
  }
  EXPECT_EQ(table.Find(nullptr), nullptr);
  EXPECT_EQ(table.Clear().size(), open.size());
  for (const auto& entry : open) EXPECT_EQ(table.Find(entry.first), nullptr);
}

}  // namespace
}  // namespace mx::reg
