// Sink runs driven under QCoreApplication: the worker thread, the event thread and delivery on
// the main thread, Stop in both forms, Pause/Resume, exceptions and destruction while running.
#include "FrameworkComponents.h"

#include "audio/AuThread.h"
#include "audio/EventHandler.h"
#include "core/Helpers.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Records every event a sink delivers, and checks each arrives on the main thread.
struct TEventLog {
    explicit TEventLog(TAuOutput& sink) {
        sink.OnProgress = [this](TAuOutput* s) {
            OnMain = OnMain && QThread::currentThread() == QCoreApplication::instance()->thread();
            Progress.push_back(s->LastProgress.load());
            Order += 'p';
        };
        sink.OnDone = [this](TAuOutput*) {
            OnMain = OnMain && QThread::currentThread() == QCoreApplication::instance()->thread();
            ++Done;
            Order += 'd';
        };
        sink.OnThreadException = [this](TAuOutput* s) {
            OnMain = OnMain && QThread::currentThread() == QCoreApplication::instance()->thread();
            Errors.push_back(s->LastError);
            Order += 'e';
        };
    }
    std::vector<int32_t> Progress;
    std::vector<QString> Errors;
    int Done = 0;
    std::string Order;
    bool OnMain = true;
};

} // namespace

TEST(FrameworkRunTest, WholeRunDeliversDataProgressAndOneDone) {
    TCountingIn in(10000);
    in.BlockFrames = 10; // a thousand blocks, a tenth of a percent each
    TCollectOut out;
    out.SetInput(&in);
    TEventLog log(out);
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 1; }));
    PumpEvents(50);
    EXPECT_EQ(log.Done, 1);
    EXPECT_TRUE(log.OnMain);
    EXPECT_EQ(out.Data(), CountingBytes(0, 10000));
    EXPECT_EQ(out.Status(), osIdle);
    EXPECT_EQ(out.Progress(), 100);
    // Progress is reported on change of the percentage only, not per block.
    EXPECT_EQ(out.BlockCalls, 1001);
    EXPECT_GE(log.Progress.size(), 10u);
    EXPECT_LE(log.Progress.size(), 100u);
    EXPECT_EQ(log.Progress.back(), 100);
    EXPECT_EQ(log.Order.back(), 'd');
    EXPECT_EQ(in.Begins, 1);
    EXPECT_EQ(in.Ends, 1);

    // The sink runs again with the same data.
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 2; }));
    EXPECT_EQ(out.Data(), CountingBytes(0, 10000));
}

TEST(FrameworkRunTest, EmptyInputStillCallsEverySlotAndFiresDoneOnce) {
    TCountingIn in(0);
    TCollectOut out;
    out.SetInput(&in);
    TEventLog log(out);
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 1; }));
    PumpEvents(30);
    EXPECT_EQ(out.BeginCalls, 1);
    EXPECT_EQ(out.BlockCalls, 1);
    EXPECT_EQ(out.EndCalls, 1);
    EXPECT_EQ(log.Done, 1);
    EXPECT_TRUE(log.Progress.empty());
}

TEST(FrameworkRunTest, UnknownSizeReportsMinusOneOnce) {
    TCountingIn in(5000);
    in.KnownSize = false;
    in.BlockFrames = 50;
    TCollectOut out;
    out.SetInput(&in);
    TEventLog log(out);
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 1; }));
    EXPECT_EQ(log.Progress, std::vector<int32_t>{-1});
    EXPECT_EQ(out.Data().size(), 20000);
}

TEST(FrameworkRunTest, RunRefusals) {
    TCollectOut out;
    TEventLog log(out);
    try {
        out.Run();
        FAIL() << "Run without input";
    } catch (const EAuException& e) {
        EXPECT_EQ(e.Message(), "Input is not assigned");
    }
    // The refused run leaves the sink idle, so it can run once an input is assigned.
    EXPECT_FALSE(out.Busy);
    EXPECT_EQ(out.Status(), osIdle);
    try {
        out.Pause();
        FAIL() << "Pause without input";
    } catch (const EAuException& e) {
        EXPECT_EQ(e.Message(), "Input is not assigned.");
    }

    TCountingIn in(20000);
    out.SetInput(&in);
    out.BlockSleepMs = 1;
    out.Run();
    try {
        out.Run();
        FAIL() << "second Run";
    } catch (const EAuException& e) {
        EXPECT_EQ(e.Message(), "Component is Busy");
    }
    out.BlockSleepMs = 0;
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 1; }));
    EXPECT_EQ(out.Data(), CountingBytes(0, 20000));
}

