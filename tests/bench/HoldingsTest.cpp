#include "bench/Holdings.h"
#include "bench/Subprocess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

using namespace bench;

namespace {

// As `pactl list clients` lists them, with process 4711's two among others:
// one whose id begins like it, and one that only names it elsewhere.
const std::string kClients = "Client #0\n"
                             "\tDriver: protocol-native.c\n"
                             "\tProperties:\n"
                             "\t\tapplication.name = \"velmora20\"\n"
                             "\t\tapplication.process.id = \"4711\"\n"
                             "\n"
                             "Client #1\n"
                             "\tProperties:\n"
                             "\t\tapplication.process.id = \"47110\"\n"
                             "\n"
                             "Client #2\n"
                             "\tProperties:\n"
                             "\t\tmedia.name = \"4711\"\n"
                             "\t\tapplication.process.id = \"12\"\n"
                             "Client #13\n"
                             "\tProperties:\n"
                             "\t\tapplication.process.id = \"4711\"\n"
                             "\t\tapplication.process.id = \"4711\"\n";

TEST(Holdings, TheServersEntriesOfAProcessAreThoseThatNameItsId)
{
    EXPECT_EQ(entriesOf(kClients, 4711), (std::vector<int>{0, 13}));
    EXPECT_EQ(entriesOf(kClients, 12), std::vector<int>{2});
    EXPECT_TRUE(entriesOf(kClients, 471).empty());
    EXPECT_TRUE(entriesOf("", 4711).empty());
}

TEST(Holdings, ThreadsAndDescriptorsAreCountedApartAndAServerThatDoesNotAnswerSaysSo)
{
    if (!onPath("pactl")) GTEST_SKIP() << "pactl is not installed";
    setenv("PULSE_SERVER", "unix:/nonexistent/bench-holdings-test", 1);
    // A sanitizer's run-time starts a thread of its own with the first one
    // the process starts: that one goes first.
    std::thread([] {}).join();
    const Holdings before = holdingsOf(getpid());
    EXPECT_EQ(before.clients, -1);
    EXPECT_EQ(before.streams, -1);

    std::mutex mutex;
    std::condition_variable changed;
    bool counted = false;
    std::thread waiting([&] {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return counted; });
    });
    const int first = open("/dev/null", O_RDONLY | O_CLOEXEC), second = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const Holdings after = holdingsOf(getpid());
    close(first);
    close(second);
    {
        const std::lock_guard lock(mutex);
        counted = true;
    }
    changed.notify_one();
    waiting.join();
    EXPECT_EQ(after.threads, before.threads + 1);
    EXPECT_EQ(after.fds, before.fds + 2);
}

} // namespace
