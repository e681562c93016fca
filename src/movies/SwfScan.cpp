#include "movies/SwfScan.h"

#include "base/SwfMovie.h"
#include "movies/ActionStrings.h"
#include "movies/MovieDeps.h"

#include <QIODevice>
#include <QRegularExpression>
#include <QtEndian>

namespace {

enum TagCode {
    End = 0,
    DoAction = 12,
    DefineSprite = 39,
    DoInitAction = 59,
    FileAttributes = 69,
    DoAbcPlain = 72,
    Metadata = 77,
    DoAbc = 82,
};

constexpr qint64 kMaxMetadata = 64 * 1024;
constexpr int kMaxStage = 20000; // pixels: a larger stage is a damaged header
constexpr qint64 kMinSlice = 64 * 1024;

QString sourceDamage(char signature, const QString &detail) {
    return (signature == 'Z' ? QStringLiteral("damaged LZMA data (%1)")
                             : QStringLiteral("damaged zlib data (%1)"))
        .arg(detail);
}

// The text of the first <dc:NAME> element of an RDF metadata block, its
// markup and surrounding blanks removed and character references decoded.
QString metadataField(const QString &xml, const QString &name) {
    const QRegularExpression element(QStringLiteral("<dc:%1[^>]*>(.*?)</dc:%1>").arg(name),
                                     QRegularExpression::DotMatchesEverythingOption);
    QString text = element.match(xml).captured(1);
    text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    text.replace(QLatin1String("&lt;"), QLatin1String("<"))
        .replace(QLatin1String("&gt;"), QLatin1String(">"))
        .replace(QLatin1String("&quot;"), QLatin1String("\""))
        .replace(QLatin1String("&apos;"), QLatin1String("'"))
        .replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text.simplified();
}

qint64 tagLength(const char *head, int *code) {
    const quint16 word = qFromLittleEndian<quint16>(head);
    *code = word >> 6;
    return word & 0x3f;
}

} // namespace

SwfScan::SwfScan(QIODevice &file, SwfScanOptions options)
    : m_file(file), m_options(options), m_source(file) {}

void SwfScan::run() {
    while (!step(qint64(1) << 40)) {
    }
}

bool SwfScan::step(qint64 budget) {
    const qint64 stop = m_source.position() + qMax(budget, kMinSlice);
    while (m_phase != Phase::Done) {
        if (m_phase == Phase::Start)
            start();
        else if (m_source.position() >= stop)
            return false;
        else if (m_phase == Phase::Tags)
            nextTag(stop);
        else
            drain(stop);
    }
    return true;
}

bool SwfScan::readExactly(QByteArray &into, qint64 n) {
    into.resize(int(n));
    const qint64 got = n > 0 ? m_source.read(into.data(), n) : 0;
    into.resize(int(got));
    return got == n;
}

void SwfScan::start() {
    m_phase = Phase::Done;
    m_facts.length = m_file.size();
    if (!m_source.open()) {
        m_facts.problem = m_source.problem();
        return;
    }
    const char sig = m_source.signature();
    m_facts.signature = QLatin1Char(sig) + QStringLiteral("WS");
    m_facts.version = m_source.version();
    m_facts.declaredLength = m_source.declaredLength();
    const qint64 body = qMax<qint64>(0, m_facts.declaredLength - 8);
    if (body > m_options.maxBody) {
        m_facts.problem = QStringLiteral("declared length of %1 bytes is over the %2 MiB limit")
                              .arg(m_facts.declaredLength)
                              .arg(m_options.maxBody >> 20);
        return;
    }
    // A compressed body longer than declared shows by one byte more.
    if (sig != 'F') m_source.setLimit(body + 1);
    QByteArray first, rest;
    const bool read = readExactly(first, 1) &&
                      readExactly(rest, (5 + 4 * (uchar(first[0]) >> 3) + 7) / 8 - 1 + 4);
    SwfHeader header;
    if (!read || readSwfFrameHeader(first + rest, header) < 0) {
        m_startProblem = QStringLiteral("header cut short");
        m_phase = Phase::Drain;
        return;
    }
    m_facts.width = header.width;
    m_facts.height = header.height;
    m_facts.frameRate = header.frameRate;
    m_facts.frameCount = header.frameCount;
    if (header.width < 0 || header.height < 0 || header.width > kMaxStage ||
        header.height > kMaxStage) {
        m_startProblem =
            QStringLiteral("stage size %1 x %2 out of range").arg(header.width).arg(header.height);
        m_facts.width = m_facts.height = 0; // no stage size to show
    }
    m_phase = m_startProblem.isEmpty() ? Phase::Tags : Phase::Drain;
}

