#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs action once a modal dialog is showing (from inside its exec), then returns. Bounded: gives
// up after timeoutMs so that a test never hangs on a dialog that did not appear.
inline void WhenModalShows(std::function<void(QWidget* modal)> action, int timeoutMs = 5000) {
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action, timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal || clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            if (modal)
                action(modal);
        }
    });
    timer->start(5);
}

// Closes the modal dialog that shows next with the given result.
inline void CloseNextModal(int result) {
    WhenModalShows([result](QWidget* modal) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->done(result);
    });
}
