#include "configurator/windows/UVelmoreFirmWare.h"

#include "common/windows/MessageBox.h"
#include "configurator/ProjectSession.h"
#include "configurator/windows/UBootSer.h"

#include <exception>

// "Update Via Serial": builds the configuration image, then shows the wizard.
void TFVelmoreFirmWare::CreateBinaClick() {
    // With the project folder gone (Open project found it missing) the image paths would start at
    // the file system's root: refuse as the other project commands do.
    if (!ProcessSession().ProjectValid()) {
        ShowMessage("Project not valid");
        return;
    }
    try {
        ProcessSession().BuildAndWriteImage();
    } catch (const std::exception& e) {
        // The program's error report: the command ends here and the wizard is not shown.
        ShowMessage(e.what());
        return;
    }
    FBootSer->exec();
}
