#include "configurator/ImageBuilder.h"

#include "configurator/ProjectPaths.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/ParamSamples.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <iterator>

namespace {

const std::string DefaultsFile = DefaultParamTree;

const char* DefaultsImage =
    "04 00 00 00 05 00 C0 A8 00 0A FF FF FF 00 C0 A8 00 14 11 27 00 00 00 00 C0 A8 00 01 00";

std::string Hex(const std::string& bytes) {
    std::string out;
    char digits[4];
    for (unsigned char b : bytes) {
        std::snprintf(digits, sizeof digits, out.empty() ? "%02X" : " %02X", b);
        out += digits;
    }
    return out;
}

std::string Hex(const TImage& image) {
    return Hex(std::string(image.begin(), image.end()));
}

// Replaces the first occurrence of from in text.
std::string With(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// A project folder with bin.
struct TProject {
    TTempDir Dir;
    TProject() { std::filesystem::create_directory(Dir / "bin"); }
    std::string Image() const { return Dir / "bin/bank.bin"; }
    TImage Build() const { return BuildImage(Dir.Path()); }
    void Write(const TImage& image) const { WriteImage(Dir.Path(), image); }
};

std::string Build(const std::string& parameterFile) {
    TProject project;
    WriteFileBytes(project.Dir / "Pargen.xml", parameterFile);
    const TImage image = project.Build();
    project.Write(image);
    EXPECT_EQ(Hex(ReadFileBytes(project.Image())), Hex(image));
    return Hex(image);
}

} // namespace

TEST(ImageBuilder, CompilesTheImageBytes) {
    const struct {
        const char* Case;
        std::string File;
        const char* Image;
    } cases[] = {
        {"defaults", DefaultsFile, DefaultsImage},
        {"first eight elements",
         With(DefaultsFile,
              "<Type_Dev>0</Type_Dev><En_Gate>0</En_Gate><GATEWAY GATE1=\"192\" GATE2=\"168\" "
              "GATE3=\"0\" GATE4=\"1\"/><UDP_Broad>0</UDP_Broad>",
              ""),
         DefaultsImage},
        {"gateway without GATE3",
         With(With(DefaultsFile, "GATE1=\"192\" GATE2=\"168\" GATE3=\"0\"", "GATE1=\"10\" GATE2=\"20\""),
              "<En_Gate>0", "<En_Gate>1"),
         "04 00 00 00 05 00 C0 A8 00 0A FF FF FF 00 C0 A8 00 14 11 27 00 00 00 01 C0 A8 00 01 00"},
        {"last bit rate and port",
         With(With(DefaultsFile, "<CAN_BR>4", "<CAN_BR>8"), "<Port>10001", "<Port>65535"),
         "04 00 00 00 09 00 C0 A8 00 0A FF FF FF 00 C0 A8 00 14 FF FF 00 00 00 00 C0 A8 00 01 00"},
        {"bit rate at both ends of the integers",
         With(With(DefaultsFile, "<CAN_BR>4", "<CAN_BR>2147483647"), "<Port>10001", "<Port>-2147483648"),
         "04 00 00 00 00 00 C0 A8 00 0A FF FF FF 00 C0 A8 00 14 00 00 00 00 00 00 C0 A8 00 01 00"},
        {"low 8 and 16 bits",
         With(With(With(DefaultsFile, "IPB1=\"192\"", "IPB1=\"-1\""), "IPB4=\"10\"", "IPB4=\"256\""),
              "<Port>10001", "<Port>65537"),
         "04 00 00 00 05 00 FF A8 00 00 FF FF FF 00 C0 A8 00 14 01 00 00 00 00 00 C0 A8 00 01 00"},
        {"another root, leading blanks, every switch on",
         With(With(With(With(With(With(With(With(DefaultsFile, "GeneralParameter>", "Cfg>"),
                                            "GeneralParameter>", "Cfg>"),
                                       "<CAN_Type>0", "<CAN_Type> 1"),
                                  "<Protocol>0", "<Protocol>+1"),
                             "<Multi>0", "<Multi>1"),
                        "<Type_Dev>0", "<Type_Dev>1"),
                   "<En_Gate>0", "<En_Gate>1"),
              "<UDP_Broad>0", "<UDP_Broad>1"),
         "04 00 00 00 05 01 C0 A8 00 0A FF FF FF 00 C0 A8 00 14 11 27 01 01 01 01 C0 A8 00 01 01"},
        {"optional values unreadable",
         With(With(DefaultsFile, "<Type_Dev>0", "<Type_Dev>x"), "<UDP_Broad>0", "<UDP_Broad>1 "),
         DefaultsImage},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Build(c.File), c.Image) << c.Case;
}

TEST(ImageBuilder, NoParameterFileGivesTheHeaderAlone) {
    TProject project;
    project.Write(project.Build());
    EXPECT_EQ(Hex(ReadFileBytes(project.Image())), "04 00 00 00");
}

// The process-wide pair over ProjectDir: a full build before does not leak into a header-only
// image, and a failed build leaves the header's length.
TEST(ImageBuilder, ProjectDirAdapters) {
    TProject project;
    ProjectDir = project.Dir.Path();
    WriteFileBytes(project.Dir / "Pargen.xml", DefaultsFile);
    BuildImage();
    EXPECT_EQ(ImageLength, FullImageLength);
    WriteFileBytes(project.Dir / "Pargen.xml", "<GeneralParameter/>");
    EXPECT_THROW(BuildImage(), EImageError);
    EXPECT_EQ(ImageLength, ImageHeaderLength);
    std::filesystem::remove(project.Dir / "Pargen.xml");
    BuildImage();
    WriteImage();
    EXPECT_EQ(Hex(ReadFileBytes(project.Image())), "04 00 00 00");
}

TEST(ImageBuilder, FindsTheWindowsLowerCaseFileName) {
    TProject project;
    WriteFileBytes(project.Dir / "pargen.xml", With(DefaultsFile, "<CAN_BR>4", "<CAN_BR>0"));
    EXPECT_EQ(Hex(project.Build()).substr(0, 14), "04 00 00 00 01");
    // The builder's own spelling wins over the window's when both exist.
    WriteFileBytes(project.Dir / "Pargen.xml", DefaultsFile);
    EXPECT_EQ(Hex(project.Build()), DefaultsImage);
}

TEST(ImageBuilder, UnreadableRequiredValueStopsAndKeepsTheOldImage) {
    const struct {
        std::string File;
        std::string Reason;
    } cases[] = {
        {With(DefaultsFile, "<Port>10001</Port>", ""), "element Port is missing"},
        {With(DefaultsFile, "<Port>10001", "<Port>10 001"),
         "the text \"10 001\" of element Port is not an integer"},
        {With(DefaultsFile, "<CAN_BR>4</CAN_BR>", "<CAN_BR><b>4</b></CAN_BR>"),
         "element CAN_BR has no readable text"},
        {With(DefaultsFile, " DESTB3=\"0\"", ""), "attribute DESTB3 of element DEST is missing"},
        {With(DefaultsFile, "SMB2=\"255\"", "SMB2=\"\""),
         "the value \"\" of attribute SMB2 of element SUBNET is not an integer"},
        {With(DefaultsFile, "<Multi>0</Multi>", "<multi>0</multi>"), "element Multi is missing"},
        {With(DefaultsFile, "<Port>10001", "<Port>99999999999"),
         "the text \"99999999999\" of element Port is not an integer"},
    };
    for (const auto& c : cases) {
        TProject project;
        WriteFileBytes(project.Image(), "earlier image");
        WriteFileBytes(project.Dir / "Pargen.xml", c.File);
        try {
            project.Build();
            FAIL() << "no error for " << c.Reason;
        } catch (const EImageError& e) {
            EXPECT_EQ(e.what(), "Cannot compile " + (project.Dir / "Pargen.xml") + ": " + c.Reason);
        }
        EXPECT_EQ(ReadFileBytes(project.Image()), "earlier image");
    }
}

TEST(ImageBuilder, UnparsableFileStopsWithTheParserError) {
    TProject project;
    WriteFileBytes(project.Dir / "pargen.xml",
                   "<GeneralParameter>\n  <CAN_BR>4</CAN_R>\n</GeneralParameter>");
    try {
        project.Build();
        FAIL() << "no error";
    } catch (const EImageError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot compile " + (project.Dir / "pargen.xml") +
                      ": Start-end tags mismatch, line 2, at \"CAN_R> </GeneralParameter>\"");
    }
}

