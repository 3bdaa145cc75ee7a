// The child process, its pipes and the reader thread (see EncodeProcess.h).
#include "jobs/EncodeProcess.h"

#include "core/Helpers.h"
#include "core/JobEvents.h"
#include "core/LanguageText.h"
#include "jobs/EncoderOutput.h"
#include "jobs/EncoderParsers.h"
#include "platform/Prompter.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

void CloseFd(int& fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

int DuplicateFd(int fd) {
    return fd >= 0 ? fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
}

// Bytes waiting in a pipe; 0 when none or on error.
uint32_t BytesWaiting(int fd) {
    int n = 0;
    if (fd < 0 || ioctl(fd, FIONREAD, &n) != 0 || n < 0)
        return 0;
    return static_cast<uint32_t>(n);
}

// A descriptor that becomes readable when the process exits. Called through syscall(): this
// glibc's <sys/pidfd.h> declares pidfd_open without C linkage.
int PidFdOpen(pid_t pid) {
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
}

// Signals that mean the program failed by itself, as opposed to being told to stop.
bool IsCrashSignal(int signal) {
    for (int s : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGSYS, SIGTRAP})
        if (signal == s)
            return true;
    return false;
}

} // namespace

// State shared by the reader thread and the main thread's calls, which may still be running
// after the thread object is gone (a request can end the run).
struct TEncodeThread::TShared {
    std::atomic<bool> Terminated{false};
    std::mutex Lock;
    std::condition_variable Served;
    // The request the thread waits on (guarded by Lock).
    bool Pending = false;
    TRequest Request = TRequest::ReadStdOut;
    uint32_t Bytes = 0;
};

namespace {

// The reader thread's request for the main thread; it carries nothing (the request travels
// through the thread's own lock).
constexpr QEvent::Type ServeReaderEventType = static_cast<QEvent::Type>(QEvent::User + 110);

} // namespace

TEncodeThread::TEncodeThread(TEncodeProcess* owner, int stdOut, int stdErr, int process)
    : Owner(owner), OwnerInbox(owner->Inbox.Handle()), Shared(std::make_shared<TShared>()), OutFd(DuplicateFd(stdOut)),
      ErrFd(DuplicateFd(stdErr)), ProcessFd(DuplicateFd(process)), WakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    Thread = std::thread([this] { Execute(); });
}

TEncodeThread::~TEncodeThread() {
    Terminate();
    if (Thread.joinable())
        Thread.join();
    CloseFd(OutFd);
    CloseFd(ErrFd);
    CloseFd(ProcessFd);
    CloseFd(WakeFd);
}

void TEncodeThread::Terminate() {
    {
        std::lock_guard<std::mutex> guard(Shared->Lock);
        Shared->Terminated = true;
    }
    Shared->Served.notify_all();
    if (WakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(WakeFd, &one, sizeof one);
    }
}

bool TEncodeThread::CallMainThread(TRequest request, uint32_t bytes) {
    {
        std::lock_guard<std::mutex> guard(Shared->Lock);
        Shared->Pending = true;
        Shared->Request = request;
        Shared->Bytes = bytes;
    }
    // Posted rather than sent, so that a terminate request can release this thread while the
    // main thread is busy. The event carries nothing: the request goes through our own lock, a
    // hand-over ThreadSanitizer can follow (through Qt's event queue it cannot).
    if (!OwnerInbox.Post(new QEvent(ServeReaderEventType)))
        return false;
    std::unique_lock<std::mutex> lock(Shared->Lock);
    Shared->Served.wait(lock, [&] { return !Shared->Pending || Shared->Terminated; });
    return !Shared->Terminated;
}

void TEncodeThread::ServePending() {
    const std::shared_ptr<TShared> shared = Shared;
    TEncodeProcess* owner = Owner;
    TRequest request;
    uint32_t bytes;
    {
        std::lock_guard<std::mutex> guard(shared->Lock);
        // Served already (by an earlier call) or abandoned.
        if (!shared->Pending || shared->Terminated)
            return;
        request = shared->Request;
        bytes = shared->Bytes;
    }
    owner->ServeReader(request, bytes);
    {
        std::lock_guard<std::mutex> guard(shared->Lock);
        shared->Pending = false;
    }
    shared->Served.notify_all();
}

void TEncodeThread::Pause(int milliseconds) {
    pollfd wake{WakeFd, POLLIN, 0};
    poll(&wake, 1, milliseconds);
}

