#include "configurator/windows/UVelmoreFirmWare.h"

// "Ping Device": the echo exchange and its result window.
void TFVelmoreFirmWare::PingDevice() {}
