#pragma once

namespace platform {

class NotePlayer;

// Where the note players sound: a synthesizer on the desktop, a recorder in
// tests. Every note player of the program plays through the one output of the
// running backend.
class NoteOutput {
public:
    virtual ~NoteOutput() = default;

    // General MIDI instrument, counted from 1 (1 is the acoustic grand piano).
    virtual void setInstrument(const NotePlayer& player, int instrument) = 0;

    // Velocity 0 releases the note; one release ends the note however often it
    // was struck while sounding, as a MIDI note-off ends the key.
    virtual void playNote(const NotePlayer& player, int note, int velocity) = 0;
};

} // namespace platform
