#pragma once

#include "updater/UpdateArguments.h"
#include "updater/UpdateSequence.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// The updater's only window. Its creation parses the command line and picks the mode: the empty
// window (no arguments), the automatic update (FW or PW), or the error message and the end.
class TFUpdate : public QDialog, public TUpdateDisplay {
    Q_OBJECT
public:
    explicit TFUpdate(const std::vector<std::string>& args, TUpdateTimings timings = {},
                      QWidget* parent = nullptr);
    ~TFUpdate() override;

    QFrame* Panel_Auto;
    QLabel* Label4;
    QLabel* LInit;
    QLabel* Label6;
    QLabel* LFirm;
    QLabel* Label8;
    QLabel* LProj;
    QProgressBar* GPB;
    QLabel* StaticText1;
    QFrame* Panel_Button;
    QPushButton* Button2;
    QTimer* T_Avvio_Auto;
    QTimer* T_Auto;

    void FormCreate(const std::vector<std::string>& args);
    void FormShow();
    void T_Avvio_AutoTimer();
    void T_AutoTimer();
    void RunAutoUpdate();
    void Button2Click();

    // True when the window decided at its creation that the program ends (nothing to do).
    bool EndRequested() const { return EndAtOnce; }
    const TUpdateArguments& Arguments() const { return Sequence->Arguments(); }
    TUpdateSequence& UpdateSequence() { return *Sequence; }
    // True while RunAutoUpdate runs.
    bool SequenceRunning() const { return Running; }

    // TUpdateDisplay
    void ShowStatus(int init, int firmware, int project) override;
    void SetProgress(int percent) override;
    void EnableProgressTick(bool enabled) override;
    bool ProgressTickEnabled() const override;
    void ProcessEvents() override;
    bool Abandoned() const override { return CloseRequested; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CentreOnScreen();

    std::unique_ptr<TUpdateSequence> Sequence;
    bool EndAtOnce = false;
    bool CloseRequested = false;
    bool Running = false;
};

// The single instance while the program runs.
extern TFUpdate* FUpdate;

// The updater program: the window on the given arguments (those after the program name), the message
// loop until the window is closed. The exit code is 0 in every case.
int RunUpdaterProgram(const std::vector<std::string>& args);