void TEncodeThread::Execute() {
    bool exited = false;
    bool outOpen = OutFd >= 0;
    bool errOpen = ErrFd >= 0;
    while (!Shared->Terminated) {
        bool idle = true;
        if (const uint32_t n = BytesWaiting(OutFd); n > 0) {
            if (!CallMainThread(TRequest::ReadStdOut, n))
                return;
            idle = false;
        }
        if (const uint32_t n = BytesWaiting(ErrFd); n > 0) {
            if (!CallMainThread(TRequest::ReadStdErr, n))
                return;
            idle = false;
        }
        if (!idle) {
            // Encoders write a few bytes at a time; a short pause lets them collect into one read.
            Pause(5);
            continue;
        }
        if (exited) {
            // The child is gone and both pipes are empty: every byte of its output was read.
            CallMainThread(TRequest::ProcessEnded, 0);
            return;
        }
        pollfd fds[4];
        nfds_t count = 0;
        fds[count++] = {WakeFd, POLLIN, 0};
        fds[count++] = {ProcessFd, POLLIN, 0};
        const nfds_t outIndex = outOpen ? count : 0;
        if (outOpen)
            fds[count++] = {OutFd, POLLIN, 0};
        const nfds_t errIndex = errOpen ? count : 0;
        if (errOpen)
            fds[count++] = {ErrFd, POLLIN, 0};
        if (poll(fds, count, 100) <= 0)
            continue;
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR))
            exited = true;
        // A pipe that hung up with nothing left would wake every poll; stop watching it.
        if (outIndex && (fds[outIndex].revents & (POLLHUP | POLLERR)) && BytesWaiting(OutFd) == 0)
            outOpen = false;
        if (errIndex && (fds[errIndex].revents & (POLLHUP | POLLERR)) && BytesWaiting(ErrFd) == 0)
            errOpen = false;
    }
}

TEncodeProcess::TEncodeProcess() = default;

TEncodeProcess::~TEncodeProcess() {
    if (Active)
        Kill(0);
    TerminateReader();
    ReapChild(true);
    ClosePipes();
    DiscardWork();
}

void TEncodeProcess::Start() {
    if (Running())
        throw EEncodeProcess(QStringLiteral("The encoder of the previous run is still running."));
    TerminateReader();
    LastExitCode = -1;
    LastSignal = 0;
    LastCrashed = false;
    LastError.clear();
    LastOk = false;
    LastReason.clear();
    LastArguments.clear();
    ErrorLine.clear();
    ProgramName.clear();
    OutputTail.clear();
    EndSent = false;

    // The result replaces OutputFile by a rename, which would throw away an input of the same
    // name; and the encoder itself only ever sees the temporary name, so it cannot tell.
    if (IsSameFile(InputFile, OutputFile)) {
        EndRun(2, false,
               ResText("RES_Output_Is_Input", "%1 is the input file and cannot be the output.").arg(OutputFile));
        return;
    }
    if (QFileInfo::exists(OutputFile) && AsksOverwrite()) {
        const QString question = OutputFile + LoadResText(QStringLiteral("RES_File_Exist"), " has existed,overite it?");
        if (Prompter().Show(question, TPromptIcon::Information, TPromptButtons::YesNo) != TPromptAnswer::Yes) {
            EndRun(0, false, ResText("RES_Output_Declined", "%1 exists and was not overwritten.").arg(OutputFile));
            return;
        }
        if (IsFileInUse(OutputFile)) {
            EndRun(1, false, ResText("RES_Output_In_Use", "%1 is in use by another program.").arg(OutputFile));
            return;
        }
    }
    QString program;
    if (!FindProgram(program))
        return;
    ProgramName = QFileInfo(program).fileName();
    QString error;
    WorkFile = CreateWorkFile(OutputFile, error);
    if (WorkFile.isEmpty()) {
        EndRun(2, false, ResText("RES_Output_Not_Written", "%1 could not be written: %2").arg(OutputFile, error));
        return;
    }

    try {
        CreatePipes();
        const QStringList arguments = Arguments();
        ProgressColumn = 0;
        ResetParser();
        LastPostedCode = -1;
        Spawn(program, arguments);
    } catch (...) {
        ClosePipes();
        ReapChild(true);
        DiscardWork();
        throw;
    }
    StartTime = std::chrono::steady_clock::now();
    ReaderThread = std::make_unique<TEncodeThread>(this, StdOutRead, StdErrRead, ProcessInformation.ProcessHandle);
}

