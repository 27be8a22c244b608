// The reference host every test of an executable that reaches process-wide
// host services runs against (memory manager and checker, named folders): the
// library looks those up once per process, so processhostmain.cpp installs the
// host before anything runs. A death test that needs a lookup to start afresh
// runs in the "threadsafe" style, a new copy of the program.
#pragma once

#include "refhost.h"

RefHost& processTestHost();