TEST(FrameworkRunTest, SynchronousStopReturnsIdleAndNoEventOfThatRunFollows) {
    TCountingIn in(1000000);
    in.BlockFrames = 64;
    TCollectOut out;
    out.BlockBytes = 256;
    out.BlockSleepMs = 1;
    out.SetInput(&in);
    TEventLog log(out);
    // A handler that takes a while keeps the event thread blocked on the main thread.
    out.OnProgress = [&](TAuOutput*) {
        log.Order += 'p';
        QThread::msleep(5);
    };
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return out.BlockCalls > 20; }));
    out.Stop(false);
    EXPECT_FALSE(out.Busy);
    EXPECT_EQ(out.Status(), osIdle);
    EXPECT_TRUE(out.Thread->Idle);
    EXPECT_EQ(out.EndCalls, 1);
    EXPECT_EQ(in.Ends, 1);
    const std::string before = log.Order;
    PumpEvents(200);
    EXPECT_EQ(log.Order, before);
    EXPECT_EQ(log.Done, 0);

    // The sink is usable again and its events flow again.
    out.BlockSleepMs = 0;
    in.Frames = 3000;
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 1; }));
    EXPECT_EQ(out.Data(), CountingBytes(0, 3000));
}

TEST(FrameworkRunTest, SynchronousStopServicesBlockingMainThreadCalls) {
    // A sink whose worker calls the main thread and waits, as windows' workers do (a slot of a
    // main-thread object through a blocking queued connection).
    QTimer mainObject;
    TCountingIn in(1000000);
    TCollectOut out;
    out.BlockBytes = 64;
    out.SetInput(&in);
    std::atomic<int> calls{0};
    out.OnBlock = [&] {
        QMetaObject::invokeMethod(&mainObject, "stop", Qt::BlockingQueuedConnection);
        ++calls;
    };
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return calls > 10; }));
    out.Stop(false); // would never return if it did not run the worker's pending call
    EXPECT_EQ(out.Status(), osIdle);
}

TEST(FrameworkRunTest, AsynchronousStopReturnsAtOnceThenDone) {
    TCountingIn in(1000000);
    TCollectOut out;
    out.BlockBytes = 256;
    out.BlockSleepMs = 1;
    out.SetInput(&in);
    TEventLog log(out);
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return out.BlockCalls > 5; }));
    out.Stop(true);
    EXPECT_TRUE(out.StopRequested);
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 1; }));
    EXPECT_FALSE(out.StopRequested);
    EXPECT_EQ(out.Status(), osIdle);
    EXPECT_LT(out.Data().size(), 4000000);
    EXPECT_EQ(out.EndCalls, 1);
}

TEST(FrameworkRunTest, ExceptionsReachOnThreadExceptionThenDone) {
    TCountingIn in(100000);
    TCollectOut out;
    out.SetInput(&in);
    out.FailAtBlock = 3;
    TEventLog log(out);
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 1; }));
    ASSERT_EQ(log.Errors.size(), 1u);
    EXPECT_EQ(log.Errors[0], "Block failed");
    EXPECT_EQ(out.LastError, "Block failed");
    EXPECT_EQ(log.Order.substr(log.Order.size() - 2), "ed");
    EXPECT_EQ(out.EndCalls, 1);
    EXPECT_FALSE(out.Busy);

    // A failure in the source, upstream of the sink, takes the same way.
    out.FailAtBlock = -1;
    in.FailAtBlock = 2;
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 2; }));
    ASSERT_EQ(log.Errors.size(), 2u);
    EXPECT_EQ(log.Errors[1], "Source failed");

    // And a failing start: a file source without a name.
    TRawFileIn file;
    out.SetInput(&file);
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 3; }));
    ASSERT_EQ(log.Errors.size(), 3u);
    EXPECT_EQ(log.Errors[2], "The file name is not assigned");
    EXPECT_FALSE(file.Busy);
    EXPECT_TRUE(log.OnMain);
    // A later successful run clears LastError.
    in.FailAtBlock = -1;
    out.SetInput(&in);
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 4; }));
    EXPECT_TRUE(out.LastError.isEmpty());
}

