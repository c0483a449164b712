// realport-updater-window ARGUMENTS: the updater's window on the updater's seven arguments, on
// whatever Qt platform is set (offscreen in the tests). Once its sequence has ended it prints the
// three status lines ("INIT : OK") and exits 0 when all three read "OK", 1 otherwise, 2 when the
// sequence did not end within 10 minutes.

#include "updater/windows/UUpdate.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    QApplication app(argc, argv);
    TFUpdate window(args);
    window.show();
    int exitCode = 2;
    bool started = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (window.SequenceRunning()) {
            started = true;
            return;
        }
        if (!started)
            return;
        const struct {
            const char* Caption;
            QLabel* Line;
        } lines[] = {{"INIT", window.LInit}, {"FIRMWARE", window.LFirm}, {"PROJECT", window.LProj}};
        exitCode = 0;
        for (const auto& l : lines) {
            std::printf("%s : %s\n", l.Caption, l.Line->text().toUtf8().constData());
            if (l.Line->text() != "OK")
                exitCode = 1;
        }
        app.quit();
    });
    watch.start(50);
    QTimer::singleShot(600000, &app, [&] { app.quit(); });
    app.exec();
    if (exitCode == 2)
        std::printf("the update sequence did not end within 10 minutes\n");
    return exitCode;
}
