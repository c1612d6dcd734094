// Text from a file or from the user (a name, a token, a string of a glTF) as a message, a title
// or a box shows it: one line, not too long, and unable to forge anything around it.
#pragma once

#include <cstddef>
#include <string>

// Longest text shown whole, in characters; a longer one loses its middle to "...".
const size_t kShownLength = 60;

// text with its control characters (C0, DEL, C1) and its bidirectional controls written as
// escapes ("\n", "\x1b", "\u202e"), bytes that are not UTF-8 as U+FFFD, and shortened in the
// middle past kShownLength characters.
std::string ShownText(const std::string& text);
