#pragma once

#include <QDialog>

// The serial update wizard.
class TFBootSer : public QDialog {
    Q_OBJECT
public:
    explicit TFBootSer(QWidget* parent = nullptr);
};

extern TFBootSer* FBootSer;
