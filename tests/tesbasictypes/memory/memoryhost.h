// The reference host every allocation test of this executable runs against.
#pragma once

#include "refhost.h"

RefHost& memoryTestHost();
