#include "platform/core/Runtime.h"
#include "platform/testing/TestBackend.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// A backend whose library ends the process under it, and says why.
class EndedBackend : public platform::TestBackend {
public:
    explicit EndedBackend(std::string why) : why_(std::move(why)) {}
    std::string whyExiting() const override { return why_; }

private:
    std::string why_;
};

} // namespace

// Each process runs the statement afresh.
class RuntimeDeathTest : public testing::Test {
protected:
    RuntimeDeathTest() { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(RuntimeDeathTest, AnExitUnderAStartedRunTimeEndsTheProcessWithStatusOneAndTheBackendsLine)
{
    EXPECT_EXIT(
        {
            const platform::Runtime runtime(std::make_unique<EndedBackend>("the display went away"));
            std::exit(0);
        },
        testing::ExitedWithCode(1), "^the display went away\n$");
    EXPECT_EXIT(
        {
            const platform::Runtime runtime(std::make_unique<EndedBackend>(""));
            std::exit(0);
        },
        testing::ExitedWithCode(1), "^$");
}

TEST_F(RuntimeDeathTest, AnExitAfterTheRunTimeEndedKeepsItsStatus)
{
    EXPECT_EXIT(
        {
            platform::Runtime runtime(std::make_unique<EndedBackend>("the display went away"));
            runtime.end();
            std::exit(3);
        },
        testing::ExitedWithCode(3), "^$");
}
