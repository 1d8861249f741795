#pragma once

#include "platform/core/Object.h"

#include <any>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace platform {

// A method taking no argument but the object itself and returning nothing:
// constructors, hooks, event handlers and the score's routines.
using Routine = std::function<void(Object& self)>;

// One slot of a method table: the routine and its name. Routines of other
// signatures are held as std::function<R(Object&, Args...)>.
struct Method {
    std::string name;
    std::any routine;
};

// An event a class fills with one of its methods (a window's "Layout").
struct EventHook {
    std::string name;
    Routine routine;
};

// The run-time description of a class: its registered name, its base, its
// method table (the base's slots first), its property table (the base's
// first) and the events it fills. Built once, by the class's lookup.
class ClassRecord {
public:
    ClassRecord(std::string name, const ClassRecord* base);

    const std::string& name() const { return name_; }
    const ClassRecord* base() const { return base_; }
    bool isA(const ClassRecord& other) const;

    // The instance layout: what RuntimeNewObject makes. Inherited from the base.
    void setLayout(std::function<Ref<Object>()> makeInstance) { makeInstance_ = std::move(makeInstance); }
    Ref<Object> makeInstance() const;

    const std::vector<Method>& methods() const { return methods_; }
    template <class R, class... Args>
    void addMethod(std::string name, std::type_identity_t<std::function<R(Object&, Args...)>> routine)
    {
        methods_.push_back({std::move(name), std::any(std::move(routine))});
    }
    void addMethod(std::string name, Routine routine) { addMethod<void>(std::move(name), std::move(routine)); }

    // The method of that name with that signature; std::logic_error if the
    // class has no such method.
    template <class Signature>
    const std::function<Signature>& method(std::string_view name) const
    {
        const auto* routine = std::any_cast<std::function<Signature>>(&findMethod(name).routine);
        if (routine == nullptr) throw std::logic_error(name_ + "." + std::string(name) + " has another signature");
        return *routine;
    }
    const Routine& routine(std::string_view name) const { return method<void(Object&)>(name); }

    const std::vector<PropertyInfo>& properties() const { return properties_; }
    // Appends the class's own properties; each must stand at its own index.
    void addProperties(std::initializer_list<PropertyInfo> properties);

    void fillEvent(std::string name, Routine routine);
    const Routine* event(std::string_view name) const;

private:
    const Method& findMethod(std::string_view name) const;

    std::string name_;
    const ClassRecord* base_;
    std::function<Ref<Object>()> makeInstance_;
    std::vector<Method> methods_;
    std::vector<PropertyInfo> properties_;
    std::vector<EventHook> events_;
};

// Creates and registers the record of a new class, with a copy of its base's
// layout, method table, property table and events.
ClassRecord& RuntimeNewClass(const ClassRecord* base, std::string name);

// The registered record of that name, or nullptr if it is not built yet.
const ClassRecord* RuntimeFindClass(std::string_view name);

// Tells the backend of a call by name, before the method runs.
void RuntimeTraceCall(const Object& self, std::string_view name);

namespace detail {
template <class Signature>
struct MethodCall;
template <class R, class... Params>
struct MethodCall<R(Params...)> {
    template <class... Args>
    static R call(Object& self, std::string_view name, Args&&... args)
    {
        RuntimeTraceCall(self, name);
        return self.classRecord().method<R(Object&, Params...)>(name)(self, std::forward<Args>(args)...);
    }
};
} // namespace detail

// Calls a method by name through the object's method table; the signature
// names its result and parameters, without the object itself:
// callMethod(window, "bar1"), callMethod<Ref<Object>(const ClassRecord&)>(window, "__New", record).
template <class Signature = void(), class... Args>
decltype(auto) callMethod(Object& self, std::string_view name, Args&&... args)
{
    return detail::MethodCall<Signature>::call(self, name, std::forward<Args>(args)...);
}

} // namespace platform
