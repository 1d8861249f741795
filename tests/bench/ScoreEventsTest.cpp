#include "bench/ScoreEvents.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace bench;

namespace {

// As score-events prints the start of a performance.
const std::string kOpening = "# score-events --mode original\n"
                             "call bar1\n"
                             "on 1 76\n"
                             "on 2 48\n"
                             "wait 133000\n"
                             "off 1 76\n"
                             "on 1 74\n"
                             "wait 100000\n"
                             "wait 33000\n"
                             "off 2 48\n"
                             "off 1 74\n"
                             "msgbox\n";

TEST(ScoreEvents, NotesAreStampedWithAllTheWaitsBeforeThem)
{
    const std::vector<ScoreNote> notes = scoreNotes(kOpening);
    ASSERT_EQ(notes.size(), 6u);
    EXPECT_EQ(notes[0].stamp, 0);
    EXPECT_EQ(notes[1].stamp, 0);
    EXPECT_EQ(notes[1].player, 2);
    EXPECT_EQ(notes[1].note, 48);
    EXPECT_EQ(notes[1].velocity, 100);
    EXPECT_EQ(notes[2].stamp, 133000);
    EXPECT_EQ(notes[2].velocity, 0);
    EXPECT_EQ(notes[3].note, 74);
    EXPECT_EQ(notes[4].stamp, 266000);
    EXPECT_EQ(notes[5].stamp, 266000);
    EXPECT_EQ(lastStrike(notes), 133000);
}

TEST(ScoreEvents, ALineThatIsNotScoreEventsOwnIsAnError)
{
    for (const char* line : {"on 1\n", "off\n", "wait\n", "wait -5\n", "play 1 60\n"})
        EXPECT_THROW(scoreNotes(line), std::invalid_argument) << line;
    EXPECT_THROW(lastStrike(scoreNotes("off 1 60\n")), std::invalid_argument);
}

TEST(ScoreEvents, TheNotesStruckBeforeALimitKeepTheirReleasesAfterIt)
{
    // 60 struck twice before the limit and released twice, the second time
    // after it; 62 struck at the limit; 64 on the other player.
    const std::vector<ScoreNote> notes = scoreNotes("on 1 60\nwait 10\noff 1 60\non 1 60\non 2 64\nwait 10\n"
                                                    "on 1 62\nwait 10\noff 1 62\noff 1 60\noff 2 64\n");
    const std::vector<ScoreNote> kept = struckBefore(notes, 20);
    ASSERT_EQ(kept.size(), 6u);
    for (const ScoreNote& note : kept)
        EXPECT_NE(note.note, 62);
    EXPECT_EQ(kept[4].note, 60);
    EXPECT_EQ(kept[4].stamp, 30);
    EXPECT_EQ(kept[5].player, 2);
    EXPECT_EQ(struckBefore(notes, 10).size(), 2u); // the first 60 alone
}

TEST(ScoreEvents, TheTimeToPlaySoManyNotesCountsFromTheFirstAtOrAfterTheStart)
{
    const std::vector<ScoreNote> notes = scoreNotes(kOpening);
    EXPECT_EQ(timeToPlay(notes, 0, 2), 0);
    EXPECT_EQ(timeToPlay(notes, 0, 3), 133000);
    EXPECT_EQ(timeToPlay(notes, 100000, 2), 33000);
    EXPECT_EQ(timeToPlay(notes, 100000, 4), 166000);
    EXPECT_THROW(timeToPlay(notes, 100000, 5), std::out_of_range);
}

} // namespace
