#include "cli/transfer/ImportReader.h"

#include "cli/transfer/FormatCsv.h"
#include "cli/transfer/FormatJson.h"
#include "cli/transfer/FormatKeePassXml.h"

std::unique_ptr<TImportReader> NewImportReader(const std::string& Format, const std::string& InputName)
{
    if (Format == "csv")
        return NewCsvReader(InputName);
    if (Format == "keepass-xml")
        return NewKeePassXmlReader(InputName);
    return NewJsonReader(InputName);
}

TImportData ReadImportText(const std::string& Format, std::string& Text, const std::string& InputName,
                           std::size_t PieceBytes)
{
    TImportSource in(std::move(Text), PieceBytes);
    Text.clear();
    const std::unique_ptr<TImportReader> reader = NewImportReader(Format, InputName);
    TImportData data;
    std::size_t count = 0;
    reader->Check(in, data, count);
    in.Rewind();
    data.Entries.reserve(count);
    reader->Replay(in, [&](TImportEntry& E) { data.Entries.push_back(std::move(E)); });
    return data;
}
