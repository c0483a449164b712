#include "configurator/Ping1.h"
#include "configurator/windows/UPing.h"
#include "configurator/windows/UVelmoreFirmWare.h"

#include <QCoreApplication>
#include <QLineEdit>

#include <chrono>
#include <exception>
#include <thread>

namespace {

// The polling round after the exchange: its sleep, and how long the command waits at most.
constexpr std::chrono::milliseconds PingPollSleep{10};
constexpr std::uint32_t PingCommandLimitMs = 10000;

} // namespace

void TFVelmoreFirmWare::TPing1Deleter::operator()(TPing1* ping) const {
    delete ping;
}

// "Ping Device": one echo exchange with the address box's text, then its outcome in FPing.
void TFVelmoreFirmWare::PingDevice() {
    const std::uint32_t t0 = TickCountMs();
    PingState = 0;
    try {
        if (!Ping1)
            Ping1.reset(new TPing1);
        Ping1->OnReply = [this](TPing1& sender, const TEchoReply& reply) { Ping1Reply(sender, reply); };
        // Used unchanged: the name service takes UTF-8, the request's data one byte per character.
        Ping1->Host = Edit1->text().toStdString();
        Ping1->Ping(Edit1->text().toLatin1().toStdString());
        do {
            std::this_thread::sleep_for(PingPollSleep);
            QCoreApplication::processEvents();
        } while (PingState == 0 && TickCountMs() - t0 <= PingCommandLimitMs);
        if (PingState == 1)
            FPing->ShowResult(0, "Ping! Device Found!", "Device Found!");
        else
            FPing->ShowResult(1, "Ping! Device Not Found!", "Device Not Found!");
        FPing->exec();
    } catch (const std::exception&) {
        FPing->ShowResult(2, "Ping! Error!!!", "Error!!! Check the Ip Address");
        FPing->exec();
    }
}

void TFVelmoreFirmWare::Ping1Reply(TPing1& /*sender*/, const TEchoReply& reply) {
    PingState = reply.BytesReceived > 0 ? 1 : 2;
}
