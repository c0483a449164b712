#include "configurator/windows/UBootSer.h"

TFBootSer* FBootSer = nullptr;

TFBootSer::TFBootSer(QWidget* parent) : QDialog(parent) {
    setObjectName("FBootSer");
    setWindowTitle("Update Firmware from Serial (RS232)");
}
