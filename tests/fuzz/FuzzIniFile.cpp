// The INI writer on any file: the value set reads back, and every line it does not own is kept in
// its order (only the replaced entry goes, and blank lines at the end when the section is added).
// The input's first line names "section|key|value"; the rest is the file.
#include "configurator/IniFile.h"
#include "tests/fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// Names and values as the programs use them: one line, no surrounding blanks, no quotes around.
bool Usable(const std::string& text, const char* forbidden) {
    if (text.empty() || text.find_first_of(forbidden) != std::string::npos)
        return false;
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    if (blank(text.front()) || blank(text.back()))
        return false;
    return !(text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
             text.back() == text.front());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t headerEnd = std::min(input.find('\n'), input.size());
    const std::string header = input.substr(0, headerEnd);
    const std::string file = headerEnd < input.size() ? input.substr(headerEnd + 1) : std::string();
    std::string section = "Main", key = "Dir", value = "/opt/ze";
    const std::size_t bar1 = header.find('|');
    const std::size_t bar2 = bar1 == std::string::npos ? bar1 : header.find('|', bar1 + 1);
    if (bar2 != std::string::npos) {
        const std::string s = header.substr(0, bar1), k = header.substr(bar1 + 1, bar2 - bar1 - 1),
                          v = header.substr(bar2 + 1);
        if (Usable(s, "[]\r\n\0") && Usable(k, "=[;\r\n\0") && Usable(v, "\r\n\0")) {
            section = s;
            key = k;
            value = v;
        }
    }

    const std::string path = FuzzFolder() + "/Velmora_RAZ2Idiernet.ini";
    WriteWhole(path, file);
    FUZZ_ASSERT(WriteProfileString(path, section, key, value));
    FUZZ_ASSERT(ReadProfileString(path, section, key, "\x01") == value.substr(0, MaxProfileValue));

    const std::vector<std::string> before = Lines(file);
    const std::vector<std::string> after = Lines(ReadWhole(path));
    const std::string entry = key + "=" + value;
    // One entry replaced in place.
    const auto replaced = [&] {
        if (after.size() != before.size())
            return false;
        std::size_t differ = 0;
        for (std::size_t i = 0; i < after.size(); ++i)
            if (after[i] != before[i]) {
                if (after[i] != entry || before[i].find('=') == std::string::npos)
                    return false;
                ++differ;
            }
        return differ <= 1;
    };
    // The entry inserted into its section.
    const auto inserted = [&] {
        if (after.size() != before.size() + 1)
            return false;
        std::size_t i = 0;
        while (i < before.size() && after[i] == before[i])
            ++i;
        return after[i] == entry && std::equal(before.begin() + static_cast<std::ptrdiff_t>(i), before.end(),
                                               after.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    };
    // The section added at the end, behind the file without its blank last lines.
    const auto appended = [&] {
        std::vector<std::string> expected = before;
        while (!expected.empty() && expected.back().empty())
            expected.pop_back();
        expected.push_back("[" + section + "]");
        expected.push_back(entry);
        return after == expected;
    };
    FUZZ_ASSERT(replaced() || inserted() || appended());
    return 0;
}
