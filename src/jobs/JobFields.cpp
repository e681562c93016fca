#include "jobs/JobFields.h"

namespace {
using R = DownJobRecord;
constexpr JobField text(const char *name, QString R::*m) {
    return {name, JobField::Text, m, nullptr, nullptr, nullptr};
}
constexpr JobField int16(const char *name, qint16 R::*m, JobField::Kind kind = JobField::Int16) {
    return {name, kind, nullptr, m, nullptr, nullptr};
}
constexpr JobField int32(const char *name, qint32 R::*m) {
    return {name, JobField::Int32, nullptr, nullptr, m, nullptr};
}
constexpr JobField date(const char *name, double R::*m) {
    return {name, JobField::Date, nullptr, nullptr, nullptr, m};
}
} // namespace

const JobField kJobFields[kJobFieldCount] = {
    text("CategoryKey", &R::CategoryKey),
    int32("State", &R::State),
    text("Referer", &R::Referer),
    int16("CanResume", &R::CanResume),
    text("Comment", &R::Comment),
    text("SavePath", &R::SavePath),
    text("FileName", &R::FileName),
    int16("IsNew", &R::IsNew),
    int16("FileOpen", &R::FileOpen),
    int32("FileNumber", &R::FileNumber),
    text("RemoteName", &R::RemoteName),
    int32("TotalSize", &R::TotalSize),
    int32("Received", &R::Received),
    int16("Parts", &R::Parts),
    text("Url", &R::Url),
    text("RequestPath", &R::RequestPath),
    text("Host", &R::Host),
    int16("Port", &R::Port, JobField::Port),
    int16("UseProxy", &R::UseProxy),
    text("ProxyHost", &R::ProxyHost),
    int16("ProxyPort", &R::ProxyPort, JobField::Port),
    int16("UseLogin", &R::UseLogin),
    text("UserName", &R::UserName),
    text("Password", &R::Password),
    text("UserAgent", &R::UserAgent),
    {"PartRanges", JobField::Parts},
    date("CreateTime", &R::CreateTime),
    date("CompleteTime", &R::CompleteTime),
    date("TotalTime", &R::TotalTime),
    date("StartTime", &R::StartTime),
    date("ElapsedTime", &R::ElapsedTime),
    {"AverageSpeed", JobField::Single},
};
