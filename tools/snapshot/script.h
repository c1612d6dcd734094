// Event scripts for the snapshot tool: "press X Y; move X Y; release X Y; rpress X Y;
// rrelease X Y; wheel N X Y; key C; paint; idle N".
#pragma once

#include <string>
#include <vector>

enum ScriptOp {
    SCRIPT_PRESS, // the left button, as the trackball takes it
    SCRIPT_MOVE,  // to the trackball and to a pan
    SCRIPT_RELEASE,
    SCRIPT_RPRESS, // the right button, which moves the model
    SCRIPT_RRELEASE,
    SCRIPT_WHEEL, // notches (positive: in) at a point
    SCRIPT_KEY,
    SCRIPT_PAINT,
    SCRIPT_IDLE,
};

// Most frames one `idle` may run (about half an hour of spinning at 60 frames a second): a
// typing slip of a few digits must not keep the tool busy for months.
const int kScriptMaxIdle = 100000;

struct ScriptEvent {
    ScriptOp op;
    int a, b;  // x and y; the character code; the idle count
    int c = 0; // the wheel's notches
};

// Fills events, or returns false with a one-line reason in error.
bool ScriptParse(const std::string& text, std::vector<ScriptEvent>* events, std::string* error);

// Plays the events through the same core calls a shell makes. Stops early when a key closes the
// window, after the clean-up a shell does on close; returns whether that happened.
bool ScriptPlay(const std::vector<ScriptEvent>& events);
