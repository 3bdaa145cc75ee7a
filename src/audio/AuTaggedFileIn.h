// TAuTaggedFileIn: a file source that carries the tag containers of its file.
#pragma once

#include "audio/AuFileIn.h"
#include "tags/AuTags.h"

class TAuTaggedFileIn : public TAuFileIn {
    Q_OBJECT
public:
    explicit TAuTaggedFileIn(QObject* owner = nullptr);
    ~TAuTaggedFileIn() override;

    TId3v1Tags Id3v1Tags;
    TId3v2Tags Id3v2Tags;
    TAPEv2Tags APEv2Tags;
    TCommonTags CommonTags;
};
