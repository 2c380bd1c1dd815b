#pragma once
#include "TestSupport.h"  // the raw host end now lives there
