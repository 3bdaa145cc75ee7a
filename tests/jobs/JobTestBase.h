// The common ground of the job tests (the conversion job, the CD rip job and their windows):
// lame is needed, the scripted prompter answers, and the output folder is "out" in a fresh
// program folder. A derived SetUp calls this one first and returns when it skipped.
#pragma once

#include "core/DiscInfo.h"
#include "core/Settings.h"
#include "jobs/CDInputSource.h"
#include "jobs/DriveLibrarySource.h"
#include "jobs/JobRunner.h"
#include "jobs/RipPipeline.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>

#include <memory>

class TJobTestBase : public ::testing::Test {
protected:
    void SetUp() override {
        if (FindTool(QStringLiteral("lame")).isEmpty())
            GTEST_SKIP() << "lame is not installed";
        SetPrompter(&Prompter);
        Settings.OutputFolder = Folder.File(QStringLiteral("out"));
        QDir().mkpath(Settings.OutputFolder);
    }
    void TearDown() override { SetPrompter(nullptr); }

    // A file in the output folder.
    QString Out(const QString& name) const { return Settings.OutputFolder + '/' + name; }

    // The request of a rip as the main window makes it now (settings, the disc's fields), of
    // tracks given as "NN" and the title ("03My Song").
    static TRipRequest RequestOf(const QStringList& items) {
        TRipRequest request = TRipRequest::From(Settings, CurrentDisc);
        std::vector<std::pair<int32_t, QString>> tracks;
        for (const QString& item : items)
            tracks.emplace_back(item.left(2).toInt(), item.mid(2));
        request.SetTracks(tracks);
        return request;
    }
    // The rip of the job window through the drive library (an open handle), and the rip of the
    // CD rip window through the CD input.
    static std::unique_ptr<TRipPipeline> RipJob(int handle, const QStringList& items) {
        const TRipRequest request = RequestOf(items);
        return std::make_unique<TRipPipeline>(request, std::make_unique<TDriveLibrarySource>(request, handle),
                                              TRipWindow::Job);
    }
    static std::unique_ptr<TRipPipeline> CDRipJob(TCDIn& cdIn, const QStringList& items) {
        const TRipRequest request = RequestOf(items);
        return std::make_unique<TRipPipeline>(request, std::make_unique<TCDInputSource>(request, cdIn),
                                              TRipWindow::CDRip);
    }
    static bool Run(TJobController& job) {
        job.Start();
        return RunJobToEnd(job, {});
    }

    TTempProgramFolder Folder;
    TScriptedPrompter Prompter;
};
