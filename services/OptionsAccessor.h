// Where an options store keeps its values: the interface the store talks to, one class per kind
// of file. The store creates an accessor for each Load or Save and frees it afterwards.
#pragma once

#include "dataproc/Wipe.h"
#include "services/OptionValue.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TOptionsAccessor {
public:
    virtual ~TOptionsAccessor() { WipeString(FPassword); }

    const std::string& FileName() const { return FFileName; }
    const std::string& Password() const { return FPassword; }
    virtual void SetFileName(const std::string& Value) { FFileName = Value; }
    virtual void SetPassword(const std::string& Value) { FPassword = Value; }

    // Bracket a run of calls (use TUpdateBracket); an accessor may keep the file open in between.
    // Every write is stored when it is made, so a cancelled run keeps what it wrote and only lets
    // the file go. BeginUpdate and EndUpdate raise when the file cannot be read or written;
    // CancelUpdate never raises.
    virtual void BeginUpdate() {}
    virtual void EndUpdate() {}
    virtual void CancelUpdate() noexcept {}

    // The option names stored in Section, in the file's order.
    virtual void GetNames(const std::string& Section, std::vector<std::string>& Names) = 0;
    // The stored value of Name, or Default when it is not stored.
    virtual TOptionValue Read(const std::string& Section, const std::string& Name, const TOptionValue& Default) = 0;
    virtual void Write(const std::string& Section, const std::string& Name, const TOptionValue& Value) = 0;

protected:
    std::string FFileName;
    std::string FPassword;
};

// Makes a fresh accessor: the store's choice of persistence.
using TOptionsAccessorClass = std::function<std::unique_ptr<TOptionsAccessor>()>;