TEST(FrameworkRunTest, PauseHoldsTheWorkerAndResumeContinues) {
    TCountingIn in(200000);
    TCollectOut out;
    out.BlockBytes = 1024;
    out.BlockSleepMs = 1;
    out.SetInput(&in);
    TEventLog log(out);
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return out.BlockCalls > 3; }));
    out.Pause();
    EXPECT_EQ(out.Status(), osPaused);
    const int32_t calls = out.BlockCalls;
    PumpEvents(60);
    EXPECT_EQ(out.BlockCalls, calls);
    out.Resume();
    EXPECT_EQ(out.Status(), osBusy);
    out.BlockSleepMs = 0;
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 1; }));
    EXPECT_EQ(out.Data(), CountingBytes(0, 200000));

    // A pause asked for right after Run is honoured, and stopping a paused run wakes it.
    out.BlockSleepMs = 1;
    out.Run();
    out.Pause();
    EXPECT_EQ(out.Status(), osPaused);
    out.Stop(false);
    EXPECT_EQ(out.Status(), osIdle);
}

TEST(FrameworkRunTest, DestroyingARunningSinkNeitherHangsNorDeliversLater) {
    TCountingIn in(10000000);
    int events = 0;
    {
        auto out = std::make_unique<TCollectOut>();
        out->BlockBytes = 256;
        out->SetInput(&in);
        out->OnProgress = [&](TAuOutput*) { ++events; };
        out->OnDone = [&](TAuOutput*) { ++events; };
        out->Run();
        ASSERT_TRUE(WaitUntil([&] { return out->BlockCalls > 50; }));
    }
    const int seen = events;
    PumpEvents(100);
    EXPECT_EQ(events, seen);
    EXPECT_FALSE(in.Busy);

    // A handler may free its own sink: from OnDone and from OnProgress.
    TCountingIn small(1000);
    TCollectOut* done = new TCollectOut();
    done->SetInput(&small);
    bool freed = false;
    done->OnDone = [&](TAuOutput* s) {
        delete s;
        freed = true;
    };
    done->Run();
    ASSERT_TRUE(WaitUntil([&] { return freed; }));

    TCollectOut* progressing = new TCollectOut();
    progressing->BlockBytes = 256;
    progressing->SetInput(&in);
    freed = false;
    progressing->OnProgress = [&](TAuOutput* s) {
        if (!freed) {
            freed = true;
            delete s;
        }
    };
    progressing->Run();
    ASSERT_TRUE(WaitUntil([&] { return freed; }));
    PumpEvents(50);
    EXPECT_FALSE(in.Busy);
}

TEST(FrameworkRunTest, HandlersMayRunAgainAndStopTheirSink) {
    TCountingIn in(3000);
    TCollectOut out;
    out.SetInput(&in);
    int done = 0;
    out.OnDone = [&](TAuOutput* s) {
        if (++done == 1)
            s->Run(); // the worker is back in its wait when OnDone runs
    };
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return done == 2; }));
    EXPECT_EQ(out.Data(), CountingBytes(0, 3000));

    // A synchronous Stop from a progress handler: the event thread is waiting for that very
    // handler, and the worker must still get to its end.
    TCountingIn big(10000000);
    out.SetInput(&big);
    out.BlockBytes = 256;
    bool stopped = false;
    out.OnProgress = [&](TAuOutput* s) {
        if (!stopped) {
            stopped = true;
            s->Stop(false);
        }
    };
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return stopped; }));
    EXPECT_EQ(out.Status(), osIdle);
    PumpEvents(50);
    EXPECT_EQ(done, 2); // no OnDone for the stopped run
}

TEST(FrameworkRunTest, InputSwitchesAndDestroyedInputs) {
    auto in = std::make_unique<TCountingIn>(1000000);
    TCountingIn second(2000);
    TCollectOut out;
    out.BlockBytes = 256;
    out.BlockSleepMs = 1;
    TEventLog log(out);
    out.SetInput(in.get());
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return out.BlockCalls > 5; }));
    // Switching inputs while busy stops the run quietly and runs the new input.
    out.BlockSleepMs = 0;
    out.SetInput(&second);
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 1; }));
    EXPECT_EQ(out.Data(), CountingBytes(0, 2000));
    EXPECT_FALSE(in->Busy);

    // A destroyed input is forgotten by a sink and by a filter.
    TPassFilter filter;
    filter.SetInput(in.get());
    out.SetInput(in.get());
    in.reset();
    EXPECT_EQ(out.Input(), nullptr);
    EXPECT_EQ(filter.Input(), nullptr);
    EXPECT_EQ(out.Progress(), 0);
    EXPECT_EQ(filter.GetSampleRate(), 0);

    // A running sink whose input goes away is stopped first.
    auto third = std::make_unique<TCountingIn>(10000000);
    out.SetInput(third.get());
    out.BlockSleepMs = 1;
    out.Run();
    const int32_t calls = out.BlockCalls;
    ASSERT_TRUE(WaitUntil([&] { return out.BlockCalls > calls + 3; }));
    third.reset();
    EXPECT_EQ(out.Status(), osIdle);
    EXPECT_EQ(out.Input(), nullptr);
}

