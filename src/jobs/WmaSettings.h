// The WMA settings offered by the options dialog: list text, the code the WMA utility gets
// after "-a_setting", and the divisor the job windows use to predict the size of the output
// (expected bytes = input WAV bytes x 1000 / divisor).
#pragma once

#include <array>
#include <cstdint>

struct TWmaSetting {
    const char* Text;
    const char* Code;
    int32_t Divisor;
};

extern const std::array<TWmaSetting, 33> WmaSettingsTable;

// The row chosen by Settings.WMABitRate; a stored value outside the table is first replaced
// by the default row 8 in the Settings record.
int32_t WmaSettingIndex();
const TWmaSetting& CurrentWmaSetting();
// The row `row` of the table; row 8 for a value outside it.
const TWmaSetting& WmaSettingAt(int32_t row);
