#include "common/FileContract.h"

#include "common/ProgramPath.h"

std::string ImageFolder() {
    return std::string(ImageFolderName) + PathSeparator;
}
