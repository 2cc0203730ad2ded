#include "services/IniOptAccessor.h"

void TIniOptAccessor::BeginUpdate()
{
    FIniFile = std::make_unique<TIniFile>(FFileName);
}

void TIniOptAccessor::EndUpdate()
{
    FIniFile.reset();
}

void TIniOptAccessor::CancelUpdate() noexcept
{
    FIniFile.reset();
}

TIniFile& TIniOptAccessor::Ini()
{
    if (!FIniFile || FIniFile->FileName() != FFileName)
        FIniFile = std::make_unique<TIniFile>(FFileName);
    return *FIniFile;
}

void TIniOptAccessor::GetNames(const std::string& Section, std::vector<std::string>& Names)
{
    Names = Ini().ReadSection(Section);
}

TOptionValue TIniOptAccessor::Read(const std::string& Section, const std::string& Name, const TOptionValue& Default)
{
    return TOptionValue(Ini().ReadString(Section, Name, Default.ToText()));
}

void TIniOptAccessor::Write(const std::string& Section, const std::string& Name, const TOptionValue& Value)
{
    Ini().WriteString(Section, Name, Value.ToText());
}
