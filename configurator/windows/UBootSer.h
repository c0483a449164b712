#pragma once

#include "common/UpdaterRequest.h"
#include "serial/CommPort.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

// The serial update wizard: boot-mode steps and a port test on its first page, the update options
// on its second (Panel1, covering the first once shown), and the start of the updater.
class TFBootSer : public QDialog {
    Q_OBJECT
public:
    explicit TFBootSer(QWidget* parent = nullptr);
    ~TFBootSer() override;

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QComboBox* CB_Com;
    QPushButton* LbButton5;
    QPushButton* LbButton1;
    QLabel* Label5;
    QLabel* Label6;
    QPushButton* LbButton3;
    QPushButton* LbButton2;
    QWidget* Panel1;
    QLabel* Label7;
    QCheckBox* CB_Firm;
    QCheckBox* CB_RFirm;
    QCheckBox* CB_Proj;
    QCheckBox* CB_RProj;
    QPushButton* LbButton4;
    TComm Comm1;

    // The port chosen in CB_Com was opened by Connect since the wizard was last shown.
    bool Connected = false;

    void FormShow();
    void RefreshComPorts();
    void LbButton5Click() { RefreshComPorts(); }
    void LbButton1Click();
    void LbButton2Click();
    void LbButton4Click();
    void FormClose();

    // The device the chosen port names: DeviceFolder + "/" + a name from there, or the full path
    // of a port in the user's port folder.
    std::string DevicePath() const;

    // The updater's request from the current choices, and its parameter text.
    TUpdaterRequest UpdaterRequest() const;
    std::string UpdaterParameters() const;

    // Where the port probe looks and how long Execute waits; tests change them.
    static std::string DeviceFolder;
    static std::string UserPortFolder;
    static int GiveUpMs;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows or hides Panel1 and takes the first page's controls out of reach while it covers them.
    void CoverFirstPage(bool covered);
};

extern TFBootSer* FBootSer;
