#include "configurator/windows/Upargen.h"

TFpargen* Fpargen = nullptr;

TFpargen::TFpargen(QWidget* parent) : QDialog(parent) {
    setObjectName("Fpargen");
    setWindowTitle("SET COMMUNICATION");
}
