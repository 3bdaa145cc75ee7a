// The WMA settings table (see WmaSettings.h).
#include "jobs/WmaSettings.h"

#include "core/Settings.h"

const std::array<TWmaSetting, 33> WmaSettingsTable = {{
    {"48.000 kHz, 192 kbit/s, Stereo", "192_48_2", 7315},  {"48.000 kHz, 160 kbit/s, Stereo", "160_48_2", 8770},
    {"48.000 kHz, 128 kbit/s, Stereo", "128_48_2", 10949}, {"44.100 kHz, 192 kbit/s, Stereo", "192_44_2", 7316},
    {"44.100 kHz, 160 kbit/s, Stereo", "160_44_2", 8772},  {"44.100 kHz, 128 kbit/s, Stereo", "128_44_2", 10954},
    {"44.100 kHz,  96 kbit/s, Stereo", "96_44_2", 14581},  {"44.100 kHz,  80 kbit/s, Stereo", "80_44_2", 17471},
    {"44.100 kHz,  64 kbit/s, Stereo", "64_44_2", 21790},  {"44.100 kHz,  48 kbit/s, Stereo", "48_44_2", 28963},
    {"44.100 kHz,  32 kbit/s, Stereo", "32_44_2", 43174},  {"44.100 kHz,  48 kbit/s, Mono", "48_44_1", 28963},
    {"44.100 kHz,  32 kbit/s, Mono", "32_44_1", 43134},    {"32.000 kHz,  48 kbit/s, Stereo", "48_32_2", 28999},
    {"32.000 kHz,  40 kbit/s, Stereo", "40_32_2", 34720},  {"32.000 kHz,  32 kbit/s, Stereo", "32_32_2", 43214},
    {"32.000 kHz,  20 kbit/s, Mono", "20_32_1", 68873},    {"22.050 kHz,  32 kbit/s, Stereo", "32_22_2", 43134},
    {"22.050 kHz,  22 kbit/s, Stereo", "22_22_2", 62208},  {"22.050 kHz,  20 kbit/s, Stereo", "20_22_2", 68264},
    {"22.050 kHz,  20 kbit/s, Mono", "20_22_1", 68264},    {"22.050 kHz,  16 kbit/s, Mono", "16_22_1", 84458},
    {"16.000 kHz,  20 kbit/s, Stereo", "20_16_2", 67963},  {"16.000 kHz,  16 kbit/s, Stereo", "16_16_2", 84150},
    {"16.000 kHz,  16 kbit/s, Mono", "16_16_1", 84150},    {"16.000 kHz,  12 kbit/s, Mono", "12_16_1", 110460},
    {"16.000 kHz,  10 kbit/s, Mono", "10_16_1", 131113},   {"11.025 kHz,  10 kbit/s, Mono", "10_11_1", 133765},
    {"11.025 kHz,   8 kbit/s, Mono", "8_11_1", 165296},    {" 8.000 kHz,  12 kbit/s, Stereo", "12_8_2", 113717},
    {" 8.000 kHz,   8 kbit/s, Mono", "8_8_1", 167692},     {" 8.000 kHz,   6 kbit/s, Mono", "6_8_1", 220395},
    {" 8.000 kHz,   5 kbit/s, Mono", "5_8_1", 261485},
}};

int32_t WmaSettingIndex() {
    if (Settings.WMABitRate < 0 || Settings.WMABitRate >= static_cast<int32_t>(WmaSettingsTable.size()))
        Settings.WMABitRate = 8;
    return Settings.WMABitRate;
}

const TWmaSetting& CurrentWmaSetting() {
    return WmaSettingsTable[static_cast<size_t>(WmaSettingIndex())];
}

const TWmaSetting& WmaSettingAt(int32_t row) {
    return WmaSettingsTable[row >= 0 && row < int32_t(WmaSettingsTable.size()) ? size_t(row) : 8u];
}
