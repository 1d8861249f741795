#include "score/Score.h"
#include "tests/Stage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

// Each routine played on a stage of its own, so that nothing carries over.
std::vector<std::string> lines(std::string_view bar)
{
    Stage stage;
    return stage.events(bar);
}

// "on 1 76, wait 133000, off 1 76" as event lines.
std::vector<std::string> expected(const std::string& text)
{
    std::vector<std::string> out;
    for (std::size_t from = 0, comma; from <= text.size(); from = comma + 2) {
        comma = std::min(text.find(", ", from), text.size());
        out.push_back(text.substr(from, comma - from));
    }
    return out;
}

std::string name(int bar) { return "bar" + std::to_string(bar); }

} // namespace

TEST(Bars53To108, RoutinesStandInBarOrderAndRepeatsPlayTheirBars)
{
    const auto routines = score::bars53To108();
    ASSERT_EQ(routines.size(), 56u);
    for (int bar = 53; bar <= 108; ++bar) EXPECT_EQ(routines[bar - 53].name, name(bar));

    const std::set<std::pair<int, int>> repeats = {{53, 57}, {54, 58}, {55, 59}, {56, 60}, {61, 65}, {62, 66},
        {63, 67}, {64, 68}, {69, 73}, {70, 74}, {71, 75}, {72, 76}, {77, 81}, {78, 82}, {79, 83}, {80, 84},
        {93, 97}, {94, 98}, {95, 99}, {101, 105}, {102, 106}};
    for (const auto& [bar, repeat] : repeats) EXPECT_EQ(lines(name(repeat)), lines(name(bar))) << repeat;
    std::vector<std::vector<std::string>> bars77To92;
    for (int bar = 77; bar <= 92; ++bar) bars77To92.push_back(lines(name(bar)));
    for (int a = 77; a <= 92; ++a) {
        for (int b = a + 1; b <= 92; ++b) {
            if (!repeats.contains({a, b})) {
                EXPECT_NE(bars77To92[a - 77], bars77To92[b - 77]) << a << " " << b;
            }
        }
    }

    // Bars 101 to 107 stand for bars 13 to 16 (bar 103 aside).
    for (const auto& [bar, early] : {std::pair{101, 13}, {102, 14}, {104, 16}, {107, 15}})
        EXPECT_EQ(lines(name(bar)), lines(name(early))) << bar;
}

TEST(Bars53To108, EveryBarStrikesWaitsAndReleasesAsWritten)
{
    struct Stretch {
        int first, last, strikes;
        const char* steps; // "1" a one-unit step, "2" a long one
        std::size_t mostSounding;
    };
    // Bar 104 alone sounds four notes at once in bars 93 to 108.
    const Stretch stretches[] = {{53, 68, 6, "1111", 3}, {69, 76, 9, "1111", 4}, {77, 78, 7, "1111", 3},
        {79, 79, 8, "1111", 3}, {80, 82, 7, "1111", 3}, {83, 83, 8, "1111", 3}, {84, 84, 7, "1111", 3},
        {85, 89, 8, "1111", 2}, {90, 92, 7, "1111", 3}, {93, 94, 11, "111111", 3}, {95, 95, 12, "111111", 3},
        {96, 98, 11, "111111", 3}, {99, 99, 12, "111111", 3}, {100, 100, 8, "111111", 3},
        {101, 102, 9, "11112", 3}, {103, 103, 7, "222", 3}, {104, 104, 7, "2211", 4}, {105, 106, 9, "11112", 3},
        {107, 107, 6, "222", 2}, {108, 108, 7, "111111", 2}};
    int strikesPerPart[4] = {};
    for (const Stretch& stretch : stretches) {
        for (int bar = stretch.first; bar <= stretch.last; ++bar) {
            SCOPED_TRACE(name(bar));
            Stage stage;
            std::vector<std::string> waits;
            std::multiset<std::string> sounding;
            std::size_t most = 0;
            int strikes = 0;
            for (const std::string& line : stage.events(name(bar))) {
                if (line.starts_with("wait")) {
                    waits.push_back(line);
                } else if (line.starts_with("on 1 ")) {
                    EXPECT_FALSE(sounding.contains(line.substr(3))) << "struck while sounding: " << line;
                    sounding.insert(line.substr(3));
                    most = std::max(most, sounding.size());
                    ++strikes;
                } else {
                    ASSERT_TRUE(line.starts_with("off 1 ")) << line;
                    ASSERT_TRUE(sounding.contains(line.substr(4))) << "released while silent: " << line;
                    sounding.erase(sounding.find(line.substr(4)));
                }
            }
            std::vector<std::string> stepWaits;
            for (const char* s = stretch.steps; *s; ++s) stepWaits.push_back(*s == '1' ? "wait 133000" : "wait 266000");
            EXPECT_EQ(strikes, stretch.strikes);
            EXPECT_EQ(waits, stepWaits);
            EXPECT_EQ(most, stretch.mostSounding);
            EXPECT_TRUE(sounding.empty());
            EXPECT_TRUE(stage.backend().recording()->sounding().empty());
            strikesPerPart[bar <= 68 ? 0 : bar <= 76 ? 1 : bar <= 92 ? 2 : 3] += strikes;
        }
    }
    EXPECT_EQ(strikesPerPart[0], 96);
    EXPECT_EQ(strikesPerPart[1], 72);
    EXPECT_EQ(strikesPerPart[2], 119);
    EXPECT_EQ(strikesPerPart[3], 150);
}