void TEncodeProcess::CreatePipes() {
    struct TPipe {
        int& Read;
        int& Write;
        const char* Text;
    };
    const TPipe pipes[] = {{StdInRead, StdInWrite, "Error on STDIN pipe creation : "},
                           {StdOutRead, StdOutWrite, "Error on STDOUT pipe creation : "},
                           {StdErrRead, StdErrWrite, "Error on STDERR pipe creation : "}};
    for (const TPipe& p : pipes) {
        int fds[2];
        // Close-on-exec everywhere: only the child gets them, as its standard handles.
        if (pipe2(fds, O_CLOEXEC) != 0) {
            const int error = errno;
            ClosePipes();
            throw EEncodeProcess(QString::fromLatin1(p.Text) + QString::number(error));
        }
        p.Read = fds[0];
        p.Write = fds[1];
    }
}

void TEncodeProcess::ClosePipes() {
    for (int* fd : {&StdInRead, &StdInWrite, &StdOutRead, &StdOutWrite, &StdErrRead, &StdErrWrite})
        CloseFd(*fd);
}

void TEncodeProcess::Spawn(const QString& program, const QStringList& arguments) {
    const QString createError = LoadResText(QStringLiteral("RES_CreateProcess_Error"),
                                            QStringLiteral("Error while creating mp3 encoding process!"));
    LastArguments = QStringList{program} + arguments;
    if (program.isEmpty())
        throw EEncodeProcess(createError + QString::number(ENOENT));
    std::vector<QByteArray> words;
    words.push_back(QFile::encodeName(program));
    for (const QString& a : arguments)
        words.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, StdInRead, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, StdOutWrite, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, StdErrWrite, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int s : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD, SIGUSR1, SIGUSR2})
        sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    const int rc = posix_spawn(&pid, words[0].constData(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0)
        throw EEncodeProcess(createError + QString::number(rc));
    ProcessInformation.ProcessId = pid;
    ProcessInformation.ProcessHandle = PidFdOpen(pid);
    if (ProcessInformation.ProcessHandle < 0)
        throw EEncodeProcess(createError + QString::number(errno));
    // The child has its copies now; without ours, the pipes report the end of its output.
    CloseFd(StdInRead);
    CloseFd(StdOutWrite);
    CloseFd(StdErrWrite);
}

void TEncodeProcess::ReapChild(bool kill) {
    if (ProcessInformation.ProcessId == 0)
        return;
    if (kill)
        ::kill(ProcessInformation.ProcessId, SIGKILL);
    int status = 0;
    pid_t r;
    do
        r = waitpid(ProcessInformation.ProcessId, &status, 0);
    while (r < 0 && errno == EINTR);
    if (r == ProcessInformation.ProcessId) {
        LastExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        LastSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        LastCrashed = WIFSIGNALED(status) && !kill;
    }
    CloseFd(ProcessInformation.ProcessHandle);
    ProcessInformation = TProcessInformation();
}

void TEncodeProcess::TerminateReader() {
    if (!ReaderThread)
        return;
    ReaderThread->Terminate();
    ReaderThread.reset();
}

void TEncodeProcess::Kill(unsigned exitCode) {
    // A killed process cannot be given an exit code here; the signal is recorded instead.
    Q_UNUSED(exitCode);
    if (!Active)
        return;
    Active = false;
    TerminateReader();
    ClosePipes();
    ReapChild(true);
    DiscardWork();
}

void TEncodeProcess::ProcessEnded() {
    TerminateReader();
    ClosePipes();
    ReapChild(false);
    QString reason = ChildFailure();
    if (reason.isEmpty())
        reason = CommitOutput();
    else
        DiscardWork();
    EndRun(EndStatus(), reason.isEmpty(), reason, ErrorLine);
}

void TEncodeProcess::EndRun(int32_t status, bool ok, const QString& reason, const QString& text) {
    if (EndSent)
        return;
    EndSent = true;
    LastOk = ok;
    LastReason = reason;
    Notify(status, text);
}

QString TEncodeProcess::ChildFailure() const {
    // An error line outweighs the exit code: the utility's own words say more.
    if (!ErrorLine.isEmpty())
        return ProgramName + QStringLiteral(": ") + ErrorLine;
    if (LastSignal != 0) {
        const QString name = QString::fromLocal8Bit(strsignal(LastSignal));
        if (IsCrashSignal(LastSignal))
            return ResText("RES_Encoder_Crashed", "%1 crashed (signal %2, %3).")
                .arg(ProgramName)
                .arg(LastSignal)
                .arg(name);
        return ResText("RES_Encoder_Signal", "%1 was ended by signal %2 (%3).")
            .arg(ProgramName)
            .arg(LastSignal)
            .arg(name);
    }
    if (LastExitCode != 0) {
        const QString code =
            ResText("RES_Encoder_Exit_Code", "%1 exited with code %2.").arg(ProgramName).arg(LastExitCode);
        const QString words = ChildWords();
        return words.isEmpty() ? code : code + QLatin1Char(' ') + words;
    }
    return QString();
}

