#pragma once
// For test programs that start the program itself: every child inherits a throw-away home and a host without
// timers, so no program started by a test can put an entry into the real user's crontab, timers or autostart
// folder. Include it in one source file of the test program.
#include <gtest/gtest.h>

#include <memory>

#include "support/FakeHost.h"

namespace mxtest {

class FakeHostEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { host_ = std::make_unique<FakeHost>(FakeHost::Kind::None); }
  void TearDown() override { host_.reset(); }

 private:
  std::unique_ptr<FakeHost> host_;
};

inline ::testing::Environment* const kFakeHostEnvironment =
    ::testing::AddGlobalTestEnvironment(new FakeHostEnvironment);

}  // namespace mxtest
