#pragma once

#include <QString>

// What a job object reports to its owner (with a part number and a text).
enum class JobReport : quint8 {
    DataArrival,     // a block was written (text: its size)
    Connecting,      // text: the host:port dialled
    Connected,       // text: the address reached
    Request,         // text: the request sent
    Response,        // text: the answer's header
    Close,           // text: "MeComplete" or "ByServer"
    Autorename,      // text: the new file name
    ServerFileName,  // text: the file name the server gave
    Cancel,          // text: the part that took the range over
    Redirect,        // text: the new URL
    RequestError,    // text: the status; the job ends
    JobError,        // text: the reason; the job ends
    Restart,         // text: why
    Retry,           // text: the retry line
    TimeOut,         // text: what timed out
    Error,           // text: the connection's error
    ReSumeTestError, // text: the URL whose range test failed
};

// The report's name as it is printed and matched: "DataArrival", "Connecting", ...
inline QString reportName(JobReport type) {
    switch (type) {
    case JobReport::DataArrival:
        return QStringLiteral("DataArrival");
    case JobReport::Connecting:
        return QStringLiteral("Connecting");
    case JobReport::Connected:
        return QStringLiteral("Connected");
    case JobReport::Request:
        return QStringLiteral("Request");
    case JobReport::Response:
        return QStringLiteral("Response");
    case JobReport::Close:
        return QStringLiteral("Close");
    case JobReport::Autorename:
        return QStringLiteral("Autorename");
    case JobReport::ServerFileName:
        return QStringLiteral("ServerFileName");
    case JobReport::Cancel:
        return QStringLiteral("Cancel");
    case JobReport::Redirect:
        return QStringLiteral("Redirect");
    case JobReport::RequestError:
        return QStringLiteral("RequestError");
    case JobReport::JobError:
        return QStringLiteral("JobError");
    case JobReport::Restart:
        return QStringLiteral("Restart");
    case JobReport::Retry:
        return QStringLiteral("Retry");
    case JobReport::TimeOut:
        return QStringLiteral("TimeOut");
    case JobReport::Error:
        return QStringLiteral("Error");
    case JobReport::ReSumeTestError:
        return QStringLiteral("ReSumeTestError");
    }
    return {};
}
