#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace platform {

// A property's position in its class's full property table. A class's table
// holds its base's properties first, so an index means the same property in a
// class and in all of its subclasses.
using PropertyIndex = std::uint16_t;

struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

enum class PropertyType : std::uint8_t { Integer, Boolean, String, Colour, Object };

// Who may set a property: a property list may set only ReadWrite and
// WriteOnly ones; Object, ReadOnly and Private ones belong to the framework.
enum class PropertyAccess : std::uint8_t { ReadWrite, ReadOnly, WriteOnly, Private };

// The value a property holds; object-valued properties are not stored here.
using PropertyValue = std::variant<std::monostate, std::int32_t, bool, std::string, Colour>;

std::string_view toString(PropertyType type);
PropertyType typeOf(const PropertyValue& value);

// A property index that knows the C++ type of its value, so that code and the
// stored property lists cannot set a property to a value of the wrong type.
template <class T>
struct PropertyId {
    PropertyIndex index;
};
using IntegerProperty = PropertyId<std::int32_t>;
using BooleanProperty = PropertyId<bool>;
using StringProperty = PropertyId<std::string>;
using ColourProperty = PropertyId<Colour>;

struct PropertyInfo {
    PropertyIndex index;
    std::string_view name;
    PropertyType type;
    PropertyAccess access = PropertyAccess::ReadWrite;

    bool settableByList() const
    {
        return type != PropertyType::Object &&
               (access == PropertyAccess::ReadWrite || access == PropertyAccess::WriteOnly);
    }
};

} // namespace platform
