// The keyboard commands, shared by every shell: a character code in, what the shell must do out.
#pragma once

constexpr int kKeyEscape = 27; // the character code of Esc

enum KeyResult {
    KEY_DEFAULT,  // not a command: the shell gives the key its default processing
    KEY_CONSUMED, // handled (result 0)
    KEY_CLOSE,    // Esc: the shell destroys its window
};

KeyResult KeyCommand(int charCode);
