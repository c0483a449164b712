#include "configurator/windows/UVelmoreFirmWare.h"
#include "common/windows/MessageBox.h"
#include "configurator/ProjectPaths.h"
#include "configurator/windows/ConfiguratorWindows.h"
#include "configurator/windows/UAbout.h"
#include "configurator/windows/Unewp.h"
#include "configurator/windows/WebLink.h"

#include "tests/support/QtHelpers.h"
#include "tests/support/TempDir.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>

namespace {

// The separator the configurator joins project names with (\ on Windows).
const std::string Sep = PathSeparator;

const std::string Prefix = "Quorbin Velmora ZA50321 CAN / Ethernet - Converter :";

// The configurator as the program starts it, in a program folder of its own.
class TConfigurator {
public:
    explicit TConfigurator(const std::string& exeDir)
        : Windows(std::make_unique<TConfiguratorWindows>(exeDir + "/Velmora_RAZ2Idi")) {}
    TFVelmoreFirmWare& Main() { return *FVelmoreFirmWare; }
    std::string Caption() { return Main().windowTitle().toStdString(); }
    void Exit() {
        Main().LbButton1->click();
        Windows.reset();
    }

private:
    std::unique_ptr<TConfiguratorWindows> Windows;
};

std::string IniPath(const TTempDir& dir) {
    return dir / "Velmora_RAZ2Idiernet.ini";
}

// Runs New project, typing each name in turn into the dialog and pressing OK; when the names are
// used up while the dialog is still open, presses Cancel.
int NewProject(TConfigurator& app, std::vector<std::string> names) {
    // NewaClick returns only once the dialog has closed, so step outlives every call below.
    std::function<void(QWidget*)> step = [&names, &step](QWidget*) {
        if (names.empty()) {
            Fsaveproj->bitbtn2->click();
            return;
        }
        Fsaveproj->Edit1->setText(QString::fromStdString(names.front()));
        names.erase(names.begin());
        Fsaveproj->bitbtn1->click();
        if (Fsaveproj->isVisible())
            WhenModalShows([&step](QWidget* modal) { step(modal); });
    };
    WhenModalShows([&step](QWidget* modal) { step(modal); });
    app.Main().NewaClick();
    return Fsaveproj->result();
}

// Replaces the folder browser by a scripted answer for the next Open project.
struct TChooserAnswer {
    bool Chosen = false;
    std::string Folder;
    std::string SeenRoot;
    std::string SeenCurrent;
};
TChooserAnswer ChooserAnswer;

std::string ScriptedChooser(QWidget*, const std::string& root, const std::string& current, bool* chosen) {
    ChooserAnswer.SeenRoot = root;
    ChooserAnswer.SeenCurrent = current;
    *chosen = ChooserAnswer.Chosen;
    return ChooserAnswer.Chosen ? ChooserAnswer.Folder : std::string();
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Saved = TFVelmoreFirmWare::FolderChooser;
        TFVelmoreFirmWare::FolderChooser = ScriptedChooser;
        ChooserAnswer = TChooserAnswer();
    }
    void TearDown() override { TFVelmoreFirmWare::FolderChooser = Saved; }

    void Open(TConfigurator& app, bool chosen, const std::string& folder) {
        ChooserAnswer.Chosen = chosen;
        ChooserAnswer.Folder = folder;
        app.Main().OpenaClick();
    }

    TTempDir Dir;
    TMessageRecorder Messages;
    TFVelmoreFirmWare::TFolderChooser Saved = nullptr;
};

int FileCount(const std::string& folder) {
    int count = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        count += e.is_regular_file() ? 1 : 0;
    return count;
}

} // namespace

TEST_F(MainWindow, FirstStartInAnEmptyFolder) {
    TConfigurator app(Dir.Path());
    EXPECT_TRUE(IsDirectory(Dir / "MASTER"));
    EXPECT_TRUE(IsDirectory(Dir / "PROJECTS"));
    EXPECT_EQ(app.Caption(), Prefix);
    EXPECT_EQ(ExeDir, Dir.Path());
    EXPECT_EQ(ProjectDir, Dir / "PROJECTS");
    EXPECT_EQ(PargenFile, Dir / "PROJECTS/pargen.xml");
    EXPECT_EQ(app.Main().Edit1->text(), "255.255.255.255");
    EXPECT_FALSE(PathExists(IniPath(Dir)));
    app.Exit();
    EXPECT_EQ(ReadFileBytes(IniPath(Dir)), "[lastproj]\nprojectname=\n");
    EXPECT_TRUE(Messages.Messages().empty());
}

