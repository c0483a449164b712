#include "updater/ProcessArguments.h"

std::vector<std::string> ProcessArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}
