#include "platform/core/Services.h"

#include "platform/core/Runtime.h"
#include "platform/core/Scheduler.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace platform {

namespace {

std::mt19937 seededFromEntropy()
{
    std::random_device entropy;
    std::seed_seq seed{entropy(), entropy(), entropy(), entropy(), entropy(), entropy(), entropy(), entropy()};
    return std::mt19937(seed);
}

} // namespace

double Microseconds()
{
    return runtimeBackend().microseconds();
}

void RuntimeBackgroundTask()
{
    runtimeScheduler().yield();
}

void RuntimeBackgroundTaskUntil(double microseconds)
{
    runtimeScheduler().yieldUntil(microseconds);
}

void MsgBox(const std::string& text)
{
    runtimeBackend().showMessageBox(text, false);
}

Ref<LineEnding> EndOfLine()
{
    return std::static_pointer_cast<LineEnding>(RuntimeNewObject(LineEndingClass()));
}

std::string RuntimeAddString(const std::string& a, const std::string& b)
{
    return a + b;
}

Random::Random() : engine_(seededFromEntropy()) {}

std::int32_t Random::InRange(std::int32_t low, std::int32_t high)
{
    if (low > high) throw std::invalid_argument("InRange: low " + std::to_string(low) + " is above high " + std::to_string(high));
    return std::uniform_int_distribution<std::int32_t>(low, high)(engine_);
}

IntegerArray::IntegerArray() : engine_(seededFromEntropy()) {}

std::int32_t IntegerArray::get(std::int32_t index) const
{
    if (index < 0 || index >= size()) throw std::out_of_range("IntegerArray index " + std::to_string(index) + " out of 0 to " + std::to_string(size() - 1));
    return elements_[static_cast<std::size_t>(index)];
}

void IntegerArray::set(std::int32_t index, std::int32_t value)
{
    get(index);
    elements_[static_cast<std::size_t>(index)] = value;
}

void IntegerArray::remove(std::int32_t index)
{
    get(index);
    elements_.erase(elements_.begin() + index);
}

void IntegerArray::RandomizeOrder()
{
    std::ranges::shuffle(elements_, engine_);
}

Ref<IntegerArray> CreateArray(std::int32_t upperBound)
{
    if (upperBound < -1) throw std::invalid_argument("CreateArray: upper bound " + std::to_string(upperBound) + " below -1");
    auto array = std::static_pointer_cast<IntegerArray>(RuntimeNewObject(IntegerArrayClass()));
    array->elements_.assign(static_cast<std::size_t>(upperBound + 1), 0);
    return array;
}

const ClassRecord& RandomClass()
{
    if (const ClassRecord* record = RuntimeFindClass("Random")) return *record;
    ClassRecord& record = RuntimeNewClass(nullptr, "Random");
    record.setLayout([] { return std::make_shared<Random>(); });
    return record;
}

const ClassRecord& IntegerArrayClass()
{
    if (const ClassRecord* record = RuntimeFindClass("IntegerArray")) return *record;
    ClassRecord& record = RuntimeNewClass(nullptr, "IntegerArray");
    record.setLayout([] { return std::make_shared<IntegerArray>(); });
    return record;
}

const ClassRecord& LineEndingClass()
{
    if (const ClassRecord* record = RuntimeFindClass("EndOfLine")) return *record;
    ClassRecord& record = RuntimeNewClass(nullptr, "EndOfLine");
    record.setLayout([] { return std::make_shared<LineEnding>(); });
    return record;
}

} // namespace platform
