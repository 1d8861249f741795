#include "platform/qt/TimedAttempt.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

using platform::AttemptResult;
using platform::attemptWithin;

namespace {

constexpr std::chrono::milliseconds kLimit{200};

// Whether the process has a child left, running or not yet waited for.
bool childLeft()
{
    return waitpid(-1, nullptr, WNOHANG) >= 0 || errno != ECHILD;
}

} // namespace

TEST(TimedAttempt, TellsWhetherTheAttemptSucceededFailedOrDidNotEndInTime)
{
    EXPECT_EQ(attemptWithin(kLimit, [] { return true; }), AttemptResult::Succeeded);
    EXPECT_EQ(attemptWithin(kLimit, [] { return false; }), AttemptResult::Failed);
    // A process that died without an answer: a library that crashed.
    EXPECT_EQ(attemptWithin(kLimit, [] { return raise(SIGKILL) == 0; }), AttemptResult::Failed);
    EXPECT_EQ(attemptWithin(kLimit, [] { return pause() == 0; }), AttemptResult::TimedOut);
    EXPECT_FALSE(childLeft());
}

TEST(TimedAttempt, AnAttemptChangesNothingOfTheCaller)
{
    static int touched = 0;
    EXPECT_EQ(attemptWithin(kLimit, [] { return ++touched == 1; }), AttemptResult::Succeeded);
    EXPECT_EQ(touched, 0);
}
