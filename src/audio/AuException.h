// The one exception class of the audio stream framework and of every component built on it.
#pragma once

#include <QString>

#include <stdexcept>

class EAuException : public std::runtime_error {
public:
    explicit EAuException(const QString& message);
    // The message as the user sees it (what() holds the same text in UTF-8).
    const QString& Message() const { return Text; }

private:
    QString Text;
};
