// A silent abort: ends the current user command and unwinds to the message loop. The general
// error display shows nothing for it.
#pragma once

#include "dataproc/Exception.h"

class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};
