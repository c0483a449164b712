#include "configurator/windows/UVelmoreFirmWare.h"

// "Update Via Serial": builds the configuration image, then shows the wizard.
void TFVelmoreFirmWare::CreateBinaClick() {}
