#include "updater/StatusTable.h"

#include <gtest/gtest.h>

#include <string>

TEST(StatusTable, TextAndColourOfEveryCode) {
    const struct {
        TStatusLine Line;
        int Code;
        const char* Text;
        TRgb Colour;
    } cases[] = {
        {TStatusLine::Init, 0, "Waiting...", {0, 0, 0}},
        {TStatusLine::Init, 1, "OK", {0, 255, 0}},
        {TStatusLine::Init, 2, "Device Not Found", {255, 0, 0}},
        {TStatusLine::Firmware, 0, "Not Used", {128, 128, 128}},
        {TStatusLine::Firmware, 1, "Waiting...", {0, 0, 0}},
        {TStatusLine::Firmware, 2, "OK", {0, 255, 0}},
        {TStatusLine::Firmware, 3, "Write in Progress...", {0, 128, 0}},
        {TStatusLine::Firmware, 4, "Read in Progress...", {0, 0, 255}},
        {TStatusLine::Firmware, 5, "Error", {255, 0, 0}},
        {TStatusLine::Firmware, 6, "Error After Read", {255, 0, 0}},
        {TStatusLine::Firmware, 7, "File Firmware not found", {255, 0, 0}},
        {TStatusLine::Project, 0, "Not Used", {128, 128, 128}},
        {TStatusLine::Project, 1, "Waiting...", {0, 0, 0}},
        {TStatusLine::Project, 2, "OK", {0, 255, 0}},
        {TStatusLine::Project, 3, "Write in Progress...", {0, 128, 0}},
        {TStatusLine::Project, 4, "Read in Progress...", {0, 0, 255}},
        {TStatusLine::Project, 5, "Error", {255, 0, 0}},
        {TStatusLine::Project, 6, "Error After Read", {255, 0, 0}},
        {TStatusLine::Project, 7, "File Project not found", {255, 0, 0}},
    };
    for (const auto& c : cases) {
        const TStatusEntry* e = StatusEntry(c.Line, c.Code);
        ASSERT_NE(e, nullptr) << "code " << c.Code;
        EXPECT_EQ(std::string(e->Text), c.Text);
        EXPECT_TRUE(e->Colour == c.Colour) << c.Text;
    }
}

TEST(StatusTable, CodesOutsideALineHaveNoEntry) {
    EXPECT_EQ(StatusEntry(TStatusLine::Init, 3), nullptr);
    EXPECT_EQ(StatusEntry(TStatusLine::Init, -1), nullptr);
    EXPECT_EQ(StatusEntry(TStatusLine::Firmware, 8), nullptr);
    EXPECT_EQ(StatusEntry(TStatusLine::Project, -1), nullptr);
}
