#pragma once

#include "platform/core/Object.h"

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace platform {

// A property list: the initial properties of one object as one run of bytes.
// Each entry is a 2-byte big-endian property index, then the value in the
// type of that property: Integer 4 bytes signed big-endian, Boolean 1 byte,
// String a 4-byte big-endian length and that many bytes of UTF-8, colour 3
// bytes. There is no header, separator or terminator.

// Raised for a list that cannot be applied; the message names the byte offset
// of the entry and its property index.
class PropertyListError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

struct PropertyListEntry {
    std::size_t offset;
    PropertyIndex index;
    PropertyValue value;
};

// Decodes a list by the property table of the class; PropertyListError for a
// list that ends inside an entry, an index the class does not have, one that
// a list may not set, or a value that is not of its property's type.
std::vector<PropertyListEntry> decodePropertyList(std::string_view list, const ClassRecord& record);

// Sets the object's properties from the list, in the list's order. A list
// that cannot be decoded whole sets nothing.
void _SetProperties(Object& object, std::string_view list);

// A property list built at compile time from typed entries, so that the bytes
// that the program stores are exactly those of its entries.
class StoredPropertyList {
public:
    class Entry {
    public:
        consteval Entry(IntegerProperty property, std::int32_t value) : index_(property.index), kind_(Kind::Integer), integer_(value) {}
        consteval Entry(BooleanProperty property, bool value) : index_(property.index), kind_(Kind::Boolean), boolean_(value) {}
        consteval Entry(StringProperty property, std::string_view value) : index_(property.index), kind_(Kind::String), string_(value) {}
        consteval Entry(ColourProperty property, Colour value) : index_(property.index), kind_(Kind::Colour), colour_(value) {}

    private:
        friend class StoredPropertyList;
        enum class Kind { Integer, Boolean, String, Colour };
        PropertyIndex index_;
        Kind kind_;
        std::int32_t integer_ = 0;
        bool boolean_ = false;
        std::string_view string_;
        Colour colour_;
    };

    consteval StoredPropertyList(std::initializer_list<Entry> entries)
    {
        for (const Entry& entry : entries) {
            putBigEndian(entry.index_, 2);
            switch (entry.kind_) {
            case Entry::Kind::Integer: putBigEndian(static_cast<std::uint32_t>(entry.integer_), 4); break;
            case Entry::Kind::Boolean: put(entry.boolean_ ? 1 : 0); break;
            case Entry::Kind::String:
                putBigEndian(static_cast<std::uint32_t>(entry.string_.size()), 4);
                for (char c : entry.string_) put(static_cast<unsigned char>(c));
                break;
            case Entry::Kind::Colour:
                put(entry.colour_.red);
                put(entry.colour_.green);
                put(entry.colour_.blue);
                break;
            }
        }
    }

    constexpr std::string_view bytes() const { return {bytes_.data(), size_}; }

private:
    static constexpr std::size_t capacity = 192;

    constexpr void put(unsigned value)
    {
        if (size_ == capacity) throw std::length_error("property list longer than its capacity");
        bytes_[size_++] = static_cast<char>(value & 0xFF);
    }
    constexpr void putBigEndian(std::uint32_t value, int bytes)
    {
        for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) put(value >> shift);
    }

    std::array<char, capacity> bytes_{};
    std::size_t size_ = 0;
};

} // namespace platform
