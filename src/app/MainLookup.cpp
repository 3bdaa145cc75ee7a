// The main window's lookups of a disc's metadata and its disc fields (see MainController.h):
// the CD-TEXT and the automatic lookup of a disc that cdinfo.dat does not name, Look up disc,
// the release chooser, and the edits of artist, album, year and genre.
#include "app/MainController.h"

#include "app/DiscLookupSetup.h"
#include "cd/CdText.h"
#include "cd/DiscKey.h"
#include "cd/akrip32.h"
#include "cddb/CddbDisc.h"
#include "core/DiscInfo.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "metadata/DiscLookup.h"
#include "platform/Prompter.h"

namespace {

void Inform(const QString& text) {
    Prompter().Show(text, TPromptIcon::Information, TPromptButtons::Ok);
}

void ShowError(const QString& text) {
    Prompter().Show(text, TPromptIcon::Error, TPromptButtons::Ok);
}

QString SourceTitle(const QString& source) {
    if (source == QLatin1String("musicbrainz"))
        return QStringLiteral("MusicBrainz");
    if (source == QLatin1String("cddb"))
        return QStringLiteral("CDDB");
    return QStringLiteral("CD-TEXT");
}

} // namespace

bool TMainController::LookingUp() const {
    return Lookup->Running();
}

bool TMainController::ListedDisc(TDisc& disc) {
    if (CDHandle)
        return ReadDisc(CDHandle, disc) && !disc.Empty();
    TCDIn* component = CDIn->Component();
    if (!component)
        return false;
    TCDInDisc source(*component);
    source.SelectDrive();
    return source.ReadDisc(disc) && !disc.Empty();
}

void TMainController::NameNewDisc(const TDisc& disc) {
    if (DiscInfoStored(List.Key()))
        return;
    // CD-TEXT needs no network: a disc that carries it is named at once.
    TCdText text;
    if (CDHandle && ReadCdText(CDHandle, text)) {
        ApplyRecord(CdTextCandidate(text, disc).Record);
        Q_EMIT DiscFieldsChanged();
    }
    if (Settings.LookupOnInsert)
        StartLookup(disc, false);
}

void TMainController::LookUpDisc() {
    if (List.Empty() || Lookup->Running())
        return;
    TDisc disc;
    if (!ListedDisc(disc)) {
        ShowError(
            LoadResText(QStringLiteral("RES_ReadTocError"), QStringLiteral("Error while reading TOC information!")));
        return;
    }
    StartLookup(disc, true);
}

void TMainController::StartLookup(const TDisc& disc, bool manual, const QString& only) {
    TLookupSetup setup;
    QString error;
    if (!LookupSetupFrom(Settings, setup, error)) {
        SetStatus(ResText("RES_Lookup_Failed", "Look-up: ") + error);
        if (manual)
            ShowError(error);
        return;
    }
    if (!only.isEmpty())
        setup.Order = QStringList{only};
    TCdText text;
    if (CDHandle && setup.Order.contains(QLatin1String("cdtext")))
        ReadCdText(CDHandle, text);
    LookupManual = manual;
    LookupKey = List.Key();
    LookupDisc = disc;
    Lookup->Start(disc, MakeLookupSources(setup, text));
    if (!Playing)
        SetStatus(ResText("RES_Lookup_Running", "Looking up the disc..."));
    Q_EMIT StateChanged();
}

void TMainController::LookupFinished(const TLookupOutcome& outcome) {
    Q_EMIT StateChanged();
    // The disc went away or another took its place meanwhile: the answer is not for the rows.
    if (LookupKey != List.Key() || List.Empty()) {
        Q_EMIT LookupEnded();
        return;
    }
    if (!outcome.Found()) {
        // The first CDDB query of a lookup the user started asks for the e-mail address and
        // then asks CDDB alone.
        const TLookupAnswer* cddb = outcome.AnswerOf(QStringLiteral("cddb"));
        if (LookupManual && cddb && cddb->NeedsEmail && Host) {
            QString email = Settings.Email;
            if (Host->AskCddbEmail(email) && !email.trimmed().isEmpty()) {
                Settings.Email = email.trimmed();
                StartLookup(LookupDisc, true, QStringLiteral("cddb"));
                return;
            }
        }
        const QString why = outcome.FailureText();
        if (!Playing)
            SetStatus(ResText("RES_Lookup_Failed", "Look-up: ") + why);
        if (LookupManual)
            Inform(ResText("RES_Lookup_NothingFound", "Nothing was found for this disc:") + QStringLiteral("\r\n") +
                   why);
        Q_EMIT LookupEnded();
        return;
    }
    const TLookupAnswer& answer = outcome.Winner();
    int picked = 0;
    // Several releases: the user chooses; a lookup that started by itself takes the first and
    // says that there are others.
    if (answer.Candidates.size() > 1 && LookupManual) {
        picked = Host ? Host->ChooseRelease(answer.Candidates, SourceTitle(answer.Source)) : -1;
        if (picked < 0 || picked >= int(answer.Candidates.size())) {
            Q_EMIT LookupEnded();
            return;
        }
    }
    ApplyRecord(answer.Candidates[size_t(picked)].Record);
    Q_EMIT DiscFieldsChanged();
    if (!Playing) {
        QString text = ResText("RES_Lookup_Named", "Named from %1: ").arg(SourceTitle(answer.Source)) +
                       answer.Candidates[size_t(picked)].Description();
        if (answer.Candidates.size() > 1 && !LookupManual)
            text += ResText("RES_Lookup_Others", " (%1 releases; Look up disc chooses another)")
                        .arg(answer.Candidates.size());
        SetStatus(text);
    }
    Q_EMIT LookupEnded();
}

void TMainController::SetDiscArtist(const QString& text) {
    CurrentDisc.Artist = text;
}

void TMainController::SetDiscAlbum(const QString& text) {
    CurrentDisc.Album = text;
}

void TMainController::SetDiscYear(const QString& text) {
    CurrentDisc.Year = text;
}

void TMainController::SetDiscGenre(int genre) {
    CurrentDisc.Genre = genre;
}
