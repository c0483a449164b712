#pragma once

#include <QDialog>

// The ping result window.
class TFPing : public QDialog {
    Q_OBJECT
public:
    explicit TFPing(QWidget* parent = nullptr);
};

extern TFPing* FPing;
