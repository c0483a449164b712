#include "updater/ProcessArguments.h"
#include "updater/windows/UUpdate.h"

#include <QApplication>

#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Taken before Qt removes the options it knows.
    const std::vector<std::string> args = ProcessArguments(argc, argv);
    QApplication app(argc, argv);
    RunUpdaterProgram(args);
    return 0;
}
