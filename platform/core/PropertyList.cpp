#include "platform/core/PropertyList.h"

#include "platform/core/ClassRecord.h"

#include <string>

namespace platform {

namespace {

// Reads a list front to back; every read first checks that the bytes are
// there, so nothing is ever read past the end.
class Reader {
public:
    Reader(std::string_view list, const ClassRecord& record) : list_(list), record_(record) {}

    bool atEnd() const { return position_ == list_.size(); }
    std::size_t position() const { return position_; }

    std::uint32_t bigEndian(std::size_t bytes, std::size_t entry, const char* what)
    {
        need(bytes, entry, what);
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i) value = value << 8 | static_cast<unsigned char>(list_[position_++]);
        return value;
    }

    std::string_view bytes(std::size_t count, std::size_t entry, const char* what)
    {
        need(count, entry, what);
        const std::string_view taken = list_.substr(position_, count);
        position_ += count;
        return taken;
    }

    [[noreturn]] void fail(std::size_t entry, const std::string& problem) const
    {
        throw PropertyListError(record_.name() + " property list, entry at byte " + std::to_string(entry) + ": " + problem);
    }

private:
    void need(std::size_t bytes, std::size_t entry, const char* what) const
    {
        if (list_.size() - position_ < bytes)
            fail(entry, std::string("the list ends inside ") + what + " (" + std::to_string(list_.size() - position_) +
                            " of " + std::to_string(bytes) + " bytes left)");
    }

    std::string_view list_;
    const ClassRecord& record_;
    std::size_t position_ = 0;
};

bool isUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        // The payload bits of the lead byte, then six from each continuation byte.
        char32_t codePoint = lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next >> 6) != 0x2) return false;
            codePoint = codePoint << 6 | (next & 0x3F);
        }
        // Only the shortest form of a character is UTF-8, and surrogate
        // halves and numbers above U+10FFFF are no characters at all:
        // anything looser would spell one text in several ways.
        constexpr char32_t shortestAt[] = {0, 0, 0x80, 0x800, 0x10000};
        if (codePoint < shortestAt[length] || (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF)
            return false;
        i += length;
    }
    return true;
}

} // namespace

std::vector<PropertyListEntry> decodePropertyList(std::string_view list, const ClassRecord& record)
{
    std::vector<PropertyListEntry> entries;
    Reader reader(list, record);
    while (!reader.atEnd()) {
        const std::size_t entry = reader.position();
        const auto index = static_cast<PropertyIndex>(reader.bigEndian(2, entry, "the property index"));
        const std::string property = "property " + std::to_string(index);
        if (index >= record.properties().size()) reader.fail(entry, record.name() + " has no " + property);
        const PropertyInfo& info = record.properties()[index];
        if (!info.settableByList())
            reader.fail(entry, property + " (" + std::string(info.name) + ") cannot be set from a property list");

        const std::string valueOf = "the value of " + property;
        PropertyValue value;
        switch (info.type) {
        case PropertyType::Integer:
            value = static_cast<std::int32_t>(reader.bigEndian(4, entry, valueOf.c_str()));
            break;
        case PropertyType::Boolean: {
            const auto byte = reader.bigEndian(1, entry, valueOf.c_str());
            if (byte > 1) reader.fail(entry, property + " is Boolean, but its value byte is " + std::to_string(byte));
            value = byte == 1;
            break;
        }
        case PropertyType::String: {
            const auto length = reader.bigEndian(4, entry, ("the length of " + property).c_str());
            const std::string_view text = reader.bytes(length, entry, valueOf.c_str());
            if (!isUtf8(text)) reader.fail(entry, property + " is a String, but its bytes are not UTF-8");
            value = std::string(text);
            break;
        }
        case PropertyType::Colour: {
            const std::string_view rgb = reader.bytes(3, entry, valueOf.c_str());
            value = Colour{static_cast<std::uint8_t>(rgb[0]), static_cast<std::uint8_t>(rgb[1]), static_cast<std::uint8_t>(rgb[2])};
            break;
        }
        case PropertyType::Object:
            break; // not settable by a list, refused above
        }
        entries.push_back({entry, index, std::move(value)});
    }
    return entries;
}

void _SetProperties(Object& object, std::string_view list)
{
    for (PropertyListEntry& entry : decodePropertyList(list, object.classRecord()))
        object.setProperty(entry.index, std::move(entry.value));
}

} // namespace platform
