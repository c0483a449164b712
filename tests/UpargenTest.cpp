#include "configurator/windows/Upargen.h"

#include "common/windows/MessageBox.h"
#include "configurator/ProjectPaths.h"
#include "configurator/windows/ConfiguratorWindows.h"
#include "configurator/windows/UVelmoreFirmWare.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/ParamSamples.h"
#include "tests/support/QtHelpers.h"
#include "tests/support/TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

const std::string DefaultFile = "<?xml version=\"1.0\"?>" + DefaultParamTree;

// The state of every control, in one text, so that whole windows can be compared at once.
std::string Snapshot(TFpargen& w) {
    std::string s = "br=" + w.CB_BR_CAN->currentText().toStdString() + (w.RB_CAN_A->isChecked() ? " A" : "") +
                    (w.RB_CAN_B->isChecked() ? " B" : "");
    const auto edits = [&s](const char* name, std::initializer_list<QLineEdit*> list) {
        s += std::string(" ") + name + "=";
        for (QLineEdit* e : list)
            s += "[" + e->text().toStdString() + "]";
    };
    edits("ip", {w.E_ETH_IP1, w.E_ETH_IP2, w.E_ETH_IP3, w.E_ETH_IP4});
    edits("sm", {w.E_ETH_SM1, w.E_ETH_SM2, w.E_ETH_SM3, w.E_ETH_SM4});
    edits("gat", {w.E_ETH_GAT1, w.E_ETH_GAT2, w.E_ETH_GAT3, w.E_ETH_GAT4});
    edits("dest", {w.E_ETH_DEST1, w.E_ETH_DEST2, w.E_ETH_DEST3, w.E_ETH_DEST4});
    edits("port", {w.E_ETH_Port});
    const auto mark = [&s](const char* name, bool checked, bool hidden) {
        s += std::string(" ") + name + (checked ? "+" : "-") + (hidden ? "h" : "");
    };
    mark("tcp", w.RB_TCP->isChecked(), w.RB_TCP->isHidden());
    mark("udp", w.RB_UDP->isChecked(), w.RB_UDP->isHidden());
    mark("multi", w.CB_ETH_Multi->isChecked(), w.CB_ETH_Multi->isHidden());
    mark("cs", w.RB_Type_CS->isChecked(), w.RB_Type_CS->isHidden());
    mark("os", w.RB_Type_OS->isChecked(), w.RB_Type_OS->isHidden());
    mark("gate", w.CB_En_Gateway->isChecked(), w.CB_En_Gateway->isHidden());
    mark("broad", w.CB_UDP_Broad->isChecked(), w.CB_UDP_Broad->isHidden());
    return s;
}

const std::string DefaultSnapshot =
    "br=250K A ip=[192][168][0][10] sm=[255][255][255][0] gat=[192][168][0][1] dest=[192][168][0][20] "
    "port=[10001] tcp+ udp- multi- cs+ os- gate- broad-h";

// A project folder, current, and the window shown on it.
class SetCommunication : public ::testing::Test {
protected:
    void SetUp() override {
        ProjectDir = Dir.Path();
        SetProjectPaths();
    }
    void TearDown() override { Window.hide(); }

    void WriteParams(const std::string& elements) {
        WriteFileBytes(PargenFile, "<GeneralParameter>" + elements + "</GeneralParameter>");
    }
    void Show() {
        Window.hide();
        Window.show();
    }
    std::string Saved() { return ReadFileBytes(PargenFile); }

    TTempDir Dir;
    TMessageRecorder Messages;
    TFpargen Window;
};

// The main window of a configurator in a program folder of its own, for the address box.
class TMainWindow {
public:
    TMainWindow(const std::string& exeDir, TFpargen& setCommunication)
        : Made(std::filesystem::create_directories(exeDir)), Main(exeDir + "/Velmora_RAZ2Idi") {
        FVelmoreFirmWare = &Main;
        Main.FollowAddressOf(setCommunication);
    }
    ~TMainWindow() { FVelmoreFirmWare = nullptr; }
    TMainWindow(const TMainWindow&) = delete;
    TMainWindow& operator=(const TMainWindow&) = delete;
    bool Made;
    TFVelmoreFirmWare Main;
};

} // namespace

