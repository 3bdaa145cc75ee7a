// What the main window needs of its CD input component (the second way to reach the drives,
// used when the drive library gave no handle): drives, the disc's tracks and its key.
// TCDInService is the real one over TCDIn (the main window owns the only TCDIn, CDIn1);
// TNoCDInput stands in where no CD input is wanted.
#pragma once

#include "cd/CDIn.h"

#include <QString>
#include <QStringList>

#include <memory>

class TCDInputService {
public:
    virtual ~TCDInputService() = default;

    virtual int DriveCount() = 0;
    virtual int DriveIndex() const = 0;
    // Accepted only for 0 <= index < DriveCount.
    virtual void SetDriveIndex(int index) = 0;
    // Description of the selected drive.
    virtual QString DriveName() = 0;
    // Names of every drive in index order; the selected drive stays selected.
    virtual QStringList DriveNames() = 0;
    virtual bool MediaLoaded() = 0;
    // Tracks on the disc of the selected drive; -1 when the table of contents cannot be read.
    virtual int TrackCount() = 0;
    // Length of track n (1-based) in minutes and seconds (frames dropped) and whether it is a
    // data track; false when n is out of range.
    virtual bool TrackLength(int n, int& minutes, int& seconds, bool& data) = 0;
    // The disc's key in cdinfo.dat; empty when there is no audio disc.
    virtual QString DiscKey() = 0;
    // The component itself, for the rip window that reads through it; null when there is none.
    virtual TCDIn* Component() { return nullptr; }
};

class TCDInService : public TCDInputService {
public:
    TCDInService();
    int DriveCount() override { return CDIn1->DriveCount(); }
    int DriveIndex() const override { return CDIn1->DriveIndex(); }
    void SetDriveIndex(int index) override { CDIn1->SetDriveIndex(index); }
    QString DriveName() override { return CDIn1->DriveName(); }
    QStringList DriveNames() override;
    bool MediaLoaded() override { return CDIn1->MediaLoaded(); }
    int TrackCount() override { return CDIn1->TrackCount(); }
    bool TrackLength(int n, int& minutes, int& seconds, bool& data) override;
    QString DiscKey() override;
    TCDIn* Component() override { return CDIn1.get(); }

private:
    std::unique_ptr<TCDIn> CDIn1;
};

// No CD input: no drives.
class TNoCDInput : public TCDInputService {
public:
    int DriveCount() override { return 0; }
    int DriveIndex() const override { return 0; }
    void SetDriveIndex(int) override {}
    QString DriveName() override { return QString(); }
    QStringList DriveNames() override { return {}; }
    bool MediaLoaded() override { return false; }
    int TrackCount() override { return -1; }
    bool TrackLength(int, int&, int&, bool&) override { return false; }
    QString DiscKey() override { return QString(); }
};
