#pragma once
// libvterm always erases in the current background colour, as a terminal
// with back-colour erase does. To play a terminal without it (GNU screen),
// each erase of the whole screen goes to the emulator between a save and a
// restore of the cursor and colours, with the colours reset in between.
// The pty harness and the renderer fuzzer both use it.

#include <string>
#include <string_view>

inline constexpr std::string_view eraseWholeScreen = "\x1b[2J";

// Rewrites every erase of the whole screen in `bytes` to erase in the
// terminal's default colours.
inline void eraseInDefaultColours(std::string& bytes)
{
    constexpr std::string_view inDefaultColours = "\x1b" "7\x1b[m\x1b[2J\x1b" "8";
    for (size_t at = bytes.find(eraseWholeScreen); at != std::string::npos; at = bytes.find(eraseWholeScreen, at)) {
        bytes.replace(at, eraseWholeScreen.size(), inDefaultColours);
        at += inDefaultColours.size();
    }
}
