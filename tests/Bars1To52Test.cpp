#include "score/Score.h"
#include "tests/Stage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// One step as the event lines show it: its strikes, its wait, its releases.
struct StepLines {
    Lines strikes;
    std::string wait;
    Lines releases;
};

std::vector<StepLines> splitSteps(const Lines& lines)
{
    std::vector<StepLines> steps;
    bool waited = true; // the current step has had its wait, or none began
    for (const std::string& line : lines) {
        if (line.starts_with("off ")) {
            steps.back().releases.push_back(line);
            continue;
        }
        const bool wait = line.starts_with("wait ");
        if (waited) steps.emplace_back();
        if (wait) steps.back().wait = line;
        else steps.back().strikes.push_back(line);
        waited = wait;
    }
    return steps;
}

Lines joinSteps(const std::vector<StepLines>& steps)
{
    Lines lines;
    for (const StepLines& step : steps) {
        lines.insert(lines.end(), step.strikes.begin(), step.strikes.end());
        lines.push_back(step.wait);
        lines.insert(lines.end(), step.releases.begin(), step.releases.end());
    }
    return lines;
}

// "72 B72" with prefix "off" gives {"off 1 72", "off 2 72"}.
Lines noteLines(const std::string& prefix, const std::string& notes)
{
    Lines lines;
    std::istringstream in(notes);
    for (std::string note; in >> note;)
        lines.push_back(prefix + (note.front() == 'B' ? " 2 " + note.substr(1) : " 1 " + note));
    return lines;
}

long count(const Lines& lines, const std::string& prefix)
{
    return std::ranges::count_if(lines, [&](const std::string& line) { return line.starts_with(prefix); });
}

} // namespace

TEST(Bars1To52, StrikeAndReleaseOrdersAsWritten)
{
    struct Case {
        const char* routine;
        std::size_t step; // 1-based
        const char* strikes;
        const char* releases;
    };
    const Case cases[] = {
        {"bar5", 1, "76 69 60 53", "76 60 53"},
        {"bar5", 2, "74", "74 69"},
        {"bar6", 3, "79 76 60 52", "76 60 52"},
        {"bar13", 4, "74", "74 81 57"},
        {"bar16", 1, "60 48", "60"},
        {"bar16", 2, "79 64 55", "79 64 55 48"},
        {"bar20", 3, "76", "76 48"},
        {"bar24", 3, "76", "76 48"},
        {"bar25", 2, "74", "74 53 41"},
        {"bar26", 1, "72 B72 52 40", "72"},
        {"bar26", 3, "76", "76 52 40"},
        {"bar26", 4, "74", "74 B72"},
        {"bar26", 5, "72 67", "72"},
        {"bar27", 2, "74", "74 65 50"},
        {"bar31", 6, "74", "74 62 83"},
        {"bar33", 6, "74", "74 65 81"},
        {"bar34", 6, "74", "74 64 79"},
        {"bar35", 4, "74", "74 62"},
        {"bar35", 6, "74", "74 77 55"},
        {"bar36", 4, "67", "67"},
        {"bar36", 6, "74 62", "74 62"},
        {"bar37", 4, "74", "74 66 62"},
        {"bar37", 6, "74", "74 60 66 62"},
        {"bar40", 6, "74", "74 55 67 59"},
        {"bar44", 4, "74", "74 67 59 55"}, // the one step end against the rule
        {"bar44", 6, "74", "74 67 59"},
        {"bar45", 3, "72 B72", "72 B72"},
        {"bar47", 3, "72 70", "72 70"},
        {"bar49", 1, "76 82 70", "76 82 70"},
        {"bar49", 3, "72 84 B72", "72 84 B72"},
        {"bar50", 1, "72 69 81", "72 69 81"},
        {"bar51", 3, "72 82 B70", "72 82 B70"},
    };
    Stage stage;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.routine) + " step " + std::to_string(c.step));
        const auto steps = splitSteps(stage.events(c.routine));
        ASSERT_LT(c.step - 1, steps.size());
        EXPECT_EQ(steps[c.step - 1].strikes, noteLines("on", c.strikes));
        EXPECT_EQ(steps[c.step - 1].releases, noteLines("off", c.releases));
    }
}

TEST(Bars1To52, SameAsBarsSendIdenticalLines)
{
    const std::pair<const char*, const char*> pairs[] = {
        {"bar3", "bar1"},   {"bar4", "bar2"},   {"bar10", "bar6"},  {"bar17", "bar13"},
        {"bar18", "bar14"}, {"bar19", "bar15"}, {"bar41", "bar37"}, {"bar42", "bar38"},
        {"bar43", "bar39"}, {"bar48", "bar46"}, {"bar52", "bar50"},
    };
    Stage stage;
    for (const auto& [bar, original] : pairs) {
        SCOPED_TRACE(bar);
        const Lines lines = stage.events(bar);
        EXPECT_FALSE(lines.empty());
        EXPECT_EQ(lines, stage.events(original));
    }
}

