// Event scripts: read from their text, then played through the core calls a shell makes.
#include "tools/snapshot/script.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "loader/shown.h"
#include "viewer/keys.h"
#include "viewer/render.h"
#include "viewer/state.h"
#include "viewer/trackball.h"
#include "viewer/view.h"

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

struct ScriptVerb {
    const char* name;
    ScriptOp op;
};

// The events that take a window point and nothing else.
static const ScriptVerb kPointerVerbs[] = {{"press", SCRIPT_PRESS},
                                           {"move", SCRIPT_MOVE},
                                           {"release", SCRIPT_RELEASE},
                                           {"rpress", SCRIPT_RPRESS},
                                           {"rrelease", SCRIPT_RRELEASE}};

static bool ParseItem(const std::string& text, std::vector<ScriptEvent>* events, std::string* error)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    if (words.empty()) return true; // tolerate "a;;b" and a trailing ';'

    const std::string& verb = words[0];
    const std::string item = ShownText(text); // as a message may show it
    auto wrongCount = [&](size_t want) {
        *error = "'" + ShownText(verb) + "' takes " + std::to_string(want - 1) + " argument(s): '" +
                 item + "'";
        return false;
    };
    ScriptEvent event{SCRIPT_PAINT, 0, 0};
    // Mouse messages carry signed 16-bit window coordinates.
    auto point = [&](size_t at) {
        if (ParseInt(words[at], -32768, 32767, &event.a) &&
            ParseInt(words[at + 1], -32768, 32767, &event.b))
            return true;
        *error = "bad coordinate (whole numbers from -32768 to 32767): '" + item + "'";
        return false;
    };
    const ScriptVerb* pointer = std::find_if(std::begin(kPointerVerbs), std::end(kPointerVerbs),
                                             [&](const ScriptVerb& v) { return verb == v.name; });
    if (pointer != std::end(kPointerVerbs)) {
        if (words.size() != 3) return wrongCount(3);
        event.op = pointer->op;
        if (!point(1)) return false;
    } else if (verb == "wheel") {
        if (words.size() != 4) return wrongCount(4);
        event.op = SCRIPT_WHEEL;
        if (!ParseInt(words[1], -100, 100, &event.c)) {
            *error = "bad wheel notches (a whole number from -100 to 100): '" + item + "'";
            return false;
        }
        if (!point(2)) return false;
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
        std::string verbs;
        for (const ScriptVerb& v : kPointerVerbs) verbs += std::string(v.name) + ", ";
        *error = "unknown event '" + ShownText(verb) + "' (" + verbs + "wheel, key, paint, idle)";
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
            ViewPanMotion(e.a, e.b);
            break;
        case SCRIPT_RELEASE:
            TrackballStop(1, e.a, e.b);
            break;
        case SCRIPT_RPRESS:
            ViewPanStart(e.a, e.b);
            break;
        case SCRIPT_RRELEASE:
            ViewPanStop();
            break;
        case SCRIPT_WHEEL:
            ViewWheel(float(e.c), e.a, e.b);
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
