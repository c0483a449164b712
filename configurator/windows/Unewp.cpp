#include "configurator/windows/Unewp.h"

#include "common/MessageBox.h"
#include "configurator/ProjectPaths.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include <filesystem>
#include <system_error>

#include <sys/stat.h>

TFsaveproj* Fsaveproj = nullptr;
std::string DestinationDir;
std::string TypedName;
bool CloseAllowed = false;

namespace {

// A control character, one byte (C0, DEL) or the two of a C1 one (U+0080 to U+009F) in UTF-8.
bool HasControlCharacter(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F)
            return true;
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(text[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

// A name is one folder below the destination: never empty, never a path, never "." or "..".
// The wizard passes the project's path to the updater between double quotes, so a quote in it
// would end the argument early; a control character has no place in a name shown in a caption.
bool IsUsableName(const std::string& name) {
    return !name.empty() && name.find_first_of("/\"") == std::string::npos && name != "." && name != ".." &&
           !HasControlCharacter(name);
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
    // Restoring a minimised dialog shows it again spontaneously: that keeps the typed name.
    if (!event->spontaneous())
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
    if (::mkdir(folder.c_str(), 0777) != 0) {
        CloseAllowed = false;
        return;
    }
    std::filesystem::create_directories(folder + PathSeparator + "bin", ec);
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
