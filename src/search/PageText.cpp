#include "search/PageText.h"

#include "platform/Cp1252.h"
#include "search/HtmlTokenizer.h"

#include <QStringDecoder>

namespace {

constexpr qsizetype kPrescan = 1024;

QByteArray charsetOf(const QString &content) {
    const int at = int(content.indexOf(QLatin1String("charset"), 0, Qt::CaseInsensitive));
    if (at < 0) return {};
    QString rest = content.mid(at + 7).trimmed();
    if (!rest.startsWith(QLatin1Char('='))) return {};
    rest = rest.mid(1).trimmed();
    if (rest.startsWith(QLatin1Char('"')) || rest.startsWith(QLatin1Char('\''))) rest = rest.mid(1);
    qsizetype end = 0;
    while (end < rest.size() && !rest[end].isSpace() && rest[end] != QLatin1Char(';') &&
           rest[end] != QLatin1Char('"') && rest[end] != QLatin1Char('\''))
        ++end;
    return rest.left(end).toLatin1();
}

bool isWindows1252(const QByteArray &name) {
    const QByteArray n = name.trimmed().toLower();
    return n == "windows-1252" || n == "cp1252" || n == "iso-8859-1" || n == "latin1" ||
           n == "iso_8859-1" || n == "us-ascii" || n == "ascii";
}

} // namespace

namespace PageText {

QString Decode(const QByteArray &bytes, const QByteArray &charset) {
    if (!charset.isEmpty()) {
        if (isWindows1252(charset)) return Cp1252::decode(bytes);
        QStringDecoder named(charset.trimmed().constData());
        if (named.isValid()) return named(bytes);
    }
    if (const auto bom = QStringConverter::encodingForData(bytes)) {
        if (*bom != QStringConverter::Utf8 || bytes.startsWith("\xEF\xBB\xBF")) {
            QStringDecoder decoder(*bom);
            return decoder(bytes);
        }
    }
    if (charset.isEmpty()) {
        QByteArray meta = MetaCharset(bytes);
        // A page read as bytes cannot be UTF-16 (browsers read it as UTF-8).
        if (meta.toLower().startsWith("utf-16")) meta = "utf-8";
        if (!meta.isEmpty()) return Decode(bytes, meta);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    return utf8.hasError() ? Cp1252::decode(bytes) : text;
}

QByteArray MetaCharset(const QByteArray &bytes) {
    const QString head = QString::fromLatin1(bytes.left(kPrescan));
    HtmlTokenizer tokens(head);
    HtmlTokenizer::Token token;
    while (tokens.next(token)) {
        if (token.kind != HtmlTokenizer::Token::StartTag || !token.is(QLatin1String("meta")))
            continue;
        const QString charset = token.value(QLatin1String("charset")).trimmed();
        if (!charset.isEmpty()) return charset.toLatin1();
        if (token.value(QLatin1String("http-equiv"))
                .trimmed()
                .compare(QLatin1String("content-type"), Qt::CaseInsensitive) == 0) {
            const QByteArray named = charsetOf(token.value(QLatin1String("content")));
            if (!named.isEmpty()) return named;
        }
    }
    return {};
}

} // namespace PageText
