#include "platform/core/ClassRecord.h"
#include "platform/core/Runtime.h"

#include <algorithm>
#include <string>

namespace platform {

std::string_view toString(PropertyType type)
{
    switch (type) {
    case PropertyType::Integer: return "Integer";
    case PropertyType::Boolean: return "Boolean";
    case PropertyType::String: return "String";
    case PropertyType::Colour: return "colour";
    case PropertyType::Object: return "object";
    }
    return "unknown";
}

PropertyType typeOf(const PropertyValue& value)
{
    static constexpr PropertyType types[] = {PropertyType::Object, PropertyType::Integer, PropertyType::Boolean,
                                             PropertyType::String, PropertyType::Colour};
    return types[value.index()];
}

void RaiseNilObjectException()
{
    throw NilObjectException();
}

const ClassRecord& Object::classRecord() const
{
    if (class_ == nullptr) throw std::logic_error("object made outside RuntimeNewObject");
    return *class_;
}

const PropertyValue& Object::property(PropertyIndex index) const
{
    if (index >= properties_.size()) throw std::invalid_argument(classRecord().name() + " has no property " + std::to_string(index));
    return properties_[index];
}

void Object::setProperty(PropertyIndex index, PropertyValue value)
{
    const auto& table = classRecord().properties();
    if (index >= table.size()) throw std::invalid_argument(classRecord().name() + " has no property " + std::to_string(index));
    if (typeOf(value) != table[index].type) {
        throw std::invalid_argument(classRecord().name() + "." + std::string(table[index].name) + " is of type " +
                                    std::string(toString(table[index].type)) + ", not " + std::string(toString(typeOf(value))));
    }
    properties_[index] = std::move(value);
    propertyChanged(index);
    if (observer_) observer_(index);
}

void Object::setObserver(std::function<void(PropertyIndex)> observer)
{
    observer_ = std::move(observer);
}

Ref<Object> RuntimeNewObject(const ClassRecord& record)
{
    Ref<Object> object = record.makeInstance();
    object->class_ = &record;
    for (const PropertyInfo& info : record.properties()) {
        switch (info.type) {
        case PropertyType::Integer: object->properties_.emplace_back(std::int32_t{0}); break;
        case PropertyType::Boolean: object->properties_.emplace_back(false); break;
        case PropertyType::String: object->properties_.emplace_back(std::string()); break;
        case PropertyType::Colour: object->properties_.emplace_back(Colour{}); break;
        case PropertyType::Object: object->properties_.emplace_back(std::monostate{}); break;
        }
    }
    return object;
}

Ref<Object> RuntimeCheckCast(const Ref<Object>& object, const ClassRecord& record)
{
    if (object && object->classRecord().isA(record)) return object;
    return nullptr;
}

ClassRecord::ClassRecord(std::string name, const ClassRecord* base) : name_(std::move(name)), base_(base)
{
    if (base_ == nullptr) return;
    makeInstance_ = base_->makeInstance_;
    methods_ = base_->methods_;
    properties_ = base_->properties_;
    events_ = base_->events_;
}

bool ClassRecord::isA(const ClassRecord& other) const
{
    for (const ClassRecord* record = this; record != nullptr; record = record->base_)
        if (record == &other) return true;
    return false;
}

Ref<Object> ClassRecord::makeInstance() const
{
    if (!makeInstance_) throw std::logic_error("class " + name_ + " has no instance layout");
    return makeInstance_();
}

const Method& ClassRecord::findMethod(std::string_view name) const
{
    const auto found = std::ranges::find(methods_, name, &Method::name);
    if (found == methods_.end()) throw std::logic_error("class " + name_ + " has no method " + std::string(name));
    return *found;
}

void ClassRecord::addProperties(std::initializer_list<PropertyInfo> properties)
{
    for (const PropertyInfo& info : properties) {
        if (info.index != properties_.size())
            throw std::logic_error(name_ + "." + std::string(info.name) + " declared out of its place");
        properties_.push_back(info);
    }
}

void ClassRecord::fillEvent(std::string name, Routine routine)
{
    const auto found = std::ranges::find(events_, name, &EventHook::name);
    if (found != events_.end())
        found->routine = std::move(routine);
    else
        events_.push_back({std::move(name), std::move(routine)});
}

const Routine* ClassRecord::event(std::string_view name) const
{
    const auto found = std::ranges::find(events_, name, &EventHook::name);
    return found != events_.end() && found->routine ? &found->routine : nullptr;
}

} // namespace platform
