// The update bracket lives with the storage engine; boxdata code includes it from here too.
#pragma once

#include "storage/UpdateBracket.h"
