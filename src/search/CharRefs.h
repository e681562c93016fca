#pragma once

#include <QString>
#include <QStringView>

// Character references in an HTML attribute value, decoded as browsers do:
// "&#228;", "&#xE4;" (with or without ";"; 0x80..0x9F read as
// Windows-1252, nothing past U+10FFFF), the named references of HTML 4 with
// ";", and the old Latin-1 names (and amp, lt, gt, quot) also without ";",
// except where a letter, digit or "=" follows them ("?a=1&copy=2" stays).
namespace CharRefs {

QString DecodeAttribute(QStringView value);

} // namespace CharRefs
