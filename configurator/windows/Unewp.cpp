#include "configurator/windows/Unewp.h"

#include "common/windows/MessageBox.h"
#include "configurator/ProjectSession.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

TFsaveproj* Fsaveproj = nullptr;
std::string DestinationDir;
std::string TypedName;
bool CloseAllowed = false;

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
    TypedName = Edit1->text().toStdString();
    const TNewProjectOutcome outcome = ProcessSession().NewProject(DestinationDir, TypedName);
    for (const auto& message : outcome.Messages)
        ShowMessage(message);
    CloseAllowed = outcome.Created;
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
