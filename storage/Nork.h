// The NORK table store: one container file holding a table catalogue and tables of fixed-size
// records with blobs and linked-list indexes, opened through TNorkDatabase and worked on through
// TNorkTable and TNorkIndex.
#pragma once

#include "storage/NorkDatabase.h"
#include "storage/NorkError.h"
#include "storage/NorkFileIO.h"
#include "storage/NorkFileStream.h"
#include "storage/NorkIndex.h"
#include "storage/NorkLayout.h"
#include "storage/NorkMap.h"
#include "storage/NorkNames.h"
#include "storage/NorkScan.h"
#include "storage/NorkTable.h"
#include "storage/RecordCache.h"
#include "dataproc/UpdateBracket.h"
