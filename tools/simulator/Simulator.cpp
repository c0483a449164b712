#include "tools/simulator/Simulator.h"