TEST_F(SetCommunication, ControlsCaptionAndNames) {
    EXPECT_EQ(Window.windowTitle(), "SET COMMUNICATION");
    EXPECT_TRUE(Window.windowFlags() & Qt::Tool);
    EXPECT_FALSE(Window.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint));
    const char* names[] = {"CB_BR_CAN",  "RB_CAN_A",      "RB_CAN_B",    "E_ETH_IP1",    "E_ETH_IP2",
                           "E_ETH_IP3",  "E_ETH_IP4",     "E_ETH_SM1",   "E_ETH_SM2",    "E_ETH_SM3",
                           "E_ETH_SM4",  "CB_En_Gateway", "E_ETH_GAT1",  "E_ETH_GAT2",   "E_ETH_GAT3",
                           "E_ETH_GAT4", "E_ETH_DEST1",   "E_ETH_DEST2", "E_ETH_DEST3",  "E_ETH_DEST4",
                           "E_ETH_Port", "RB_TCP",        "RB_UDP",      "CB_ETH_Multi", "RB_Type_CS",
                           "RB_Type_OS", "CB_UDP_Broad",  "bitbtn1",     "bitbtn2"};
    for (const char* name : names) {
        auto* control = Window.findChild<QWidget*>(name);
        ASSERT_NE(control, nullptr) << name;
        EXPECT_FALSE(control->accessibleName().isEmpty()) << name;
    }
    QStringList rates;
    for (int i = 0; i < Window.CB_BR_CAN->count(); ++i)
        rates << Window.CB_BR_CAN->itemText(i);
    EXPECT_EQ(rates.join(" "), "20K 50K 100K 125K 250K 500K 800K 1000K 22.22K");
    EXPECT_FALSE(Window.CB_BR_CAN->isEditable());
    QStringList boxes;
    for (auto* box : Window.findChildren<QGroupBox*>())
        boxes << "[" + box->title() + "]";
    EXPECT_EQ(boxes.join(""), "[CAN Bus][ Ethernet ]");
    const std::pair<const char*, QWidget*> labels[] = {{"Baudrate", Window.CB_BR_CAN},
                                                       {"IP ADDRESS", Window.E_ETH_IP1},
                                                       {"SUBNET Mask", Window.E_ETH_SM1},
                                                       {"IP ADDRESS DESTINATION", Window.E_ETH_DEST1},
                                                       {"Port", Window.E_ETH_Port}};
    for (const auto& [text, buddy] : labels) {
        int found = 0;
        for (auto* label : Window.findChildren<QLabel*>())
            if (label->text() == text && label->buddy() == buddy)
                ++found;
        EXPECT_EQ(found, 1) << text;
    }
    EXPECT_EQ(Window.bitbtn1->text(), "OK");
    EXPECT_EQ(Window.bitbtn2->text(), "Cancel");
}

TEST_F(SetCommunication, DefaultsWithoutFileAndOkWritesThem) {
    Show();
    EXPECT_EQ(Snapshot(Window), DefaultSnapshot);
    EXPECT_EQ(Window.focusWidget(), Window.bitbtn1);
    Window.bitbtn1->click();
    EXPECT_TRUE(Messages.Messages().empty());
    EXPECT_FALSE(Window.isVisible());
    EXPECT_EQ(Window.result(), TFpargen::ResultOk);
    EXPECT_EQ(Saved(), DefaultFile);
}

TEST_F(SetCommunication, OkSetsTheMainWindowsAddressAsTyped) {
    TMainWindow main(Dir / "exe", Window);
    ProjectDir = Dir.Path();
    SetProjectPaths();
    Show();
    Window.E_ETH_IP1->setText("010");
    Window.E_ETH_IP3->setText(" 1");
    Window.bitbtn1->click();
    EXPECT_EQ(main.Main.Edit1->text(), "010.168. 1.10");
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(PargenFile.c_str()));
    const pugi::xml_node ip = doc.child("GeneralParameter").child("ADD_IP");
    EXPECT_STREQ(ip.attribute("IPB1").value(), "010");
    EXPECT_STREQ(ip.attribute("IPB3").value(), " 1");
}

