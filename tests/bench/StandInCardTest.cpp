#include "bench/PrivatePulse.h"
#include "bench/StandInCard.h"
#include "bench/Subprocess.h"

#include <gtest/gtest.h>

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <string>

using namespace bench;

namespace {

// Playback streams on the server at `address`.
int streamsOn(const std::string& address)
{
    const auto listing = outputIfSucceeded({"pactl", "--server=" + address, "list", "short", "sink-inputs"});
    if (!listing) return -1;
    std::istringstream lines(*listing);
    int count = 0;
    for (std::string line; std::getline(lines, line);)
        count += line.empty() ? 0 : 1;
    return count;
}

// Opens ALSA's `default` for playback in a process of its own, as ALSA
// reads its configuration once for a process, and keeps it open while
// `counted` runs; whether it opened.
template <typename Counted>
bool openDefaultWhile(Counted counted)
{
    int ready[2], release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) return false;
    const pid_t child = fork();
    if (child == 0) {
        close(ready[0]);
        close(release[1]);
        snd_pcm_t* pcm = nullptr;
        const char opened = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) == 0 &&
                            snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 2, 44100,
                                               1, 200000) == 0;
        [[maybe_unused]] const ssize_t written = write(ready[1], &opened, 1);
        char done = 0;
        [[maybe_unused]] const ssize_t got = read(release[0], &done, 1);
        _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    char opened = 0;
    pollfd answer{ready[0], POLLIN, 0};
    const bool answered = poll(&answer, 1, 10000) == 1 && read(ready[0], &opened, 1) == 1;
    if (answered && opened) counted();
    close(release[1]);
    close(ready[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return answered && opened;
}

TEST(StandInCard, ALSAsDefaultIsTheServerWhileOneAnswersAndTheCardWhileNone)
{
    for (const char* tool : {"pulseaudio", "pactl"})
        if (!onPath(tool)) GTEST_SKIP() << tool << " is not installed";
    const StandInCard card;
    PrivatePulseServer server(PrivatePulseServer::Start::Later);
    const std::string cardAddress = card.server().address();

    EXPECT_TRUE(openDefaultWhile([&] { EXPECT_EQ(streamsOn(cardAddress), 1); }));
    server.start();
    EXPECT_TRUE(openDefaultWhile([&] {
        EXPECT_EQ(streamsOn(server.address()), 1);
        EXPECT_EQ(streamsOn(cardAddress), 0);
    }));
}

} // namespace
