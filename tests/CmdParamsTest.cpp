#include "configurator/windows/Upargen.h"

#include "common/windows/MessageBox.h"
#include "configurator/ProjectPaths.h"
#include "configurator/ProjectSession.h"
#include "tests/support/JsonFlat.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tools/ParamSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// ze50321 params on folder with the given settings; answers the exit code, output in out/err.
int Params(const TTempDir& dir, const std::string& folder, std::vector<std::string> settings,
           std::string& out, std::string& err) {
    std::vector<std::string> args = {Tool(), "params", folder};
    if (!settings.empty())
        args.push_back("--set");
    args.insert(args.end(), settings.begin(), settings.end());
    TProcess p(args, dir / "params.out", dir / "params.err");
    const int code = p.Wait();
    out = p.Text();
    err = p.ErrorText();
    return code;
}

std::string MakeFolder(const TTempDir& dir, const std::string& name) {
    ::mkdir((dir / name).c_str(), 0755);
    return dir / name;
}

} // namespace

TEST(CmdParams, SetAndTheWindowWriteTheSameBytesAndReadEachOther) {
    TTempDir dir;
    std::string out, err;
    const std::vector<std::string> settings = {"can-bitrate=22.22K", "can-frame=2.0B",   "ip=010.1.2.3",
                                               "mask=255.255.0.0",   "gateway=10.0.0.1", "dest=10.0.0.2",
                                               "port=502",           "transport=udp",    "multiframe=on",
                                               "role=server",        "udp-broadcast=on"};
    const std::string one = MakeFolder(dir, "one");
    ASSERT_EQ(Params(dir, one, settings, out, err), 0) << err;
    const std::string written = ReadFileBytes(one + "/pargen.xml");

    // The window reads it as set, and its OK writes the same bytes.
    ProjectDir = one;
    SetProjectPaths();
    TFpargen window;
    window.show();
    EXPECT_EQ(window.CB_BR_CAN->currentText().toStdString(), "22.22K");
    EXPECT_EQ(window.E_ETH_IP1->text().toStdString(), "010");
    EXPECT_TRUE(window.RB_UDP->isChecked());
    EXPECT_TRUE(window.CB_UDP_Broad->isChecked());
    ::unlink((one + "/pargen.xml").c_str());
    window.BitBtn1Click();
    EXPECT_EQ(ReadFileBytes(one + "/pargen.xml"), written);

    // The other way: what the window saves, params shows, and setting that again writes the same bytes.
    window.show();
    window.E_ETH_DEST4->setText("77");
    window.E_ETH_Port->setText("65535");
    window.RB_TCP->setChecked(true);
    window.CB_En_Gateway->setChecked(false);
    window.BitBtn1Click();
    const std::string saved = ReadFileBytes(one + "/pargen.xml");
    ASSERT_EQ(Params(dir, one, {}, out, err), 0) << err;
    EXPECT_EQ(out, "can-bitrate=22.22K\ncan-frame=2.0B\nip=010.1.2.3\nmask=255.255.0.0\ngateway=off\n"
                   "gateway-address=10.0.0.1\ndest=10.0.0.77\nport=65535\ntransport=tcp\nmultiframe=on\n"
                   "role=server\nudp-broadcast=on\n");
    const std::string two = MakeFolder(dir, "two");
    std::vector<std::string> again;
    for (std::size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos; start = end + 1)
        again.push_back(out.substr(start, end - start));
    ASSERT_EQ(Params(dir, two, again, out, err), 0) << err;
    EXPECT_EQ(ReadFileBytes(two + "/pargen.xml"), saved);
}

