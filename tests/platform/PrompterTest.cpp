// The scripted and console prompters used by tests and the command-line tool.
#include "platform/Prompter.h"

#include <gtest/gtest.h>

#include <thread>

TEST(PrompterTest, ScriptedAnswersInOrderThenDeclines) {
    TScriptedPrompter p;
    p.Queue(TPromptAnswer::Yes);
    EXPECT_EQ(p.Show("first", TPromptIcon::Information, TPromptButtons::YesNo), TPromptAnswer::Yes);
    EXPECT_EQ(p.Show("second", TPromptIcon::Error, TPromptButtons::YesNo), TPromptAnswer::No);
    EXPECT_EQ(p.Show("third", TPromptIcon::None, TPromptButtons::Ok), TPromptAnswer::Ok);
    EXPECT_EQ(p.Shown(), (QStringList{"first", "second", "third"}));
    EXPECT_EQ(p.Icons().at(1), TPromptIcon::Error);
}

TEST(PrompterTest, GlobalPrompterCanBeReplacedAndRestored) {
    TScriptedPrompter p;
    SetPrompter(&p);
    Prompter().Show("x", TPromptIcon::None, TPromptButtons::Ok);
    SetPrompter(nullptr);
    EXPECT_EQ(p.Shown().size(), 1);
    TConsolePrompter yes(true);
    EXPECT_EQ(yes.Show("overwrite?", TPromptIcon::Information, TPromptButtons::YesNo), TPromptAnswer::Yes);
    EXPECT_EQ(TConsolePrompter(false).Show("q", TPromptIcon::None, TPromptButtons::YesNo), TPromptAnswer::No);
    EXPECT_EQ(ApplicationTitle(), "Discwright");
}

TEST(PrompterDeathTest, AWorkerThreadAskingIsAProgrammingError) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            std::thread worker([] { Prompter().Show("from a worker", TPromptIcon::None, TPromptButtons::Ok); });
            worker.join();
        },
        "worker thread");
}
