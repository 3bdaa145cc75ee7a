// The common part of the external encoder wrappers: a hidden child process whose standard
// output and error are pipes, and a reader thread that watches the pipes and the child. The
// reader thread never reads or parses: it asks the main thread to read what a pipe holds, and
// to end the run once the child has exited and every byte of its output has been read. All
// fields of a wrapper are therefore touched by the main thread only.
//
// The end event. Every run that Start lets begin ends with exactly one end event (Code 2000
// posted by the MP3 wrapper, 5000 sent by the WMA wrapper; see their headers for the Status
// values), unless Kill ends it first (then none follows) or Start raises (then none is sent).
// Besides Status the event carries Ok and Reason (TProcessInfo): Ok is true only when the
// child exited with code 0, printed no error line, and left a non-empty output (for a decode a
// WAV file whose header announces no more audio than it holds) that now stands under
// OutputFile. Otherwise Ok is false and Reason is one line saying why: the exit code, the
// signal that ended it or that it crashed, the encoder's error line, a missing, empty or short
// output, a failed pipe read, or (for the runs refused before a child was created) the
// declined overwrite, the output in use or the missing utility. An OutputFile that is the
// InputFile (same file under any name) is refused without a child: Status 2, Ok false.
//
// The output. The child writes WorkFile, a new file beside OutputFile (created exclusively, so
// no file that exists is ever taken for it; one that cannot be created ends the run before a
// child, Status 2, Ok false, the system's reason in Reason). After a run that
// passed the checks WorkFile is renamed to OutputFile (replacing what was there) before the end
// event is delivered; after any failure, and on Kill, WorkFile is removed. So an OutputFile
// that existed before a failed or stopped run is left as it was, and a half-written or lying
// file never appears under the output's name.
#pragma once

#include "core/JobEvents.h"
#include "jobs/JobKind.h"

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
    // On the main thread: serves the request the thread is waiting for, if any. The thread
    // object may be gone when this returns (the request may end the run).
    void ServePending();

    enum class TRequest { ReadStdOut, ReadStdErr, ProcessEnded };

private:
    struct TShared;
    void Execute();
    bool CallMainThread(TRequest request, uint32_t bytes);
    void Pause(int milliseconds);

    TEncodeProcess* Owner;
    // The owner as a receiver of the thread's requests.
    TGuardedReceiver OwnerInbox;
    std::shared_ptr<TShared> Shared;
    // The thread's own duplicates, so closing the wrapper's pipes never pulls them away.
    int OutFd = -1;
    int ErrFd = -1;
    int ProcessFd = -1;
    int WakeFd = -1;
    std::thread Thread;
};

class TEncodeProcess : public QObject {
    Q_OBJECT
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
    // The receiver of the events. Guarded: a window that is destroyed while a run goes on gets
    // nothing more, and the run still ends normally (its output kept or removed as usual).
    TGuardedReceiver NotifyWindow;
    QString InputFile;
    QString OutputFile;
    // The file the child writes while it runs (a temporary beside OutputFile, see above); empty
    // when no run is going. A window estimating progress from the growing output reads this.
    QString WorkFile;
    // Set by the caller before Start; cleared by Kill only.
    bool Active = false;
    TJobKind JobKind = TJobKind::None;

    // How the last child ended: the exit code (-1 when it did not exit normally), the signal
    // that ended it (0 = none) and whether that was a signal from elsewhere rather than Kill.
    // LastError holds a pipe read failure. LastOk and LastReason are the Ok and Reason of the
    // last end event.
    int LastExitCode = -1;
    int LastSignal = 0;
    bool LastCrashed = false;
    QString LastError;
    bool LastOk = false;
    QString LastReason;
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
    // The end event of this wrapper (2000 posted for MP3, 5000 sent for WMA), with LastOk and
    // LastReason as its Ok and Reason.
    virtual void Notify(int32_t status, const QString& text = QString()) = 0;

    bool Running() const { return ProcessInformation.ProcessId != 0; }

protected:
    // Whether an existing output file leads to the overwrite question for this JobKind.
    virtual bool AsksOverwrite() const = 0;
    // The executable to run; false (after telling the user and sending the end event) when
    // there is none.
    virtual bool FindProgram(QString& program) = 0;
    // The child's arguments; the output it is told to write is WorkFile.
    virtual QStringList Arguments() const = 0;
    virtual void ResetParser() = 0;
    virtual void ParseChunk(const QByteArray& chunk) = 0;
    // Whether the output must be a complete WAV file (a decode).
    virtual bool ProducesWav() const { return false; }
    // Status of the end event of a run whose child has exited.
    virtual int32_t EndStatus() const { return 2; }

    // Sends the run's one end event through Notify; later calls in the same run do nothing.
    void EndRun(int32_t status, bool ok, const QString& reason, const QString& text = QString());

    double ElapsedSeconds() const;
    // Posts a progress event unless it repeats the last one of this run exactly (lame's decoder
    // prints a line per frame, far more than a window can show).
    void PostProgress(int32_t code, const QString& elapsed, const QString& estimated);

    // The first line of this run in which the encoder reported an error; the run then fails
    // with it whatever the exit code.
    QString ErrorLine;
    // The file name of the program of this run, for the reasons ("lame", "wm8eutil").
    QString ProgramName;
    // The end of what the child printed in this run (both pipes), for ChildWords.
    QByteArray OutputTail;

protected:
    // The reader thread's requests arrive here (TEncodeThread::CallMainThread).
    bool event(QEvent* e) override;

private:
    friend class TEncodeThread;
    void ServeReaderRequest();
    void ServeReader(TEncodeThread::TRequest request, uint32_t bytes);
    void ReadPipe(int fd, const char* failureText);
    void Spawn(const QString& program, const QStringList& arguments);
    void TerminateReader();
    // Ends the child if it still runs (kill = true) and collects its exit status.
    void ReapChild(bool kill);
    // Why the exited child's run failed, judged from its exit status and error line; empty if
    // it did not.
    QString ChildFailure() const;
    // The last lines the child printed that are not progress lines ("Unsupported number of
    // channels: 6; Can't init infile 'a.wav'"), for the reason of a run that exits non-zero.
    QString ChildWords() const;
    // Checks WorkFile and gives it the output's name; the reason when that fails.
    QString CommitOutput();
    // Removes WorkFile, if any.
    void DiscardWork();

    bool EndSent = false;
    TPostGuard Inbox{this};
    int32_t LastPostedCode = -1;
    QString LastPostedElapsed;
    QString LastPostedEstimated;
};
