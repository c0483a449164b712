#include "configurator/windows/FolderBrowser.h"

#include "tests/support/QtHelpers.h"
#include "tests/support/TempDir.h"

#include <QAbstractItemModel>
#include <QDialog>
#include <QTreeView>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class FolderBrowser : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"PROJECTS", "PROJECTS/Plant1", "PROJECTS/Plant1/bin", "Outside"})
            ASSERT_TRUE(std::filesystem::create_directory(Dir / folder));
    }
    TTempDir Dir;
};

} // namespace

TEST_F(FolderBrowser, PreselectsTheCurrentFolderAndReturnsTheChoice) {
    std::string title, preselected;
    int topItems = -1;
    std::string topItem;
    WhenModalShows([&](QWidget* modal) {
        title = modal->windowTitle().toStdString();
        auto* tree = modal->findChild<QTreeView*>("FolderTree");
        ASSERT_NE(tree, nullptr);
        preselected = tree->currentIndex().data(Qt::DisplayRole).toString().toStdString();
        topItems = tree->model()->rowCount(tree->rootIndex());
        topItem = tree->model()->index(0, 0, tree->rootIndex()).data().toString().toStdString();
        static_cast<QDialog*>(modal)->accept();
    });
    bool chosen = false;
    const std::string folder =
        BrowseForProjectFolder(nullptr, Dir / "PROJECTS", Dir / "PROJECTS/Plant1", &chosen);
    EXPECT_EQ(title, "Select directory of project");
    EXPECT_EQ(preselected, "Plant1");
    EXPECT_EQ(topItems, 1) << "only the projects folder is offered at the top";
    EXPECT_EQ(topItem, "PROJECTS");
    EXPECT_TRUE(chosen);
    EXPECT_EQ(folder, Dir / "PROJECTS/Plant1");
}

TEST_F(FolderBrowser, CancelChoosesNothing) {
    CloseNextModal(QDialog::Rejected);
    bool chosen = true;
    EXPECT_EQ(BrowseForProjectFolder(nullptr, Dir / "PROJECTS", "", &chosen), "");
    EXPECT_FALSE(chosen);
}