TEST_F(SetCommunication, EachCheckShowsItsMessage) {
    const struct {
        QLineEdit* TFpargen::*Edit;
        const char* Text;
        const char* Message;
    } cases[] = {
        {&TFpargen::E_ETH_IP1, "256", "Error!! IP1 must be between 0 and 255. "},
        {&TFpargen::E_ETH_IP2, "-1", "Error!! IP2 must be between 0 and 255. "},
        {&TFpargen::E_ETH_IP3, "", "Error!! IP3 must be between 0 and 255. "},
        {&TFpargen::E_ETH_IP4, "256", "Error!! IP4 must be between 0 and 255. "},
        {&TFpargen::E_ETH_SM1, "a", "Error!! SubNet Mask 1 must be between 0 and 255. "},
        {&TFpargen::E_ETH_SM2, "1.0", "Error!! SubNet Mask 2 must be between 0 and 255. "},
        {&TFpargen::E_ETH_SM3, "25 5", "Error!! SubNet Mask 3 must be between 0 and 255. "},
        {&TFpargen::E_ETH_SM4, "1000", "Error!! SubNet Mask 4 must be between 0 and 255. "},
        {&TFpargen::E_ETH_GAT1, "300", "Error!! Gateway Address 1 must be between 0 and 255. "},
        {&TFpargen::E_ETH_GAT2, " ", "Error!! Gateway Address 2 must be between 0 and 255. "},
        {&TFpargen::E_ETH_GAT3, "0x1", "Error!! Gateway Address 3 must be between 0 and 255. "},
        {&TFpargen::E_ETH_GAT4, "99999999999", "Error!! Gateway Address 4 must be between 0 and 255. "},
        {&TFpargen::E_ETH_DEST1, "-0x", "Error!! Destination IP Address 1 must be between 0 and 255. "},
        {&TFpargen::E_ETH_DEST2, "257", "Error!! Destination IP Address 2 must be between 0 and 255. "},
        {&TFpargen::E_ETH_DEST3, "1 ", "Error!! Destination IP Address 3 must be between 0 and 255. "},
        {&TFpargen::E_ETH_DEST4, "+", "Error!! Destination IP Address 4 must be between 0 and 255. "},
        {&TFpargen::E_ETH_Port, "65536", "Error!! Port must be between 0 and 655535. "},
    };
    WriteFileBytes(PargenFile, "earlier");
    for (const auto& c : cases) {
        Show();
        Messages.Clear();
        (Window.*c.Edit)->setText(c.Text);
        Window.bitbtn1->click();
        ASSERT_EQ(Messages.Messages().size(), 1u) << c.Message;
        EXPECT_EQ(Messages.Messages()[0].Text, c.Message);
        EXPECT_EQ(Messages.Messages()[0].Caption, "Error");
        EXPECT_EQ(Messages.Messages()[0].Icon, TMessageIcon::Error);
        EXPECT_TRUE(Window.isVisible()) << c.Message;
        EXPECT_EQ((Window.*c.Edit)->text(), c.Text) << "the entry stays as typed";
        EXPECT_EQ(Saved(), "earlier");
    }
}

TEST_F(SetCommunication, FirstFailingEntryWins) {
    const struct {
        std::vector<std::pair<QLineEdit * TFpargen::*, const char*>> Entries;
        const char* Message;
    } cases[] = {
        {{{&TFpargen::E_ETH_DEST1, "300"}, {&TFpargen::E_ETH_GAT4, "300"}},
         "Error!! Gateway Address 4 must be between 0 and 255. "},
        {{{&TFpargen::E_ETH_Port, "x"}, {&TFpargen::E_ETH_IP4, ""}},
         "Error!! IP4 must be between 0 and 255. "},
        {{{&TFpargen::E_ETH_GAT1, "-1"}, {&TFpargen::E_ETH_SM4, "256"}},
         "Error!! SubNet Mask 4 must be between 0 and 255. "},
    };
    for (const auto& c : cases) {
        Show();
        Messages.Clear();
        for (const auto& [edit, text] : c.Entries)
            (Window.*edit)->setText(text);
        Window.bitbtn1->click();
        EXPECT_EQ(Messages.Texts(), std::vector<std::string>{c.Message});
    }
}

