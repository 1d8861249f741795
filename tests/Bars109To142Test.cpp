#include "score/Score.h"
#include "tests/Stage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

int countPrefix(const Lines& lines, const std::string& prefix)
{
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) { return line.starts_with(prefix); }));
}

// The lines with the bar line after the n-th wait removed: each of `dropped`
// is taken out once from the releases of step n and the strikes of step n+1.
Lines holdAcross(Lines lines, int wait, const Lines& dropped)
{
    std::size_t from = lines.size();
    std::size_t to = lines.size();
    int waits = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].starts_with("wait")) continue;
        ++waits;
        if (waits == wait) from = i;
        if (waits == wait + 1) to = i;
    }
    for (const std::string& line : dropped) {
        const auto end = lines.begin() + static_cast<std::ptrdiff_t>(to);
        const auto found = std::find(lines.begin() + static_cast<std::ptrdiff_t>(from), end, line);
        if (found == end) {
            ADD_FAILURE() << line << " not at the bar line after wait " << wait;
            continue;
        }
        lines.erase(found);
        --to;
    }
    return lines;
}

// Every strike and release of one note, as "on@S" (struck at the start of
// step S) or "off@S" (released at its end); the routines here have no silent
// steps, so every wait line ends one step.
Lines history(const Lines& lines, const std::string& note)
{
    Lines out;
    int waits = 0;
    for (const std::string& line : lines) {
        if (line.starts_with("wait")) ++waits;
        else if (line == "on " + note) out.push_back("on@" + std::to_string(waits + 1));
        else if (line == "off " + note) out.push_back("off@" + std::to_string(waits));
    }
    return out;
}

Lines seq(std::initializer_list<std::string> values) { return values; }

} // namespace

TEST(Bars109To142, PassagesHoldAcrossTheirInnerBarLines)
{
    Stage stage;
    const Lines chord109 = {"off 1 81", "off 2 72", "off 2 66", "on 1 81", "on 2 72", "on 2 66"};
    Lines expected = stage.events({"bar109", "bar110", "bar111", "bar112"});
    EXPECT_EQ(countPrefix(expected, "on "), 36);
    for (int barLine : {6, 12, 18}) expected = holdAcross(expected, barLine, chord109);
    const Lines passage = stage.events("bars109110111112");
    EXPECT_EQ(passage, expected);
    EXPECT_EQ(countPrefix(passage, "on "), 27);
    EXPECT_EQ(countPrefix(passage, "off "), 27);
    EXPECT_EQ(stage.events("bars117118119120"), passage);
    EXPECT_EQ(history(passage, "2 72"), seq({"on@1", "off@24"}));

    // Bars 133 to 136: the chord runs on to the end of the eighth step.
    struct TwoBars {
        const char* first;
        const char* second;
        const char* passage;
        Lines chord;
    };
    for (const TwoBars& run : {TwoBars{"bar133", "bar134", "bars133134", {"56", "52", "48", "42"}},
                               TwoBars{"bar135", "bar136", "bars135136", {"68", "64", "60", "54"}}}) {
        SCOPED_TRACE(run.passage);
        Lines dropped;
        for (const std::string& n : run.chord) dropped.push_back("off 1 " + n);
        for (const std::string& n : run.chord) dropped.push_back("on 1 " + n);
        Lines singles = stage.events({run.first, run.second});
        EXPECT_EQ(countPrefix(singles, "on "), 20);
        const Lines held = stage.events(run.passage);
        EXPECT_EQ(held, holdAcross(singles, 6, dropped));
        EXPECT_EQ(countPrefix(held, "on "), 16);
        EXPECT_EQ(countPrefix(held, "wait "), 12);
        for (const std::string& n : run.chord) EXPECT_EQ(history(held, "1 " + n), seq({"on@1", "off@8"}));
    }

    // Bars 137 to 139: 81 held to the end of bar 138, 72 and 66 one step
    // further, into bar 139.
    Lines singles = stage.events({"bar137", "bar138", "bar139"});
    EXPECT_EQ(countPrefix(singles, "on "), 26);
    singles = holdAcross(singles, 6, {"off 1 81", "off 1 72", "off 1 66", "on 1 81", "on 1 72", "on 1 66"});
    singles = holdAcross(singles, 12, {"off 1 72", "off 1 66", "on 1 72", "on 1 66"});
    const Lines passage137 = stage.events("bars137138139");
    EXPECT_EQ(passage137, singles);
    EXPECT_EQ(countPrefix(passage137, "on "), 21);
    EXPECT_EQ(countPrefix(passage137, "off "), 21);
    EXPECT_EQ(countPrefix(passage137, "wait 133000"), 18);
    EXPECT_EQ(history(passage137, "1 81"), seq({"on@1", "off@12"}));
    EXPECT_EQ(history(passage137, "1 66"), seq({"on@1", "off@13"}));
    EXPECT_EQ(history(passage137, "1 72"), seq({"on@1", "on@3", "off@3", "on@7", "off@7", "on@11", "off@11", "off@13", "on@15", "off@15"}));

    // From the releases of step 13 on, the passage is bar 139 after its first wait.
    const auto afterWait = [](const Lines& all, int wait) {
        auto it = all.begin();
        for (int seen = 0; seen < wait; ++it) seen += it->starts_with("wait") ? 1 : 0;
        return Lines(it, all.end());
    };
    EXPECT_EQ(afterWait(passage137, 13), afterWait(stage.events("bar139"), 1));
}

