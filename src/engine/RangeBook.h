#pragma once

#include "jobs/DownJobRecord.h"

// Bookkeeping of the part ranges of a job record. A part k is complete when
// its Pos is greater than its EndPos; it counts min(Pos, EndPos) - StartPos
// bytes as received. Parts 2..10 with StartPos 0 are cancelled or unused.
namespace RangeBook {

// Part ranges of a new job of `size` bytes split among record.Parts parts.
// What part 1 has already received stays its own and the rest is shared:
// with P = part 1's position and L = (size - P) / Parts, part k >= 2 starts
// at P + (k - 1) * L, the last part ends at the size. Part 1 keeps the whole
// file (EndPos = size) until the range test.
void SplitRanges(DownJobRecord &record, qint32 size);

// Bytes received, from the ranges (the CalcHaveDown rule).
qint64 HaveDown(const DownJobRecord &record);

// Whether part k of the record is in use (part 1 always is).
bool InUse(const DownJobRecord &record, int k);

// The part above j that part 1 has overtaken (StartPos and Pos not 0, part 1's
// Pos greater than its Pos): the first such part, or 0.
int OvertakenPart(const DownJobRecord &record, int j);

// Where part 1 ends once the range test succeeded: where the next part in
// use begins (TotalSize / Parts for a job split as usual), so that a range
// part 1 took over in an earlier run is never left to nobody.
qint32 Part1EndAfterRangeTest(const DownJobRecord &record);

// Whether the received bytes of all parts leave no gap in [0, TotalSize).
bool CoversWholeFile(const DownJobRecord &record);

// Whether part k still has bytes to fetch (Pos below EndPos).
bool NeedsData(const DownJobRecord &record, int k);

// Sets every part's positions to 0.
void ClearRanges(DownJobRecord &record);

} // namespace RangeBook
