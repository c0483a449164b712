#pragma once

#include <QDialog>

// The Set Communication window.
class TFpargen : public QDialog {
    Q_OBJECT
public:
    explicit TFpargen(QWidget* parent = nullptr);
};

extern TFpargen* Fpargen;
