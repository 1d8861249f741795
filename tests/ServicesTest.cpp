#include "platform/core/Services.h"
#include "tests/Stage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

TEST(Services, InRangeCoversBothBoundsAndNothingElse)
{
    Stage stage;
    platform::Random random;
    std::set<int> drawn;
    for (int draw = 0; draw < 2000; ++draw) drawn.insert(random.InRange(1, 4));
    EXPECT_EQ(drawn, (std::set<int>{1, 2, 3, 4}));
    EXPECT_EQ(random.InRange(7, 7), 7);
    EXPECT_THROW(random.InRange(2, 1), std::invalid_argument);
}

TEST(Services, RandomsMadeAtTheSameMomentDoNotRepeatEachOther)
{
    platform::Random first;
    platform::Random second;
    std::vector<int> a, b;
    for (int draw = 0; draw < 20; ++draw) {
        a.push_back(first.InRange(1, 142));
        b.push_back(second.InRange(1, 142));
    }
    EXPECT_NE(a, b);
}

TEST(Services, RandomizeOrderIsAPermutationThatCanPutAnyElementFirst)
{
    Stage stage;
    const auto array = platform::CreateArray(4);
    for (int i = 0; i <= 4; ++i) array->set(i, 10 * i);
    std::set<int> first;
    for (int shuffle = 0; shuffle < 500; ++shuffle) {
        array->RandomizeOrder();
        std::vector<int> elements;
        for (int i = 0; i < array->size(); ++i) elements.push_back(array->get(i));
        std::ranges::sort(elements);
        ASSERT_EQ(elements, (std::vector<int>{0, 10, 20, 30, 40}));
        first.insert(array->get(0));
    }
    EXPECT_EQ(first.size(), 5u);
}

TEST(Services, IntegerArraysRefuseIndexesOutsideThem)
{
    Stage stage;
    const auto array = platform::CreateArray(1);
    array->remove(0);
    EXPECT_EQ(array->size(), 1);
    EXPECT_THROW(array->get(1), std::out_of_range);
    EXPECT_THROW(array->remove(-1), std::out_of_range);
    EXPECT_EQ(platform::CreateArray(-1)->size(), 0);
}
