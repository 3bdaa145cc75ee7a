// The question for the e-mail address of the CDDB hello, asked before the first CDDB query:
// gnudb, the default server, answers only clients whose address it knows.
#pragma once

#include <QString>

class QWidget;

// Asks for the address with the reason; true with a non-empty `email` on OK.
bool AskCddbEmail(QWidget* parent, QString& email);
