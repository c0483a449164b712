#include "configurator/windows/Unewp.h"

#include "common/FileContract.h"
#include "common/windows/MessageBox.h"
#include "configurator/ProjectPaths.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>
#include <system_error>

TFsaveproj* Fsaveproj = nullptr;
std::string DestinationDir;
std::string TypedName;
bool CloseAllowed = false;

namespace {

// A name is one folder below the destination: never empty, never a path, never "." or "..".
bool IsUsableName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

} // namespace

TFsaveproj::TFsaveproj(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("Fsaveproj");
    setWindowTitle("New project");

    Label1 = new QLabel("Project name", this);
    Label1->setObjectName("Label1");
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setAccessibleName("Project name");
    Label1->setBuddy(Edit1);
    bitbtn1 = new QPushButton("OK", this);
    bitbtn1->setObjectName("bitbtn1");
    bitbtn1->setAccessibleName("OK");
    bitbtn1->setDefault(true);
    bitbtn2 = new QPushButton("Cancel", this);
    bitbtn2->setObjectName("bitbtn2");
    bitbtn2->setAccessibleName("Cancel");

    auto* layout = new QGridLayout(this);
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(Edit1, 1, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bitbtn1);
    buttons->addWidget(bitbtn2);
    layout->addLayout(buttons, 2, 0, 1, 2);
    setFixedSize(320, 120);

    connect(bitbtn1, &QPushButton::clicked, this, [this] {
        BitBtn1Click();
        if (FormCloseQuery())
            done(ModalResultOk);
    });
    connect(bitbtn2, &QPushButton::clicked, this, [this] { reject(); });
    FormCreate();
}

void TFsaveproj::FormCreate() {
    TypedName.clear();
    DestinationDir.clear();
}

void TFsaveproj::FormShow() {
    setWindowTitle("New project");
    Edit1->clear();
    TypedName.clear();
    Label1->show();
    Edit1->setFocus();
}

void TFsaveproj::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TFsaveproj::BitBtn1Click() {
    CloseAllowed = true;
    TypedName = Edit1->text().toStdString();
    if (DestinationDir.empty()) {
        ShowMessage("directory destination not valid");
        CloseAllowed = false;
    }
    if (!IsUsableName(TypedName)) {
        ShowMessage("Name project not valid");
        CloseAllowed = false;
    }
    if (!CloseAllowed)
        return;

    const std::string folder = DestinationDir + PathSeparator + TypedName;
    std::error_code ec;
    if (std::filesystem::exists(folder, ec)) {
        ShowMessage("Name project not valid because directory already exists");
        CloseAllowed = false;
        return;
    }
    if (!std::filesystem::create_directory(folder, ec)) {
        CloseAllowed = false;
        return;
    }
    std::filesystem::create_directories(folder + PathSeparator + ImageFolder(), ec);
    ProjectName = PathSeparator + TypedName;
    ProjectDir = DestinationDir + ProjectName;
    SetProjectPaths();
    CloseAllowed = true;
}

bool TFsaveproj::FormCloseQuery() const {
    return CloseAllowed;
}

void TFsaveproj::BitBtn2Click() {
    CloseAllowed = true;
}

void TFsaveproj::reject() {
    BitBtn2Click();
    done(ModalResultCancel);
}

void TFsaveproj::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery())
        QDialog::closeEvent(event);
    else
        event->ignore();
}
