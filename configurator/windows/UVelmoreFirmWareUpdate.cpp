#include "configurator/windows/UVelmoreFirmWare.h"

#include "common/MessageBox.h"
#include "configurator/ImageBuilder.h"
#include "configurator/windows/UBootSer.h"

#include <exception>

// "Update Via Serial": builds the configuration image, then shows the wizard.
void TFVelmoreFirmWare::CreateBinaClick() {
    try {
        BuildImage();
        WriteImage();
    } catch (const std::exception& e) {
        // The program's error report: the command ends here and the wizard is not shown.
        ShowMessage(e.what());
        return;
    }
    FBootSer->exec();
}
