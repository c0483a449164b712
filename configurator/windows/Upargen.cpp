#include "configurator/windows/Upargen.h"

#include "common/windows/MessageBox.h"
#include "configurator/ParamChecks.h"
#include "configurator/ProjectSession.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <optional>

TFpargen* Fpargen = nullptr;

namespace {

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& accessibleName, int width) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setAccessibleName(accessibleName);
    if (width > 0)
        edit->setFixedWidth(width);
    return edit;
}

QRadioButton* MakeRadio(QWidget* parent, const char* name, const char* caption,
                        const QString& accessibleName) {
    auto* radio = new QRadioButton(caption, parent);
    radio->setObjectName(name);
    radio->setAccessibleName(accessibleName);
    return radio;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* caption, const QString& accessibleName) {
    auto* check = new QCheckBox(caption, parent);
    check->setObjectName(name);
    check->setAccessibleName(accessibleName);
    return check;
}

// Four octet edits in a row with "." labels between them.
std::array<QLineEdit*, 4> MakeAddressRow(QWidget* parent, QGridLayout* grid, int row, const char* prefix,
                                         const QString& words) {
    auto* line = new QHBoxLayout;
    std::array<QLineEdit*, 4> edits{};
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            line->addWidget(new QLabel(".", parent));
        const std::string name = std::string(prefix) + std::to_string(i + 1);
        edits[i] = MakeEdit(parent, name.c_str(), words + " " + QString::number(i + 1), 40);
        line->addWidget(edits[i]);
    }
    line->addStretch();
    grid->addLayout(line, row, 1);
    return edits;
}

