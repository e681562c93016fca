#pragma once

#include "jobs/DownJobRecord.h"

// The 32 fields of DownJobRecord in declaration order, with their names and
// stored types; the file format and the JSON form both walk this table.
struct JobField {
    enum Kind {
        Text,   // length-prefixed text
        Int16,  // Integer
        Port,   // Integer holding a port number (shown unsigned)
        Int32,  // Long
        Date,   // 8-byte double
        Single, // 4-byte float (AverageSpeed)
        Parts,  // the ten PartRange entries
    };
    const char *name;
    Kind kind;
    QString DownJobRecord::*text = nullptr;
    qint16 DownJobRecord::*int16 = nullptr;
    qint32 DownJobRecord::*int32 = nullptr;
    double DownJobRecord::*date = nullptr;
};

constexpr int kJobFieldCount = 32;
extern const JobField kJobFields[kJobFieldCount];
