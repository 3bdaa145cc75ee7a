// The one exception class of the audio stream framework.
#include "audio/AuException.h"

EAuException::EAuException(const QString& message) : std::runtime_error(message.toStdString()), Text(message) {}
