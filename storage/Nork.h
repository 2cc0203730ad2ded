// The NORK table store: one container file holding a table catalogue and tables of fixed-size
// records, opened through TNorkDatabase and worked on through TNorkTable.
#pragma once

#include "storage/NorkDatabase.h"
#include "storage/NorkError.h"
#include "storage/NorkFileIO.h"
#include "storage/NorkFileStream.h"
#include "storage/NorkLayout.h"
#include "storage/NorkMap.h"
#include "storage/NorkNames.h"
#include "storage/NorkTable.h"
#include "storage/RecordCache.h"
