#include "configurator/ProjectSession.h"
#include "configurator/windows/UPing.h"
#include "configurator/windows/UVelmoreFirmWare.h"
#include "icmp/Ping1.h"

#include <QCoreApplication>
#include <QLineEdit>

#include <exception>

void TFVelmoreFirmWare::TPing1Deleter::operator()(TPing1* ping) const {
    delete ping;
}

// "Ping Device": one echo exchange with the address box's text, then its outcome in FPing.
void TFVelmoreFirmWare::PingDevice() {
    PingState = 0;
    TPingOutcome outcome = TPingOutcome::Error;
    try {
        if (!Ping1)
            Ping1.reset(new TPing1);
        Ping1->OnReply = [this](TPing1& sender, const TEchoReply& reply) { Ping1Reply(sender, reply); };
        // Used unchanged: the name service takes UTF-8, the request's data one byte per character.
        outcome = ProcessSession().PingDevice(*Ping1, Edit1->text().toStdString(),
                                              Edit1->text().toLatin1().toStdString(), PingState,
                                              [] { QCoreApplication::processEvents(); });
    } catch (const std::exception&) {
        outcome = TPingOutcome::Error;
    }
    if (outcome == TPingOutcome::Found)
        FPing->ShowResult(0, "Ping! Device Found!", "Device Found!");
    else if (outcome == TPingOutcome::NotFound)
        FPing->ShowResult(1, "Ping! Device Not Found!", "Device Not Found!");
    else
        FPing->ShowResult(2, "Ping! Error!!!", "Error!!! Check the Ip Address");
    FPing->exec();
}

void TFVelmoreFirmWare::Ping1Reply(TPing1& /*sender*/, const TEchoReply& reply) {
    PingState = TProjectSession::PingStateFor(reply);
}
