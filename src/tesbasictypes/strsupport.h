// The host's string support, looked up for the library's wide strings.
#pragma once

#include "hostapi/infrastructure.h"

// "ITesStrSupport" of the current component manager, or null when there is no
// manager or it offers none. The first lookup that finds it is kept, with a
// reference, until the process ends; a host has one manager, so that is one
// lookup per process (a test that installs another manager gets a new one).
// The cache is checked before and after taking the lock that serialises
// lookups; a failed lookup is asked again on the next call.
ITesStrSupport* tesStrSupport();
