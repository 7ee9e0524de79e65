#pragma once
// The sample prefix built once per build tree and shared, read-only, by the tests of the platform layers:
// rebuilding it costs seconds, and ctest runs every test in its own process. Tests that change anything make
// their own mxtest::TestPrefix instead.
#include <filesystem>

namespace mxtest {

// Builds <build>/test-fixture-prefix on first use (safe across processes) and returns it.
std::filesystem::path SharedFixturePrefix();

// Points the platform layer at the shared fixture prefix for the life of the object.
class UseSharedFixture {
 public:
  UseSharedFixture();
  ~UseSharedFixture();
  UseSharedFixture(const UseSharedFixture&) = delete;
  UseSharedFixture& operator=(const UseSharedFixture&) = delete;

 private:
  std::filesystem::path previous_;
};

}  // namespace mxtest
