#pragma once

#include "jobs/DownJobRecord.h"

class LeReader;
class LeWriter;

// A job record in the job database: the 32 fields in declaration order with
// no padding (texts length-prefixed, Integer 2 bytes, Long 4, Single 4,
// Date 8, the ten part ranges 3 x 4 bytes each): 222 bytes plus its texts.
constexpr int kJobRecordFixedBytes = 222;

void writeJobRecord(LeWriter &out, const DownJobRecord &job);
// False when the data ends inside the record.
bool readJobRecord(LeReader &in, DownJobRecord &job);
