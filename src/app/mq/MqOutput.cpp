#include "app/mq/MqOutput.h"

#include "engine/JobLog.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

QByteArray jsonString(const QString &text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

void printLine(const QByteArray &line) {
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QByteArray logLineJson(const JobLogEntry &e) {
    return "{\"part\":" + QByteArray::number(e.part) + ",\"icon\":" + QByteArray::number(e.icon) +
           ",\"text\":" + jsonString(e.text) + "}";
}
