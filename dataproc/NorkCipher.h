// Hashes and the block cipher: the one header the storage engine needs for them.
#pragma once

#include "dataproc/Blowfish.h"
#include "dataproc/Encrypt.h"
#include "dataproc/Hash.h"
