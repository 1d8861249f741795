#include "player/InitialProperties.h"
#include "platform/core/Control.h"
#include "platform/core/PropertyList.h"
#include "platform/core/Runtime.h"
#include "tests/Stage.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lists = player::initialProperties;
using platform::PropertyListError;

namespace {

std::size_t decodedLength(std::string_view list, const platform::ClassRecord& record)
{
    const auto entries = platform::decodePropertyList(list, record);
    return entries.empty() ? 0 : list.size();
}

// The message of the error that applying the list raises, or "" if none.
std::string errorOf(platform::Object& object, std::string_view list)
{
    try {
        platform::_SetProperties(object, list);
    } catch (const PropertyListError& e) {
        return e.what();
    }
    return {};
}

} // namespace

TEST(StoredPropertyLists, AreExactlyTheirBytes)
{
    using namespace std::string_view_literals;
    EXPECT_EQ(lists::notePlayer1.bytes(),
              "\x00\x00\x00\x00\x00\x0B"
              "NotePlayer1"
              "\x00\x01\x80\x00\x00\x00"
              "\x00\x0E\x00\x00\x00\x01"
              "\x00\x02\x00\x00\x00\x00"sv);
    EXPECT_EQ(lists::thread.bytes(), "\x00\x02\x00\x00\x00\x05\x00\x00\x00\x00\x00\x00"sv);

    Stage stage; // the class records
    const struct {
        std::string_view list;
        const platform::ClassRecord& record;
        std::size_t length;
    } stored[] = {
        {lists::start.bytes(), platform::PushButtonClass(), 124},
        {lists::stop.bytes(), platform::PushButtonClass(), 122},
        {lists::progressWheel.bytes(), platform::ProgressWheelClass(), 89},
        {lists::notePlayer1.bytes(), platform::NotePlayerClass(), 35},
        {lists::notePlayer2.bytes(), platform::NotePlayerClass(), 35},
        {lists::originalButton.bytes(), platform::RadioButtonClass(), 133},
        {lists::oneshotButton.bytes(), platform::RadioButtonClass(), 132},
        {lists::loopedButton.bytes(), platform::RadioButtonClass(), 129},
        {lists::thread.bytes(), platform::ThreadClass(), 12},
        {lists::window.bytes(), platform::WindowClass(), 101 + std::string_view("Velmora 20").size()},
    };
    for (const auto& list : stored) {
        EXPECT_EQ(list.list.size(), list.length);
        EXPECT_EQ(decodedLength(list.list, list.record), list.length);
    }
    // Every entry of the thread list sets a property of Thread itself.
    EXPECT_EQ(platform::decodePropertyList(lists::thread.bytes(), platform::ThreadClass()).size(), 2u);
}

TEST(PropertyListDecoding, ReadsBigEndianValuesAndEmptyStrings)
{
    Stage stage;
    const auto entries = platform::decodePropertyList(lists::start.bytes(), platform::PushButtonClass());
    ASSERT_EQ(entries.size(), 24u);
    EXPECT_EQ(entries[1].index, platform::Control::Index.index);
    EXPECT_EQ(std::get<std::int32_t>(entries[1].value), -2147483648);
    EXPECT_EQ(std::get<std::int32_t>(entries[3].value), 140); // Top
    const auto& helpTag = entries[16];                       // "" takes its 4-byte length alone
    EXPECT_EQ(std::get<std::string>(helpTag.value), "");
    EXPECT_EQ(entries[17].offset - helpTag.offset, 2u + 4u);
}

TEST(PropertyListDecoding, RejectsBadListsCleanlyAndSetsNothing)
{
    Stage stage;
    platform::PushButton& button = stage.button("start");
    const std::string list(lists::start.bytes());

    // A cut between entries leaves a shorter list; every cut inside an entry
    // is refused, and then nothing of the list is set.
    const auto entries = platform::decodePropertyList(list, platform::PushButtonClass());
    for (std::size_t cut = 1; cut < list.size(); ++cut) {
        button.set(platform::PushButton::Caption, std::string("before"));
        const bool atEntry = std::ranges::any_of(entries, [cut](const auto& e) { return e.offset == cut; });
        const std::string error = errorOf(button, std::string_view(list).substr(0, cut));
        EXPECT_EQ(error.empty(), atEntry) << "cut at " << cut;
        if (!atEntry) {
            EXPECT_EQ(button.get(platform::PushButton::Caption), "before") << "cut at " << cut;
        }
    }

    EXPECT_EQ(errorOf(button, std::string_view(list).substr(0, 8)),
              "PushButton property list, entry at byte 0: the list ends inside the value of property 0 (2 of 5 bytes left)");
    EXPECT_NE(errorOf(button, std::string_view("\x00\x63\x00\x00\x00\x01", 6)).find("entry at byte 0: PushButton has no property 99"),
              std::string::npos);
    EXPECT_NE(errorOf(button, std::string_view("\x00\x04\x00\x00\x00\x01", 6)).find("property 4 (MouseX) cannot be set"),
              std::string::npos);
    EXPECT_NE(errorOf(button, std::string_view("\x00\x17\x02", 3)).find("property 23 is Boolean"), std::string::npos);
    EXPECT_NE(errorOf(button, std::string_view("\x00\x20\x00\x00\x00\x01\xFF", 7)).find("not UTF-8"), std::string::npos);
    // A length that runs past the end is refused before anything is read.
    EXPECT_NE(errorOf(button, std::string_view("\x00\x20\xFF\xFF\xFF\xFF" "ab", 8)).find("ends inside the value of property 32"),
              std::string::npos);
}

TEST(PropertyListDecoding, TakesOnlyStrictUtf8ForStrings)
{
    Stage stage;
    platform::PushButton& button = stage.button("start");
    // A good Caption entry, then one whose text is under test, at byte 8.
    const auto listWithCaption = [](std::string_view text) {
        std::string list("\x00\x20\x00\x00\x00\x02" "ok", 8);
        list += std::string("\x00\x20", 2);
        for (int shift = 24; shift >= 0; shift -= 8) list += static_cast<char>(text.size() >> shift & 0xFF);
        return list += text;
    };

    // The first and last character of each sequence length, either side of the surrogates.
    for (const std::string_view text : {"\x7F", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xED\x9F\xBF", "\xEE\x80\x80",
                                        "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF", "\xC2\xA3" "0.49"}) {
        EXPECT_EQ(errorOf(button, listWithCaption(text)), "") << testing::PrintToString(text);
        EXPECT_EQ(button.get(platform::PushButton::Caption), text);
    }

    const std::string_view refused[] = {
        "\xC0\xAF", "\xC1\xBF", "\xE0\x80\x80", "\xE0\x9F\xBF", "\xF0\x80\x80\x80", "\xF0\x8F\xBF\xBF", // overlong
        "\xED\xA0\x80", "\xED\xBF\xBF",                                                                // surrogates
        "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xF7\xBF\xBF\xBF", "\xF8\x88\x80\x80\x80", "\xFF",    // above U+10FFFF
        "\x80", "\xBF", "a\xC3", "\xE2\x82", "\xC3\x28", "\xE2\x28\xA1", "\xF0\x90\x80\x7F",           // cut or broken
    };
    for (const std::string_view text : refused) {
        button.set(platform::PushButton::Caption, std::string("before"));
        EXPECT_EQ(errorOf(button, listWithCaption(text)),
                  "PushButton property list, entry at byte 8: property 32 is a String, but its bytes are not UTF-8")
            << testing::PrintToString(text);
        EXPECT_EQ(button.get(platform::PushButton::Caption), "before");
    }
}
