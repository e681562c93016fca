#include "browser/BodyDecoder.h"

#include "engine/ContentDecoder.h"

#include <QIODevice>

namespace BodyDecoder {

namespace {
constexpr qint64 kBlock = 64 * 1024;
constexpr qsizetype kStep = 16 * kBlock; // decoded bytes written at once
} // namespace

bool supports(const QByteArray &contentEncoding) {
    return ContentDecoder::Create(contentEncoding) != nullptr;
}

QString decode(QIODevice &in, qint64 offset, qint64 length, const QByteArray &contentEncoding,
               QIODevice &out, qint64 maxOutput) {
    const std::unique_ptr<ContentDecoder> decoder = ContentDecoder::Create(contentEncoding);
    if (!decoder)
        return QStringLiteral("unknown content encoding \"%1\"")
            .arg(QString::fromLatin1(contentEncoding));
    if (offset < 0 || length < 0 || offset > in.size() || length > in.size() - offset ||
        !in.seek(offset))
        return QStringLiteral("the cached body lies outside its entry file");
    const bool identity = ContentDecoder::IsIdentity(contentEncoding);
    qint64 left = length, written = 0;
    QString error;
    while (left > 0) {
        const QByteArray input = in.read(qMin(left, kBlock));
        if (input.isEmpty()) return QStringLiteral("the cache entry could not be read");
        left -= input.size();
        const auto result = decoder->feedAll(input, kStep, [&](const QByteArray &output) {
            written += output.size();
            if (written > maxOutput) {
                error = QStringLiteral("the decoded body is too large");
            } else if (out.write(output) != output.size()) {
                error = out.errorString().isEmpty() ? QStringLiteral("write failed")
                                                    : out.errorString();
            }
            return error.isEmpty();
        });
        if (!error.isEmpty()) return error;
        if (result == ContentDecoder::Damaged) return QStringLiteral("the cached body is damaged");
    }
    if (!identity && !decoder->finished()) return QStringLiteral("the cached body is incomplete");
    return {};
}

} // namespace BodyDecoder