TEST(Bars53To108, HeldNotesEndWhereTheirLengthsRunOut)
{
    // The releases after the wait of one step, each end in the order of the
    // release rule: that step's own notes first, then the earlier ones.
    const auto releasesAfterWait = [](const std::vector<std::string>& bar, int step) {
        std::vector<std::string> releases;
        int waits = 0;
        for (const std::string& line : bar) {
            if (line.starts_with("wait")) ++waits;
            else if (waits == step && line.starts_with("off")) releases.push_back(line);
        }
        return releases;
    };
    struct StepEnd {
        const char* bar;
        int step;
        const char* releases;
    };
    const StepEnd ends[] = {
        {"bar53", 4, "off 1 74, off 1 65, off 1 69"},
        {"bar69", 2, "off 1 74, off 1 60, off 1 48"},
        {"bar69", 4, "off 1 74, off 1 84, off 1 54, off 1 50"},
        {"bar90", 1, "off 1 76, off 1 72"},
        {"bar90", 3, "off 1 76"},
        {"bar91", 1, "off 1 79"},
        {"bar91", 2, "off 1 79, off 1 38"},
        {"bar92", 2, "off 1 86, off 1 36"},
        {"bar92", 4, "off 1 91, off 1 52, off 1 43"},
        {"bar108", 2, "off 1 74"},
        {"bar108", 3, "off 1 76, off 1 36"},
    };
    for (const StepEnd& end : ends)
        EXPECT_EQ(releasesAfterWait(lines(end.bar), end.step), expected(end.releases)) << end.bar << " " << end.step;

    const auto bar91 = lines("bar91");
    EXPECT_EQ(std::count(bar91.begin(), bar91.end(), "on 1 79"), 2);
}

TEST(Bars53To108, Bar103IsBar107WithA53InItsLastStep)
{
    auto bar103 = lines("bar103");
    const auto lastWait = std::find(bar103.rbegin(), bar103.rend(), "wait 266000").base();
    const auto on53 = std::find(bar103.begin(), bar103.end(), "on 1 53");
    ASSERT_NE(on53, bar103.end());
    EXPECT_EQ(std::vector<std::string>(on53 - 1, on53 + 2), expected("on 1 71, on 1 53, on 1 43"));
    EXPECT_EQ(std::vector<std::string>(lastWait, bar103.end()), expected("off 1 71, off 1 53, off 1 43"));

    std::erase(bar103, "on 1 53");
    std::erase(bar103, "off 1 53");
    EXPECT_EQ(bar103, lines("bar107"));
}
