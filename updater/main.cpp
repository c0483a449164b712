#include "updater/windows/UUpdate.h"

#include <QApplication>

#include <string>
#include <vector>

int main(int argc, char** argv) {
    // The arguments arrive split already; taken before Qt removes the options it knows.
    const std::vector<std::string> args(argv + 1, argv + argc);
    QApplication app(argc, argv);
    RunUpdaterProgram(args);
    return 0;
}
