#pragma once

#include <QString>
#include <stdexcept>

// The error the MX lookup raises: number 20000, source "MXQuery" and one of
// the descriptions "No Valid Domain Specified", "Problem sending MX query",
// "Problem receiving MX query". Callers catch it.
class MxQueryError : public std::runtime_error {
public:
    static constexpr int kNumber = 20000;
    explicit MxQueryError(const QString &description)
        : std::runtime_error(description.toStdString()), m_description(description) {}
    int number() const { return kNumber; }
    QString source() const { return QStringLiteral("MXQuery"); }
    QString description() const { return m_description; }

private:
    QString m_description;
};
