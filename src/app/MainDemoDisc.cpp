// Opening the demo disc in the main window (see MainDemoDisc.h).
#include "app/MainDemoDisc.h"

#include "app/MainController.h"
#include "cd/DemoDisc.h"
#include "core/LanguageText.h"
#include "platform/Prompter.h"

bool OpenDemoDisc(TMainController& controller) {
    QString error;
    const QString cue = DemoDisc(error);
    if (cue.isEmpty()) {
        Prompter().Show(ResText("RES_Demo_Disc_Error", "The demo disc can not be written: ") + error,
                        TPromptIcon::Error, TPromptButtons::Ok);
        return false;
    }
    return controller.OpenDiscImage(cue);
}