TEST_F(SetCommunication, BoundaryEntriesAreAcceptedAndStoredExactly) {
    Show();
    Window.E_ETH_Port->setText("65535");
    Window.E_ETH_SM1->setText("010");
    Window.E_ETH_SM2->setText(" 10");
    Window.E_ETH_DEST4->setText("+0");
    Window.E_ETH_GAT1->setText("255");
    Window.bitbtn1->click();
    EXPECT_TRUE(Messages.Messages().empty());
    std::string expected = DefaultFile;
    expected.replace(expected.find("<Port>10001"), 11, "<Port>65535");
    expected.replace(expected.find("SMB1=\"255\" SMB2=\"255\""), 21, "SMB1=\"010\" SMB2=\" 10\"");
    expected.replace(expected.find("DESTB4=\"20\""), 11, "DESTB4=\"+0\"");
    expected.replace(expected.find("GATE1=\"192\""), 11, "GATE1=\"255\"");
    EXPECT_EQ(Saved(), expected);
    Show();
    EXPECT_EQ(Window.E_ETH_SM2->text(), " 10");
}

TEST_F(SetCommunication, DotKeyMovesOnInAddressEdits) {
    Show();
    Window.activateWindow();
    const std::array<std::array<QLineEdit*, 4>, 4> groups{{
        {Window.E_ETH_IP1, Window.E_ETH_IP2, Window.E_ETH_IP3, Window.E_ETH_IP4},
        {Window.E_ETH_SM1, Window.E_ETH_SM2, Window.E_ETH_SM3, Window.E_ETH_SM4},
        {Window.E_ETH_GAT1, Window.E_ETH_GAT2, Window.E_ETH_GAT3, Window.E_ETH_GAT4},
        {Window.E_ETH_DEST1, Window.E_ETH_DEST2, Window.E_ETH_DEST3, Window.E_ETH_DEST4},
    }};
    for (const auto& group : groups) {
        for (std::size_t i = 0; i < 4; ++i) {
            QLineEdit* edit = group[i];
            edit->clear();
            edit->setFocus();
            KeyClick(edit, '1');
            KeyClick(edit, '.');
            EXPECT_EQ(edit->text(), "1") << edit->objectName().toStdString();
            EXPECT_EQ(Window.focusWidget(), i < 3 ? group[i + 1] : edit) << edit->objectName().toStdString();
        }
    }
    Window.E_ETH_IP1->setFocus();
    Window.E_ETH_IP1->setText("12");
    Window.E_ETH_IP1->setCursorPosition(1);
    KeyClick(Window.E_ETH_IP1, 'a');
    KeyClick(Window.E_ETH_IP1, ' ');
    EXPECT_EQ(Window.E_ETH_IP1->text(), "1a 2") << "other keys reach the edit";

    Window.E_ETH_Port->setFocus();
    Window.E_ETH_Port->end(false);
    KeyClick(Window.E_ETH_Port, '.');
    EXPECT_EQ(Window.E_ETH_Port->text(), "10001.");
    EXPECT_EQ(Window.focusWidget(), Window.E_ETH_Port);
}

