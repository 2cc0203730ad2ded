// Named algorithms, their registries and the two managers: what the storage engine uses to
// compress and encipher.
#pragma once

#include "dataproc/AlgoRegistry.h"
#include "dataproc/DataProcessAlgo.h"
#include "dataproc/DataProcessMgr.h"
