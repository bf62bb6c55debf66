#pragma once

// Markers that turn checking off and on inside a file. They are read only in
// the regions that the `markers` rule names as comments, right after the
// region's start:
//
//   START [blanks] tamberlox-gate: [blanks] WORD
//
// WORD is `off` (names are not checked from here on), `on` (they are again) or
// `off-file` (the file is not checked at all: no name of it counts, wherever
// the marker stands), followed by no letter, digit or '_'; letters in any
// ASCII case. The marker, from the start's end to the word's end, fits in
// kSwitchReach bytes of its line. A marker takes effect at its comment's start.

#include <cstddef>
#include <cstdint>

enum class Switch : uint8_t { none, off, on, off_file };

constexpr size_t kSwitchReach = 64;

// The marker at the start of `bytes`, those after a comment region's start
// (`size` of them at hand: kSwitchReach + 1 at least, unless the text ends
// before); none when there is no marker.
Switch read_switch(const uint8_t* bytes, size_t size);

// Whether checking is off, and whether for the whole file, after the switches
// read so far.
struct Checking {
    bool off = false;
    bool off_file = false;
    bool switched = false;  // some marker turned it off
    bool unread = false;    // an end of text under `unread` ended it (forget_open_names)
};

void apply_switch(Checking& checking, Switch marker);
