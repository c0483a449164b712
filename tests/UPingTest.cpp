#include "configurator/windows/UPing.h"
#include "configurator/windows/ConfiguratorWindows.h"
#include "configurator/windows/UVelmoreFirmWare.h"
#include "icmp/Ping1.h"

#include "tests/support/IcmpAnswers.h"
#include "tests/support/IcmpPermission.h"
#include "tests/support/QtHelpers.h"
#include "tests/support/TempDir.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;

// What the result window showed while it was open.
struct TShown {
    std::string Caption;
    std::string Message;
    std::vector<std::string> VisiblePictures;
};

std::vector<std::string> VisiblePictures(const TFPing& window) {
    std::vector<std::string> names;
    for (const QLabel* picture : {window.I_P_F, window.I_P_NF, window.I_P_E})
        if (picture->isVisible())
            names.push_back(picture->objectName().toStdString());
    return names;
}

// Reads the result window once it shows modally, then presses its OK.
std::shared_ptr<std::optional<TShown>> ReadAndCloseResult() {
    auto shown = std::make_shared<std::optional<TShown>>();
    WhenModalShows([shown](QWidget* modal) {
        if (modal != FPing)
            return;
        *shown = TShown{FPing->windowTitle().toStdString(), FPing->Label1->text().toStdString(),
                        VisiblePictures(*FPing)};
        FPing->LbButton1->click();
    });
    return shown;
}

// Answers queued per exchange; records the requests.
struct TFakeNetwork {
    std::deque<TBytes> Answers;
    std::vector<TBytes> Sent;
};

class TFakeSocket : public IIcmpSocket {
public:
    explicit TFakeSocket(TFakeNetwork& net) : Net(net) {}
    std::size_t Send(const TBytes& message, const TIPv4Address&) override {
        Net.Sent.push_back(message);
        return message.size();
    }
    bool WaitReadable(int) override { return !Net.Answers.empty(); }
    std::size_t Receive(std::uint8_t* buffer, std::size_t, TIPv4Address& sender) override {
        const TBytes answer = Net.Answers.front();
        Net.Answers.pop_front();
        std::copy(answer.begin(), answer.end(), buffer);
        sender = TIPv4Address{{192, 168, 0, 10}};
        return answer.size();
    }
    bool HeaderIncluded() const override { return true; }

private:
    TFakeNetwork& Net;
};

// The configurator's windows in a program folder of their own.
class TConfigurator {
public:
    TConfigurator() : Windows(std::make_unique<TConfiguratorWindows>(Dir / "Velmora_RAZ2Idi")) {}
    TFVelmoreFirmWare& Main() { return *FVelmoreFirmWare; }
    // Gives the main window's client a fake socket.
    void UseFakeNetwork(TFakeNetwork& net) {
        Main().Ping1.reset(new TPing1);
        Main().Ping1->SocketFactory = [&net] { return std::make_unique<TFakeSocket>(net); };
        Main().Ping1->NameLookup = [](const std::string& name) -> TIPv4Address {
            throw EPingError("cannot resolve host '" + name + "': Name or service not known");
        };
    }
    // Runs Ping Device with text in the address box; answers what the result window showed.
    TShown Ping(const std::string& text) {
        Main().Edit1->setText(QString::fromStdString(text));
        auto shown = ReadAndCloseResult();
        Main().PingDevice();
        EXPECT_TRUE(shown->has_value()) << "the result window did not show";
        return shown->value_or(TShown{});
    }

private:
    TTempDir Dir;
    std::unique_ptr<TConfiguratorWindows> Windows;
};

const TShown Found{"Ping! Device Found!", "Device Found!", {"I_P_F"}};
const TShown NotFound{"Ping! Device Not Found!", "Device Not Found!", {"I_P_NF"}};
const TShown Error{"Ping! Error!!!", "Error!!! Check the Ip Address", {"I_P_E"}};

void ExpectShown(const TShown& actual, const TShown& expected) {
    EXPECT_EQ(actual.Caption, expected.Caption);
    EXPECT_EQ(actual.Message, expected.Message);
    EXPECT_EQ(actual.VisiblePictures, expected.VisiblePictures);
}

