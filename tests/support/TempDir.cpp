#include "tests/support/TempDir.h"

#include "common/ProgramPath.h"
#include "common/Utf8Path.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

TTempDir::TTempDir() {
    // A fresh name made here rather than by mkdtemp, which Windows lacks: create_directory answers
    // false for a name that exists, so two tests never share a folder.
    static const char Digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "ze50321-test-";
        for (int i = 0; i < 8; ++i)
            name += Digits[random() % 36];
        const fs::path path = fs::temp_directory_path() / name;
        std::error_code ec;
        if (fs::create_directory(path, ec)) {
            Root = PathUtf8(path);
            return;
        }
        if (ec)
            throw std::runtime_error("cannot create the temporary folder " + path.string() + ": " +
                                     ec.message());
    }
    throw std::runtime_error("cannot create a temporary folder: every name tried exists");
}

std::string TTempDir::operator/(const std::string& relative) const {
    std::string path = Root + "/" + relative;
    std::string joined;
    for (char c : path)
        joined += c == '/' ? PathSeparator : std::string(1, c);
    return joined;
}

TTempDir::~TTempDir() {
    std::error_code ec;
    // Tests may leave folders write-protected; give the owner access back before removing.
    for (auto it = fs::recursive_directory_iterator(Utf8Path(Root), ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code ignore;
        if (it->is_directory(ignore) && !it->is_symlink(ignore))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignore);
    }
    fs::permissions(Utf8Path(Root), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(Utf8Path(Root), ec);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(Utf8Path(path), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(Utf8Path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool PathExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(Utf8Path(path), ec));
}

bool IsDirectory(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(Utf8Path(path), ec);
}

bool WriteProtect(const std::string& path, bool on) {
    const auto write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(path, write, on ? fs::perm_options::remove : fs::perm_options::add);
    // Opened for appending, which changes nothing: only a refusal shows that the protection holds.
    return on && !std::ofstream(path, std::ios::binary | std::ios::app);
}

bool WriteProtectFolder(const std::string& folder, bool on) {
    const auto write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(folder, write, on ? fs::perm_options::remove : fs::perm_options::add);
    if (!on)
        return false;
    const fs::path probe = fs::path(folder) / "write-protection-probe";
    if (!std::ofstream(probe, std::ios::binary))
        return true;
    std::error_code ec;
    fs::remove(probe, ec);
    return false;
}

bool NamesIgnoreCase(const std::string& folder) {
    const fs::path probe = fs::path(folder) / "letter-case-probe";
    WriteFileBytes(probe.string(), "");
    std::error_code ec;
    const bool same = fs::exists(fs::path(folder) / "LETTER-CASE-PROBE", ec);
    fs::remove(probe, ec);
    return same;
}

std::string ProgramDir() {
    if (const char* dir = std::getenv("ZE_PROGRAM_DIR"))
        return dir;
    throw std::runtime_error("ZE_PROGRAM_DIR is not set; run the tests through ctest");
}