QLabel* MakeLabel(QWidget* parent, const char* caption, QWidget* buddy) {
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TFpargen::TFpargen(QWidget* parent) : QDialog(parent) {
    setObjectName("Fpargen");
    setWindowTitle("SET COMMUNICATION");
    setAccessibleName("Set communication");
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    auto* outer = new QVBoxLayout(this);

    GroupBox1 = new QGroupBox("CAN Bus", this);
    GroupBox1->setObjectName("GroupBox1");
    auto* canGrid = new QGridLayout(GroupBox1);
    CB_BR_CAN = new QComboBox(GroupBox1);
    CB_BR_CAN->setObjectName("CB_BR_CAN");
    CB_BR_CAN->setAccessibleName("CAN bit rate");
    CB_BR_CAN->setEditable(false);
    for (const char* rate : CanBitRates)
        CB_BR_CAN->addItem(rate);
    canGrid->addWidget(MakeLabel(GroupBox1, "Baudrate", CB_BR_CAN), 0, 0);
    canGrid->addWidget(CB_BR_CAN, 0, 1);
    RB_CAN_A = MakeRadio(GroupBox1, "RB_CAN_A", "CAN Bus 2.0A (CobID 11Bit)", "CAN 2.0A, 11-bit identifiers");
    RB_CAN_B = MakeRadio(GroupBox1, "RB_CAN_B", "CAN Bus 2.0B (CobID 29Bit)", "CAN 2.0B, 29-bit identifiers");
    canGrid->addWidget(RB_CAN_A, 1, 0, 1, 2);
    canGrid->addWidget(RB_CAN_B, 2, 0, 1, 2);
    CanTypeGroup = new QButtonGroup(this);
    CanTypeGroup->addButton(RB_CAN_A);
    CanTypeGroup->addButton(RB_CAN_B);
    outer->addWidget(GroupBox1);

    GroupBox2 = new QGroupBox(" Ethernet ", this);
    GroupBox2->setObjectName("GroupBox2");
    auto* grid = new QGridLayout(GroupBox2);
    auto ip = MakeAddressRow(GroupBox2, grid, 0, "E_ETH_IP", "IP address");
    grid->addWidget(MakeLabel(GroupBox2, "IP ADDRESS", ip[0]), 0, 0);
    auto sm = MakeAddressRow(GroupBox2, grid, 1, "E_ETH_SM", "Subnet mask");
    grid->addWidget(MakeLabel(GroupBox2, "SUBNET Mask", sm[0]), 1, 0);
    CB_En_Gateway = MakeCheck(GroupBox2, "CB_En_Gateway", "GATEWAY", "Gateway enabled");
    grid->addWidget(CB_En_Gateway, 2, 0);
    auto gat = MakeAddressRow(GroupBox2, grid, 3, "E_ETH_GAT", "Gateway address");
    auto dest = MakeAddressRow(GroupBox2, grid, 4, "E_ETH_DEST", "Destination IP address");
    grid->addWidget(MakeLabel(GroupBox2, "IP ADDRESS DESTINATION", dest[0]), 4, 0);
    E_ETH_Port = MakeEdit(GroupBox2, "E_ETH_Port", "Port", 60);
    grid->addWidget(MakeLabel(GroupBox2, "Port", E_ETH_Port), 5, 0);
    grid->addWidget(E_ETH_Port, 5, 1, Qt::AlignLeft);

    auto* transport = new QHBoxLayout;
    RB_TCP = MakeRadio(GroupBox2, "RB_TCP", "TCP", "TCP transport");
    RB_UDP = MakeRadio(GroupBox2, "RB_UDP", "UDP", "UDP transport");
    transport->addWidget(RB_TCP);
    transport->addWidget(RB_UDP);
    transport->addStretch();
    grid->addLayout(transport, 6, 0, 1, 2);
    TransportGroup = new QButtonGroup(this);
    TransportGroup->addButton(RB_TCP);
    TransportGroup->addButton(RB_UDP);

    CB_ETH_Multi =
        MakeCheck(GroupBox2, "CB_ETH_Multi", "Enable Multiframe in Ethernet", "Multiframe in Ethernet");
    grid->addWidget(CB_ETH_Multi, 7, 0, 1, 2);

    // The role buttons and "UDP Broadcast" share one place; the transport shows one or the other.
    auto* role = new QHBoxLayout;
    RB_Type_CS = MakeRadio(GroupBox2, "RB_Type_CS", "Client/Server", "Role client and server");
    RB_Type_OS = MakeRadio(GroupBox2, "RB_Type_OS", "Only Server", "Role only server");
    CB_UDP_Broad = MakeCheck(GroupBox2, "CB_UDP_Broad", "UDP Broadcast", "UDP broadcast");
    role->addWidget(RB_Type_CS);
    role->addWidget(RB_Type_OS);
    role->addWidget(CB_UDP_Broad);
    role->addStretch();
    grid->addLayout(role, 8, 0, 1, 2);
    RoleGroup = new QButtonGroup(this);
    RoleGroup->addButton(RB_Type_CS);
    RoleGroup->addButton(RB_Type_OS);
    outer->addWidget(GroupBox2);

    auto* buttons = new QHBoxLayout;
    bitbtn1 = new QPushButton("OK", this);
    bitbtn1->setObjectName("bitbtn1");
    bitbtn1->setAccessibleName("OK");
    bitbtn1->setAutoDefault(false);
    bitbtn1->setDefault(true); // Enter in any edit confirms, as OK does; Escape cancels
    bitbtn2 = new QPushButton("Cancel", this);
    bitbtn2->setObjectName("bitbtn2");
    bitbtn2->setAccessibleName("Cancel");
    bitbtn2->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(bitbtn1);
    buttons->addWidget(bitbtn2);
    outer->addLayout(buttons);

    E_ETH_IP1 = ip[0], E_ETH_IP2 = ip[1], E_ETH_IP3 = ip[2], E_ETH_IP4 = ip[3];
    E_ETH_SM1 = sm[0], E_ETH_SM2 = sm[1], E_ETH_SM3 = sm[2], E_ETH_SM4 = sm[3];
    E_ETH_GAT1 = gat[0], E_ETH_GAT2 = gat[1], E_ETH_GAT3 = gat[2], E_ETH_GAT4 = gat[3];
    E_ETH_DEST1 = dest[0], E_ETH_DEST2 = dest[1], E_ETH_DEST3 = dest[2], E_ETH_DEST4 = dest[3];
    AddressEdits = {ip, sm, gat, dest};
    for (const auto& group : AddressEdits)
        for (QLineEdit* edit : group)
            edit->installEventFilter(this);

    connect(RB_TCP, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            RB_TCPClick();
    });
    connect(RB_UDP, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            RB_UDPClick();
    });
    connect(bitbtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(bitbtn2, &QPushButton::clicked, this, [this] { done(ResultCancel); });

    ApplyDefaults();
}

void TFpargen::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFpargen::reject() {
    done(ResultCancel);
}