TEST(UPing, ShowResultShowsOneOutcome) {
    TFPing window;
    EXPECT_EQ(window.objectName(), "FPing");
    for (QWidget* control : std::initializer_list<QWidget*>{window.I_P_F, window.I_P_NF, window.I_P_E,
                                                            window.Label1, window.LbButton1})
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
    EXPECT_EQ(window.LbButton1->text(), "OK");
    EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMinMaxButtonsHint);

    window.show();
    ASSERT_TRUE(window.isVisible());
    const struct {
        int Kind;
        TShown Expected;
    } cases[] = {{0, Found}, {1, NotFound}, {2, Error}, {0, Found}};
    for (const auto& c : cases) {
        window.ShowResult(c.Kind, c.Expected.Caption, c.Expected.Message);
        ExpectShown({window.windowTitle().toStdString(), window.Label1->text().toStdString(),
                     VisiblePictures(window)},
                    c.Expected);
        // The three pictures lie on the same spot.
        EXPECT_EQ(window.I_P_F->geometry(), window.I_P_NF->geometry());
        EXPECT_EQ(window.I_P_F->geometry(), window.I_P_E->geometry());
    }
    window.LbButton1->click();
    EXPECT_FALSE(window.isVisible());
}

TEST(UPing, PingDeviceShowsEachOutcome) {
    TConfigurator app;
    TFakeNetwork net;
    app.UseFakeNetwork(net);

    net.Answers = {IcmpEcho(0, 3488), IcmpEcho(0, 3489)};
    ExpectShown(app.Ping("192.168.0.10"), Found);
    EXPECT_EQ(app.Main().PingState, 1);

    net.Answers = {IcmpEcho(0, 3489)}; // the previous sequence number: not the answer of this one
    ExpectShown(app.Ping("192.168.0.10"), NotFound);
    EXPECT_EQ(app.Main().PingState, 2);

    net.Answers = {IcmpEcho(5, 3491)}; // a redirect
    ExpectShown(app.Ping("192.168.0.10"), Error);
    EXPECT_EQ(app.Main().PingState, 0);

    net.Answers = {IcmpEcho(8, 3491)}; // the redirect's exchange did not advance the sequence number
    ExpectShown(app.Ping("192.168.0.10"), Found);

    // A report that the request did not arrive ends the wait, and finds nothing.
    for (const std::uint8_t type : {3, 11}) {
        net.Answers = {IcmpReport(type, app.Main().Ping1->SequenceNumber(), OwnIcmpIdentifier())};
        ExpectShown(app.Ping("192.168.0.10"), NotFound);
        EXPECT_EQ(app.Main().PingState, 2);
        EXPECT_TRUE(net.Answers.empty());
    }

    ExpectShown(app.Ping("192.168.0.256"), Error);
    EXPECT_EQ(app.Main().PingState, 0);

    ASSERT_EQ(net.Sent.size(), 6u);
    std::vector<int> sequences;
    for (const auto& request : net.Sent)
        sequences.push_back(request[6] | request[7] << 8);
    EXPECT_EQ(sequences, (std::vector<int>{3489, 3490, 3491, 3491, 3492, 3493}));
    // The address box's text is the request's data.
    EXPECT_EQ(std::string(net.Sent[0].begin() + 20, net.Sent[0].end()),
              "192.168.0.10" + std::string(20, 'E'));
}

TEST(UPing, PingDeviceButtonRunsThroughTheProjectGuard) {
    TConfigurator app;
    TFakeNetwork net;
    app.UseFakeNetwork(net);
    net.Answers = {IcmpEcho(0, 3489)};
    app.Main().Edit1->setText("192.168.0.10");
    auto shown = ReadAndCloseResult();
    app.Main().Btn_Ping->click();
    ASSERT_TRUE(shown->has_value());
    ExpectShown(**shown, Found);
}

TEST(UPing, PingDeviceForReal) {
    TConfigurator app;
    // A label over 63 characters cannot go into a name-service query: the lookup fails locally.
    ExpectShown(app.Ping(std::string(64, 'x') + ".invalid"), Error);
    ZE_SKIP_WITHOUT_ICMP();
    ExpectShown(app.Ping("127.0.0.1"), Found);
    ExpectShown(app.Ping("localhost"), Found);
}

} // namespace
