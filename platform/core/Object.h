#pragma once

#include "platform/core/Property.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace platform {

class ClassRecord;

template <class T>
using Ref = std::shared_ptr<T>;

// Raised wherever an operation meets a nil object: a control lookup that found
// nothing, a failed cast, a missing application object.
class NilObjectException : public std::runtime_error {
public:
    explicit NilObjectException(const std::string& what = "nil object") : std::runtime_error(what) {}
};

[[noreturn]] void RaiseNilObjectException();

// Every framework object: an instance of one class record, holding the values
// of that class's properties. A view may observe an object to mirror it.
class Object : public std::enable_shared_from_this<Object> {
public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() = default;

    const ClassRecord& classRecord() const;

    const PropertyValue& property(PropertyIndex index) const;
    // Checks the value against the class's property table; throws
    // std::invalid_argument for an unknown index or a value of another type.
    void setProperty(PropertyIndex index, PropertyValue value);

    template <class T>
    const T& get(PropertyId<T> id) const
    {
        return std::get<T>(property(id.index));
    }
    template <class T>
    void set(PropertyId<T> id, T value)
    {
        setProperty(id.index, PropertyValue{std::move(value)});
    }

    // The one observer (the backend's view of this object), told after every
    // change of a property.
    void setObserver(std::function<void(PropertyIndex)> observer);

protected:
    // Lets a class react to its own property changes (a radio button
    // deselecting its siblings) before the observer hears of them.
    virtual void propertyChanged(PropertyIndex) {}

private:
    friend Ref<Object> RuntimeNewObject(const ClassRecord& record);

    const ClassRecord* class_ = nullptr;
    std::vector<PropertyValue> properties_;
    std::function<void(PropertyIndex)> observer_;
};

// A new instance of the class, laid out as the class says; no constructor of
// the framework's object model runs.
Ref<Object> RuntimeNewObject(const ClassRecord& record);

// The object if it is an instance of the class or of one of its subclasses,
// else nil. Nil is accepted.
Ref<Object> RuntimeCheckCast(const Ref<Object>& object, const ClassRecord& record);

template <class T>
Ref<T> RuntimeCheckCast(const Ref<Object>& object, const ClassRecord& record)
{
    return std::dynamic_pointer_cast<T>(RuntimeCheckCast(object, record));
}

// The object itself, or the nil-object exception.
template <class T>
T& nonNil(const Ref<T>& object)
{
    if (!object) RaiseNilObjectException();
    return *object;
}

} // namespace platform
