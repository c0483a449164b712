#include "configurator/IniFile.h"

#include "common/SafeFile.h"
#include "common/Text.h"
#include "common/Utf8Path.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// A line "[name]" gives name; any other line gives nothing.
bool SectionOf(const std::string& line, std::string& name) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[')
        return false;
    const auto close = t.find(']');
    if (close == std::string::npos)
        return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

// A line "key=value" gives its trimmed key and value; comments and other lines give nothing.
bool EntryOf(const std::string& line, std::string& key, std::string& value) {
    const std::string t = Trim(line);
    if (t.empty() || t[0] == ';')
        return false;
    const auto eq = t.find('=');
    if (eq == std::string::npos)
        return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    return true;
}

struct TIniText {
    std::vector<std::string> Lines; // without their line ends
    std::string LineEnd = "\n";
    bool Read = false;
};

// The first bytes of text, at most limit, without cutting a letter in two.
std::string CutUtf8(const std::string& text, std::size_t limit) {
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0u) == 0x80u)
        --end;
    return text.substr(0, end);
}

TIniText Load(const std::string& path) {
    TIniText ini;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(Utf8Path(path), ec))
        return ini;
    std::ifstream in(Utf8Path(path), std::ios::binary);
    if (!in)
        return ini;
    std::string text;
    try {
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        return ini; // unreadable: as if there were no file
    }
    ini.Read = true;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            ini.LineEnd = "\r\n";
        }
        ini.Lines.push_back(line);
        start = end + 1;
    }
    return ini;
}

} // namespace

std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& fallback) {
    const TIniText ini = Load(path);
    bool inSection = false;
    for (const auto& line : ini.Lines) {
        std::string name, k, v;
        if (SectionOf(line, name)) {
            inSection = EqualNoCase(name, section);
        } else if (inSection && EntryOf(line, k, v) && EqualNoCase(k, key)) {
            if (v.size() >= 2 &&
                ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\'')))
                v = v.substr(1, v.size() - 2);
            // A value that is not UTF-8 was written by an older program in the system's code page.
            if (!IsValidUtf8(v))
                v = Utf8FromLegacyCodePage(v);
            return CutUtf8(v, MaxProfileValue);
        }
    }
    return fallback;
}

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    TIniText ini = Load(path);
    const std::string entry = key + "=" + value;

    bool inSection = false;
    bool sectionFound = false;
    std::size_t insertAt = ini.Lines.size();
    bool done = false;
    for (std::size_t i = 0; i < ini.Lines.size() && !done; ++i) {
        std::string name, k, v;
        if (SectionOf(ini.Lines[i], name)) {
            if (inSection)
                break; // the section ended without the key
            inSection = EqualNoCase(name, section);
            if (inSection) {
                sectionFound = true;
                insertAt = i + 1;
            }
        } else if (inSection) {
            if (EntryOf(ini.Lines[i], k, v) && EqualNoCase(k, key)) {
                ini.Lines[i] = entry;
                done = true;
            } else if (!Trim(ini.Lines[i]).empty()) {
                insertAt = i + 1;
            }
        }
    }
    if (!done) {
        if (sectionFound) {
            ini.Lines.insert(ini.Lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
        } else {
            while (!ini.Lines.empty() && ini.Lines.back().empty())
                ini.Lines.pop_back();
            ini.Lines.push_back("[" + section + "]");
            ini.Lines.push_back(entry);
        }
    }

    std::string text;
    for (const auto& line : ini.Lines)
        text += line + ini.LineEnd;
    return WriteFileReplacing(path, text);
}
