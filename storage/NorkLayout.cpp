#include "storage/NorkLayout.h"

#include "storage/NorkError.h"

namespace {

// An area of Count records of RecSize bytes at Ofs, which must lie after the fixed part and
// end inside the file. An empty area is not looked at.
bool AreaInside(int64_t Ofs, int64_t Count, int64_t RecSize, int64_t FileSize)
{
    if (Count == 0)
        return true;
    return Ofs >= kFixedPartSize && Ofs + Count * RecSize <= FileSize;
}

} // namespace

void CheckTableTab(const TTableTab& Tab)
{
    if (Tab.TableCount < 0 || Tab.TableCount > kMaxTables)
        RaiseFileCorrupt();
}

void CheckTableHeader(const TTableHeader& H, int64_t FileSize)
{
    if (H.IndexCount < 0 || H.IndexCount > kMaxIndexes || H.RecordSize < 0 || H.BlobCount < 0)
        RaiseFileCorrupt();
    const int64_t recSize = PhyRecSizeOf(H);
    if (recSize > kMaxFileSize)
        RaiseFileCorrupt();
    if (H.BaseUseSpace < 0 || H.AliveUseSpace < 0 || H.AliveCapacity < 0 || H.AliveUseSpace > H.AliveCapacity)
        RaiseFileCorrupt();
    // The whole alive area is reserved when it is allocated, so appends into it never reach
    // bytes that belong to something else.
    if (!AreaInside(H.BaseDataOfs, H.BaseUseSpace, recSize, FileSize) ||
        !AreaInside(H.AliveDataOfs, H.AliveCapacity, recSize, FileSize))
        RaiseFileCorrupt();
}
