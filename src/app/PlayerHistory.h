// Clear History: the recent-file lists of RealPlayer and Windows Media Player run under Wine,
// in the Wine registry of the user. Each asks first when the player is running, reports how many
// records went, and returns that number (-1 when the user declined).
#pragma once

int ClearRealPlayerHistory();
int ClearMediaPlayerHistory();
