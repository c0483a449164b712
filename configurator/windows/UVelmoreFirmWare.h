#pragma once

#include "configurator/ProjectSession.h"
#include "configurator/windows/WindowConstants.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class TPing1;
struct TEchoReply;
class TFpargen;

// The configurator's main window: the project commands in three steps.
class TFVelmoreFirmWare : public QWidget {
    Q_OBJECT
public:
    // programPath is the configurator's own program file; its folder becomes ExeDir.
    explicit TFVelmoreFirmWare(const std::string& programPath, QWidget* parent = nullptr);
    ~TFVelmoreFirmWare() override;

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QPushButton* New;
    QPushButton* open;
    QPushButton* btn_Prm_Gen;
    QPushButton* Btn_Ping;
    QLineEdit* Edit1;
    QPushButton* LbButton2;
    QPushButton* about;
    QPushButton* LbButton1;
    QLabel* Label6;

    // 0 no outcome yet, 1 a reply with data arrived, 2 the exchange ended without a reply.
    std::int32_t PingState = 0;

    void FormCreate(const std::string& programPath);
    void NewaClick();
    void OpenaClick();
    void btn_str_lng1aClick(QObject* sender);
    void CreateBinaClick();
    void AboutClick();
    // Shows in Edit1 the address Set Communication saves.
    void FollowAddressOf(TFpargen& setCommunication);
    void LbButton1Click();
    void Label6Click();
    void FormClose();
    void PingDevice();

    // The ICMP echo client of the ping, created by the first PingDevice unless set before (tests
    // put one with their own socket factory here).
    struct TPing1Deleter {
        void operator()(TPing1* ping) const;
    };
    std::unique_ptr<TPing1, TPing1Deleter> Ping1;
    // Ping1's OnReply: PingState 1 when the reply is an echo, else 2.
    void Ping1Reply(TPing1& sender, const TEchoReply& reply);

    // The caption rule: the fixed prefix, then the name where one is shown.
    void ShowCaption(const std::string& name);

    // Folder browser of Open project; tests replace it. Returns the chosen folder or nothing.
    using TFolderChooser = std::string (*)(QWidget* owner, const std::string& root,
                                           const std::string& current, bool* chosen);
    static TFolderChooser FolderChooser;

signals:
    // The window was closed: the program ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TFVelmoreFirmWare* FVelmoreFirmWare;
