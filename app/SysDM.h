// The data module: what all windows share for the whole run. Creating it loads the application
// options and lets the password box show its messages as message boxes; destroying it saves
// every changed option.
#pragma once

#include "app/ImageCollection.h"

class TSysDataModule {
public:
    // Loads the options (raises what loading raises). At most one exists at a time.
    TSysDataModule();
    // Saves the changed options; a failure is shown by the general error display.
    ~TSysDataModule();
    TSysDataModule(const TSysDataModule&) = delete;
    TSysDataModule& operator=(const TSysDataModule&) = delete;

    TImageCollection& ImageCollection() { return FImageCollection; }

private:
    TImageCollection FImageCollection;
};

// The living data module, or null before it is created and after it is destroyed.
extern TSysDataModule* SysDataModule;

// The data module's image collection; raises std::logic_error while no data module lives.
TImageCollection& SharedImages();
