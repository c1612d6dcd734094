// Event scripts for the snapshot tool: "press X Y; move X Y; release X Y; key C; paint; idle N".
#pragma once

#include <string>
#include <vector>

enum ScriptOp { SCRIPT_PRESS, SCRIPT_MOVE, SCRIPT_RELEASE, SCRIPT_KEY, SCRIPT_PAINT, SCRIPT_IDLE };

// Most frames one `idle` may run (about half an hour of spinning at 60 frames a second): a
// typing slip of a few digits must not keep the tool busy for months.
const int kScriptMaxIdle = 100000;

struct ScriptEvent {
    ScriptOp op;
    int a, b; // x and y; the character code; the idle count
};

// Fills events, or returns false with a one-line reason in error.
bool ScriptParse(const std::string& text, std::vector<ScriptEvent>* events, std::string* error);

// Plays the events through the same core calls a shell makes. Stops early when a key closes the
// window, after the clean-up a shell does on close; returns whether that happened.
bool ScriptPlay(const std::vector<ScriptEvent>& events);