TEST_F(SetCommunication, UdpFileShowsTheBroadcastBox) {
    WriteParams("<Protocol>1</Protocol><UDP_Broad>1</UDP_Broad><Type_Dev>1</Type_Dev>");
    Show();
    EXPECT_EQ(Snapshot(Window),
              "br=500K A ip=[192][168][0][10] sm=[255][255][255][0] gat=[192][168][0][1] "
              "dest=[192][168][0][20] port=[10001] tcp- udp+ multi- cs-h os+h gate- broad+");
    Window.RB_TCP->click();
    EXPECT_EQ(Snapshot(Window).substr(Snapshot(Window).find(" tcp")),
              " tcp+ udp- multi- cs- os+ gate- broad+h");
    // OK writes the hidden controls too.
    Window.bitbtn1->click();
    const std::string saved = Saved();
    EXPECT_NE(saved.find("<Protocol>0</Protocol>"), std::string::npos);
    EXPECT_NE(saved.find("<Type_Dev>1</Type_Dev>"), std::string::npos);
    EXPECT_NE(saved.find("<UDP_Broad>1</UDP_Broad>"), std::string::npos);
}

TEST_F(SetCommunication, UdpFileWithoutBroadcastKeepsTheBoxHidden) {
    WriteParams("<Protocol>1</Protocol>");
    Show();
    EXPECT_TRUE(Window.RB_UDP->isChecked());
    EXPECT_TRUE(Window.RB_Type_CS->isHidden());
    EXPECT_TRUE(Window.CB_UDP_Broad->isHidden());
    Window.RB_UDP->click();
    EXPECT_TRUE(Window.CB_UDP_Broad->isHidden()) << "UDP was already selected";
    Window.RB_TCP->click();
    Window.RB_UDP->click();
    EXPECT_FALSE(Window.CB_UDP_Broad->isHidden());
    EXPECT_FALSE(Window.CB_UDP_Broad->isChecked());
    // The next show starts from the defaults again.
    Show();
    EXPECT_TRUE(Window.RB_UDP->isChecked());
    EXPECT_TRUE(Window.CB_UDP_Broad->isHidden());
}

TEST_F(SetCommunication, FileValuesAndFallbacks) {
    const struct {
        const char* Elements;
        const char* Snapshot;
    } cases[] = {
        {"<En_Gate>2</En_Gate><Multi>2</Multi>",
         "br=500K A ip=[192][168][0][10] sm=[255][255][255][0] gat=[192][168][0][1] dest=[192][168][0][20] "
         "port=[10001] tcp+ udp- multi+ cs+ os- gate- broad-h"},
        {"<CAN_BR>8</CAN_BR><CAN_Type>3</CAN_Type><En_Gate>1</En_Gate><UDP_Broad>0</UDP_Broad>",
         "br=22.22K B ip=[192][168][0][10] sm=[255][255][255][0] gat=[192][168][0][1] dest=[192][168][0][20] "
         "port=[10001] tcp+ udp- multi- cs+ os- gate+ broad-h"},
        {"<CAN_BR>9</CAN_BR><Port>abc</Port><ADD_IP IPB1=\"1\" IPB2=\"x\" IPB3=\"\" IPB4=\"4\"/>"
         "<GATEWAY GATE1=\"1\" GATE2=\"2\" GATE4=\"4\"/>",
         "br=500K A ip=[1][x][][4] sm=[255][255][255][0] gat=[192][168][0][1] dest=[192][168][0][20] "
         "port=[abc] tcp+ udp- multi- cs+ os- gate- broad-h"},
        {"<CAN_BR>-1</CAN_BR><Port/><SUBNET SMB1=\"255\" SMB2=\"255\" SMB3=\"0\" SMB4=\"0\"/>",
         "br=500K A ip=[192][168][0][10] sm=[255][255][0][0] gat=[192][168][0][1] dest=[192][168][0][20] "
         "port=[] tcp+ udp- multi- cs+ os- gate- broad-h"},
    };
    for (const auto& c : cases) {
        WriteParams(c.Elements);
        Show();
        EXPECT_EQ(Snapshot(Window), c.Snapshot) << c.Elements;
    }
}

TEST_F(SetCommunication, UnparsableFileShowsDefaultsAndOkReplacesIt) {
    WriteFileBytes(PargenFile, "<GeneralParameter><CAN_BR>1</CAN_BR>");
    Show();
    EXPECT_EQ(Snapshot(Window), DefaultSnapshot);
    EXPECT_TRUE(Messages.Messages().empty());
    Window.bitbtn1->click();
    EXPECT_EQ(Saved(), DefaultFile);
}

