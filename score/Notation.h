#pragma once

// The score's notation, read at compile time. A routine is written as its
// steps separated by "|"; a step lists the notes struck at its start, in
// striking order:
//   76      note 76 on NotePlayer1, sounding one unit
//   B72     note 72 on NotePlayer2
//   81/4    a note sounding 4 units, released at the end of the step in
//           which its fourth unit ends
//   (2)     the step is a long step of two units
//   -       the step strikes nothing and still waits
// The releases are not written: they follow from the lengths. The notes that
// end with one step are released first those struck in that same step, in
// striking order, then those struck earlier, in the order struck. A step that
// releases in another order says so: (off 74 67 59 55).

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace score {

struct Note {
    std::uint8_t number = 0;
    std::uint8_t player = 1; // 1 or 2: NotePlayer1 or NotePlayer2
    friend constexpr bool operator==(const Note&, const Note&) = default;
};

// A short list with its room fixed at compile time.
template <std::size_t Capacity>
class Notes {
public:
    constexpr void push_back(Note note)
    {
        if (size_ == Capacity) throw std::length_error("more notes at one step end than there is room for");
        notes_[size_++] = note;
    }
    constexpr std::size_t size() const { return size_; }
    constexpr bool empty() const { return size_ == 0; }
    constexpr const Note* begin() const { return notes_.data(); }
    constexpr const Note* end() const { return notes_.data() + size_; }
    constexpr const Note& operator[](std::size_t i) const { return notes_[i]; }
    friend constexpr bool operator==(const Notes& a, const Notes& b)
    {
        if (a.size_ != b.size_) return false;
        for (std::size_t i = 0; i < a.size_; ++i)
            if (!(a.notes_[i] == b.notes_[i])) return false;
        return true;
    }

private:
    std::array<Note, Capacity> notes_{};
    std::size_t size_ = 0;
};

// One time slot of a routine: its strikes, one wait of its length, then the
// releases of the notes whose length ends with it.
struct Step {
    Notes<8> strikes;      // in striking order
    std::uint8_t units = 1; // 1, or 2 for a long step
    Notes<8> releases;     // in release order
    friend constexpr bool operator==(const Step&, const Step&) = default;
};

namespace notation {

constexpr std::size_t countSteps(std::string_view text)
{
    std::size_t steps = 1;
    for (char c : text) steps += c == '|' ? 1 : 0;
    return steps;
}

// Reads one routine. Throws std::invalid_argument for text that is not
// notation, a note whose length does not end at a step end inside the
// routine, or a release order that names other notes than the step releases;
// at compile time each of these stops the build.
template <std::size_t StepCount>
constexpr std::array<Step, StepCount> parse(std::string_view text)
{
    struct Strike {
        Note note;
        std::size_t step;
        std::size_t endStep;
        std::uint32_t units;
    };
    std::array<Step, StepCount> steps{};
    std::array<Strike, 8 * StepCount> strikes{};
    std::size_t strikeCount = 0;
    std::array<bool, StepCount> reordered{};
    std::array<Notes<8>, StepCount> releaseOrders{};

    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto number = [&](std::string_view& rest) {
        if (rest.empty() || !isDigit(rest.front())) throw std::invalid_argument("a number is missing");
        std::uint32_t value = 0;
        while (!rest.empty() && isDigit(rest.front())) {
            value = value * 10 + static_cast<std::uint32_t>(rest.front() - '0');
            if (value > 1000) throw std::invalid_argument("a number is too large");
            rest.remove_prefix(1);
        }
        return value;
    };
    const auto skipBlanks = [](std::string_view& rest) {
        while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    };
    const auto note = [&](std::string_view& rest) {
        Note read;
        if (!rest.empty() && rest.front() == 'B') {
            read.player = 2;
            rest.remove_prefix(1);
        }
        const auto value = number(rest);
        if (value > 127) throw std::invalid_argument("a note number above 127");
        read.number = static_cast<std::uint8_t>(value);
        return read;
    };

    std::size_t stepIndex = 0;
    std::string_view rest = text;
    while (true) {
        // Searched by hand: the library's find is not a constant expression
        // when the build checks for undefined behaviour.
        std::size_t bar = 0;
        while (bar < rest.size() && rest[bar] != '|') ++bar;
        if (bar == rest.size()) bar = std::string_view::npos;
        std::string_view cell = rest.substr(0, bar);
        Step& step = steps[stepIndex];
        bool silent = false;
        skipBlanks(cell);
        while (!cell.empty()) {
            if (cell.starts_with("(2)")) {
                step.units = 2;
                cell.remove_prefix(3);
            } else if (cell.starts_with("(off")) {
                cell.remove_prefix(4);
                reordered[stepIndex] = true;
                skipBlanks(cell);
                while (!cell.empty() && cell.front() != ')') {
                    releaseOrders[stepIndex].push_back(note(cell));
                    skipBlanks(cell);
                }
                if (cell.empty()) throw std::invalid_argument("a release order without its closing bracket");
                cell.remove_prefix(1);
            } else if (cell.front() == '-') {
                silent = true;
                cell.remove_prefix(1);
            } else {
                Strike strike{note(cell), stepIndex, 0, 1};
                if (!cell.empty() && cell.front() == '/') {
                    cell.remove_prefix(1);
                    strike.units = number(cell);
                    if (strike.units == 0) throw std::invalid_argument("a note of no length");
                }
                step.strikes.push_back(strike.note);
                if (strikeCount == strikes.size()) throw std::length_error("too many strikes");
                strikes[strikeCount++] = strike;
            }
            if (!cell.empty() && cell.front() != ' ') throw std::invalid_argument("notes must be separated by blanks");
            skipBlanks(cell);
        }
        if (silent == !step.strikes.empty()) throw std::invalid_argument("a step must strike notes or be written -");
        ++stepIndex;
        if (bar == std::string_view::npos) break;
        if (stepIndex == StepCount) throw std::invalid_argument("more steps than expected");
        rest.remove_prefix(bar + 1);
    }
    if (stepIndex != StepCount) throw std::invalid_argument("fewer steps than expected");

    // Where each note ends: at the step in which its units run out.
    for (std::size_t s = 0; s < strikeCount; ++s) {
        Strike& strike = strikes[s];
        std::uint32_t units = 0;
        std::size_t at = strike.step;
        for (; at < StepCount; ++at) {
            units += steps[at].units;
            if (units >= strike.units) break;
        }
        if (at == StepCount) throw std::invalid_argument("a note sounds past the end of its routine");
        if (units != strike.units) throw std::invalid_argument("a note's length ends inside a long step");
        strike.endStep = at;
    }

    // The release rule: the step's own notes first, then the earlier ones.
    for (std::size_t end = 0; end < StepCount; ++end) {
        Notes<8> rule;
        for (std::size_t s = 0; s < strikeCount; ++s)
            if (strikes[s].endStep == end && strikes[s].step == end) rule.push_back(strikes[s].note);
        for (std::size_t s = 0; s < strikeCount; ++s)
            if (strikes[s].endStep == end && strikes[s].step < end) rule.push_back(strikes[s].note);
        if (!reordered[end]) {
            steps[end].releases = rule;
            continue;
        }
        // A written order must release exactly the notes that end here.
        const Notes<8>& written = releaseOrders[end];
        if (written.size() != rule.size()) throw std::invalid_argument("a release order names other notes than end there");
        std::array<bool, 8> matched{};
        for (const Note& n : written) {
            bool found = false;
            for (std::size_t i = 0; i < rule.size() && !found; ++i) {
                if (!matched[i] && rule[i] == n) found = matched[i] = true;
            }
            if (!found) throw std::invalid_argument("a release order names a note that does not end there");
        }
        steps[end].releases = written;
    }
    return steps;
}

// A string usable as a template argument, so that a routine's step count
// can follow from its text.
template <std::size_t Size>
struct Text {
    consteval Text(const char (&text)[Size])
    {
        for (std::size_t i = 0; i < Size; ++i) chars[i] = text[i];
    }
    constexpr std::string_view view() const { return {chars, Size - 1}; }
    char chars[Size]{};
};

} // namespace notation

// "76 | 74 | 72"_steps: the steps of a routine written in the notation.
template <notation::Text text>
consteval auto operator""_steps()
{
    return notation::parse<notation::countSteps(text.view())>(text.view());
}

} // namespace score