TEST(FrameworkRunTest, FilterChainPassesEverything) {
    TCountingIn in(7777);
    in.BlockFrames = 333;
    TPassFilter filter;
    filter.SetInput(&filter); // ignored
    EXPECT_EQ(filter.Input(), nullptr);
    filter.SetInput(&in);
    TCollectOut out;
    out.SetInput(&filter);
    TEventLog log(out);
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 1; }));
    EXPECT_EQ(out.Data(), CountingBytes(0, 7777));
    EXPECT_EQ(filter.Position, 7777 * 4);
    EXPECT_EQ(log.Progress.back(), 100);
    EXPECT_FALSE(in.Busy);
    EXPECT_FALSE(filter.Busy);
}

TEST(FrameworkRunTest, FileSinkCreatesAppendsAndUsesAttachedStreams) {
    TTempProgramFolder dir;
    const QString f = dir.File("out.raw");
    TCountingIn in(1000);
    TRawFileOut out;
    out.SetInput(&in);
    TEventLog log(out);

    out.Run(); // no name
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 1; }));
    ASSERT_EQ(log.Errors.size(), 1u);
    EXPECT_EQ(log.Errors[0], "File name is not assigned.");

    ASSERT_TRUE(WriteFile(f, "old contents that are longer than nothing"));
    out.SetFileName(f);
    out.SetFileMode(foAppend); // the base class always rewrites
    EXPECT_EQ(out.FileMode(), foRewrite);
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 2; }));
    EXPECT_EQ(ReadFile(f), CountingBytes(0, 1000));
    EXPECT_FALSE(IsFileInUse(f)); // released at the end of the run

    out.CanAppend = true;
    out.SetFileMode(foAppend);
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 3; }));
    EXPECT_EQ(ReadFile(f), CountingBytes(0, 1000) + CountingBytes(0, 1000));

    TAuMemoryStream memory;
    out.AttachStream(&memory);
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return log.Done == 4; }));
    EXPECT_EQ(memory.Memory(), CountingBytes(0, 1000));
    EXPECT_EQ(ReadFile(f).size(), 8000); // the file was left alone
    out.AttachStream(nullptr);
    EXPECT_EQ(log.Errors.size(), 1u);
}

TEST(FrameworkRunTest, OneEventThreadWhileSinksExist) {
    EXPECT_EQ(TEventHandler::Instance(), nullptr);
    TCountingIn in(100);
    auto* first = new TCollectOut();
    TEventHandler* handler = TEventHandler::Instance();
    ASSERT_NE(handler, nullptr);
    {
        TCollectOut second;
        EXPECT_EQ(TEventHandler::Instance(), handler);
    }
    // The last sink freed in its own handler, and a new one made right there: the event thread
    // cannot end while it waits for that handler, so it is taken up again.
    std::unique_ptr<TCollectOut> next;
    bool freed = false;
    first->SetInput(&in);
    first->OnDone = [&](TAuOutput* s) {
        delete s;
        next = std::make_unique<TCollectOut>();
        freed = true;
    };
    first->Run();
    ASSERT_TRUE(WaitUntil([&] { return freed; }));
    PumpEvents(30);
    EXPECT_EQ(TEventHandler::Instance(), handler);
    next.reset();
    EXPECT_EQ(TEventHandler::Instance(), nullptr);

    // Freed in its own handler with no sink left: the thread ends once the handler returned.
    auto* last = new TCollectOut();
    last->SetInput(&in);
    freed = false;
    last->OnDone = [&](TAuOutput* s) {
        delete s;
        freed = true;
    };
    last->Run();
    ASSERT_TRUE(WaitUntil([&] { return freed; }));
    ASSERT_TRUE(WaitUntil([&] { return TEventHandler::Instance() == nullptr; }));
}
