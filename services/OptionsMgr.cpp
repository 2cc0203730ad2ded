#include "services/OptionsMgr.h"

#include "dataproc/Exception.h"
#include "dataproc/UpdateBracket.h"
#include "dataproc/Wipe.h"
#include "services/AppFolders.h"
#include "services/CaseFold.h"
#include "services/IniOptAccessor.h"

#include <filesystem>

namespace {

const char* const kDefaultSection = "Options";

} // namespace

TOptionsManager::TOptionsManager()
    : FFileName((std::filesystem::path(ProgramFolder()) / "Options.ini").string()),
      FSection(kDefaultSection),
      FAccessorClass(&TIniOptAccessor::Create)
{
}

TOptionsManager::~TOptionsManager()
{
    Clear();
    WipeString(FPassword);
}

std::string TOptionsManager::FileName() const
{
    std::lock_guard guard(FLock);
    return FFileName;
}

void TOptionsManager::SetFileName(const std::string& Value)
{
    std::lock_guard guard(FLock);
    FFileName = Value;
}

std::string TOptionsManager::Password() const
{
    std::lock_guard guard(FLock);
    return FPassword;
}

void TOptionsManager::SetPassword(const std::string& Value)
{
    std::lock_guard guard(FLock);
    WipeString(FPassword);
    FPassword = Value;
}

std::string TOptionsManager::Section() const
{
    std::lock_guard guard(FLock);
    return FSection;
}

void TOptionsManager::SetSection(const std::string& Value)
{
    std::lock_guard guard(FLock);
    FSection = Value.empty() ? kDefaultSection : Value;
}

void TOptionsManager::SetAccessorClass(TOptionsAccessorClass Value)
{
    std::lock_guard guard(FLock);
    FAccessorClass = Value ? std::move(Value) : TOptionsAccessorClass(&TIniOptAccessor::Create);
}

TOptionData* TOptionsManager::Find(const std::string& Name)
{
    const auto it = FIndex.find(FoldCase(Name));
    return it == FIndex.end() ? nullptr : &FItems[it->second].second;
}

const TOptionData* TOptionsManager::Find(const std::string& Name) const
{
    const auto it = FIndex.find(FoldCase(Name));
    return it == FIndex.end() ? nullptr : &FItems[it->second].second;
}

const TOptionData& TOptionsManager::Get(const std::string& Name) const
{
    const TOptionData* data = Find(Name);
    if (data == nullptr)
        throw Exception("Name '" + Name + "' not found");
    return *data;
}

void TOptionsManager::Append(const std::string& Name, const TOptionData& Data)
{
    FIndex.emplace(FoldCase(Name), FItems.size());
    FItems.emplace_back(Name, Data);
}

void TOptionsManager::Reindex()
{
    FIndex.clear();
    for (std::size_t i = 0; i < FItems.size(); ++i)
        FIndex.emplace(FoldCase(FItems[i].first), i);
}

void TOptionsManager::Add(const std::string& Name, const TOptionValue& Value)
{
    std::lock_guard guard(FLock);
    if (Find(Name) != nullptr)
        throw Exception("Name '" + Name + "' already exists");
    Append(Name, TOptionData{Value, false});
}

void TOptionsManager::Delete(const std::string& Name)
{
    std::lock_guard guard(FLock);
    const auto it = FIndex.find(FoldCase(Name));
    if (it == FIndex.end())
        return;
    FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(it->second));
    Reindex();
}

void TOptionsManager::Clear()
{
    std::lock_guard guard(FLock);
    FItems.clear();
    FIndex.clear();
}

int TOptionsManager::Count() const
{
    std::lock_guard guard(FLock);
    return static_cast<int>(FItems.size());
}

std::string TOptionsManager::Names(int Index) const
{
    std::lock_guard guard(FLock);
    if (Index < 0 || static_cast<std::size_t>(Index) >= FItems.size())
        return std::string();
    return FItems[static_cast<std::size_t>(Index)].first;
}

TOptionValue TOptionsManager::Values(const std::string& Name) const
{
    std::lock_guard guard(FLock);
    return Get(Name).Value;
}

void TOptionsManager::SetValues(const std::string& Name, const TOptionValue& Value)
{
    std::lock_guard guard(FLock);
    TOptionData* data = Find(Name);
    if (data == nullptr) {
        Append(Name, TOptionData{Value, true});
    } else if (!data->Value.SameAs(Value)) {
        data->Value = Value;
        data->Modified = true;
    }
}

bool TOptionsManager::Modified(const std::string& Name) const
{
    std::lock_guard guard(FLock);
    return Get(Name).Modified;
}

int32_t TOptionsManager::ReadInteger(const std::string& Name) const
{
    const TOptionValue value = Values(Name);
    try {
        return value.ToInteger();
    } catch (const EOptionConvertError& e) {
        throw EOptionConvertError("Option '" + Name + "': " + e.Message());
    }
}

bool TOptionsManager::ReadBoolean(const std::string& Name) const
{
    const TOptionValue value = Values(Name);
    try {
        return value.ToBoolean();
    } catch (const EOptionConvertError& e) {
        throw EOptionConvertError("Option '" + Name + "': " + e.Message());
    }
}

std::string TOptionsManager::ReadText(const std::string& Name) const
{
    return Values(Name).ToText();
}

std::unique_ptr<TOptionsAccessor> TOptionsManager::NewAccessor() const
{
    std::unique_ptr<TOptionsAccessor> accessor = FAccessorClass();
    accessor->SetFileName(FFileName);
    accessor->SetPassword(FPassword);
    return accessor;
}

void TOptionsManager::Load()
{
    std::lock_guard guard(FLock);
    InitItems();
    std::unique_ptr<TOptionsAccessor> accessor = NewAccessor();
    TUpdateBracket update(*accessor);
    std::vector<std::string> names;
    accessor->GetNames(FSection, names);
    for (const std::string& name : names) {
        if (TOptionData* data = Find(name)) {
            data->Value = accessor->Read(FSection, name, data->Value);
            data->Modified = false;
        } else {
            // Keys that no default defines stay available by name.
            Append(name, TOptionData{accessor->Read(FSection, name, TOptionValue()), false});
        }
    }
}

void TOptionsManager::Save(const std::string& Name)
{
    std::lock_guard guard(FLock);
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(FFileName).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec); // a failure shows when the file is written
    std::unique_ptr<TOptionsAccessor> accessor = NewAccessor();
    TUpdateBracket update(*accessor);
    if (!Name.empty()) {
        const auto it = FIndex.find(FoldCase(Name));
        if (it != FIndex.end()) {
            auto& [storedName, data] = FItems[it->second];
            accessor->Write(FSection, storedName, data.Value);
            data.Modified = false;
        }
        return;
    }
    for (auto& [name, data] : FItems) {
        if (!data.Modified)
            continue;
        accessor->Write(FSection, name, data.Value);
        data.Modified = false; // only once written: a failed write keeps the option pending
    }
}
