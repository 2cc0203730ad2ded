// A keyed store of named option values, each with a flag that tells whether it changed since it
// was last loaded or saved. Names compare without case and keep the order they were added in.
// Values are loaded from and saved to one section of a file through an exchangeable accessor.
//
// Every operation holds the store's lock. The lock is re-entrant so that InitItems can add
// options while Load holds it; an accessor must still never call back into the store.
#pragma once

#include "services/OptionValue.h"
#include "services/OptionsAccessor.h"

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

struct TOptionData {
    TOptionValue Value;
    bool Modified = false;
};

class TOptionsManager {
public:
    // Empty; FileName is the program's folder + "Options.ini", Section "Options", INI accessor.
    TOptionsManager();
    virtual ~TOptionsManager();
    TOptionsManager(const TOptionsManager&) = delete;
    TOptionsManager& operator=(const TOptionsManager&) = delete;

    std::string FileName() const;
    void SetFileName(const std::string& Value);
    std::string Password() const;
    void SetPassword(const std::string& Value);
    std::string Section() const;
    // An empty section name stores "Options".
    void SetSection(const std::string& Value);
    void SetAccessorClass(TOptionsAccessorClass Value);

    // Appends an option, not modified. Raises "Name '<name>' already exists".
    void Add(const std::string& Name, const TOptionValue& Value);
    // Removes the option when present.
    void Delete(const std::string& Name);
    void Clear();

    int Count() const;
    // The name at Index, or "" when Index is out of range.
    std::string Names(int Index) const;
    // A copy of the value. Raises "Name '<name>' not found".
    TOptionValue Values(const std::string& Name) const;
    // Adds the option, or changes it when the new value differs from the stored one; either way
    // it is then modified. An equal value changes nothing.
    void SetValues(const std::string& Name, const TOptionValue& Value);
    // Raises "Name '<name>' not found".
    bool Modified(const std::string& Name) const;

    // Values converted for their readers; EOptionConvertError names the option and its text.
    int32_t ReadInteger(const std::string& Name) const;
    bool ReadBoolean(const std::string& Name) const;
    std::string ReadText(const std::string& Name) const;

    // InitItems, then every key of the section overrides the option of that name (as text) or
    // is added; afterwards nothing is modified. A missing file leaves the defaults.
    void Load();
    // With a name: writes that option whether modified or not (an unknown name writes nothing).
    // Without: writes every modified option in order. Written options are no longer modified.
    void Save(const std::string& Name = std::string());

protected:
    // Called at the start of every Load; a subclass defines its option set here.
    virtual void InitItems() {}

private:
    TOptionData* Find(const std::string& Name);
    const TOptionData* Find(const std::string& Name) const;
    const TOptionData& Get(const std::string& Name) const;
    void Append(const std::string& Name, const TOptionData& Data);
    void Reindex();
    std::unique_ptr<TOptionsAccessor> NewAccessor() const;

    std::vector<std::pair<std::string, TOptionData>> FItems;
    std::unordered_map<std::string, std::size_t> FIndex; // folded name → position in FItems
    std::string FFileName;
    std::string FPassword;
    std::string FSection;
    TOptionsAccessorClass FAccessorClass;
    mutable std::recursive_mutex FLock;
};