TEST_F(SetCommunication, CancelWritesNothing) {
    TMainWindow main(Dir / "exe", Window);
    ProjectDir = Dir / "exe/PROJECTS";
    SetProjectPaths();
    Show();
    Window.E_ETH_IP1->setText("10");
    Window.bitbtn2->click();
    EXPECT_EQ(Window.result(), TFpargen::ResultCancel);
    EXPECT_FALSE(PathExists(PargenFile));
    WriteParams("<CAN_BR>1</CAN_BR>");
    const std::string before = Saved();
    Show();
    Window.CB_BR_CAN->setCurrentIndex(3);
    Window.bitbtn2->click();
    EXPECT_EQ(Saved(), before);
    EXPECT_EQ(main.Main.Edit1->text(), "255.255.255.255");
    EXPECT_TRUE(Messages.Messages().empty());
}

TEST_F(SetCommunication, NextShowReadsBackWhatWasSaved) {
    WriteFileBytes(PargenFile,
                   "<?xml version=\"1.0\"?><!-- old --><GeneralParameter><Extra/></GeneralParameter>");
    Show();
    Window.CB_BR_CAN->setCurrentIndex(7);
    Window.RB_CAN_B->click();
    const std::pair<QLineEdit*, const char*> texts[] = {
        {Window.E_ETH_IP1, "10"},   {Window.E_ETH_IP2, "1"},   {Window.E_ETH_IP3, "2"},
        {Window.E_ETH_IP4, "3"},    {Window.E_ETH_SM1, "255"}, {Window.E_ETH_SM2, "255"},
        {Window.E_ETH_SM3, "0"},    {Window.E_ETH_SM4, "0"},   {Window.E_ETH_GAT1, "10"},
        {Window.E_ETH_GAT2, "1"},   {Window.E_ETH_GAT3, "0"},  {Window.E_ETH_GAT4, "254"},
        {Window.E_ETH_DEST1, "10"}, {Window.E_ETH_DEST2, "1"}, {Window.E_ETH_DEST3, "9"},
        {Window.E_ETH_DEST4, "8"},  {Window.E_ETH_Port, "502"}};
    for (const auto& [edit, text] : texts)
        edit->setText(text);
    Window.RB_Type_OS->click();
    Window.RB_UDP->click();
    Window.CB_UDP_Broad->click();
    Window.CB_ETH_Multi->click();
    Window.CB_En_Gateway->click();
    const std::string before = Snapshot(Window);
    Window.bitbtn1->click();
    EXPECT_EQ(Saved(), "<?xml version=\"1.0\"?><GeneralParameter><CAN_BR>7</CAN_BR><CAN_Type>1</CAN_Type>"
                       "<ADD_IP IPB1=\"10\" IPB2=\"1\" IPB3=\"2\" IPB4=\"3\"/>"
                       "<SUBNET SMB1=\"255\" SMB2=\"255\" SMB3=\"0\" SMB4=\"0\"/>"
                       "<DEST DESTB1=\"10\" DESTB2=\"1\" DESTB3=\"9\" DESTB4=\"8\"/>"
                       "<Port>502</Port><Protocol>1</Protocol><Multi>1</Multi><Type_Dev>1</Type_Dev>"
                       "<En_Gate>1</En_Gate><GATEWAY GATE1=\"10\" GATE2=\"1\" GATE3=\"0\" GATE4=\"254\"/>"
                       "<UDP_Broad>1</UDP_Broad></GeneralParameter>");
    Show();
    EXPECT_EQ(Snapshot(Window), before);
}

TEST_F(SetCommunication, FileNameMatchedWithoutLetterCase) {
    if (NamesIgnoreCase(Dir.Path()))
        GTEST_SKIP() << "this file system takes Pargen.xml and pargen.xml as one file";
    const std::string other = Dir / "Pargen.xml";
    WriteFileBytes(other, "<GeneralParameter><CAN_BR>0</CAN_BR></GeneralParameter>");
    Show();
    EXPECT_EQ(Window.CB_BR_CAN->currentText(), "20K");
    Window.bitbtn1->click();
    EXPECT_FALSE(PathExists(PargenFile)) << "a second parameter file beside the first";
    EXPECT_NE(ReadFileBytes(other).find("<CAN_BR>0</CAN_BR><CAN_Type>0</CAN_Type>"), std::string::npos);
}

