#pragma once

#include "configurator/ParamFile.h"

#include <QDialog>

#include <array>
#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The Set Communication window: edits the current project's parameter file (PargenFile).
class TFpargen : public QDialog {
    Q_OBJECT
public:
    explicit TFpargen(QWidget* parent = nullptr);

    // Modal results.
    static constexpr int ResultOk = 1;
    static constexpr int ResultCancel = 2;

signals:
    // After a save: the converter's address as the four edits hold it, joined by ".".
    void AddressSaved(const QString& address);

public:
    QGroupBox* GroupBox1; // "CAN Bus"
    QComboBox* CB_BR_CAN;
    QRadioButton* RB_CAN_A;
    QRadioButton* RB_CAN_B;

    QGroupBox* GroupBox2; // " Ethernet "
    QLineEdit* E_ETH_IP1;
    QLineEdit* E_ETH_IP2;
    QLineEdit* E_ETH_IP3;
    QLineEdit* E_ETH_IP4;
    QLineEdit* E_ETH_SM1;
    QLineEdit* E_ETH_SM2;
    QLineEdit* E_ETH_SM3;
    QLineEdit* E_ETH_SM4;
    QCheckBox* CB_En_Gateway;
    QLineEdit* E_ETH_GAT1;
    QLineEdit* E_ETH_GAT2;
    QLineEdit* E_ETH_GAT3;
    QLineEdit* E_ETH_GAT4;
    QLineEdit* E_ETH_DEST1;
    QLineEdit* E_ETH_DEST2;
    QLineEdit* E_ETH_DEST3;
    QLineEdit* E_ETH_DEST4;
    QLineEdit* E_ETH_Port;
    QRadioButton* RB_TCP;
    QRadioButton* RB_UDP;
    QCheckBox* CB_ETH_Multi;
    QRadioButton* RB_Type_CS;
    QRadioButton* RB_Type_OS;
    QCheckBox* CB_UDP_Broad;
    QPushButton* bitbtn1; // OK
    QPushButton* bitbtn2; // Cancel

    // The document that is read at show time and written on OK.
    pugi::xml_document XML1;

    // Defaults, then the values of the parameter file.
    void FormShow();
    // The dot key in an address edit: never inserted; moves on to the next octet's edit.
    // Answers true when the key was taken.
    bool E_ETH_IP1KeyPress(QLineEdit* edit, const QString& text);
    void RB_TCPClick();
    void RB_UDPClick();
    // The seventeen entry checks; the first failing entry shows its message.
    bool CheckFields();
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    void ApplyDefaults();
    void ApplyValues(const TWindowParams& read);
    void SetTransport(int protocol);
    TParamValues ControlValues() const;

    // The four edits of each address, in octet order.
    std::array<std::array<QLineEdit*, 4>, 4> AddressEdits{};
    QButtonGroup* CanTypeGroup;
    QButtonGroup* TransportGroup;
    QButtonGroup* RoleGroup;
};

extern TFpargen* Fpargen;