void SwfScan::nextTag(qint64 stop) {
    if (m_skipLeft > 0) {
        const qint64 want = qMin(m_skipLeft, qMax(stop - m_source.position(), kMinSlice));
        const qint64 got = m_source.skip(want);
        m_skipLeft -= got;
        if (got < want) {
            m_tagProblem = QStringLiteral("a tag runs past the end of the data");
            m_phase = Phase::Drain;
        }
        return;
    }
    // Tag headers are read into place: no allocation per tag.
    char head[4];
    const qint64 got = m_source.read(head, 2);
    if (got < 2) {
        m_tagProblem = got == 0 ? QStringLiteral("no End tag")
                                : QStringLiteral("a tag runs past the end of the data");
        m_phase = Phase::Drain;
        return;
    }
    int code = 0;
    qint64 length = tagLength(head, &code);
    if (length == 0x3f) {
        if (m_source.read(head, 4) < 4) {
            m_tagProblem = QStringLiteral("a tag runs past the end of the data");
            m_phase = Phase::Drain;
            return;
        }
        length = qFromLittleEndian<quint32>(head);
    }
    ++m_facts.tags;
    if (code == End) {
        m_phase = Phase::Drain;
        return;
    }
    readCode(code, length);
}

// A tag the facts or the names need is read whole; any other is passed over.
void SwfScan::readCode(int code, qint64 length) {
    const bool first = !m_fileAttributesSeen;
    const bool wanted = (code == FileAttributes && first && length <= kMaxMetadata) ||
                        (code == Metadata && length <= kMaxMetadata) ||
                        (m_options.names && length <= m_options.maxCodeTag &&
                         (code == DoAction || code == DoInitAction || code == DoAbc ||
                          code == DoAbcPlain || code == DefineSprite));
    if (code == FileAttributes) m_fileAttributesSeen = true;
    if (!wanted) {
        m_skipLeft = length;
        return;
    }
    QByteArray data;
    if (!readExactly(data, length)) {
        m_tagProblem = QStringLiteral("a tag runs past the end of the data");
        m_phase = Phase::Drain;
        return;
    }
    const auto collect = [this](const QByteArray &text) { this->collect(text); };
    switch (code) {
    case FileAttributes:
        m_facts.as3 = !data.isEmpty() && (uchar(data[0]) & 0x08);
        break;
    case Metadata: {
        const QString xml = QString::fromUtf8(data.left(data.indexOf('\0')));
        m_facts.title = metadataField(xml, QStringLiteral("title"));
        m_facts.description = metadataField(xml, QStringLiteral("description"));
        break;
    }
    case DoAction:
        ActionStrings::fromActions(data, collect);
        break;
    case DoInitAction:
        ActionStrings::fromActions(data.mid(2), collect); // after the sprite's id
        break;
    case DoAbcPlain:
        ActionStrings::fromAbc(data, collect);
        break;
    case DoAbc: {
        const qsizetype nul = data.indexOf('\0', 4); // after the flags, the block's name
        if (nul >= 0) ActionStrings::fromAbc(data.mid(nul + 1), collect);
        break;
    }
    case DefineSprite:
        // The sprite's own timeline: its DoAction tags.
        for (qsizetype at = 4; at + 2 <= data.size();) {
            int inner = 0;
            qint64 size = tagLength(data.constData() + at, &inner);
            at += 2;
            if (size == 0x3f) {
                if (at + 4 > data.size()) break;
                size = qFromLittleEndian<quint32>(data.constData() + at);
                at += 4;
            }
            if (inner == End || size > data.size() - at) break;
            if (inner == DoAction) ActionStrings::fromActions(data.mid(at, size), collect);
            at += size;
        }
        break;
    }
}

void SwfScan::collect(const QByteArray &text) {
    if (m_names.size() >= m_options.maxNames) return;
    const QString name = QString::fromUtf8(text);
    if (!MovieDeps::looksLikeAddress(name) || m_seenNames.contains(name)) return;
    m_seenNames.insert(name);
    m_names << name;
}

// After the End tag (or the point where the tags broke off) the rest of the
// body is read too: its real length and how the compressed stream ends are
// part of the verdict.
void SwfScan::drain(qint64 stop) {
    if (m_source.signature() == 'F') {
        finish();
        return;
    }
    const qint64 want = qMax(stop - m_source.position(), kMinSlice);
    if (m_source.skip(want) < want) finish();
}

void SwfScan::finish() {
    m_phase = Phase::Done;
    const bool plain = m_source.signature() == 'F';
    const qint64 length = plain ? m_file.size() : 8 + m_source.position();
    m_facts.length = length;
    const qint64 declared = m_facts.declaredLength;
    const SwfSource::End end = m_source.end();
    QString problem;
    if (!plain && end == SwfSource::End::Damaged)
        problem = sourceDamage(m_source.signature(), m_source.damage());
    else if (length < declared)
        problem = QStringLiteral("cut short: %1 of %2 bytes").arg(length).arg(declared);
    else if (!plain && end == SwfSource::End::Limit)
        problem = QStringLiteral("longer than the %1 bytes declared").arg(declared);
    else if (!plain && end == SwfSource::End::Short)
        problem = QStringLiteral("the compressed data breaks off");
    else if (length > declared)
        problem = QStringLiteral("%1 bytes where %2 are declared").arg(length).arg(declared);
    else if (!m_startProblem.isEmpty())
        problem = m_startProblem;
    else
        problem = m_tagProblem;
    m_facts.problem = problem;
    m_facts.whole = problem.isEmpty();
}
