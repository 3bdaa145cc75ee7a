// The common part of the external encoder wrappers: a hidden child process whose standard
// output and error are pipes, and a reader thread that watches the pipes and the child. The
// reader thread never reads or parses: it asks the main thread to read what a pipe holds, and
// to end the run once the child has exited and every byte of its output has been read. All
// fields of a wrapper are therefore touched by the main thread only.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <sys/types.h>
#include <thread>

// Raised by Start when a pipe or the child cannot be created.
class EEncodeProcess : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    explicit EEncodeProcess(const QString& text) : std::runtime_error(text.toStdString()) {}
};

// The running child: its id and a process file descriptor that becomes readable when it exits.
// Only the main thread reaps the child, so the id cannot be reused while it is set.
struct TProcessInformation {
    pid_t ProcessId = 0;
    int ProcessHandle = -1;
};

class TEncodeProcess;

// One reader thread per run. It polls the two pipes of the run; when one holds bytes it asks the
// main thread to read them and waits for that call; when both are empty it waits up to 100 ms for
// output, for the child's exit or for a terminate request. After the child has exited and the
// pipes are drained it asks the main thread to end the run. Destroying it waits for the thread.
class TEncodeThread {
public:
    TEncodeThread(TEncodeProcess* owner, int stdOut, int stdErr, int process);
    ~TEncodeThread();
    TEncodeThread(const TEncodeThread&) = delete;
    TEncodeThread& operator=(const TEncodeThread&) = delete;

    // Tells the thread to stop; a pending call to the main thread is abandoned.
    void Terminate();

    enum class TRequest { ReadStdOut, ReadStdErr, ProcessEnded };

private:
    struct TShared;
    void Execute();
    bool CallMainThread(TRequest request, uint32_t bytes);
    void Pause(int milliseconds);

    TEncodeProcess* Owner;
    std::shared_ptr<TShared> Shared;
    // The thread's own duplicates, so closing the wrapper's pipes never pulls them away.
    int OutFd = -1;
    int ErrFd = -1;
    int ProcessFd = -1;
    int WakeFd = -1;
    std::thread Thread;
};

class TEncodeProcess : public QObject {
public:
    TEncodeProcess();
    ~TEncodeProcess() override;

    // Pipe ends: the parent keeps StdInWrite (never written), StdOutRead and StdErrRead; the
    // child's ends become its standard handles and are closed here once it runs. -1 = none.
    int StdInRead = -1;
    int StdInWrite = -1;
    int StdOutRead = -1;
    int StdOutWrite = -1;
    int StdErrRead = -1;
    int StdErrWrite = -1;
    // Byte count reported by the reader thread for the read in progress.
    uint32_t BytesAvailable = 0;
    TProcessInformation ProcessInformation;
    // 1-based column of the progress figure in the encoder's lines; 0 = not found in this run.
    int32_t ProgressColumn = 0;
    std::unique_ptr<TEncodeThread> ReaderThread;
    std::chrono::steady_clock::time_point StartTime;
    QObject* NotifyWindow = nullptr;
    QString InputFile;
    QString OutputFile;
    // Set by the caller before Start; cleared by Kill only.
    bool Active = false;
    uint8_t JobKind = 0;

    // How the last child ended, for callers that want to tell a failed encode: the exit code
    // (-1 when it did not exit normally), the signal that ended it (0 = none) and whether that
    // was a crash rather than Kill. LastError holds a pipe read failure.
    int LastExitCode = -1;
    int LastSignal = 0;
    bool LastCrashed = false;
    QString LastError;
    // The argument vector of the last child (program first).
    QStringList LastArguments;

    // Checks, creates the pipes and the child and starts the reader thread; returns at once.
    void Start();
    // Ends the current run at once. Does nothing unless Active; harmless after the child ended.
    void Kill(unsigned exitCode);
    // The end of a run: the child has exited and its output has been read.
    void ProcessEnded();
    void CreatePipes();
    void ClosePipes();
    void ReadStdOut();
    void ReadStdErr();
    // The end event of this wrapper (2000 posted for MP3, 5000 sent for WMA).
    virtual void Notify(int32_t status, const QString& text = QString()) = 0;

    bool Running() const { return ProcessInformation.ProcessId != 0; }

protected:
    // Whether an existing output file leads to the overwrite question for this JobKind.
    virtual bool AsksOverwrite() const = 0;
    // The executable to run; false (after telling the user and sending the end event) when
    // there is none.
    virtual bool FindProgram(QString& program) = 0;
    virtual QStringList Arguments() const = 0;
    virtual void ResetParser() = 0;
    virtual void ParseChunk(const QByteArray& chunk) = 0;

    double ElapsedSeconds() const;
    // Posts a progress event unless it repeats the last one of this run exactly (lame's decoder
    // prints a line per frame, far more than a window can show).
    void PostProgress(int32_t code, const QString& elapsed, const QString& estimated);

private:
    friend class TEncodeThread;
    void ServeReader(TEncodeThread::TRequest request, uint32_t bytes);
    void ReadPipe(int fd, const char* failureText);
    void Spawn(const QString& program, const QStringList& arguments);
    void TerminateReader();
    // Ends the child if it still runs (kill = true) and collects its exit status.
    void ReapChild(bool kill);

    int32_t LastPostedCode = -1;
    QString LastPostedElapsed;
    QString LastPostedEstimated;
};
