#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <memory>

// A JSON value that keeps the order of its object members, for output that
// reads in a fixed field order. Printed with two-space indentation; objects
// of at most four plain values stay on one line.
class JsonOut {
public:
    static JsonOut string(const QString &text);
    static JsonOut number(double value); // shortest text that reads back exactly
    static JsonOut number(float value);
    static JsonOut integer(qint64 value);
    static JsonOut boolean(bool value);
    static JsonOut array();
    static JsonOut object();

    // For arrays.
    JsonOut &append(const JsonOut &value);
    // For objects; members stay in insertion order.
    JsonOut &insert(const QString &key, const JsonOut &value);

    QByteArray toJson() const; // ends with a line break

private:
    enum class Kind { Scalar, Array, Object };
    void write(QByteArray &out, int indent) const;
    Kind m_kind = Kind::Scalar;
    QByteArray m_scalar;                        // JSON text of a scalar
    QVector<QPair<QString, JsonOut>> m_members; // key empty for array items
};
