#include "console/FamilyChoice.h"

#include <cctype>

bool IsConsoleHost(const std::string& name) {
    static const char kHost[] = "conhost.exe";
    if (name.size() != sizeof kHost - 1) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(name[i])) != kHost[i]) return false;
    }
    return true;
}

std::vector<ProcessRecord> Family(const std::vector<ProcessRecord>& all, const ProcessRecord& root, uint32_t self) {
    std::vector<ProcessRecord> family{root};
    const auto member = [&](uint32_t id) {
        for (const ProcessRecord& p : family) {
            if (p.id == id) return true;
        }
        return false;
    };
    // Grown a generation at a time until nothing is added.
    for (bool grew = true; grew;) {
        grew = false;
        for (const ProcessRecord& p : all) {
            if (p.id == self || p.id == 0 || member(p.id)) continue;
            for (const ProcessRecord& parent : family) {
                if (parent.id == p.parent && p.created >= parent.created) {
                    family.push_back(p);
                    grew = true;
                    break;
                }
            }
        }
    }
    return family;
}
