// Every message box and question of the program goes through one TPrompter: a message-box
// implementation in the GUI, a scripted one in tests and a non-interactive one in the
// command-line tool. The caption of every box is the application title.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <mutex>

enum class TPromptIcon { None, Information, Warning, Error, Question };
enum class TPromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class TPromptAnswer { Ok, Cancel, Yes, No };

class TPrompter {
public:
    virtual ~TPrompter() = default;
    // `defaultAnswer` is the button that Enter presses (a question whose harmless answer is No
    // passes No); without it, the first button (Ok or Yes).
    virtual TPromptAnswer Show(const QString& text, TPromptIcon icon, TPromptButtons buttons,
                               TPromptAnswer defaultAnswer) = 0;
    TPromptAnswer Show(const QString& text, TPromptIcon icon, TPromptButtons buttons) {
        return Show(text, icon, buttons, FirstButton(buttons));
    }
    static TPromptAnswer FirstButton(TPromptButtons buttons) {
        return buttons == TPromptButtons::YesNo || buttons == TPromptButtons::YesNoCancel ? TPromptAnswer::Yes
                                                                                          : TPromptAnswer::Ok;
    }
    // Captions for the buttons of the next box, in the order Yes (or Ok), No, Cancel, where a
    // question's answers are better named by what they do ("Resume", "Start over"); an empty
    // caption keeps the button's own. The next Show uses and clears them.
    QStringList NextButtonTexts;
};

// The prompter in use; never null (a non-interactive one answering "No" until one is set).
// Main thread only: asking from a worker thread is a programming error and ends the program.
TPrompter& Prompter();
// Installs a prompter (not owned); nullptr restores the default.
void SetPrompter(TPrompter* prompter);

// The caption of every box.
QString ApplicationTitle();

// Answers from a queue filled in advance; records every text shown.
class TScriptedPrompter : public TPrompter {
public:
    using TPrompter::Show;
    TPromptAnswer Show(const QString& text, TPromptIcon icon, TPromptButtons buttons,
                       TPromptAnswer defaultAnswer) override;
    void Queue(TPromptAnswer answer);
    QStringList Shown() const;
    QList<TPromptIcon> Icons() const;
    // The default button of every box shown, in order.
    QList<TPromptAnswer> Defaults() const;

private:
    mutable std::mutex Lock;
    std::deque<TPromptAnswer> Answers;
    QStringList Texts;
    QList<TPromptIcon> IconList;
    QList<TPromptAnswer> DefaultList;
};

// A box's text on one line (its line breaks become blanks): a box often carries a reason on
// a second line, and a script reading standard error takes each line for one message.
QString BoxTextOnOneLine(const QString& text);

// For the command-line tool: prints each text on standard error as one line (line breaks
// become blanks) and gives a fixed answer to questions (Yes when overwriting was allowed,
// else No); plain boxes are answered Ok.
class TConsolePrompter : public TPrompter {
public:
    explicit TConsolePrompter(bool answerYes = false) : AnswerYes(answerYes) {}
    using TPrompter::Show;
    TPromptAnswer Show(const QString& text, TPromptIcon icon, TPromptButtons buttons,
                       TPromptAnswer defaultAnswer) override;
    void SetAnswerYes(bool yes) { AnswerYes = yes; }

private:
    bool AnswerYes;
};
