// TAuTaggedFileIn: a file source with the tag containers of its file.
#include "audio/AuTaggedFileIn.h"

TAuTaggedFileIn::TAuTaggedFileIn(QObject* owner) : TAuFileIn(owner) {}

TAuTaggedFileIn::~TAuTaggedFileIn() = default;
