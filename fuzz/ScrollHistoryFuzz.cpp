// Any sequence of appends, line ends, scrolls and wheel turns on a scrollback of any small bounds: the
// bounds always hold, the byte count is exact, the view stays within the rows and on its rows while output
// arrives, and every row is what was appended to it, cut only at the cap and on a character boundary.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "glyph/ShiftJis.h"
#include "screen/ScrollHistory.h"

namespace {
struct Input {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    uint8_t Byte() { return pos < size ? data[pos++] : 0; }
    bool Done() const { return pos >= size; }
};

// A finding names the broken rule.
#define Check(ok) ((ok) ? void() : Fail(#ok, __LINE__))
[[noreturn]] void Fail(const char* rule, int line) {
    std::fprintf(stderr, "ScrollHistoryFuzz.cpp:%d: %s\n", line, rule);
    std::abort();
}

// The text appended to each row (by row number), its first cap + 1 bytes: enough to tell the cut.
using Model = std::map<uint64_t, std::string>;

void CheckRow(const ScrollHistory& h, const std::string& appended, std::string_view row) {
    const size_t cap = h.LineCap();
    Check(row.size() <= cap);
    Check(appended.compare(0, row.size(), row) == 0);  // a prefix of what came
    if (appended.size() <= cap) {
        Check(row.size() == appended.size());
        return;
    }
    // Cut: on a character boundary, and only a character crossing the cap is left out.
    size_t end = 0;
    while (end < row.size()) end += glyph::IsSjisLead(static_cast<unsigned char>(row[end])) ? 2 : 1;
    Check(end == row.size());
    Check(row.size() == cap ||
          (row.size() == cap - 1 && glyph::IsSjisLead(static_cast<unsigned char>(appended[cap - 1]))));
}

void CheckAll(const ScrollHistory& h, Model& model) {
    const size_t rows = h.RowCount();
    Check(rows >= 1 || h.Bytes() == 0);
    Check(rows <= h.MaxLines());
    Check(h.Bytes() <= h.MaxBytes());
    while (!model.empty() && (rows == 0 || model.begin()->first < h.RowNumber(0))) model.erase(model.begin());
    size_t bytes = 0;
    for (size_t i = 0; i < rows; ++i) {
        const std::string_view text = h.RowText(i);
        bytes += text.size();
        const auto it = model.find(h.RowNumber(i));
        CheckRow(h, it == model.end() ? std::string() : it->second, text);
    }
    Check(bytes == h.Bytes());
    const int maxOffset = h.MaxOffset();
    Check(maxOffset == (rows > 30 ? static_cast<int>(rows) - 30 : 0));
    Check(h.Offset() >= 0 && h.Offset() <= maxOffset);
    Check(h.LinesBelow() == h.Offset());

    const auto view = h.ViewLines();
    Check(view.size() == std::min<size_t>(rows, ScrollHistory::kViewLines));
    const size_t first = rows - h.Offset() - view.size();
    std::string copy;
    for (size_t i = 0; i < view.size(); ++i) {
        Check(view[i].number == h.RowNumber(first + i));
        Check(view[i].text == h.RowText(first + i));
        Check(view[i].font == h.RowFont(first + i));
        if (i != 0) copy += "\r\n";
        copy += view[i].text;
    }
    Check(copy == h.CopyText());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    // Small bounds, so that the fuzzer reaches them: up to 80 lines (more than a view), caps of 2..65
    // bytes, and as little byte room as the cap itself.
    const size_t maxLines = 1 + in.Byte() % 80;
    const size_t lineCap = 2 + in.Byte() % 64;
    const size_t maxBytes = lineCap + static_cast<size_t>(in.Byte()) * 8;
    ScrollHistory h(maxLines, maxBytes, lineCap);
    WheelNotches wheel;
    Model model;

    while (!in.Done()) {
        const uint8_t op = in.Byte();
        const int offsetBefore = h.Offset();
        // Only output can move the view unasked: the rows in view before it, by number.
        std::vector<uint64_t> viewBefore;
        if (op % 8 <= 2) {
            for (const auto& line : h.ViewLines()) viewBefore.push_back(line.number);
        }
        bool output = false;
        switch (op % 8) {
        case 0:
        case 1: {
            // Text from the input itself; now and then far longer than the cap (a line of kilobytes).
            size_t n = in.Byte() % 48;
            if (op & 0x80) n *= 97;
            std::string text;
            for (size_t i = 0; i < n; ++i) text += static_cast<char>(in.Done() ? 0x82 : in.Byte());
            h.Append(text, op >> 3);
            if (!text.empty()) {
                std::string& appended = model[h.RowNumber(h.RowCount() - 1)];
                appended += text.substr(0, lineCap + 1 - std::min(appended.size(), lineCap + 1));
                Check(h.RowFont(h.RowCount() - 1) == static_cast<ScrollHistory::FontTag>(op >> 3));
            }
            output = true;
            break;
        }
        case 2:
            h.NewLine();
            output = true;
            break;
        case 3:
            h.ScrollBack(static_cast<int8_t>(in.Byte()));
            break;
        case 4:
            h.ScrollBack(op & 0x80 ? LLONG_MIN : LLONG_MAX);
            break;
        case 5:
            h.ScrollToOldest();
            Check(h.Offset() == h.MaxOffset());
            break;
        case 6:
            h.ScrollToNewest();
            Check(h.IsAtEnd());
            break;
        case 7: {
            uint32_t raw = 0;
            for (int i = 0; i < 4; ++i) raw = raw << 8 | in.Byte();
            const int notches = wheel.Add(static_cast<int32_t>(raw));
            // The largest delta with the largest remainder of the same sign before it.
            constexpr int kMost = (WheelNotches::kMaxDelta + WheelNotches::kDelta - 1) / WheelNotches::kDelta;
            Check(notches >= -kMost && notches <= kMost);
            Check(wheel.Remainder() > -WheelNotches::kDelta && wheel.Remainder() < WheelNotches::kDelta);
            h.ScrollBack(static_cast<long long>(notches) * WheelNotches::kLinesPerNotch);
            break;
        }
        }
        CheckAll(h, model);
        if (output) {
            // At the end the view follows; back, it keeps its rows while they are all still held.
            if (offsetBefore == 0) Check(h.IsAtEnd());
            const auto view = h.ViewLines();
            if (offsetBefore > 0 && viewBefore.front() >= h.RowNumber(0)) {
                Check(view.size() == viewBefore.size());
                for (size_t i = 0; i < view.size(); ++i) Check(view[i].number == viewBefore[i]);
            }
        }
    }
    return 0;
}
