#include "cli/transfer/ImportSource.h"

#include "cli/CliError.h"
#include "cli/transfer/Gzip.h"
#include "dataproc/Wipe.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int64_t ModifiedNs(const struct stat& St)
{
    return int64_t(St.st_mtim.tv_sec) * 1000000000 + St.st_mtim.tv_nsec;
}

} // namespace

TImportSource::TImportSource(const std::string& Path, int64_t MaxBytes, std::size_t PieceBytes)
    : FName(Path), FPieceBytes(PieceBytes)
{
    do
        FFd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    while (FFd < 0 && errno == EINTR);
    if (FFd < 0)
        RaiseFileError(ecFileFault, Path, std::string("cannot read the file: ") + std::strerror(errno));
    struct stat st {};
    if (::fstat(FFd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(FFd);
        FFd = -1;
        RaiseFileError(ecFileFault, Path, "not a regular file");
    }
    FSize = st.st_size;
    FModified = ModifiedNs(st);
    if (FSize > MaxBytes) {
        ::close(FFd);
        FFd = -1;
        RaiseUsage(Path + ": the file is too large (" + std::to_string(FSize) + " bytes, at most " +
                   std::to_string(MaxBytes) + ")");
    }
    const std::string_view head = Next();
    if (head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0x1F && static_cast<unsigned char>(head[1]) == 0x8B)
        Unpack(MaxBytes);
    else
        Rewind();
}

TImportSource::TImportSource(std::string&& Text, std::size_t PieceBytes)
    : FName(), FText(std::move(Text)), FPieceBytes(PieceBytes)
{
    Text.clear();
}

TImportSource::~TImportSource()
{
    WipeString(FText);
    WipeString(FPiece);
    if (FFd >= 0)
        ::close(FFd);
}

void TImportSource::Unpack(int64_t MaxBytes)
{
    // The packed file is small beside what it unpacks to; it is read whole, then let go.
    std::string packed;
    packed.reserve(static_cast<std::size_t>(FSize));
    ::lseek(FFd, 0, SEEK_SET);
    FPos = 0;
    for (std::string_view piece = Next(); !piece.empty(); piece = Next())
        packed.append(piece);
    const bool ok = GzipDecompress(packed, FText, static_cast<std::size_t>(MaxBytes));
    WipeString(packed);
    ::close(FFd);
    FFd = -1;
    if (!ok)
        RaiseFileError(ecRejected, FName,
                       "gzip-packed, but the stream is damaged, cut short or unpacks to more than " +
                           std::to_string(MaxBytes) + " bytes");
    FPos = 0;
}

void TImportSource::Rewind()
{
    WipeString(FPiece);
    FPos = 0;
    if (FFd < 0)
        return;
    struct stat st {};
    if (::fstat(FFd, &st) != 0 || st.st_size != FSize || ModifiedNs(st) != FModified || ::lseek(FFd, 0, SEEK_SET) != 0)
        RaiseFileError(ecFileFault, FName, "the file changed while it was read");
}

std::string_view TImportSource::Next()
{
    if (FFd < 0) {
        const std::size_t take = std::min(FPieceBytes, FText.size() - FPos);
        const std::string_view piece(FText.data() + FPos, take);
        FPos += take;
        return piece;
    }
    // Sized once, so the buffer never moves and leaves unwiped copies behind.
    if (FPiece.size() != FPieceBytes) {
        WipeString(FPiece);
        FPiece.resize(FPieceBytes);
    }
    for (;;) {
        const ssize_t n = ::read(FFd, FPiece.data(), FPiece.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            RaiseFileError(ecFileFault, FName, std::string("cannot read the file: ") + std::strerror(errno));
        FPos += static_cast<std::size_t>(n);
        if (FPos > static_cast<std::size_t>(FSize))
            RaiseFileError(ecFileFault, FName, "the file changed while it was read");
        return std::string_view(FPiece.data(), static_cast<std::size_t>(n));
    }
}

char TImportSource::FirstNonSpace()
{
    char found = 0;
    for (std::string_view piece = Next(); !piece.empty() && found == 0; piece = Next()) {
        const std::size_t i = piece.find_first_not_of(" \t\r\n");
        if (i != std::string_view::npos)
            found = piece[i];
    }
    Rewind();
    return found;
}