TEST_F(MainWindow, NewProjectIsCreatedRememberedAndReopened) {
    {
        TConfigurator app(Dir.Path());
        EXPECT_EQ(NewProject(app, {"Plant1"}), ModalResultOk);
        EXPECT_TRUE(IsDirectory(Dir / "PROJECTS/Plant1"));
        EXPECT_TRUE(IsDirectory(Dir / "PROJECTS/Plant1/bin"));
        EXPECT_EQ(FileCount(Dir / "PROJECTS/Plant1"), 0);
        EXPECT_EQ(app.Caption(), Prefix + Sep + "Plant1");
        EXPECT_EQ(ProjectName, Sep + "Plant1");
        EXPECT_EQ(PargenFile, Dir / "PROJECTS/Plant1/pargen.xml");
        app.Exit();
    }
    EXPECT_EQ(ReadFileBytes(IniPath(Dir)), "[lastproj]\nprojectname=" + Sep + "Plant1\n");
    TConfigurator again(Dir.Path());
    EXPECT_EQ(ProjectDir, Dir / "PROJECTS/Plant1");
    EXPECT_EQ(again.Caption(), Prefix + Sep + "Plant1");
    EXPECT_TRUE(Messages.Messages().empty());
}

TEST_F(MainWindow, EveryNameNewProjectTakesIsReopenedAtTheNextStart) {
    // Blanks inside and in front are kept; one at the end would be lost on the way through the INI
    // file, so New project refuses it.
    const struct {
        std::string Name;
        bool Taken;
    } cases[] = {{"Plant 1", true}, {" Lead", true}, {"Trail ", false}, {"Two  ", false}};
    for (const auto& c : cases) {
        const TTempDir dir;
        TMessageRecorder messages;
        {
            TConfigurator app(dir.Path());
            EXPECT_EQ(NewProject(app, {c.Name}), c.Taken ? ModalResultOk : ModalResultCancel) << c.Name;
            app.Exit();
        }
        TConfigurator again(dir.Path());
        if (c.Taken) {
            EXPECT_EQ(ProjectDir, dir / ("PROJECTS/" + c.Name)) << c.Name;
            EXPECT_EQ(again.Caption(), Prefix + Sep + c.Name);
            EXPECT_TRUE(messages.Messages().empty()) << c.Name;
        } else {
            EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Name project not valid"}) << c.Name;
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "PROJECTS"), {}), 0) << c.Name;
        }
    }
}

TEST_F(MainWindow, NewProjectRefusesBadNamesAndStaysOpen) {
    TConfigurator app(Dir.Path());
    ASSERT_TRUE(std::filesystem::create_directory(Dir / "PROJECTS/Old"));
    struct TCase {
        std::string Name;
        std::string Message;
    };
    const TCase cases[] = {
        {"", "Name project not valid"},
        {"Old", "Name project not valid because directory already exists"},
        {"a/b", "Name project not valid"},
        {"../Escape", "Name project not valid"},
        {".", "Name project not valid"},
        {"..", "Name project not valid"},
        {"a\"b", "Name project not valid"},
        {"x\" \"y", "Name project not valid"},
        {"tab\there", "Name project not valid"},
        {"bell\a", "Name project not valid"},
        {"del\x7f", "Name project not valid"},
        {"next line\xc2\x85", "Name project not valid"},
        // What a Windows folder name cannot hold, refused on every workstation alike.
        {"..\\Escape", "Name project not valid"},
        {"a:b", "Name project not valid"},
        {"*?<>|", "Name project not valid"},
        {"Line 1.", "Name project not valid"},
        {"con", "Name project not valid"},
        {"NUL.txt", "Name project not valid"},
        {"Com7", "Name project not valid"},
        {"LPT\xc2\xb9", "Name project not valid"},
    };
    std::vector<std::string> names;
    for (const auto& c : cases)
        names.push_back(c.Name);
    EXPECT_EQ(NewProject(app, names), ModalResultCancel);
    ASSERT_EQ(Messages.Messages().size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(Messages.Messages()[i].Text, cases[i].Message) << "name '" << cases[i].Name << "'";
        EXPECT_EQ(Messages.Messages()[i].Icon, TMessageIcon::None);
    }
    EXPECT_FALSE(PathExists(Dir / "PROJECTS/a"));
    EXPECT_FALSE(PathExists(Dir / "Escape"));
    EXPECT_FALSE(PathExists(Dir / "PROJECTS/..\\Escape"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir / "PROJECTS"), {}), 1) << "only Old";
    EXPECT_EQ(ProjectDir, Dir / "PROJECTS");
}

