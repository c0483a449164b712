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
    // Path() + "/" + relative.
    std::string operator/(const std::string& relative) const { return Root + "/" + relative; }

private:
    std::string Root;
};

// Whole-file helpers for tests.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);

// The folder where the build puts the programs (ze50321, Ser_50321_Update, Velmora_RAZ2Idi).
std::string ProgramDir();
