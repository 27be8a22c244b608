// The reference host every test of this executable runs against.
#pragma once

#include "refhost.h"

RefHost& hostedTestHost();
