// Prompter implementations that need no widgets (see Prompter.h).
#include "platform/Prompter.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

namespace {

TConsolePrompter& DefaultPrompter() {
    static TConsolePrompter prompter(false);
    return prompter;
}

TPrompter* CurrentPrompter = nullptr;

TPromptAnswer DefaultAnswer(TPromptButtons buttons, bool yes) {
    switch (buttons) {
    case TPromptButtons::Ok:
        return TPromptAnswer::Ok;
    case TPromptButtons::OkCancel:
        return yes ? TPromptAnswer::Ok : TPromptAnswer::Cancel;
    case TPromptButtons::YesNo:
    case TPromptButtons::YesNoCancel:
        return yes ? TPromptAnswer::Yes : TPromptAnswer::No;
    }
    return TPromptAnswer::Ok;
}

} // namespace

TPrompter& Prompter() {
    // Boxes belong to the main thread: a worker that asked would block on a window (or race the
    // scripted answers of a test). Workers report through events instead.
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread())
        qFatal("Prompter used from a worker thread");
    return CurrentPrompter ? *CurrentPrompter : DefaultPrompter();
}

void SetPrompter(TPrompter* prompter) {
    CurrentPrompter = prompter;
}

QString ApplicationTitle() {
    return QStringLiteral("Discwright");
}

TPromptAnswer TScriptedPrompter::Show(const QString& text, TPromptIcon icon, TPromptButtons buttons,
                                      TPromptAnswer defaultAnswer) {
    std::lock_guard guard(Lock);
    NextButtonTexts.clear();
    Texts << text;
    IconList << icon;
    DefaultList << defaultAnswer;
    if (Answers.empty())
        return DefaultAnswer(buttons, false);
    const TPromptAnswer answer = Answers.front();
    Answers.pop_front();
    return answer;
}

void TScriptedPrompter::Queue(TPromptAnswer answer) {
    std::lock_guard guard(Lock);
    Answers.push_back(answer);
}

QStringList TScriptedPrompter::Shown() const {
    std::lock_guard guard(Lock);
    return Texts;
}

QList<TPromptIcon> TScriptedPrompter::Icons() const {
    std::lock_guard guard(Lock);
    return IconList;
}

QList<TPromptAnswer> TScriptedPrompter::Defaults() const {
    std::lock_guard guard(Lock);
    return DefaultList;
}

QString BoxTextOnOneLine(const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace('\n', ' ').replace('\r', ' ');
    return line;
}

TPromptAnswer TConsolePrompter::Show(const QString& text, TPromptIcon, TPromptButtons buttons, TPromptAnswer) {
    const TPromptAnswer answer = DefaultAnswer(buttons, AnswerYes);
    QString line = BoxTextOnOneLine(text);
    if (buttons == TPromptButtons::YesNo || buttons == TPromptButtons::YesNoCancel)
        line += answer == TPromptAnswer::Yes ? QStringLiteral(" [yes]") : QStringLiteral(" [no]");
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    return answer;
}
