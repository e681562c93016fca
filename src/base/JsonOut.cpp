#include "base/JsonOut.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <cmath>
#include <cstdlib>

namespace {
QByteArray quoted(const QString &text) {
    // QJsonDocument does the escaping: "[\"...\"]" less the brackets.
    const QByteArray doc = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return doc.mid(1, doc.size() - 2);
}
} // namespace

JsonOut JsonOut::string(const QString &text) {
    JsonOut v;
    v.m_scalar = quoted(text);
    return v;
}

JsonOut JsonOut::number(double value) {
    JsonOut v;
    v.m_scalar = std::isfinite(value)
                     ? QByteArray::number(value, 'g', QLocale::FloatingPointShortest)
                     : QByteArray("null");
    return v;
}

JsonOut JsonOut::number(float value) {
    if (!std::isfinite(value)) return number(double(value));
    JsonOut v;
    for (int digits = 1; digits <= 9; ++digits) {
        v.m_scalar = QByteArray::number(double(value), 'g', digits);
        if (std::strtof(v.m_scalar.constData(), nullptr) == value) break;
    }
    return v;
}

JsonOut JsonOut::integer(qint64 value) {
    JsonOut v;
    v.m_scalar = QByteArray::number(value);
    return v;
}

JsonOut JsonOut::boolean(bool value) {
    JsonOut v;
    v.m_scalar = value ? "true" : "false";
    return v;
}

JsonOut JsonOut::array() {
    JsonOut v;
    v.m_kind = Kind::Array;
    return v;
}

JsonOut JsonOut::object() {
    JsonOut v;
    v.m_kind = Kind::Object;
    return v;
}

JsonOut &JsonOut::append(const JsonOut &value) {
    m_members.append({QString(), value});
    return *this;
}

JsonOut &JsonOut::insert(const QString &key, const JsonOut &value) {
    m_members.append({key, value});
    return *this;
}

void JsonOut::write(QByteArray &out, int indent) const {
    if (m_kind == Kind::Scalar) {
        out += m_scalar;
        return;
    }
    const bool isObject = m_kind == Kind::Object;
    out += isObject ? '{' : '[';
    if (m_members.isEmpty()) {
        out += isObject ? '}' : ']';
        return;
    }
    // Small objects of plain values (part ranges, categories) fit on one line.
    bool flat = isObject && m_members.size() <= 4;
    for (const auto &member : m_members)
        flat = flat && member.second.m_kind == Kind::Scalar;
    if (flat) {
        for (int i = 0; i < m_members.size(); ++i) {
            out += i ? ", " : "";
            out += quoted(m_members[i].first) + ": " + m_members[i].second.m_scalar;
        }
        out += '}';
        return;
    }
    const QByteArray inner(indent + 2, ' ');
    for (int i = 0; i < m_members.size(); ++i) {
        out += i ? ",\n" : "\n";
        out += inner;
        if (isObject) out += quoted(m_members[i].first) + ": ";
        m_members[i].second.write(out, indent + 2);
    }
    out += '\n' + QByteArray(indent, ' ') + (isObject ? '}' : ']');
}

QByteArray JsonOut::toJson() const {
    QByteArray out;
    write(out, 0);
    return out + '\n';
}
