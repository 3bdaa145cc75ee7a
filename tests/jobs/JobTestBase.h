// The common ground of the job tests (the conversion job, the CD rip job and their windows):
// lame is needed, the scripted prompter answers, and the output folder is "out" in a fresh
// program folder. A derived SetUp calls this one first and returns when it skipped.
#pragma once

#include "core/Settings.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>

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

    TTempProgramFolder Folder;
    TScriptedPrompter Prompter;
};
