#include "update/UpdateVerdict.h"

#include "base/NumberText.h"

#include <QRegularExpression>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

QString UpdateText::connecting() {
    return QStringLiteral("Connect to the internet...");
}
QString UpdateText::connected() {
    return QStringLiteral("Connect Success!");
}
QString UpdateText::checkComplete() {
    return QStringLiteral("Check Complete.");
}

float UpdateText::VersionNumber(const QString &text) {
    QString head = text.left(10);
    const int lineBreak = int(head.indexOf(QRegularExpression(QStringLiteral("[\\r\\n]"))));
    if (lineBreak >= 0) head.truncate(lineBreak);
    return float(NumberText::leadingValue(head));
}

QString UpdateText::ShortestText(float value) {
    char buffer[32];
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(buffer, sizeof buffer, "%.*g", digits, double(value));
        if (std::strtof(buffer, nullptr) == value) break;
    }
    return QString::fromLatin1(buffer);
}

bool UpdateText::IsDownloadUrl(const QString &url) {
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    return parsed.isValid() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !parsed.host().isEmpty();
}

UpdateVerdict UpdateText::Evaluate(const QByteArray &response, const QString &appVersion) {
    UpdateVerdict verdict;
    verdict.label = checkComplete();
    const int separator = int(response.indexOf("\r\n\r\n"));
    if (separator < 0) return verdict;
    verdict.complete = true;
    const QString body = QString::fromLatin1(response.mid(separator + 1));
    const QString versionKey = QStringLiteral("Newest Version:");
    const int key = int(body.indexOf(versionKey, 0, Qt::CaseInsensitive));
    const QString noFile = QStringLiteral("Can not find the Newest ini file!");
    if (key < 0) {
        verdict.label = noFile;
        return verdict;
    }
    const float newest = VersionNumber(body.mid(key + versionKey.size(), 10));
    const double current = NumberText::leadingValue(appVersion);
    if (current >= ShortestText(newest).toDouble()) {
        verdict.label += QStringLiteral("\nNO find new version!");
        return verdict;
    }
    const QString siteKey = QStringLiteral("DownSite:");
    const int site = int(body.indexOf(siteKey, 0, Qt::CaseInsensitive));
    if (site >= 0)
        verdict.downSite = body.mid(site + siteKey.size()).remove(QStringLiteral("\r\n")).trimmed();
    if (!IsDownloadUrl(verdict.downSite)) {
        verdict.downSite.clear();
        verdict.label = noFile;
        return verdict;
    }
    verdict.newer = true;
    verdict.label = QStringLiteral("Find New Version!\nDo you want to download Now?");
    return verdict;
}