TEST(Bars109To142, RepeatsAndTransposedBars)
{
    Stage stage;
    const std::map<std::string, std::vector<std::string>> sameAs = {
        {"bar109", {"bar111", "bar117", "bar119"}},
        {"bar110", {"bar112", "bar118", "bar120"}},
        {"bar121", {"bar125"}},
        {"bar122", {"bar126"}},
        {"bar123", {"bar127"}},
        {"bar124", {"bar128"}},
    };
    for (const auto& [original, repeats] : sameAs) {
        const Lines expected = stage.events(original);
        for (const std::string& repeat : repeats) EXPECT_EQ(stage.events(repeat), expected) << repeat;
    }

    // Bars 137 and 138 are bars 109 and 110 with the chord's 72 and 66 on
    // NotePlayer1.
    const auto onPlayer1 = [](Lines all) {
        for (std::string& line : all) {
            if (line.starts_with("on 2 ")) line.replace(0, 4, "on 1");
            if (line.starts_with("off 2 ")) line.replace(0, 5, "off 1");
        }
        return all;
    };
    const Lines bar137 = stage.events("bar137");
    const Lines bar138 = stage.events("bar138");
    EXPECT_EQ(bar137, onPlayer1(stage.events("bar109")));
    EXPECT_EQ(bar138, onPlayer1(stage.events("bar110")));
    EXPECT_EQ(history(bar137, "1 72"), seq({"on@1", "on@3", "off@3", "off@6"}));
    EXPECT_EQ(history(bar138, "1 72"), seq({"on@1", "on@1", "off@1", "on@5", "off@5", "off@6"}));
    EXPECT_EQ(Lines(bar138.begin(), bar138.begin() + 4), seq({"on 1 72", "on 1 81", "on 1 72", "on 1 66"}));

    // Bar 131 is bar 129 an octave lower.
    Lines lowered = stage.events("bar129");
    for (std::string& line : lowered) {
        if (line.starts_with("wait")) continue;
        const auto space = line.rfind(' ');
        line = line.substr(0, space + 1) + std::to_string(std::stoi(line.substr(space + 1)) - 12);
    }
    EXPECT_EQ(stage.events("bar131"), lowered);

    // The chord's 72 in bar 113 is released before the figure strikes its own.
    EXPECT_EQ(history(stage.events("bar113"), "1 72"), seq({"on@1", "off@2", "on@3", "off@3", "on@5", "off@6"}));
}

TEST(Bars109To142, SilentStepsAndTheFinalChord)
{
    Stage stage;
    const Lines bar141 = stage.events("bar141");
    ASSERT_GE(bar141.size(), 2u);
    EXPECT_EQ(bar141[bar141.size() - 2], "off 1 36");
    EXPECT_EQ(bar141.back(), "wait 399000"); // three silent steps back to back
    const auto& steps141 = score::findRoutine("bar141")->steps;
    ASSERT_EQ(steps141.size(), 6u);
    for (std::size_t s = 3; s < 6; ++s) {
        EXPECT_TRUE(steps141[s].strikes.empty());
        EXPECT_TRUE(steps141[s].releases.empty());
        EXPECT_EQ(steps141[s].units, 1);
    }

    EXPECT_EQ(stage.events("bar142"),
              seq({"on 1 84", "on 1 79", "on 1 76", "on 1 72", "on 2 72", "on 1 64", "on 1 60", "wait 133000",
                     "off 2 72", "off 1 64", "off 1 60", "wait 665000",
                     "off 1 84", "off 1 79", "off 1 76", "off 1 72"}));
}

