#pragma once
// Text pasted into the command entry box, split into the lines it sends. No Win32 here.
//
// CR LF, LF and CR each end a line. Every line that ends in a line break is sent, in order, as if typed
// and entered; the piece after the last break stays in the box for the user to finish. NUL bytes are
// dropped. The bytes split at (CR, LF) and the NUL never occur inside a Shift-JIS character, whose trail
// byte is 0x40 or above, so the split never cuts a character.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct PastedLines {
    bool bTooLarge = false;          // over the limit: nothing is sent and the box stays as it was
    std::vector<std::string> lines;  // complete lines, without their breaks
    std::string rest;                // the piece after the last break (all of it when there is none)
};

// The most a paste may hold: a larger one is refused whole, never sent in part.
constexpr std::size_t kMaxPasteBytes = std::size_t{1} << 20;

// Splits what the box holds once `pasted` replaces its selection: `before` the selection and `after`
// it. The first line starts with `before`; the rest ends with `after`.
PastedLines SplitPaste(std::string_view before, std::string_view pasted, std::string_view after);
