#include "storage/NorkFileStream.h"

#include "dataproc/FilePaths.h"

// ---- TNorkFileStream ----

int64_t TNorkFileStream::GetSize()
{
    return FStream ? FStream->GetSize() - FOffset : 0;
}

int64_t TNorkFileStream::GetPosition()
{
    return FStream ? FStream->GetPosition() - FOffset : 0;
}

void TNorkFileStream::SetSize(int64_t Value)
{
    if (FStream)
        FStream->SetSize(Value + FOffset);
}

void TNorkFileStream::SetPosition(int64_t Value)
{
    Seek(Value, soBeginning);
}

void TNorkFileStream::SetOffset(int32_t Value)
{
    if (Value < 0)
        Value = 0;
    if (Value == FOffset)
        return;
    FOffset = Value;
    if (IsOpen())
        SetPosition(0);
}

void TNorkFileStream::Open(const std::string& AFileName)
{
    Close();
    FFileName = AFileName;
}

void TNorkFileStream::Close()
{
    FStream = nullptr;
}

int TNorkFileStream::Read(void* Buffer, int Count)
{
    if (!FStream || Count <= 0)
        return 0;
    return static_cast<int>(FStream->Read(Buffer, Count));
}

int TNorkFileStream::Write(const void* Buffer, int Count)
{
    if (!FStream)
        return 0;
    FFlushed = false;
    if (Count <= 0)
        return 0;
    return static_cast<int>(FStream->Write(Buffer, Count));
}

int64_t TNorkFileStream::Seek(int64_t Offset, TSeekOrigin Origin)
{
    if (!FStream)
        return 0;
    if (Origin == soBeginning)
        Offset += FOffset;
    return FStream->Seek(Offset, Origin) - FOffset;
}

// ---- TNorkDiskFileStream ----

TNorkDiskFileStream::~TNorkDiskFileStream()
{
    TNorkDiskFileStream::Close();
}

void TNorkDiskFileStream::Reopen()
{
    const int64_t pos = GetPosition();
    Open(FFileName);
    SetPosition(pos);
}

void TNorkDiskFileStream::SetExclusive(bool Value)
{
    if (Value == FExclusive)
        return;
    FExclusive = Value;
    if (IsOpen())
        Reopen();
}

void TNorkDiskFileStream::SetReadOnly(bool Value)
{
    if (FFileIsReadOnly || Value == FReadOnly)
        return;
    FReadOnly = Value;
    if (IsOpen())
        Reopen();
}

void TNorkDiskFileStream::Open(const std::string& AFileName)
{
    TNorkFileStream::Open(AFileName);
    FFileIsReadOnly = IsFileReadOnly(AFileName);
    if (FFileIsReadOnly)
        FReadOnly = true;
    FFile = std::make_unique<TFileStream>(AFileName, FReadOnly ? fmOpenRead : fmOpenReadWrite,
                                          FExclusive ? shExclusive : shDenyNone);
    FStream = FFile.get();
    SetPosition(0);
    FFlushed = true;
}

void TNorkDiskFileStream::Close()
{
    TNorkFileStream::Close();
    FFile.reset(); // closing the descriptor also releases the sharing lock
}

void TNorkDiskFileStream::Flush()
{
    if (FFile)
        FFile->Flush();
    FFlushed = true;
}

// ---- TNorkMemFileStream ----

void TNorkMemFileStream::Close()
{
    FStream = nullptr; // the caller's stream lives on
}

int TNorkMemFileStream::Write(const void* Buffer, int Count)
{
    if (FReadOnly && FStream) {
        FFlushed = false;
        return 0;
    }
    return TNorkFileStream::Write(Buffer, Count);
}

void TNorkMemFileStream::SetSize(int64_t Value)
{
    if (!FReadOnly)
        TNorkFileStream::SetSize(Value);
}

bool TNorkMemFileStream::Open(TMemoryStream* AStream)
{
    Close();
    FFileName.clear();
    FStream = AStream;
    SetPosition(0);
    FFlushed = true;
    return AStream != nullptr;
}
