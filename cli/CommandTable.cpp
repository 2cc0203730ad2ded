#include "cli/CommandTable.h"

void TCommandTable::Add(CLI::App* App, TRunProc Run, const std::string* File)
{
    FEntries.push_back({App, std::move(Run), File});
}

const TCommandTable::TEntry* TCommandTable::Chosen() const
{
    for (const TEntry& e : FEntries)
        if (e.App->parsed())
            return &e;
    return nullptr;
}

int TCommandTable::RunChosen() const
{
    const TEntry* e = Chosen();
    return e ? e->Run() : -1;
}

std::string TCommandTable::ChosenFile() const
{
    const TEntry* e = Chosen();
    return e && e->File ? *e->File : std::string();
}

void AddAllCommands(CLI::App& App, TCommandTable& Table)
{
    AddCreateCommand(App, Table);
    AddOpenCommand(App, Table);
    AddInfoCommand(App, Table);
    AddTreeCommand(App, Table);
    AddLsCommand(App, Table);
    AddShowCommand(App, Table);
    AddClipCommand(App, Table);
    AddAddCommands(App, Table);
    AddEditCommand(App, Table);
    AddRmCommand(App, Table);
    AddMvCommand(App, Table);
    AddFolderCommands(App, Table);
    AddSearchCommand(App, Table);
    AddAttachCommands(App, Table);
    AddPasswdCommand(App, Table);
    AddRecoverCommand(App, Table);
    AddRebuildCommands(App, Table);
    AddVerifyCommand(App, Table);
    AddAnalyzeCommands(App, Table);
    AddGenerateCommand(App, Table);
    AddExportCommand(App, Table);
    AddImportCommand(App, Table);
    AddDemoCommand(App, Table);
}