TEST_F(MainWindow, NewProjectWithNoDestinationAndNoNameShowsBothMessages) {
    TConfigurator app(Dir.Path());
    WhenModalShows([](QWidget*) {
        DestinationDir.clear();
        Fsaveproj->Edit1->clear();
        Fsaveproj->bitbtn1->click();
        Fsaveproj->bitbtn2->click();
    });
    app.Main().NewaClick();
    EXPECT_EQ(Messages.Texts(),
              (std::vector<std::string>{"directory destination not valid", "Name project not valid"}));
}

TEST_F(MainWindow, RestoringTheMinimisedNewProjectDialogKeepsTheTypedName) {
    TConfigurator app(Dir.Path());
    WhenModalShows([](QWidget*) {
        Fsaveproj->Edit1->setText("Plant1");
        Fsaveproj->setWindowState(Qt::WindowMinimized);
        Fsaveproj->setWindowState(Qt::WindowNoState);
        Fsaveproj->bitbtn1->click();
        if (Fsaveproj->isVisible())
            Fsaveproj->bitbtn2->click();
    });
    app.Main().NewaClick();
    EXPECT_EQ(Fsaveproj->result(), ModalResultOk);
    EXPECT_EQ(ProjectName, Sep + "Plant1");
    EXPECT_TRUE(Messages.Messages().empty());
}

TEST_F(MainWindow, CancelledNewProjectKeepsTheProjectButShowsNoName) {
    TConfigurator app(Dir.Path());
    ASSERT_EQ(NewProject(app, {"Plant1"}), ModalResultOk);
    EXPECT_EQ(NewProject(app, {}), ModalResultCancel);
    EXPECT_EQ(app.Caption(), Prefix);
    EXPECT_EQ(ProjectDir, Dir / "PROJECTS/Plant1");
    EXPECT_EQ(ProjectName, Sep + "Plant1");
    EXPECT_EQ(PargenFile, Dir / "PROJECTS/Plant1/pargen.xml");
}

TEST_F(MainWindow, OpenProjectChoices) {
    TConfigurator app(Dir.Path());
    ASSERT_EQ(NewProject(app, {"Plant1"}), ModalResultOk);
    struct TCase {
        std::string Folder;
        std::string Name;
    };
    const TCase cases[] = {
        {Dir / "PROJECTS/Plant1", Sep + "Plant1"},
        {Dir / "PROJECTS", ""},
        {Dir / "PROJECTS/Plant1/bin", Sep + "Plant1" + Sep + "bin"},
    };
    for (const auto& c : cases) {
        Open(app, true, c.Folder);
        EXPECT_EQ(ChooserAnswer.SeenRoot, Dir / "PROJECTS");
        EXPECT_EQ(ProjectDir, c.Folder);
        EXPECT_EQ(ProjectName, c.Name);
        EXPECT_EQ(app.Caption(), Prefix + c.Name);
        EXPECT_EQ(PargenFile, c.Folder + Sep + "pargen.xml");
    }
    // A cancel while the current folder exists changes nothing and pre-selects it.
    Open(app, false, "");
    EXPECT_EQ(ChooserAnswer.SeenCurrent, Dir / "PROJECTS/Plant1/bin");
    EXPECT_EQ(ProjectDir, Dir / "PROJECTS/Plant1/bin");
    EXPECT_EQ(app.Caption(), Prefix + Sep + "Plant1" + Sep + "bin");
    EXPECT_TRUE(Messages.Messages().empty());
}

TEST_F(MainWindow, CancelledOpenAfterTheFolderWasDeletedMakesTheProjectInvalid) {
    TConfigurator app(Dir.Path());
    ASSERT_EQ(NewProject(app, {"Plant1"}), ModalResultOk);
    std::filesystem::remove_all(Dir / "PROJECTS/Plant1");
    Open(app, false, "");
    EXPECT_EQ(ChooserAnswer.SeenCurrent, "");
    EXPECT_EQ(ProjectDir, "");
    EXPECT_EQ(ProjectName, "");
    EXPECT_EQ(app.Caption(), Prefix);
    app.Main().btn_Prm_Gen->click();
    app.Main().Btn_Ping->click();
    EXPECT_EQ(Messages.Texts(), (std::vector<std::string>{"Project not valid", "Project not valid"}));
}

