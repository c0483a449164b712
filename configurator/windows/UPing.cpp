#include "configurator/windows/UPing.h"

TFPing* FPing = nullptr;

TFPing::TFPing(QWidget* parent) : QDialog(parent) {
    setObjectName("FPing");
    setWindowTitle("Ping!");
}