TEST(Bars1To52, EveryBarStrikesItsCountWaitsSixUnitsAndLeavesNothingSounding)
{
    // The strike counts of bars 1 to 52, in bar order.
    const int strikes[52] = {
        6,  6,  6,  6,  12, 9,  12, 10, 12, 9,  12, 10, 9,  9,  6,  7,  9,  9,  6,  7,  // 1-20
        9,  9,  10, 8,  10, 10, 11, 8,  8,  8,  8,  9,  8,  8,  9,  9,              // 21-36
        11, 11, 11, 11, 11, 11, 11, 11, 9,  9,  9,  9,  12, 12, 12, 12,              // 37-52
    };
    const std::string unit = "wait 133000", two = "wait 266000";
    const auto waitsOf = [&](int bar) -> Lines {
        switch (bar) {
        case 13: case 14: case 17: case 18: return {unit, unit, unit, unit, two};
        case 15: case 19: return {two, two, two};
        case 16: return {two, two, unit, unit};
        default: return Lines(6, unit);
        }
    };
    const std::set<int> secondPlayerBars = {26, 45, 49, 51};

    Stage stage;
    long stretch[3] = {}, secondPlayer = 0;
    for (int bar = 1; bar <= 52; ++bar) {
        const std::string name = "bar" + std::to_string(bar);
        SCOPED_TRACE(name);
        const Lines lines = stage.events(name);
        EXPECT_EQ(count(lines, "on "), strikes[bar - 1]);
        EXPECT_EQ(count(lines, "off "), strikes[bar - 1]);
        Lines waits;
        std::ranges::copy_if(lines, std::back_inserter(waits), [](const std::string& l) { return l.starts_with("wait "); });
        EXPECT_EQ(waits, waitsOf(bar));

        // No note is struck while it still sounds on its player, and each is
        // released once, by the bar that struck it.
        std::set<std::string> sounding;
        for (const std::string& line : lines) {
            if (line.starts_with("on ")) {
                EXPECT_TRUE(sounding.insert(line.substr(3)).second) << line;
            } else if (line.starts_with("off ")) {
                EXPECT_EQ(sounding.erase(line.substr(4)), 1u) << line;
            }
        }
        EXPECT_TRUE(sounding.empty());
        EXPECT_TRUE(stage.backend().recording()->sounding().empty());

        EXPECT_EQ(count(lines, "on 2 "), secondPlayerBars.contains(bar) ? 1 : 0);
        stretch[bar <= 20 ? 0 : bar <= 36 ? 1 : 2] += count(lines, "on ");
        if (bar > 36) secondPlayer += count(lines, "on 2 ");
    }
    EXPECT_EQ(stretch[0], 172);
    EXPECT_EQ(stretch[1], 142);
    EXPECT_EQ(stretch[2], 172);
    EXPECT_EQ(secondPlayer, 3);
}

TEST(Bars1To52, PassageOfBars33To35HoldsTwoNotesAcrossTheBarLines)
{
    Stage stage;
    const Lines passage = stage.events("bars333435");
    const auto steps = splitSteps(passage);

    // The releases at each of its eighteen step ends.
    const char* released[18] = {
        "76", "74", "72", "74", "76", "74 65",
        "72", "74 81", "76", "74", "72", "74 64",
        "76", "74 79", "72", "74 62", "76", "74 77 55",
    };
    ASSERT_EQ(steps.size(), 18u);
    for (std::size_t i = 0; i < 18; ++i) {
        SCOPED_TRACE("step " + std::to_string(i + 1));
        EXPECT_EQ(steps[i].releases, noteLines("off", released[i]));
        EXPECT_EQ(steps[i].wait, "wait 133000");
    }

    // Otherwise it is the three single bars in a row: 81 moves from the end
    // of bar 33 to step 8, 79 from the end of bar 34 to step 14.
    auto single = splitSteps(stage.events({"bar33", "bar34", "bar35"}));
    ASSERT_EQ(single.size(), 18u);
    const auto hold = [&](const std::string& note, std::size_t from, std::size_t to) {
        auto& releases = single[from - 1].releases;
        ASSERT_EQ(releases.back(), note);
        releases.pop_back();
        single[to - 1].releases.push_back(note);
    };
    hold("off 1 81", 6, 8);
    hold("off 1 79", 12, 14);
    EXPECT_EQ(passage, joinSteps(single));
    EXPECT_EQ(count(passage, "on "), 25);
    EXPECT_TRUE(stage.backend().recording()->sounding().empty());
}
