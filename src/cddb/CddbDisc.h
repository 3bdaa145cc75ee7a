// What the CDDB component needs from a CD library: make a drive the active one, ask whether
// a disc is loaded and read its layout. TCDDBInfo reads the disc
// of its CD input component through TCDInDisc; another library can stand in for it.
#pragma once

#include "cd/Disc.h"

class TCDIn;

class TCddbDisc {
public:
    virtual ~TCddbDisc() = default;
    // Makes this disc's drive the library's active drive.
    virtual void SelectDrive() = 0;
    // 1 when a disc is loaded, 0 when the drive reports none, -1 when it cannot tell.
    virtual int MediaLoaded() = 0;
    // The disc's layout; false when the TOC cannot be read.
    virtual bool ReadDisc(TDisc& disc) = 0;
};

// The drive of a CD input component (not owned), through the CR_* layer it reads with.
class TCDInDisc : public TCddbDisc {
public:
    explicit TCDInDisc(TCDIn& cdIn) : CDIn(cdIn) {}
    void SelectDrive() override;
    int MediaLoaded() override;
    bool ReadDisc(TDisc& disc) override;

private:
    TCDIn& CDIn;
};
