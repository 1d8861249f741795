#include "bench/Subprocess.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <thread>

using namespace bench;

namespace {

// Whether a process of that id still runs (neither gone nor a zombie).
bool alive(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string state;
    for (int field = 0; field < 3 && stat >> state; ++field) {}
    return stat && state != "Z" && state != "X";
}

TEST(Subprocess, OutputComesThroughAPipeAndErrorsGoToTheirFile)
{
    EXPECT_EQ(outputOf({"sh", "-c", "echo out; echo err >&2"}), "out\n");
    EXPECT_EQ(outputIfSucceeded({"sh", "-c", "echo out"}), "out\n");
    EXPECT_FALSE(outputIfSucceeded({"sh", "-c", "echo out; exit 1"}).has_value());
    const std::filesystem::path errors = std::filesystem::temp_directory_path() / "subprocess-test-errors";
    Subprocess child({"sh", "-c", "echo complaint >&2; exit 3"}, {.outputFile = "/dev/null", .errorFile = errors});
    EXPECT_EQ(WEXITSTATUS(child.wait()), 3);
    std::ifstream file(errors);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "complaint\n");
    std::filesystem::remove(errors);
}

TEST(Subprocess, AProgramThatCannotStartIsAnError)
{
    EXPECT_THROW(Subprocess({"no-such-program-for-the-bench"}), std::system_error);
}

TEST(Subprocess, WaitingWithALimitGivesUpThenEndingEndsIt)
{
    Subprocess child({"sleep", "30"});
    const pid_t pid = child.pid();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(child.waitFor(0.05).has_value());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_TRUE(alive(pid));
    child.end(SIGTERM);
    EXPECT_FALSE(child.running());
    EXPECT_FALSE(alive(pid));
}

TEST(Subprocess, OneThatDoesNotEndOnTheSignalIsKilledAfterAGrace)
{
    // As a frozen server does not see a SIGTERM.
    Subprocess child({"sh", "-c", "trap '' TERM; echo ready; exec sleep 30"}, {.outputPipe = true});
    const pid_t pid = child.pid();
    char ready = 0;
    ASSERT_EQ(read(child.output(), &ready, 1), 1); // the signal is ignored from here on
    const auto start = std::chrono::steady_clock::now();
    child.end(SIGTERM);
    EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(child.running());
    EXPECT_FALSE(alive(pid));
}

TEST(Subprocess, AChildDoesNotOutliveTheBenchThatStartedIt)
{
    // A bench that ends without unwinding (a crash, _exit) leaves no child.
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t bench = fork();
    if (bench == 0) {
        Subprocess child({"sleep", "30"});
        const pid_t pid = child.pid();
        [[maybe_unused]] const ssize_t written = write(report[1], &pid, sizeof pid);
        _exit(0);
    }
    close(report[1]);
    pid_t child = 0;
    ASSERT_EQ(read(report[0], &child, sizeof child), ssize_t(sizeof child));
    close(report[0]);
    waitpid(bench, nullptr, 0);
    for (int look = 0; look < 100 && alive(child); ++look)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(alive(child));
}

} // namespace
