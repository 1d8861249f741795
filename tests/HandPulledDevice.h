#pragma once

#include "platform/fluidsynth/AudioDevice.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fluidsynth_testing {

using platform::fluidsynth::AudioConnection;
using platform::fluidsynth::AudioDevice;
using platform::fluidsynth::FrameSource;

// A device the test pulls by hand, whose opening and closing the test can
// hold back or make fail. What the test steers is shared with the device
// and its connections, which the output may keep after the test's handle.
class HandPulledDevice {
public:
    explicit HandPulledDevice(bool failOpening = false) { state_->failOpening = failOpening; }

    // The device to hand to an output.
    std::unique_ptr<AudioDevice> device() { return std::make_unique<Device>(state_); }

    void holdOpening(bool hold) { state_->set(&State::holdOpening, hold); }
    // As when the sound server has gone away since the device last opened.
    void failOpening(bool fail) { state_->set(&State::failOpening, fail); }
    // As when the server holds on to a stream it no longer plays.
    void holdClosing(bool hold) { state_->set(&State::holdClosing, hold); }

    // Pulls a period from the connection of the `opening`th opening
    // (counted from 1; by default the last), as the device's thread would,
    // at its pace (so the stream gets its turns); false unless that
    // connection is open or closing.
    bool pull(int frames, std::vector<float>& sound, int opening = 0)
    {
        std::this_thread::sleep_for(std::chrono::microseconds(20));
        const std::lock_guard lock(state_->mutex);
        FrameSource* source = state_->sourceOf(opening);
        return source && pullFrom(*source, frames, sound);
    }

    // Pulls a period through the source of an opening that has not
    // answered yet, as a driver whose thread starts before its opening
    // returns; false unless one is opening.
    bool pullWhileOpening(int frames, std::vector<float>& sound)
    {
        const std::lock_guard lock(state_->mutex);
        if (!state_->opening)
            return false;
        return pullFrom(*state_->opening, frames, sound);
    }

    // Waits up to five seconds for the device to have been opened and to
    // have begun closing so often, and to be pulling if `pulling`; false if
    // it did not.
    bool waitUntil(int opens, int closings, bool pulling = false)
    {
        std::unique_lock lock(state_->mutex);
        return state_->changed.wait_for(lock, std::chrono::seconds(5), [&] {
            return state_->opens() >= opens && state_->closings >= closings && (!pulling || state_->sourceOf(0));
        });
    }

    int opens() const { return state_->get(&State::opens); }
    int closings() const { return state_->get(&State::closings); }

private:
    static bool pullFrom(FrameSource& source, int frames, std::vector<float>& sound)
    {
        std::vector<float> left(static_cast<std::size_t>(frames)), right(static_cast<std::size_t>(frames));
        source.renderFrames(frames, left.data(), right.data());
        for (std::size_t i = 0; i < left.size(); ++i)
            sound.insert(sound.end(), {left[i], right[i]});
        return true;
    }

    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<FrameSource*> sources; // by opening; null unless open or closing
        FrameSource* opening = nullptr;    // while an opening has not answered
        bool holdOpening = false;
        bool holdClosing = false;
        bool failOpening = false;
        int closings = 0;

        int opens() const { return static_cast<int>(sources.size()); }
        FrameSource* sourceOf(int opening) const
        {
            const int index = (opening > 0 ? opening : opens()) - 1;
            return index >= 0 && index < opens() ? sources[static_cast<std::size_t>(index)] : nullptr;
        }
        template <typename T>
        void set(T State::*field, T value)
        {
            const std::lock_guard lock(mutex);
            this->*field = value;
            changed.notify_all();
        }
        template <typename T>
        T get(T State::*field)
        {
            const std::lock_guard lock(mutex);
            return this->*field;
        }
        int get(int (State::*count)() const)
        {
            const std::lock_guard lock(mutex);
            return (this->*count)();
        }
    };

    // Like a real driver, it goes on pulling until it has closed.
    class Connection final : public AudioConnection {
    public:
        Connection(std::shared_ptr<State> state, std::size_t index) : state_(std::move(state)), index_(index) {}
        ~Connection() override
        {
            std::unique_lock lock(state_->mutex);
            ++state_->closings;
            state_->changed.notify_all();
            state_->changed.wait(lock, [this] { return !state_->holdClosing; });
            state_->sources[index_] = nullptr;
        }

    private:
        std::shared_ptr<State> state_;
        std::size_t index_;
    };

    class Device final : public AudioDevice {
    public:
        explicit Device(std::shared_ptr<State> state) : state_(std::move(state)) {}
        std::unique_ptr<AudioConnection> open(FrameSource& source) override
        {
            std::unique_lock lock(state_->mutex);
            const std::size_t index = state_->sources.size();
            state_->sources.push_back(nullptr);
            state_->opening = &source;
            state_->changed.notify_all();
            state_->changed.wait(lock, [this] { return !state_->holdOpening; });
            state_->opening = nullptr;
            if (state_->failOpening)
                return nullptr;
            state_->sources[index] = &source;
            state_->changed.notify_all();
            return std::make_unique<Connection>(state_, index);
        }
        std::string systemNames() const override { return "the hand"; }

    private:
        std::shared_ptr<State> state_;
    };

    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace fluidsynth_testing
