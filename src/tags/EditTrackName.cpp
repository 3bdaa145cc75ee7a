// The title dialog's state (see EditTrackName.h).
#include "tags/EditTrackName.h"

void TEditTrackName::SetTitle(const QString& title) {
    const bool could = CanConfirm();
    Text = title;
    if (could != CanConfirm())
        Q_EMIT CanConfirmChanged(CanConfirm());
}
