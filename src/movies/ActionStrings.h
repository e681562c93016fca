#pragma once

#include <QByteArray>
#include <functional>

// The text constants of a movie's code, where the addresses of the files it
// loads are written. Any bytes at all give an answer: a record that runs past
// the end stops the walk.
namespace ActionStrings {
using Take = std::function<void(const QByteArray &text)>;

// ActionScript 1 and 2 (the action records of DoAction, DoInitAction and
// buttons): the constant pool's entries, pushed strings and GetURL addresses.
void fromActions(const QByteArray &code, const Take &take);

// ActionScript 3 (an ABC block of DoABC): the string constants.
void fromAbc(const QByteArray &abc, const Take &take);
} // namespace ActionStrings
