// Event scripts: read from their text, then played through the core calls a shell makes.
#include "tools/snapshot/script.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "viewer/keys.h"
#include "viewer/render.h"
#include "viewer/state.h"
#include "viewer/trackball.h"

static bool ParseInt(const std::string& word, long low, long high, int* value)
{
    if (word.empty() || word.size() > 12) return false;
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(word.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
    *value = int(parsed);
    return true;
}

static bool ParseItem(const std::string& item, std::vector<ScriptEvent>* events, std::string* error)
{
    std::istringstream in(item);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    if (words.empty()) return true; // tolerate "a;;b" and a trailing ';'

    const std::string& verb = words[0];
    auto wrongCount = [&](size_t want) {
        *error =
            "'" + verb + "' takes " + std::to_string(want - 1) + " argument(s): '" + item + "'";
        return false;
    };
    ScriptEvent event{SCRIPT_PAINT, 0, 0};
    if (verb == "press" || verb == "move" || verb == "release") {
        if (words.size() != 3) return wrongCount(3);
        // Mouse messages carry signed 16-bit window coordinates.
        if (!ParseInt(words[1], -32768, 32767, &event.a) ||
            !ParseInt(words[2], -32768, 32767, &event.b)) {
            *error = "bad coordinate (whole numbers from -32768 to 32767): '" + item + "'";
            return false;
        }
        event.op = verb == "press" ? SCRIPT_PRESS : verb == "move" ? SCRIPT_MOVE : SCRIPT_RELEASE;
    } else if (verb == "key") {
        if (words.size() != 2) return wrongCount(2);
        event.op = SCRIPT_KEY;
        if (words[1] == "esc") {
            event.a = kKeyEscape;
        } else if (words[1].size() == 1) {
            event.a = static_cast<unsigned char>(words[1][0]);
        } else {
            *error = "'key' takes one character or 'esc': '" + item + "'";
            return false;
        }
    } else if (verb == "paint") {
        if (words.size() != 1) return wrongCount(1);
    } else if (verb == "idle") {
        if (words.size() != 2) return wrongCount(2);
        event.op = SCRIPT_IDLE;
        if (!ParseInt(words[1], 0, kScriptMaxIdle, &event.a)) {
            *error = "bad idle count (a whole number from 0 to " + std::to_string(kScriptMaxIdle) +
                     "): '" + item + "'";
            return false;
        }
    } else {
        *error = "unknown event '" + verb + "' (press, move, release, key, paint, idle)";
        return false;
    }
    events->push_back(event);
    return true;
}

bool ScriptParse(const std::string& text, std::vector<ScriptEvent>* events, std::string* error)
{
    events->clear();
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ';');)
        if (!ParseItem(item, events, error)) return false;
    return true;
}

bool ScriptPlay(const std::vector<ScriptEvent>& events)
{
    for (const ScriptEvent& e : events) {
        switch (e.op) {
        case SCRIPT_PRESS:
            TrackballStart(1, e.a, e.b);
            break;
        case SCRIPT_MOVE:
            TrackballMotion(e.a, e.b);
            break;
        case SCRIPT_RELEASE:
            TrackballStop(1, e.a, e.b);
            break;
        case SCRIPT_KEY:
            if (KeyCommand(e.a) == KEY_CLOSE) {
                ViewerClose();
                return true;
            }
            break;
        case SCRIPT_PAINT:
            RequestRedraw();
            break;
        case SCRIPT_IDLE:
            for (int i = 0; i < e.a && viewer.idleHook; ++i) viewer.idleHook();
            break;
        }
    }
    return false;
}