TEST(Bars109To142, EveryRoutineCountsAndLeavesNothingSounding)
{
    struct Count {
        const char* name;
        int strikes;
        int onPlayer2;
        int units;
    };
    const Count counts[] = {
        {"bar109", 9, 2, 6}, {"bar110", 9, 2, 6}, {"bar111", 9, 2, 6}, {"bar112", 9, 2, 6},
        {"bars109110111112", 27, 2, 24},
        {"bar113", 12, 0, 6}, {"bar114", 9, 0, 6}, {"bar115", 12, 0, 6}, {"bar116", 9, 0, 6},
        {"bar117", 9, 2, 6}, {"bar118", 9, 2, 6}, {"bar119", 9, 2, 6}, {"bar120", 9, 2, 6},
        {"bars117118119120", 27, 2, 24},
        {"bar121", 12, 0, 6}, {"bar122", 9, 0, 6}, {"bar123", 12, 0, 6}, {"bar124", 9, 0, 6},
        {"bar125", 12, 0, 6}, {"bar126", 9, 0, 6}, {"bar127", 12, 0, 6}, {"bar128", 9, 0, 6},
        {"bar129", 10, 0, 6}, {"bar130", 9, 0, 6}, {"bar131", 10, 0, 6}, {"bar132", 5, 0, 6},
        {"bar133", 10, 0, 6}, {"bar134", 10, 0, 6}, {"bars133134", 16, 0, 12},
        {"bar135", 10, 0, 6}, {"bar136", 10, 0, 6}, {"bars135136", 16, 0, 12},
        {"bar137", 9, 0, 6}, {"bar138", 9, 0, 6}, {"bar139", 8, 0, 6}, {"bars137138139", 21, 0, 18},
        {"bar140", 6, 0, 6}, {"bar141", 3, 0, 6}, {"bar142", 7, 1, 6},
    };
    ASSERT_EQ(score::bars109To142().size(), std::size(counts));

    Stage stage;
    std::size_t index = 0;
    for (const Count& count : counts) {
        SCOPED_TRACE(count.name);
        EXPECT_EQ(score::bars109To142()[index++].name, count.name); // bar order
        const Lines played = stage.events(count.name);
        EXPECT_EQ(countPrefix(played, "on "), count.strikes);
        EXPECT_EQ(countPrefix(played, "on 2 "), count.onPlayer2);
        long waited = 0;
        std::map<std::string, int> sounding;
        for (const std::string& line : played) {
            if (line.starts_with("wait ")) {
                waited += std::stol(line.substr(5));
            } else if (line.starts_with("on ")) {
                ++sounding[line.substr(3)];
            } else {
                EXPECT_GE(--sounding[line.substr(4)], 0) << line << " released before it was struck";
            }
        }
        EXPECT_EQ(waited, count.units * 133000L);
        for (const auto& [note, strikes] : sounding) EXPECT_EQ(strikes, 0) << note << " still sounds";
    }
    EXPECT_TRUE(stage.backend().recording()->sounding().empty());
}

// Across the whole score: the routines the modes call by name, and the few
// notes that NotePlayer2 plays.
TEST(WholeScore, RoutinesAndNotePlayer2)
{
    std::set<std::string> names;
    std::size_t routines = 0;
    std::map<int, int> player2Strikes;
    for (const auto stretch : {score::bars1To52(), score::bars53To108(), score::bars109To142()}) {
        for (const score::ScoreRoutine& routine : stretch) {
            ++routines;
            names.emplace(routine.name);
            for (const score::Step& step : routine.steps)
                for (const score::Note& note : step.strikes)
                    if (note.player == 2) ++player2Strikes[note.number];
        }
    }
    EXPECT_EQ(routines, 148u);
    EXPECT_EQ(names.size(), 148u);
    for (int bar = 1; bar <= 142; ++bar) EXPECT_TRUE(names.contains("bar" + std::to_string(bar))) << bar;
    for (const char* passage : {"bars333435", "bars109110111112", "bars117118119120", "bars133134", "bars135136", "bars137138139"})
        EXPECT_TRUE(names.contains(passage)) << passage;
    EXPECT_EQ(player2Strikes, (std::map<int, int>{{66, 10}, {70, 1}, {72, 14}}));
}
