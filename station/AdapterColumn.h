#pragma once

#include "serial/PortAdapter.h"

#include <string>

// The adapter in the station's table: its product (or maker) string, its USB numbers and serial
// number, as far as they are known ("FT232R USB UART 0403:6001 A50285BI"); empty when none is.
std::string AdapterColumn(const TPortAdapter& adapter);
