#pragma once

#include "configurator/windows/WindowConstants.h"

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

// The new-project dialog: asks for a name and creates the project folder below DestinationDir.
// Its result is ModalResultOk after a successful creation, ModalResultCancel otherwise.
class TFsaveproj : public QDialog {
    Q_OBJECT
public:
    explicit TFsaveproj(QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* bitbtn1;
    QPushButton* bitbtn2;

    void FormCreate();
    void FormShow();
    void BitBtn1Click();
    void BitBtn2Click();
    bool FormCloseQuery() const;

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

extern TFsaveproj* Fsaveproj;

// The dialog module's own state, kept between showings.
extern std::string DestinationDir; // set by the caller before each showing
extern std::string TypedName;
extern bool CloseAllowed;