bool TFpargen::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (edit && E_ETH_IP1KeyPress(edit, static_cast<QKeyEvent*>(event)->text()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TFpargen::E_ETH_IP1KeyPress(QLineEdit* edit, const QString& text) {
    if (text != ".")
        return false;
    for (const auto& group : AddressEdits) {
        for (std::size_t i = 0; i + 1 < group.size(); ++i) {
            QLineEdit* next = group[i + 1];
            if (group[i] == edit && next->isEnabled() && next->isVisible())
                next->setFocus(Qt::TabFocusReason);
        }
    }
    return true;
}

void TFpargen::RB_TCPClick() {
    RB_Type_CS->setVisible(true);
    RB_Type_OS->setVisible(true);
    CB_UDP_Broad->setVisible(false);
}

void TFpargen::RB_UDPClick() {
    RB_Type_CS->setVisible(false);
    RB_Type_OS->setVisible(false);
    CB_UDP_Broad->setVisible(true);
}

void TFpargen::SetTransport(int protocol) {
    (protocol == 0 ? RB_TCP : RB_UDP)->setChecked(true);
}

void TFpargen::ApplyDefaults() {
    const TParamValues defaults;
    TWindowParams read;
    read.Values = defaults;
    read.UdpBroadReadable = true;
    ApplyValues(read);
    RB_Type_CS->setVisible(true);
    RB_Type_OS->setVisible(true);
    CB_UDP_Broad->setVisible(false);
}

void TFpargen::ApplyValues(const TWindowParams& read) {
    const TParamValues& v = read.Values;
    const auto setTexts = [](const std::array<QLineEdit*, 4>& edits, const TAddressTexts& texts) {
        for (std::size_t i = 0; i < edits.size(); ++i)
            edits[i]->setText(QString::fromStdString(texts[i]));
    };
    CB_BR_CAN->setCurrentIndex(ShownCanBr(v.CanBr));
    (v.CanType == 0 ? RB_CAN_A : RB_CAN_B)->setChecked(true);
    setTexts(AddressEdits[0], v.AddIp);
    setTexts(AddressEdits[1], v.Subnet);
    setTexts(AddressEdits[3], v.Dest);
    E_ETH_Port->setText(QString::fromStdString(v.Port));
    SetTransport(v.Protocol);
    CB_ETH_Multi->setChecked(v.Multi);
    (v.TypeDev == 0 ? RB_Type_CS : RB_Type_OS)->setChecked(true);
    CB_En_Gateway->setChecked(v.EnGate);
    setTexts(AddressEdits[2], v.Gateway);
    CB_UDP_Broad->setChecked(v.UdpBroad);
    if (!read.UdpBroadReadable)
        CB_UDP_Broad->setVisible(false);
}

void TFpargen::FormShow() {
    ApplyDefaults();
    TWindowParams read;
    const TParamSource source = ProcessSession().LoadParams(XML1, read);
    if (source == TParamSource::Unreadable)
        return; // an unreadable file leaves the defaults, without a message
    if (source == TParamSource::File)
        ApplyValues(read);
    bitbtn1->setFocus(Qt::OtherFocusReason);
}

bool TFpargen::CheckFields() {
    if (const auto failed = CheckParamValues(ControlValues())) {
        ShowErrorBox(failed->Message, "Error");
        return false;
    }
    return true;
}

TParamValues TFpargen::ControlValues() const {
    const auto texts = [](const std::array<QLineEdit*, 4>& edits) {
        TAddressTexts result;
        for (std::size_t i = 0; i < edits.size(); ++i)
            result[i] = edits[i]->text().toStdString();
        return result;
    };
    TParamValues v;
    v.CanBr = CB_BR_CAN->currentIndex();
    v.CanType = RB_CAN_A->isChecked() ? 0 : 1;
    v.AddIp = texts(AddressEdits[0]);
    v.Subnet = texts(AddressEdits[1]);
    v.Dest = texts(AddressEdits[3]);
    v.Port = E_ETH_Port->text().toStdString();
    v.Protocol = RB_TCP->isChecked() ? 0 : 1;
    v.Multi = CB_ETH_Multi->isChecked();
    v.TypeDev = RB_Type_CS->isChecked() ? 0 : 1;
    v.EnGate = CB_En_Gateway->isChecked();
    v.Gateway = texts(AddressEdits[2]);
    v.UdpBroad = CB_UDP_Broad->isChecked();
    return v;
}

void TFpargen::BitBtn1Click() {
    std::optional<TParamCheckFailure> failed;
    try {
        failed = ProcessSession().SaveParams(XML1, ControlValues());
    } catch (const std::exception& e) {
        ShowMessage(e.what());
        return;
    }
    if (failed) {
        ShowErrorBox(failed->Message, "Error");
        return;
    }
    emit AddressSaved(E_ETH_IP1->text() + "." + E_ETH_IP2->text() + "." + E_ETH_IP3->text() + "." +
                      E_ETH_IP4->text());
    done(ResultOk);
}
