#include "engine/RangeBook.h"

#include <algorithm>
#include <utility>

namespace RangeBook {

void SplitRanges(DownJobRecord &record, qint32 size) {
    const int n = qBound(1, int(record.Parts), kMaxParts);
    const qint32 from = qBound(0, record.part(1).Pos, size);
    const qint32 length = (size - from) / n;
    record.part(1).EndPos = from + length;
    for (int k = 2; k <= n; ++k) {
        PartRange &range = record.part(k);
        range.StartPos = record.part(k - 1).EndPos;
        range.Pos = range.StartPos;
        range.EndPos = k == n ? size : range.StartPos + length;
    }
    record.part(1).EndPos = size;
}

bool InUse(const DownJobRecord &record, int k) {
    return k == 1 || (k <= record.Parts && record.part(k).StartPos != 0);
}

qint32 Part1EndAfterRangeTest(const DownJobRecord &record) {
    qint32 end = record.TotalSize;
    for (int k = 2; k <= record.Parts && k <= kMaxParts; ++k)
        if (InUse(record, k)) end = std::min(end, record.part(k).StartPos);
    return end;
}

qint64 HaveDown(const DownJobRecord &record) {
    qint64 total = 0;
    const int n = qBound(1, int(record.Parts), kMaxParts);
    for (int k = 1; k <= n; ++k) {
        if (!InUse(record, k)) continue;
        const PartRange &range = record.part(k);
        total += qint64(std::min(range.Pos, range.EndPos)) - range.StartPos;
    }
    return total;
}

int OvertakenPart(const DownJobRecord &record, int j) {
    const qint32 lead = record.part(1).Pos;
    for (int k = j + 1; k <= record.Parts && k <= kMaxParts; ++k) {
        const PartRange &range = record.part(k);
        if (range.StartPos != 0 && range.Pos != 0 && lead > range.Pos) return k;
    }
    return 0;
}

bool CoversWholeFile(const DownJobRecord &record) {
    std::pair<qint64, qint64> spans[kMaxParts];
    int count = 0;
    const int n = qBound(1, int(record.Parts), kMaxParts);
    for (int k = 1; k <= n; ++k) {
        if (!InUse(record, k)) continue;
        const PartRange &range = record.part(k);
        const qint64 end = std::min(range.Pos, range.EndPos);
        if (end > range.StartPos) spans[count++] = {range.StartPos, end};
    }
    for (int i = 1; i < count; ++i) // insertion sort: at most ten spans
        for (int j = i; j > 0 && spans[j] < spans[j - 1]; --j)
            std::swap(spans[j], spans[j - 1]);
    qint64 covered = 0;
    for (int i = 0; i < count; ++i) {
        if (spans[i].first > covered) return false;
        covered = std::max(covered, spans[i].second);
    }
    return covered >= record.TotalSize;
}

bool NeedsData(const DownJobRecord &record, int k) {
    const PartRange &range = record.part(k);
    return InUse(record, k) && range.Pos < range.EndPos;
}

void ClearRanges(DownJobRecord &record) {
    for (PartRange &range : record.PartRanges)
        range = PartRange{};
}

} // namespace RangeBook
