#include "common/ProgramPath.h"
#include "common/windows/MessageBox.h"
#include "configurator/windows/ConfiguratorWindows.h"
#include "configurator/windows/UVelmoreFirmWare.h"

#include <QApplication>
#include <QScreen>

#include <exception>

namespace {

// Errors that a command does not handle itself end that command and are shown in a message box;
// the program goes on.
class TConfiguratorApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            ShowMessage(e.what());
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    TConfiguratorApplication app(argc, argv);
    QApplication::setApplicationName("Firmware Velmora");
    SetApplicationTitle("Firmware Velmora");
    app.setQuitOnLastWindowClosed(false);

    TConfiguratorWindows windows(OwnProgramPath());
    QObject::connect(FVelmoreFirmWare, &TFVelmoreFirmWare::Closed, &app, &QCoreApplication::quit);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        FVelmoreFirmWare->move(screen->availableGeometry().center() - FVelmoreFirmWare->rect().center());
    FVelmoreFirmWare->show();
    return app.exec();
}
