#include "tests/support/OpenFiles.h"

int OpenFileCount() {
    return -1;
}
