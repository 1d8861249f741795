#pragma once

#include "platform/core/ClassRecord.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace platform {

// The clock, in microseconds, as a double; only differences are meaningful.
double Microseconds();

// Yields: on a thread, ends its turn; on the main thread, gives every thread
// that is due a turn. A thread that yields here is due again at once.
void RuntimeBackgroundTask();

// Yields as RuntimeBackgroundTask, telling the framework that this thread has
// nothing to do before Microseconds() reads `microseconds`: it gets no turn
// until then, and the framework may sleep meanwhile instead of turning it.
// A thread waiting so is still killed at once. On the main thread, the same
// as RuntimeBackgroundTask.
void RuntimeBackgroundTaskUntil(double microseconds);

// Shows the text in a message box that keeps the listener from the window
// until it is closed, and returns at once, on any thread: the program's
// callers do nothing after it but return, and a nested event loop on a
// thread's stack would run inside the scheduler's turn.
void MsgBox(const std::string& text);

// What EndOfLine gives: appends the platform's line ending.
class LineEnding : public Object {
public:
    std::string Operator_AddRight(const std::string& text) const { return text + "\n"; }
};
Ref<LineEnding> EndOfLine();

std::string RuntimeAddString(const std::string& a, const std::string& b);

// A source of random numbers, seeded from the system's entropy source when it
// is made, so that two made at the same moment do not repeat each other.
class Random : public Object {
public:
    Random();
    // A whole number from low to high, both included.
    std::int32_t InRange(std::int32_t low, std::int32_t high);

private:
    std::mt19937 engine_;
};

// The run-time's array of Integer, indexed from 0.
class IntegerArray : public Object {
public:
    IntegerArray();
    std::int32_t size() const { return static_cast<std::int32_t>(elements_.size()); }
    // An index outside 0 to size() - 1 throws std::out_of_range.
    std::int32_t get(std::int32_t index) const;
    void set(std::int32_t index, std::int32_t value);
    void remove(std::int32_t index);
    // The same elements, each once, in an order chosen at random.
    void RandomizeOrder();

private:
    friend Ref<IntegerArray> CreateArray(std::int32_t upperBound);
    std::vector<std::int32_t> elements_;
    std::mt19937 engine_;
};

// An array with the indexes 0 to upperBound, all 0; -1 gives an empty one.
Ref<IntegerArray> CreateArray(std::int32_t upperBound);

const ClassRecord& RandomClass();
const ClassRecord& IntegerArrayClass();
const ClassRecord& LineEndingClass();

} // namespace platform
