#include "movies/MovieFacts.h"

QJsonObject MovieFacts::toJson() const {
    return {{"signature", signature.isEmpty() ? QJsonValue() : QJsonValue(signature)},
            {"version", version},
            {"width", width},
            {"height", height},
            {"frameRate", frameRate},
            {"frameCount", frameCount},
            {"as3", as3},
            {"title", title},
            {"description", description},
            {"declaredLength", declaredLength},
            {"length", length},
            {"tags", tags},
            {"whole", whole},
            {"problem", problem}};
}

MovieFacts MovieFacts::fromJson(const QJsonObject &json) {
    MovieFacts f;
    f.signature = json.value("signature").toString();
    f.version = json.value("version").toInt();
    f.width = json.value("width").toInt();
    f.height = json.value("height").toInt();
    f.frameRate = json.value("frameRate").toDouble();
    f.frameCount = json.value("frameCount").toInt();
    f.as3 = json.value("as3").toBool();
    f.title = json.value("title").toString();
    f.description = json.value("description").toString();
    f.declaredLength = qint64(json.value("declaredLength").toDouble());
    f.length = qint64(json.value("length").toDouble());
    f.tags = json.value("tags").toInt();
    f.whole = json.value("whole").toBool();
    f.problem = json.value("problem").toString();
    return f;
}
