// What the main window needs of its CD input component (the second way to reach the drives,
// used when the drive library gave no handle): drives, the disc's tracks and its key. The
// main window owns one; TNoCDInput stands in where no CD input is available.
#pragma once

#include <QString>
#include <QStringList>

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
