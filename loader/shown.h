// Text from a file or from the user (a name, a token, a string of a glTF) as a message, a title
// or a box shows it: one line, not too long, and unable to forge anything around it.
#pragma once

#include <cstddef>
#include <string>

// Longest text shown whole, in characters; a longer one loses its middle to "...".
const size_t kShownLength = 200;

// text with its control characters (C0, DEL, C1) written as escapes ("\n", "\x1b") and bytes
// that are not UTF-8 as U+FFFD: one line that can neither forge another nor move the cursor. For
// a whole message, whose names ShownText has shown already.
std::string ShownEscaped(const std::string& text);

// ShownEscaped with the bidirectional controls escaped too ("\u202e"), shortened in the middle
// past kShownLength characters, and where it holds right-to-left letters (Hebrew, Arabic, ...)
// isolated between U+2068 and U+2069, so that it cannot turn the text around it: a name (or a
// piece of a file or a script) as a message, a title or a box shows it.
std::string ShownText(const std::string& text);
