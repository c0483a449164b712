#include "common/MessageBox.h"
#include "configurator/ProjectPaths.h"
#include "configurator/windows/ConfiguratorWindows.h"
#include "configurator/windows/UAbout.h"
#include "configurator/windows/UBootSer.h"
#include "configurator/windows/UPing.h"
#include "configurator/windows/UVelmoreFirmWare.h"
#include "configurator/windows/Unewp.h"
#include "configurator/windows/Upargen.h"

#include "tests/support/QtHelpers.h"
#include "tests/support/TempDir.h"

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class Keyboard : public ::testing::Test {
protected:
    void SetUp() override {
        TFBootSer::DeviceFolder = Dir / "no-dev";
        TFBootSer::UserPortFolder = Dir / "no-ports";
        Windows = std::make_unique<TConfiguratorWindows>(Dir / "Velmora_RAZ2Idi");
    }
    void TearDown() override {
        Windows.reset();
        TFBootSer::DeviceFolder = "/dev";
    }

    struct TWindowCase {
        QWidget* Window;
        std::vector<std::string> Order;
        const char* DefaultButton; // nullptr: none
    };
    std::vector<TWindowCase> Cases() const {
        return {
            {FVelmoreFirmWare,
             {"about", "LbButton1", "New", "open", "btn_Prm_Gen", "Btn_Ping", "Edit1", "LbButton2"},
             nullptr},
            {Fsaveproj, {"Edit1", "bitbtn1", "bitbtn2"}, "bitbtn1"},
            {FAbout, {"LbButton1"}, "LbButton1"},
            {Fpargen,
             {"CB_BR_CAN",   "RB_CAN_A",    "RB_CAN_B",   "E_ETH_IP1",  "E_ETH_IP2",   "E_ETH_IP3",
              "E_ETH_IP4",   "E_ETH_SM1",   "E_ETH_SM2",  "E_ETH_SM3",  "E_ETH_SM4",   "CB_En_Gateway",
              "E_ETH_GAT1",  "E_ETH_GAT2",  "E_ETH_GAT3", "E_ETH_GAT4", "E_ETH_DEST1", "E_ETH_DEST2",
              "E_ETH_DEST3", "E_ETH_DEST4", "E_ETH_Port", "RB_TCP",     "RB_UDP",      "CB_ETH_Multi",
              "RB_Type_CS",  "RB_Type_OS",  "bitbtn1",    "bitbtn2"},
             "bitbtn1"},
            {FPing, {"LbButton1"}, "LbButton1"},
            {FBootSer, {"CB_Com", "LbButton5", "LbButton1", "LbButton3", "LbButton2"}, "LbButton1"},
        };
    }

    TTempDir Dir;
    std::unique_ptr<TConfiguratorWindows> Windows;
};

} // namespace

TEST_F(Keyboard, TabFollowsTheVisualOrderInEveryWindowAndEnterPressesTheDefault) {
    for (const auto& c : Cases()) {
        const std::string window = c.Window->objectName().toStdString();
        c.Window->show();
        EXPECT_EQ(c.Order, TabOrder(c.Window)) << window;
        std::string defaults;
        for (auto* button : c.Window->findChildren<QPushButton*>())
            if (button->isDefault())
                defaults += button->objectName().toStdString();
        EXPECT_EQ(c.DefaultButton ? c.DefaultButton : "", defaults) << window;
        c.Window->hide();
    }
}

// A screen reader names every edit and list by its words, whether from a tied label or its own name.
TEST_F(Keyboard, EveryEditAndListHasAnAccessibleName) {
    for (const auto& c : Cases()) {
        QList<QWidget*> fields;
        for (auto* edit : c.Window->findChildren<QLineEdit*>())
            fields.append(edit);
        for (auto* list : c.Window->findChildren<QComboBox*>())
            fields.append(list);
        for (QWidget* field : fields) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(field);
            ASSERT_NE(face, nullptr);
            EXPECT_FALSE(face->text(QAccessible::Name).isEmpty())
                << c.Window->objectName().toStdString() << "." << field->objectName().toStdString();
        }
    }
    QAccessibleInterface* projectName = QAccessible::queryAccessibleInterface(Fsaveproj->Edit1);
    const auto labelled = projectName->relations(QAccessible::Label);
    ASSERT_EQ(labelled.size(), 1);
    EXPECT_EQ(labelled[0].first->text(QAccessible::Name).toStdString(), "Project name");
}

TEST(MessageBoxAccess, AReaderFindsTheTextOfAMessageBox) {
    QAccessible::Role role = QAccessible::NoRole;
    std::string text;
    WhenModalShows([&](QWidget* modal) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(modal);
        role = face->role();
        text = face->text(QAccessible::Value).toStdString();
        qobject_cast<QDialog*>(modal)->done(0);
    });
    ShowMessageBox("Error!! Com Port cannot be open.", std::string(), TMessageIcon::Error);
    EXPECT_EQ(QAccessible::AlertMessage, role);
    EXPECT_EQ("Error!! Com Port cannot be open.", text);
}
