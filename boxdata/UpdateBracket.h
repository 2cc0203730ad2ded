// The update bracket lives in dataproc, below every layer that brackets updates.
#pragma once

#include "dataproc/UpdateBracket.h"