TEST_F(MainWindow, RememberedProjectWhoseFolderIsGoneSurvivesTheNextExit) {
    WriteFileBytes(IniPath(Dir), "[lastproj]\nprojectname=/Gone\n");
    TConfigurator app(Dir.Path());
    EXPECT_EQ(app.Caption(), Prefix);
    EXPECT_EQ(ProjectDir, Dir / "PROJECTS");
    EXPECT_EQ(ProjectName, "/Gone");
    app.Exit();
    EXPECT_EQ(ReadFileBytes(IniPath(Dir)), "[lastproj]\nprojectname=/Gone\n");
}

TEST_F(MainWindow, ForeignIniFileIsReadAndItsOtherContentKept) {
    ASSERT_TRUE(std::filesystem::create_directory(Dir / "PROJECTS"));
    ASSERT_TRUE(std::filesystem::create_directory(Dir / "PROJECTS/Plant 2"));
    const std::string before =
        "[Tools]\r\nProjectName=/Other\r\n[LASTPROJ]\r\nPROJECTNAME=" + Sep + "Plant 2\r\nwidth=3\r\n";
    WriteFileBytes(IniPath(Dir), before);
    TConfigurator app(Dir.Path());
    EXPECT_EQ(ProjectDir, Dir / "PROJECTS/Plant 2");
    EXPECT_EQ(app.Caption(), Prefix + Sep + "Plant 2");
    Open(app, true, Dir / "PROJECTS");
    app.Exit();
    EXPECT_EQ(ReadFileBytes(IniPath(Dir)),
              "[Tools]\r\nProjectName=/Other\r\n[LASTPROJ]\r\nprojectname=\r\nwidth=3\r\n");
}

TEST_F(MainWindow, IniThatCannotBeWrittenIsReported) {
    TConfigurator app(Dir.Path());
    ASSERT_TRUE(std::filesystem::create_directory(IniPath(Dir)));
    app.Exit();
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_EQ(Messages.Messages()[0].Text, "Unable to write to " + IniPath(Dir));
}

TEST_F(MainWindow, AboutBoxTextsAndWebLinks) {
    TConfigurator app(Dir.Path());
    static std::vector<std::string> opened;
    opened.clear();
    const TUrlOpener previous =
        SetUrlOpener([](const QUrl& url) { opened.push_back(url.toString().toStdString()); });
    CloseNextModal(ModalResultOk);
    app.Main().about->click();
    EXPECT_EQ(FAbout->windowTitle(), "About...");
    const std::pair<QLabel*, const char*> texts[] = {
        {FAbout->Label1, "Software Velmora "}, {FAbout->Label2, "CAN / Ethernet - Converter"},
        {FAbout->Label6, "Software Code : "},  {FAbout->Label9, "ZA50321"},
        {FAbout->Label3, "Version :"},         {FAbout->Label10, "1.503"},
        {FAbout->Label8, "Document Code :"},   {FAbout->Label12, "MN50321"},
    };
    for (const auto& [label, text] : texts)
        EXPECT_EQ(label->text().toStdString(), text) << label->objectName().toStdString();
    EXPECT_TRUE(FAbout->Label1->font().bold());
    EXPECT_EQ(FAbout->LbButton1->text(), "OK");
    FAbout->Label4Click();
    app.Main().Label6Click();
    EXPECT_EQ(opened,
              (std::vector<std::string>{"https://www.velmora.example/", "https://www.velmora.example/"}));
    SetUrlOpener(previous);
}

TEST_F(MainWindow, ControlsCarryTheirNamesAndCaptions) {
    TConfigurator app(Dir.Path());
    const std::pair<const char*, const char*> buttons[] = {
        {"New", "New project"},      {"open", "Open project"},           {"btn_Prm_Gen", "Set Communication"},
        {"Btn_Ping", "Ping Device"}, {"LbButton2", "Update Via Serial"}, {"about", "About"},
        {"LbButton1", "X"},
    };
    for (const auto& [name, text] : buttons) {
        auto* button = app.Main().findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text().toStdString(), text);
        EXPECT_FALSE(button->accessibleName().isEmpty()) << name;
    }
    EXPECT_EQ(app.Main().Label1->text(), "Step 1");
    EXPECT_EQ(app.Main().Label3->text(), "Step 3");
    EXPECT_EQ(app.Main().Label6->text().toStdString(), "https://www.velmora.example/");
    EXPECT_EQ(Fsaveproj->windowTitle(), "New project");
}
