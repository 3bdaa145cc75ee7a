// An output file written under a temporary name beside its final one and renamed over it only
// when the command succeeded: a failed or interrupted run leaves neither a half-written file
// at the final name nor an existing output spoiled. The temporary name is made unique when
// the file is created (O_EXCL), so no other file, the input included, is ever taken for it.
#pragma once

#include <QString>

class TCliTemporaryOutput {
public:
    explicit TCliTemporaryOutput(QString output);
    // Removes the temporary file unless it was committed.
    ~TCliTemporaryOutput();
    TCliTemporaryOutput(const TCliTemporaryOutput&) = delete;
    TCliTemporaryOutput& operator=(const TCliTemporaryOutput&) = delete;

    // Creates the (empty) temporary file; false with the system's reason when it cannot.
    bool Create(QString& error);
    const QString& Name() const { return Temporary; }
    // Renames the temporary file over the output; false when that fails.
    bool Commit();

private:
    QString Output;
    QString Temporary;
    bool Committed = false;
};
