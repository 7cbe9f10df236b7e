// Under Wine the first program of a session to need the desktop starts the desktop process,
// which keeps the handles that program passed on: the captured output of a test's program run
// then stayed open, so the next run could neither write it nor remove it. The unit tests
// start the desktop themselves, before any test opens a file.

#include <windows.h>

#include <gtest/gtest.h>

namespace {

class DesktopFirst : public ::testing::Environment {
 public:
  void SetUp() override { GetDesktopWindow(); }
};

[[maybe_unused]] ::testing::Environment* const desktopFirst =
    ::testing::AddGlobalTestEnvironment(new DesktopFirst);

}  // namespace
