#pragma once

#include <string>

// A fresh folder below the system's temporary folder, removed with everything in it at the end.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::string& Path() const { return Root; }
    // Path() + "/" + relative, every "/" the platform's separator (as the code under test joins).
    std::string operator/(const std::string& relative) const;

private:
    std::string Root;
};

// Whole-file helpers for tests.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
// Makes the file read-only (or writable again); true when the protection holds for this process,
// false where its privileges ignore it (root on Linux).
bool WriteProtect(const std::string& path, bool on = true);
// Makes the folder take no new entries (or take them again); true when that holds for this process,
// false where it does not (root on Linux; Windows, whose read-only attribute does not guard a folder).
bool WriteProtectFolder(const std::string& folder, bool on = true);

// True when the file system of folder takes names that differ only in letter case as one (Windows).
bool NamesIgnoreCase(const std::string& folder);

// The folder where the build puts the programs (ze50321, Ser_50321_Update, Velmora_RAZ2Idi).
std::string ProgramDir();
