// The host's string support, looked up for the library's wide strings.
#pragma once

#include "hostapi/infrastructure.h"

// "ITesStrSupport", or null while the host offers none. The first lookup that
// finds it is kept, with a reference, until the process ends; until then each
// call asks again. The pointer is checked before and after taking the lock that
// serialises lookups.
ITesStrSupport* tesStrSupport();