QString TEncodeProcess::ChildWords() const {
    // lame says why it gave up before it began on its last lines ("Unsupported number of
    // channels: 6", "Can't init infile ..."). Once progress was shown, its last lines are a
    // histogram with terminal escapes, and a failure then is the output's, which the output
    // checks name.
    if (ProgressColumn != 0)
        return QString();
    QStringList words;
    const QList<QByteArray> lines = SplitEncoderLines(OutputTail);
    for (auto it = lines.crbegin(); it != lines.crend() && words.size() < 2; ++it) {
        const QByteArray line = it->trimmed();
        if (line.isEmpty() || line.contains('\x1b'))
            continue;
        QString text = QString::fromLocal8Bit(line);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
        if (!words.contains(text))
            words.prepend(text);
    }
    return words.join(QStringLiteral("; "));
}

QString TEncodeProcess::CommitOutput() {
    QString problem = MissingOutputProblem(WorkFile, OutputFile, ProgramName);
    if (problem.isEmpty() && ProducesWav())
        problem = WavOutputProblem(WorkFile, OutputFile);
    // rename() replaces an existing output in one step (QFile::rename would refuse).
    if (problem.isEmpty() &&
        std::rename(QFile::encodeName(WorkFile).constData(), QFile::encodeName(OutputFile).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        problem = ResText("RES_Output_Not_Written", "%1 could not be written: %2").arg(OutputFile, why);
    }
    if (problem.isEmpty())
        WorkFile.clear();
    else
        DiscardWork();
    return problem;
}

void TEncodeProcess::DiscardWork() {
    if (WorkFile.isEmpty())
        return;
    QFile::remove(WorkFile);
    WorkFile.clear();
}

bool TEncodeProcess::event(QEvent* e) {
    if (e->type() != ServeReaderEventType)
        return QObject::event(e);
    ServeReaderRequest();
    return true;
}

void TEncodeProcess::ServeReaderRequest() {
    // A call queued by the reader of an earlier run finds no reader, or the current reader's
    // request, which it serves in that call's place.
    if (ReaderThread)
        ReaderThread->ServePending();
}

void TEncodeProcess::ServeReader(TEncodeThread::TRequest request, uint32_t bytes) {
    BytesAvailable = bytes;
    switch (request) {
    case TEncodeThread::TRequest::ReadStdOut:
        ReadStdOut();
        break;
    case TEncodeThread::TRequest::ReadStdErr:
        ReadStdErr();
        break;
    case TEncodeThread::TRequest::ProcessEnded:
        ProcessEnded();
        break;
    }
}

void TEncodeProcess::ReadStdOut() {
    ReadPipe(StdOutRead, "Error reading STDOUT pipe : ");
}

void TEncodeProcess::ReadStdErr() {
    ReadPipe(StdErrRead, "Error reading STDERR pipe : ");
}

void TEncodeProcess::ReadPipe(int fd, const char* failureText) {
    QByteArray chunk(BytesAvailable, Qt::Uninitialized);
    ssize_t n;
    do
        n = fd >= 0 ? read(fd, chunk.data(), chunk.size()) : (errno = EBADF, -1);
    while (n < 0 && errno == EINTR);
    if (n < 0) {
        // Nothing more can be learnt from this child. End it and report the end, so that the
        // window waiting for the run does not wait forever.
        LastError = QString::fromLatin1(failureText) + QString::number(errno);
        qWarning("%s", qPrintable(LastError));
        TerminateReader();
        ClosePipes();
        ReapChild(true);
        DiscardWork();
        EndRun(2, false, LastError);
        return;
    }
    chunk.truncate(n);
    constexpr qsizetype tailBytes = 2048;
    OutputTail.append(chunk);
    if (OutputTail.size() > tailBytes)
        OutputTail.remove(0, OutputTail.size() - tailBytes);
    ParseChunk(chunk);
}

double TEncodeProcess::ElapsedSeconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - StartTime).count();
}

void TEncodeProcess::PostProgress(int32_t code, const QString& elapsed, const QString& estimated) {
    if (code == LastPostedCode && elapsed == LastPostedElapsed && estimated == LastPostedEstimated)
        return;
    LastPostedCode = code;
    LastPostedElapsed = elapsed;
    LastPostedEstimated = estimated;
    TProcessInfo info;
    info.Code = code;
    info.Elapsed = elapsed;
    info.Estimated = estimated;
    NotifyWindow.PostJobInfo(info);
}
