#include "updater/Tarm_SER.h"
