// UTF-8 names through the filesystem, the C runtime's files and the INI file.

#include "common/Utf8Path.h"

#include "configurator/IniFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

// Latin, Cyrillic and Han letters, as our users name profiles and projects.
const std::string Name =
    "J\xc3\xbcrgen \xd0\xa1\xd0\xb5\xd1\x80\xd0\xb3\xd0\xb5\xd0\xb9 \xe5\xbc\xa0\xe4\xbc\x9f";

TEST(Utf8Path, TellsValidUtf8) {
    const struct {
        std::string Text;
        bool Valid;
    } cases[] = {
        {"", true},
        {"Line1", true},
        {Name, true},
        {"\xfc", false},             // a Latin-1 letter alone
        {"\xc3", false},             // cut short
        {"\xc0\xaf", false},         // overlong "/"
        {"\xed\xa0\x80", false},     // a surrogate
        {"\xf4\x90\x80\x80", false}, // above U+10FFFF
        {"\xf0\x9f\x98\x80", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidUtf8(c.Text), c.Valid) << c.Text;
}

TEST(Utf8Path, NamesOutsideAsciiReachTheFileSystemAndComeBackAlike) {
    TTempDir dir;
    const std::string folder = dir / Name;
    ASSERT_TRUE(std::filesystem::create_directory(Utf8Path(folder)));
    const std::string file = folder + "/Stra\xc3\x9f"
                                      "e \xe5\xbc\xa0.bin";
    {
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(OpenUtf8File(file, "wb"), std::fclose);
        ASSERT_TRUE(out);
        std::fputs("29", out.get());
    }
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(Utf8Path(dir.Path())))
        found.push_back(PathUtf8(entry.path().filename()));
    EXPECT_EQ(found, std::vector<std::string>{Name});
    EXPECT_EQ(ReadFileBytes(file), "29");
    EXPECT_EQ(PathUtf8(Utf8Path(file).filename()), "Stra\xc3\x9f"
                                                   "e \xe5\xbc\xa0.bin");
}

TEST(Utf8Path, IniValuesKeepTheirLettersAndAreNeverCutInOne) {
    TTempDir dir;
    const std::string ini = dir / (Name + ".ini");
    ASSERT_TRUE(WriteProfileString(ini, "lastproj", "projectname", "\\" + Name));
    EXPECT_EQ(ReadProfileString(ini, "lastproj", "projectname"), "\\" + Name);
    // Two-byte letters past the limit's last whole one are left out, not halved.
    std::string longName;
    while (longName.size() < MaxProfileValue + 2)
        longName += "\xc3\x9f";
    ASSERT_TRUE(WriteProfileString(ini, "lastproj", "projectname", longName));
    const std::string read = ReadProfileString(ini, "lastproj", "projectname");
    EXPECT_EQ(read.size(), MaxProfileValue - 1);
    EXPECT_TRUE(IsValidUtf8(read));
}

} // namespace
