#pragma once
// Which processes belong to the interpreter's family, from a list of the system's processes. No Win32
// here: the console takes the list (ids, parents, creation times, image names) and ends what this says.
//
// Process ids are reused. A process whose parent id names a process created after it is no child of
// that process: its real parent has ended and the id went to a newer one. So a child counts only when
// it was created no earlier than its parent.
#include <cstdint>
#include <string>
#include <vector>

struct ProcessRecord {
    uint32_t id = 0;
    uint32_t parent = 0;
    uint64_t created = 0;  // creation time, in any unit that grows with time
    std::string name;      // the image's file name
};

// The interpreter (`root`, as its record) and its descendants in `all`, the interpreter first; `self`
// (this program) is never among them. A root not in `all` still heads the family.
std::vector<ProcessRecord> Family(const std::vector<ProcessRecord>& all, const ProcessRecord& root, uint32_t self);

// The console host's image, which is never ended as a program.
bool IsConsoleHost(const std::string& name);
