#include "serial/CommPort.h"
