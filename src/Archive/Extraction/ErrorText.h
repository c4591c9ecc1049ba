#pragma once

#include <QByteArrayView>

#include <initializer_list>

// The engines report why reading failed by text only; their classifiers ask
// that text what it says.
class ErrorText
{
public:
    ErrorText() = delete;

    // True when `text` contains one of the lower-case `fragments`, ignoring case.
    static bool containsAny(QByteArrayView text, std::initializer_list<const char*> fragments);
};
