#include "jobs/JobRecordFormat.h"

#include "jobs/JobFields.h"
#include "jobs/LeRecord.h"

void writeJobRecord(LeWriter &out, const DownJobRecord &job) {
    for (const JobField &f : kJobFields) {
        switch (f.kind) {
        case JobField::Text:
            out.text(job.*f.text);
            break;
        case JobField::Int16:
        case JobField::Port:
            out.i16(job.*f.int16);
            break;
        case JobField::Int32:
            out.i32(job.*f.int32);
            break;
        case JobField::Date:
            out.f64(job.*f.date);
            break;
        case JobField::Single:
            out.f32(job.AverageSpeed);
            break;
        case JobField::Parts:
            for (const PartRange &p : job.PartRanges) {
                out.i32(p.StartPos);
                out.i32(p.Pos);
                out.i32(p.EndPos);
            }
            break;
        }
    }
}

bool readJobRecord(LeReader &in, DownJobRecord &job) {
    for (const JobField &f : kJobFields) {
        switch (f.kind) {
        case JobField::Text:
            job.*f.text = in.text();
            break;
        case JobField::Int16:
        case JobField::Port:
            job.*f.int16 = in.i16();
            break;
        case JobField::Int32:
            job.*f.int32 = in.i32();
            break;
        case JobField::Date:
            job.*f.date = in.f64();
            break;
        case JobField::Single:
            job.AverageSpeed = in.f32();
            break;
        case JobField::Parts:
            for (PartRange &p : job.PartRanges) {
                p.StartPos = in.i32();
                p.Pos = in.i32();
                p.EndPos = in.i32();
            }
            break;
        }
    }
    return in.ok();
}
