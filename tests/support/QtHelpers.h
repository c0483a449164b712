#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

// Runs action once a modal dialog is showing (from inside its exec), then returns. Bounded: gives
// up after timeoutMs so that a test never hangs on a dialog that did not appear. The watcher belongs
// to the application, so one still waiting when the test ends goes with it.
class TModalWatcher : public QTimer {
public:
    TModalWatcher(std::function<void(QWidget*)> action, int timeoutMs)
        : QTimer(QCoreApplication::instance()), Action(std::move(action)), TimeoutMs(timeoutMs) {
        Clock.start();
        connect(this, &QTimer::timeout, this, [this] { Tick(); });
        start(5);
    }

private:
    void Tick() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && Clock.elapsed() <= TimeoutMs)
            return;
        stop();
        deleteLater();
        if (modal)
            Action(modal);
    }

    std::function<void(QWidget*)> Action;
    int TimeoutMs;
    QElapsedTimer Clock;
};

inline void WhenModalShows(std::function<void(QWidget* modal)> action, int timeoutMs = 5000) {
    new TModalWatcher(std::move(action), timeoutMs);
}

// A key pressed and released on widget, as the keyboard delivers it: the key with the text it types
// (none for Tab and the other keys that type nothing).
inline void KeyClick(QWidget* widget, int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

// The key that types character c.
inline void KeyClick(QWidget* widget, char c) {
    const QChar character = QChar::fromLatin1(c);
    KeyClick(widget, character.toUpper().unicode(), QString(character));
}

// Closes the modal dialog that shows next with the given result.
inline void CloseNextModal(int result) {
    WhenModalShows([result](QWidget* modal) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->done(result);
    });
}

// The object names of the controls that Tab reaches in window, in the order it reaches them:
// the focus chain from the window, keeping the enabled controls shown in it that take Tab.
inline std::vector<std::string> TabOrder(QWidget* window) {
    std::vector<std::string> names;
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
        if (window->isAncestorOf(w) && w->isVisibleTo(window) && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus))
            names.push_back(w->objectName().toStdString());
    }
    return names;
}