TEST_F(SetCommunication, SaveIntoRemovedFolderShowsTheError) {
    TMainWindow main(Dir / "exe", Window);
    ProjectDir = Dir / "gone"; // the project folder removed behind the program's back
    SetProjectPaths();
    Show();
    Window.bitbtn1->click();
    ASSERT_EQ(Messages.Messages().size(), 1u);
    EXPECT_EQ(Messages.Messages()[0].Text,
              "cannot save " + (Dir / "gone/pargen.xml") + ": No such file or directory");
    EXPECT_EQ(Messages.Messages()[0].Icon, TMessageIcon::None);
    EXPECT_TRUE(Window.isVisible());
    EXPECT_EQ(main.Main.Edit1->text(), "255.255.255.255");
    EXPECT_FALSE(PathExists(Dir / "gone"));
}

TEST_F(SetCommunication, SaveFailingHalfwayKeepsTheOldFile) {
    if (const std::string why = TFileSizeLimit::Unavailable(); !why.empty())
        GTEST_SKIP() << why;
    TMainWindow main(Dir / "exe", Window);
    ProjectDir = Dir.Path();
    SetProjectPaths();
    WriteFileBytes(PargenFile, "earlier");
    Show();
    {
        TFileSizeLimit limit(20); // as on a full disk
        Window.bitbtn1->click();
    }
    EXPECT_EQ(Messages.Texts(), std::vector<std::string>{"cannot save " + PargenFile + ": File too large"});
    EXPECT_EQ(Saved(), "earlier");
    EXPECT_TRUE(Window.isVisible());
    EXPECT_EQ(main.Main.Edit1->text(), "255.255.255.255");
    Window.bitbtn1->click(); // the user presses OK again once there is room
    EXPECT_EQ(Saved(), DefaultFile);
    EXPECT_EQ(main.Main.Edit1->text(), "192.168.0.10");
}

TEST_F(SetCommunication, WriteProtectedFolderTakesNoNewFileButItsWritableFileIsSaved) {
    if (!WriteProtectFolder(Dir.Path()))
        GTEST_SKIP() << "a write-protected folder takes new files here (root, or Windows)";
    Show();
    Window.bitbtn1->click();
    EXPECT_EQ(Messages.Texts(),
              std::vector<std::string>{"cannot save " + PargenFile + ": Permission denied"});
    EXPECT_FALSE(PathExists(PargenFile));
    EXPECT_TRUE(Window.isVisible());

    WriteProtectFolder(Dir.Path(), false);
    WriteFileBytes(PargenFile, "earlier");
    WriteProtectFolder(Dir.Path());
    Messages.Clear();
    Show();
    Window.bitbtn1->click(); // written in place, as the folder takes no new file
    EXPECT_TRUE(Messages.Messages().empty());
    EXPECT_EQ(Saved(), DefaultFile);
}

TEST(SetCommunicationFromMainWindow, ButtonShowsTheWindowAndOkSetsTheAddress) {
    TTempDir dir;
    TMessageRecorder messages;
    TConfiguratorWindows windows(dir / "Velmora_RAZ2Idi");
    WhenModalShows([](QWidget* modal) {
        EXPECT_EQ(modal, Fpargen);
        Fpargen->E_ETH_IP4->setText("77");
        Fpargen->bitbtn1->click();
    });
    FVelmoreFirmWare->btn_Prm_Gen->click();
    EXPECT_EQ(Fpargen->result(), TFpargen::ResultOk);
    EXPECT_EQ(FVelmoreFirmWare->Edit1->text(), "192.168.0.77");
    EXPECT_NE(ReadFileBytes(dir / "PROJECTS/pargen.xml").find("IPB4=\"77\""), std::string::npos);
    EXPECT_TRUE(messages.Messages().empty());
}