TEST(CmdParams, EveryCheckRefusesWithItsMessageAndWritesNothing) {
    const struct {
        const char* Setting;
        const char* Message;
    } cases[] = {
        {"ip=256.0.0.0", "Error!! IP1 must be between 0 and 255. "},
        {"ip=0.x.0.0", "Error!! IP2 must be between 0 and 255. "},
        {"ip=0.0..0", "Error!! IP3 must be between 0 and 255. "},
        {"ip=0.0.0.-1", "Error!! IP4 must be between 0 and 255. "},
        {"mask=300.0.0.0", "Error!! SubNet Mask 1 must be between 0 and 255. "},
        {"mask=0.256.0.0", "Error!! SubNet Mask 2 must be between 0 and 255. "},
        {"mask=0.0.1e2.0", "Error!! SubNet Mask 3 must be between 0 and 255. "},
        {"mask=0.0.0.999", "Error!! SubNet Mask 4 must be between 0 and 255. "},
        {"gateway-address=256.0.0.0", "Error!! Gateway Address 1 must be between 0 and 255. "},
        {"gateway=0.256.0.0", "Error!! Gateway Address 2 must be between 0 and 255. "},
        {"gateway-address=0.0.256.0", "Error!! Gateway Address 3 must be between 0 and 255. "},
        {"gateway-address=0.0.0.256", "Error!! Gateway Address 4 must be between 0 and 255. "},
        {"dest=256.0.0.0", "Error!! Destination IP Address 1 must be between 0 and 255. "},
        {"dest=0.256.0.0", "Error!! Destination IP Address 2 must be between 0 and 255. "},
        {"dest=0.0.256.0", "Error!! Destination IP Address 3 must be between 0 and 255. "},
        {"dest=0.0.0.256", "Error!! Destination IP Address 4 must be between 0 and 255. "},
        {"port=65536", "Error!! Port must be between 0 and 655535. "},
    };
    // In-process: the setting, then the session's save as params --set runs it.
    TTempDir dir;
    const std::string folder = MakeFolder(dir, "p");
    TProjectSession session;
    session.UseProjectFolder(folder);
    int number = 0;
    for (const auto& c : cases) {
        ++number;
        TParamValues values;
        std::string why;
        ASSERT_TRUE(ApplySetting("port=1", values, why) && ApplySetting(c.Setting, values, why)) << why;
        pugi::xml_document doc;
        const auto failed = session.SaveParams(doc, values);
        ASSERT_TRUE(failed) << c.Setting;
        EXPECT_EQ(failed->Message, c.Message) << c.Setting;
        EXPECT_EQ(failed->Number, number) << c.Setting;
        EXPECT_FALSE(PathExists(folder + "/pargen.xml")) << c.Setting;
    }
    // The tool: the message on standard error, exit 1, and the check in the document.
    TProcess json({Tool(), "params", "--json", folder, "--set", "port=65536"}, dir / "j.out", dir / "j.err");
    EXPECT_EQ(json.Wait(), 1);
    EXPECT_EQ(json.ErrorText(), std::string(cases[16].Message) + "\n");
    const auto doc = TJsonFlat::Parse(json.Text());
    EXPECT_EQ(doc.at("failed_check.number"), "17");
    EXPECT_EQ(doc.at("written"), "false");
    EXPECT_FALSE(PathExists(folder + "/pargen.xml"));
    // The gateway is checked before the destination; usage errors are 64.
    std::string out, err;
    EXPECT_EQ(Params(dir, folder, {"dest=999.0.0.0", "gateway-address=0.0.0.999"}, out, err), 1);
    EXPECT_EQ(err, "Error!! Gateway Address 4 must be between 0 and 255. \n");
    EXPECT_EQ(Params(dir, folder, {"ip=1.2.3"}, out, err), 64);
    EXPECT_EQ(Params(dir, folder, {"colour=red"}, out, err), 64);
}

TEST(CmdProject, NewMakesTheFolderWithItsBinAndRefusesAsTheDialogDoes) {
    TTempDir dir;
    const struct {
        std::string Name;
        int Code;
        std::string Err;
    } cases[] = {
        {"Plant 1", 0, ""},
        {"Plant 1", 1, "Name project not valid because directory already exists\n"},
        {"", 1, "Name project not valid\n"},
        {"a/b", 1, "Name project not valid\n"},
    };
    for (const auto& c : cases) {
        TProcess p({Tool(), "project", "new", dir.Path(), c.Name}, dir / "out", dir / "err");
        EXPECT_EQ(p.Wait(), c.Code) << c.Name;
        EXPECT_EQ(p.ErrorText(), c.Err) << c.Name;
    }
    EXPECT_TRUE(IsDirectory(dir / "PROJECTS/Plant 1/bin"));
    EXPECT_FALSE(PathExists(dir / "PROJECTS/Plant 1/pargen.xml"));
}