TEST(ImageBuilder, CreatesAMissingBinFolderWithEveryLevel) {
    TTempDir dir;
    WriteImage(dir / "a/b/project", BuildImage(dir / "a/b/project"));
    EXPECT_EQ(Hex(ReadFileBytes(dir / "a/b/project/bin/bank.bin")), "04 00 00 00");
}

TEST(ImageBuilder, WritingTwiceReplacesTheImage) {
    TProject project;
    WriteFileBytes(project.Image(), std::string(100, 'x'));
    WriteFileBytes(project.Dir / "Pargen.xml", DefaultsFile);
    const TImage image = project.Build();
    project.Write(image);
    project.Write(image);
    EXPECT_EQ(Hex(ReadFileBytes(project.Image())), DefaultsImage);
    EXPECT_EQ(std::filesystem::directory_iterator(project.Dir / "bin")->path().filename(), "bank.bin");
}

TEST(ImageBuilder, BinFolderThatCannotBeMadeRaises) {
    TTempDir dir;
    WriteFileBytes(dir / "bin", "a file where the folder belongs");
    try {
        WriteImage(dir.Path(), BuildImage(dir.Path()));
        FAIL() << "no error";
    } catch (const EImageError& e) {
        EXPECT_EQ(e.what(), "Unable to write to " + (dir / "bin/bank.bin"));
    }
    EXPECT_EQ(ReadFileBytes(dir / "bin"), "a file where the folder belongs");
}

TEST(ImageBuilder, WriteFailingHalfwayKeepsTheOldImage) {
    if (const std::string why = TFileSizeLimit::Unavailable(); !why.empty())
        GTEST_SKIP() << why;
    TProject project;
    WriteFileBytes(project.Image(), "earlier image");
    WriteFileBytes(project.Dir / "Pargen.xml", DefaultsFile);
    const TImage image = project.Build();
    {
        TFileSizeLimit limit(20); // the 29 bytes cannot be written whole, as on a full disk
        try {
            project.Write(image);
            FAIL() << "no error";
        } catch (const EImageError& e) {
            EXPECT_EQ(e.what(), "Unable to write to " + project.Image());
        }
    }
    EXPECT_EQ(ReadFileBytes(project.Image()), "earlier image");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(project.Dir / "bin"), {}), 1)
        << "temporary left";
}

TEST(ImageBuilder, WriteProtectedImageIsNotReplaced) {
    TProject project;
    WriteFileBytes(project.Image(), "earlier image");
    if (!WriteProtect(project.Image()))
        GTEST_SKIP() << "running with privileges that ignore write protection";
    EXPECT_THROW(project.Write(project.Build()), EImageError);
    EXPECT_EQ(ReadFileBytes(project.Image()), "earlier image");
}
