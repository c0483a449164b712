#include "common/MessageBox.h"
#include "configurator/ProgramPath.h"
#include "configurator/windows/ConfiguratorWindows.h"
#include "configurator/windows/UVelmoreFirmWare.h"

#include <QApplication>
#include <QScreen>

#include <exception>
#include <string>

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
    // The folder of the path it was started by, not of the file behind a link: started through the
    // link in a user's program folder, that folder is ExeDir.
    const std::string programPath = InvokedProgramPath(argc > 0 ? argv[0] : "");
    TConfiguratorApplication app(argc, argv);
    QApplication::setApplicationName("Firmware Velmora");
    SetApplicationTitle("Firmware Velmora");
    app.setQuitOnLastWindowClosed(false);

    TConfiguratorWindows windows(programPath);
    QObject::connect(FVelmoreFirmWare, &TFVelmoreFirmWare::Closed, &app, &QCoreApplication::quit);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        FVelmoreFirmWare->move(screen->availableGeometry().center() - FVelmoreFirmWare->rect().center());
    FVelmoreFirmWare->show();
    return app.exec();
}
