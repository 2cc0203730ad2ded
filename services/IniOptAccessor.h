// Options kept in a profile (INI) file, one key per option in the store's section. Every value
// reads back as text; the password is kept but unused, since nothing in the file is encrypted.
#pragma once

#include "services/IniFile.h"
#include "services/OptionsAccessor.h"

#include <memory>

class TIniOptAccessor : public TOptionsAccessor {
public:
    static std::unique_ptr<TOptionsAccessor> Create() { return std::make_unique<TIniOptAccessor>(); }

    // Opens the file (reads it); EndUpdate and CancelUpdate close it.
    void BeginUpdate() override;
    void EndUpdate() override;
    void CancelUpdate() noexcept override;

    void GetNames(const std::string& Section, std::vector<std::string>& Names) override;
    // Text of at most TIniFile::MaxValueChars characters; the text form of Default when absent.
    TOptionValue Read(const std::string& Section, const std::string& Name, const TOptionValue& Default) override;
    // Raises EIniFileException "Unable to write to <file>" when the file cannot be written.
    void Write(const std::string& Section, const std::string& Name, const TOptionValue& Value) override;

private:
    // The open file; calls outside BeginUpdate/EndUpdate open it on demand.
    TIniFile& Ini();

    std::unique_ptr<TIniFile> FIniFile;
};
