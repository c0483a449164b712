#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QPushButton;

// The ping result window: one of three pictures, the outcome's message and "OK".
class TFPing : public QDialog {
    Q_OBJECT
public:
    explicit TFPing(QWidget* parent = nullptr);

    QLabel* I_P_F;  // found
    QLabel* I_P_NF; // not found
    QLabel* I_P_E;  // error
    QLabel* Label1;
    QPushButton* LbButton1;

    // Prepares one outcome: kind 0 shows I_P_F, 1 I_P_NF, 2 I_P_E; sets the message and caption.
    void ShowResult(int kind, const std::string& caption, const std::string& message);
    void LbButton1Click();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TFPing* FPing;
