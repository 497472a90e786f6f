#include "CInstrument.h"
